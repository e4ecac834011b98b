#include "settings/clsIniFile.h"

#include "settings/ErrorNumbers.h"
#include "settings/MessageSink.h"
#include "settings/PorticoError.h"
#include "settings/Profile.h"
#include "settings/ProgramFolder.h"
#include "settings/TextUtil.h"

#include <fnmatch.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>

namespace portico {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kStringBuffer = 255;
constexpr std::size_t kSectionBuffer = 4096;
constexpr const char* kErrorSource = "Portico";

std::string executableBaseName() {
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const std::string name = exe.filename().string();
    return name.substr(0, name.find('.'));
}

// First letter of each word upper case, the rest lower case.
std::string properCase(const std::string& text) {
    std::string result = text;
    bool wordStart = true;
    for (char& c : result) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isspace(u)) {
            wordStart = true;
            continue;
        }
        if (u < 0x80) c = static_cast<char>(wordStart ? std::toupper(u) : std::tolower(u));
        wordStart = false;
    }
    return result;
}

// There are no short names here, so a folder's long form is the folder itself
// when every component of it exists, and "" when one does not.
std::string longPathOf(const std::string& folder) {
    if (folder.empty()) return {};
    if (folder == "/") return folder;
    std::string path = folder;
    if (path.back() != '/') path += '/';
    std::error_code ec;
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (!fs::is_directory(path.substr(0, slash), ec)) return {};
    }
    path.pop_back();
    return path;
}

// Dir-style patterns know only "*" and "?"; brackets and backslashes are literal.
std::string escapeForFnmatch(const std::string& pattern) {
    std::string escaped;
    for (char c : pattern) {
        if (c == '[' || c == ']' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

[[noreturn]] void throwLookupError(const std::string& name, const std::error_code& ec) {
    throw PorticoError(errors::kBadFileName, "Bad file name or number: " + name + " (" + ec.message() + ")", kErrorSource);
}

bool isMissing(const std::error_code& ec) {
    return ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
}

std::int16_t toInt16(long long value) {
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
        throw PorticoError(errors::kOverflow, "Overflow", kErrorSource);
    }
    return static_cast<std::int16_t>(value);
}

// A line of the file as the section list sees it: nothing from the first ";"
// on, blanks trimmed.
std::string stripComment(const std::string& line) {
    const auto semicolon = line.find(';');
    if (semicolon == 0) return {};
    return trimBlanks(std::string_view(line).substr(0, semicolon));
}

}  // namespace

clsIniFile::clsIniFile() {
    const std::string exeName = trimBlanks(executableBaseName());
    if (!exeName.empty()) {
        std::string folder = longPathOf(programFolder());
        if (folder.empty() || folder.back() != '/') folder += '/';
        setFullPath(folder + properCase(exeName) + ".ini");
        sectionName_ = "General";
    }
}

void clsIniFile::setUseWinINI(bool flag) {
    if (flag == useWinIni_) return;
    if (flag) {
        fullPath_ = profile::winIniFile().string();
        filePath_ = ExtractPath(fullPath_);
        fileName_ = ExtractName(fullPath_, 1);
        useWinIni_ = true;
    } else {
        setFullPath(privPath_);
    }
}

void clsIniFile::setFullPath(const std::string& path) {
    privPath_ = path;
    fullPath_ = path;
    filePath_ = ExtractPath(path);
    fileName_ = ExtractName(path, 1);
    fileExt_ = ExtractName(path, 2);
    hasSection_ = !trimBlanks(sectionName_).empty();
    useWinIni_ = false;
}

void clsIniFile::setSectionName(const std::string& section) {
    sectionName_ = section;
    hasSection_ = !trimBlanks(section).empty();
}

std::string clsIniFile::ExtractName(const std::string& path, std::int16_t part) const {
    const std::string& full = path.empty() ? fullPath_ : path;
    const auto slash = full.rfind('/');
    const std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
    const auto dot = name.find('.');
    if (dot == std::string::npos) return name;
    if (part == 1) return name.substr(0, dot);
    if (part == 2) return name.substr(dot + 1);
    return name;
}

std::string clsIniFile::ExtractPath(const std::string& path) const {
    const std::string& full = path.empty() ? fullPath_ : path;
    std::string folder;
    if (const auto slash = full.rfind('/'); slash != std::string::npos) {
        folder = full.substr(0, slash);
    } else {
        std::error_code ec;
        folder = fs::current_path(ec).string();
    }
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
}

bool clsIniFile::checkSection() const {
    if (!hasSection_) {
        messageSink().showMessage("[Section] and FileName Not Registered in Private.Ini!", "IniFile Logic Error",
                                  MessageIcon::Information);
    }
    return hasSection_;
}

std::string clsIniFile::activeFile() const {
    if (!useWinIni_) return fullPath_;
    // The Windows directory always exists; its stand-in may not yet.
    std::error_code ec;
    fs::create_directories(profile::windowsDirectory(), ec);
    return profile::winIniFile().string();
}

void clsIniFile::DeleteStrEntry(const std::string& entry) {
    if (!checkSection()) return;
    profile::writeString(sectionName_, entry, std::string_view{}, activeFile());
}

void clsIniFile::DeleteNumEntry(const std::string& entry) {
    if (!checkSection()) return;
    profile::writeString(sectionName_, entry, std::nullopt, activeFile());
}

void clsIniFile::DeleteSection() {
    if (!checkSection()) return;
    profile::writeSection(sectionName_, "", activeFile());
    sectionName_.clear();
    hasSection_ = false;
}

bool clsIniFile::Exists(const std::string& fileName) const {
    // An empty name would become ".*" and match any hidden file of the current directory.
    if (trimBlanks(fileName).empty() || fileName.find('\0') != std::string::npos) return false;
    std::string name = fileName;
    if (name.find('.') == std::string::npos) name += ".*";
    const auto slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
    const std::string pattern = slash == std::string::npos ? name : name.substr(slash + 1);
    if (pattern.empty()) return false;

    std::error_code ec;
    if (pattern.find_first_of("*?") == std::string::npos) {
        const auto status = fs::status(name, ec);
        if (ec && !isMissing(ec)) throwLookupError(name, ec);
        return status.type() == fs::file_type::regular;
    }
    fs::directory_iterator it(folder, ec);
    if (ec) {
        if (isMissing(ec)) return false;
        throwLookupError(name, ec);
    }
    const std::string escaped = escapeForFnmatch(pattern);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) throwLookupError(name, ec);
        const std::string entryName = it->path().filename().string();
        std::error_code typeError;
        if (::fnmatch(escaped.c_str(), entryName.c_str(), 0) == 0 && it->is_regular_file(typeError)) return true;
    }
    if (ec) throwLookupError(name, ec);
    return false;
}

