#pragma once

#include "database/Variant.h"
#include "settings/SafeFile.h"

#include <filesystem>

namespace portico {

// A binary stream that carries one picture between a file and a field.
class Stream {
public:
    static constexpr int adSaveCreateNotExist = 1;
    static constexpr int adSaveCreateOverWrite = 2;

    void Open();
    void Close();
    bool isOpen() const { return open_; }

    // Raise 3002 "File could not be opened." when the file cannot be read: also
    // for anything but a regular file, a file over SafeFile::kMaxPictureBytes,
    // and, with Links::Refuse, a link.
    void LoadFromFile(const std::filesystem::path& file, SafeFile::Links links = SafeFile::Links::Follow);
    // Raise 3004 "Write to file failed.", also for an existing file without the
    // overwrite option. A failed save leaves an existing file as it was; a link
    // at `file` is replaced, never followed (see SafeFile::write).
    void SaveToFile(const std::filesystem::path& file, int options = adSaveCreateNotExist);
    // The whole content.
    const Bytes& Read() const;
    // Appends bytes; anything but bytes raises 3001.
    void Write(const Variant& value);
    std::size_t Size() const { return content_.size(); }

private:
    bool open_ = false;
    Bytes content_;

    void requireOpen() const;
};

}  // namespace portico
