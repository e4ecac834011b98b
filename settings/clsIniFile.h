#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace portico {

// Access to one INI file: a private file named by a path, or the user's WIN.INI.
// Entry operations work on the current section and first check that one is
// known; without it they show "[Section] and FileName Not Registered in
// Private.Ini!" and return their empty result. A new object points at
// <program folder>/<Executable name>.ini and, although SectionName reads
// "General", has no section until SectionName or FullPath is assigned.
class clsIniFile {
public:
    clsIniFile();

    const std::string& PrivPath() const { return privPath_; }
    void setUseWinINI(bool flag);
    bool UseWinINI() const { return useWinIni_; }
    // The file need not exist. Leaves WIN.INI mode.
    void setFullPath(const std::string& path);
    const std::string& FullPath() const { return fullPath_; }
    void setSectionName(const std::string& section);
    const std::string& SectionName() const { return sectionName_; }
    const std::string& FilePath() const { return filePath_; }
    const std::string& FileExt() const { return fileExt_; }

    // part 1: base name before the first dot; part 2: the text after it;
    // anything else: the whole name. An empty path means FullPath.
    std::string ExtractName(const std::string& path, std::int16_t part) const;
    // Folder of a path without a trailing "/"; a bare name gives the current
    // directory. An empty path means FullPath.
    std::string ExtractPath(const std::string& path) const;

    // Keeps the entry's line with an empty value.
    void DeleteStrEntry(const std::string& entry);
    // Removes the entry's line.
    void DeleteNumEntry(const std::string& entry);
    // Empties the current section and forgets it.
    void DeleteSection();
    // True when a regular file matches the name; a name without "." matches any
    // extension. Throws PorticoError when the folder cannot be searched.
    bool Exists(const std::string& fileName) const;
    // Throws PorticoError 6 "Overflow" when the number does not fit 16 bits.
    std::int16_t GetInt(const std::string& entry, std::int16_t defaultValue);
    // "name=value" items each ended by NUL, then one more NUL.
    std::string GetSectEntries();
    // Rows of {name, value}; returns their count. An empty section leaves
    // `entries` untouched.
    std::int16_t GetSectEntriesEx(std::vector<std::array<std::string, 2>>& entries);
    // Section names read from the file itself, each ended by NUL, then one more
    // NUL. Throws PorticoError when the file is missing or cannot be read.
    std::string GetSections();
    std::int16_t GetSectionsEx(std::vector<std::string>& names);
    // At most 254 characters.
    std::string GetString(const std::string& entry, const std::string& defaultValue);
    bool GetTF(const std::string& entry, bool defaultValue);
    void FlushCache();
    // Reads one entry of `section` in `filePath` (WIN.INI in WIN.INI mode) and
    // returns it: the integer read in decimal when `readAsNumber`, else the
    // text. `resultText` is kept for the interface and not used.
    std::string IniRead(const std::string& section, const std::string& entry, std::int16_t defaultNumber,
                        const std::string& defaultText, const std::string& resultText, bool readAsNumber,
                        const std::string& filePath);
    // Writes to `filePath` (WIN.INI in WIN.INI mode), whatever the current file
    // and section are. True when the write succeeded.
    bool IniWrite(const std::string& section, const std::string& entry, const std::string& value,
                  const std::string& filePath);
    // Non-zero on success.
    std::int16_t PutInt(const std::string& entry, std::int16_t value);
    std::int16_t PutString(const std::string& entry, const std::string& value);
    bool PutTF(const std::string& entry, bool flag);
    bool SectExist(const std::string& section);
    const std::string& FileName() const { return fileName_; }

private:
    bool checkSection() const;
    std::string activeFile() const;

    std::string sectionName_;
    std::string fileName_;
    std::string filePath_;
    std::string fullPath_;
    std::string privPath_;
    std::string fileExt_;
    bool hasSection_ = false;
    bool useWinIni_ = false;
};

}  // namespace portico
