#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace portico {

// Random access to the bytes of a file or of a buffer. Reads are positional, so
// a large file is never read whole.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset`; false when the range is not wholly inside the source
    // or the read fails.
    virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;

    // Null when the file cannot be opened for reading or is not a regular file.
    static std::unique_ptr<ByteSource> openFile(const std::filesystem::path& path);
    static std::unique_ptr<ByteSource> fromBuffer(std::vector<std::uint8_t> bytes);
};

}  // namespace portico
