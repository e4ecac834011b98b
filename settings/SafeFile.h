#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace portico {

// Reading and writing files that sit in folders where a link may have been
// planted: the picture files, the icon picker's output.
class SafeFile {
public:
    // Big enough for any picture a catalogue holds, small enough to refuse a device or a runaway file.
    static constexpr std::size_t kMaxPictureBytes = 64u * 1024u * 1024u;

    enum class Links { Refuse, Follow };

    // Replaces `file` with exactly `content`, mode 0600. The bytes are written to
    // a file beside it (nameless while it is written, then a short name, so a
    // long file name still fits) and renamed over it: a reader sees the old file
    // or the new one, never half of one; a failed write leaves the old file whole;
    // a link at `file` is replaced, never followed. Returns false and sets `error`
    // when the file cannot be written.
    static bool write(const std::filesystem::path& file, std::string_view content, std::error_code& error);

    // Reads `file` whole into `content`. Only a regular file of at most `maxBytes`
    // is read; a FIFO is refused rather than waited on; with Links::Refuse a link
    // at the last component of the path is refused too. Returns false and sets
    // `error` otherwise (EFBIG too large, EINVAL not a regular file, ELOOP a link).
    static bool read(const std::filesystem::path& file, std::string& content, std::error_code& error,
                     std::size_t maxBytes = kMaxPictureBytes, Links links = Links::Refuse);

    // A file of write()'s temporary names left this long is a killed writer's;
    // write() removes such files (this user's only) from the folder it writes.
    static constexpr long kStaleTemporarySeconds = 60;

    // True for the names write() gives its files while they are being written.
    static bool isTemporaryName(std::string_view name);
};

}  // namespace portico