std::int16_t clsIniFile::GetInt(const std::string& entry, std::int16_t defaultValue) {
    if (!checkSection()) return 0;
    return toInt16(profile::getInt(sectionName_, entry, defaultValue, activeFile()));
}

std::string clsIniFile::GetSectEntries() {
    if (!checkSection()) return {};
    std::string entries = profile::getSection(sectionName_, kSectionBuffer, activeFile()).text;
    entries += '\0';
    return entries;
}

std::int16_t clsIniFile::GetSectEntriesEx(std::vector<std::array<std::string, 2>>& entries) {
    const std::string list = GetSectEntries();
    if (list.size() == 1) return 0;
    std::size_t rows = 0;
    std::size_t pos = 0;
    while (pos < list.size() && list[pos] != '\0') {
        auto end = list.find('\0', pos);
        if (end == std::string::npos) end = list.size();
        const std::string item = list.substr(pos, end - pos);
        entries.resize(rows + 1);
        const auto equals = item.find('=');
        if (equals == std::string::npos) {
            entries[rows] = {"", item};
        } else {
            entries[rows] = {item.substr(0, equals), item.substr(equals + 1)};
        }
        ++rows;
        pos = end + 1;
    }
    return static_cast<std::int16_t>(rows);  // the 4096-character buffer holds far fewer rows than 32767
}

