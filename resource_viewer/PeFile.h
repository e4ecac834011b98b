#pragma once

#include "resource_viewer/ResourceId.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace portico {

class ByteSource;

// Reads the resources of a PE image (PE32 or PE32+) for browsing. The file is
// only read, never mapped for execution, and only the parts that are needed:
// headers, section table, the resource directories walked and the data asked for.
// A damaged resource tree yields fewer or no resources, never an error.
class PeFile {
public:
    // Callback for the enumerations: return false to stop.
    using IdCallback = std::function<bool(const ResourceId&)>;

    // Null when the file cannot be read or is not a PE image.
    static std::unique_ptr<PeFile> open(const std::filesystem::path& path);
    static std::unique_ptr<PeFile> open(std::unique_ptr<ByteSource> source);
    static std::unique_ptr<PeFile> fromBytes(std::span<const std::uint8_t> bytes);

    ~PeFile();
    PeFile(const PeFile&) = delete;
    PeFile& operator=(const PeFile&) = delete;

    bool isPe32Plus() const { return pe32Plus_; }

    // Resource types, in stored order.
    void enumerateTypes(const IdCallback& callback) const;
    // Resource names of one type, in stored order.
    void enumerateNames(const ResourceId& type, const IdCallback& callback) const;
    // Languages of one resource, in stored order.
    void enumerateLanguages(const ResourceId& type, const ResourceId& name,
                            const std::function<bool(std::uint16_t)>& callback) const;

    // The data of the first stored language of a resource; nullopt when the resource
    // does not exist or its data lies outside the file.
    std::optional<std::vector<std::uint8_t>> readResource(const ResourceId& type, const ResourceId& name) const;

private:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t rawSize;
        std::uint32_t rawPointer;
    };
    struct Entry {
        ResourceId id;
        bool isDirectory;
        std::uint32_t offset;  // within the resource area
    };

    explicit PeFile(std::unique_ptr<ByteSource> source);
    bool parseHeaders();
    std::optional<std::uint64_t> fileOffsetOf(std::uint32_t rva, std::uint64_t length) const;
    bool readResourceArea(std::uint64_t offset, std::span<std::uint8_t> out) const;
    // The entries of the directory at `offset`; empty when the directory is damaged.
    std::vector<Entry> readDirectory(std::uint32_t offset) const;
    std::optional<std::string> readName(std::uint32_t offset) const;
    // Descends one level: the subdirectory of the entry matching `id`, refusing
    // links back to any directory on the path so far.
    std::optional<std::uint32_t> findSubdirectory(std::uint32_t directory, const ResourceId& id,
                                                  std::span<const std::uint32_t> path) const;

    std::unique_ptr<ByteSource> source_;
    bool pe32Plus_ = false;
    std::vector<Section> sections_;
    bool hasResources_ = false;
    std::uint64_t resourceStart_ = 0;  // file offset of the root directory
    std::uint64_t resourceSize_ = 0;   // bytes of the resource area present in the file
};

}  // namespace portico