std::string clsIniFile::GetSections() {
    if (!checkSection()) return {};
    std::error_code ec;
    const auto status = fs::status(fullPath_, ec);
    if (status.type() == fs::file_type::not_found || (ec && isMissing(ec))) {
        throw PorticoError(errors::kFileNotFound, "File not found", kErrorSource);
    }
    if (status.type() != fs::file_type::regular) throw PorticoError(errors::kPathFileAccessError, "Path/File access error", kErrorSource);
    std::ifstream in(fullPath_, std::ios::binary);
    if (!in) throw PorticoError(errors::kPermissionDenied, "Permission denied", kErrorSource);

    std::string names;
    bool found = false;
    std::string line;
    bool firstLine = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (firstLine && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // UTF-8 byte order mark
        firstLine = false;
        const std::string text = stripComment(line);
        if (text.size() >= 2 && text.find('[') == 0 && text.find(']') == text.size() - 1) {
            names += text.substr(1, text.size() - 2);
            names += '\0';
            found = true;
        }
    }
    if (in.bad()) throw PorticoError(errors::kDeviceIoError, "Device I/O error", kErrorSource);
    names += '\0';
    if (!found) names += '\0';
    return names;
}

std::int16_t clsIniFile::GetSectionsEx(std::vector<std::string>& names) {
    const std::string list = GetSections();
    if (list.empty()) return 0;
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < list.size() && list[pos] != '\0') {
        auto end = list.find('\0', pos);
        if (end == std::string::npos) end = list.size();
        toInt16(static_cast<long long>(count));
        names.resize(count + 1);
        names[count] = list.substr(pos, end - pos);
        ++count;
        pos = end + 1;
    }
    return static_cast<std::int16_t>(count);
}

std::string clsIniFile::GetString(const std::string& entry, const std::string& defaultValue) {
    if (!checkSection()) return {};
    return profile::getString(sectionName_, entry, defaultValue, kStringBuffer, activeFile()).text;
}

bool clsIniFile::GetTF(const std::string& entry, bool defaultValue) {
    const std::string value = toUpperAscii(trimBlanks(GetString(entry, defaultValue ? "True" : "False")));
    return value == "YES" || value == "Y" || value == "TRUE" || value == "T" || value == "ON" || value == "1" ||
           value == "-1";
}

void clsIniFile::FlushCache() {
    if (!checkSection()) return;
    profile::writeString(std::nullopt, std::nullopt, std::nullopt, activeFile());
}

std::string clsIniFile::IniRead(const std::string& section, const std::string& entry, std::int16_t defaultNumber,
                                const std::string& defaultText, const std::string& /*resultText*/,
                                bool readAsNumber, const std::string& filePath) {
    const std::string file = useWinIni_ ? profile::winIniFile().string() : filePath;
    if (readAsNumber) return std::to_string(profile::getInt(section, entry, defaultNumber, file));
    return profile::getString(section, entry, defaultText, kStringBuffer, file).text;
}

bool clsIniFile::IniWrite(const std::string& section, const std::string& entry, const std::string& value,
                          const std::string& filePath) {
    return profile::writeString(section, entry, value, useWinIni_ ? activeFile() : filePath);
}

std::int16_t clsIniFile::PutInt(const std::string& entry, std::int16_t value) {
    return PutString(entry, std::to_string(value));
}

std::int16_t clsIniFile::PutString(const std::string& entry, const std::string& value) {
    if (!checkSection()) return 0;
    return profile::writeString(sectionName_, entry, value, activeFile()) ? 1 : 0;
}

bool clsIniFile::PutTF(const std::string& entry, bool flag) { return PutString(entry, flag ? "True" : "False") != 0; }

bool clsIniFile::SectExist(const std::string& section) {
    const std::string list = GetSections();
    // An empty name would otherwise match the empty list's two NULs.
    if (list.empty() || section.empty()) return false;
    // Built by appending: GCC 12 at -O3 takes "string + string" here for an
    // overlapping copy (-Wrestrict), a known false alarm.
    std::string haystack(1, '\0');
    haystack.append(toUpperAscii(list));
    std::string needle(1, '\0');
    needle.append(toUpperAscii(section));
    needle.push_back('\0');
    return haystack.find(needle) != std::string::npos;
}

}  // namespace portico
