#include "resource_viewer/PeFile.h"

#include "resource_viewer/ByteSource.h"

#include <algorithm>
#include <array>

namespace portico {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kHighBit = 0x80000000U;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
// Type, name and language: a resource tree never goes deeper.
constexpr std::size_t kMaxDepth = 3;

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Lone surrogates become U+FFFD so that the result is always valid UTF-8.
std::string utf16ToUtf8(std::span<const std::uint8_t> bytes) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = u16(bytes.data() + 2 * i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            const std::uint32_t low = u16(bytes.data() + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return out;
}

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Resource names match without regard to (ASCII) case, as resource lookups do.
bool sameId(const ResourceId& a, const ResourceId& b) {
    if (a.isInteger != b.isInteger) return false;
    if (a.isInteger) return a.id == b.id;
    return a.name.size() == b.name.size() &&
           std::equal(a.name.begin(), a.name.end(), b.name.begin(),
                      [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
}

}  // namespace

PeFile::PeFile(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
PeFile::~PeFile() = default;

std::unique_ptr<PeFile> PeFile::open(const std::filesystem::path& path) {
    return open(ByteSource::openFile(path));
}

std::unique_ptr<PeFile> PeFile::open(std::unique_ptr<ByteSource> source) {
    if (!source) return nullptr;
    std::unique_ptr<PeFile> file(new PeFile(std::move(source)));
    if (!file->parseHeaders()) return nullptr;
    return file;
}

std::unique_ptr<PeFile> PeFile::fromBytes(std::span<const std::uint8_t> bytes) {
    return open(ByteSource::fromBuffer({bytes.begin(), bytes.end()}));
}

bool PeFile::parseHeaders() {
    std::array<std::uint8_t, 64> dos{};
    if (!source_->read(0, dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t peOffset = u32(&dos[0x3C]);

    std::array<std::uint8_t, 24> coff{};  // signature and file header
    if (!source_->read(peOffset, coff)) return false;
    if (coff[0] != 'P' || coff[1] != 'E' || coff[2] != 0 || coff[3] != 0) return false;
    const std::uint16_t sectionCount = u16(&coff[6]);
    const std::uint16_t optionalSize = u16(&coff[20]);

    const std::uint64_t optionalOffset = peOffset + coff.size();
    std::vector<std::uint8_t> optional(optionalSize);
    if (optionalSize < 2 || !source_->read(optionalOffset, optional)) return false;
    const std::uint16_t magic = u16(optional.data());
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
    pe32Plus_ = magic == kPe32PlusMagic;

    const std::size_t countOffset = pe32Plus_ ? 108 : 92;
    const std::size_t directoriesOffset = countOffset + 4;
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceDirSize = 0;
    if (optional.size() >= directoriesOffset) {
        const std::uint64_t count = u32(&optional[countOffset]);
        const std::uint64_t entryOffset = directoriesOffset + 8ULL * kResourceDirectoryIndex;
        if (count > kResourceDirectoryIndex && entryOffset + 8 <= optional.size()) {
            resourceRva = u32(&optional[entryOffset]);
            resourceDirSize = u32(&optional[entryOffset + 4]);
        }
    }

    const std::uint64_t tableOffset = optionalOffset + optionalSize;
    const std::uint64_t tableSize = std::uint64_t{sectionCount} * 40;
    // A file cut inside its section table is still an image; it just has no
    // sections we can trust.
    if (tableOffset > source_->size() || tableSize > source_->size() - tableOffset) return true;
    std::vector<std::uint8_t> table(tableSize);
    if (!source_->read(tableOffset, table)) return true;
    sections_.reserve(sectionCount);
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* s = &table[i * 40];
        sections_.push_back({u32(s + 12), u32(s + 8), u32(s + 16), u32(s + 20)});
    }

    if (resourceRva == 0 || resourceDirSize == 0) return true;
    // The resource area runs from the root directory to the end of its section's
    // data that the file holds; every directory offset must stay inside it.
    for (const Section& s : sections_) {
        const std::uint64_t extent = std::max(s.virtualSize, s.rawSize);
        if (resourceRva < s.virtualAddress || resourceRva - std::uint64_t{s.virtualAddress} >= extent) continue;
        const std::uint64_t delta = resourceRva - std::uint64_t{s.virtualAddress};
        if (delta >= s.rawSize) break;
        const std::uint64_t start = std::uint64_t{s.rawPointer} + delta;
        const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{s.rawPointer} + s.rawSize, source_->size());
        if (start >= end) break;
        resourceStart_ = start;
        resourceSize_ = end - start;
        hasResources_ = true;
        break;
    }
    return true;
}

std::optional<std::uint64_t> PeFile::fileOffsetOf(std::uint32_t rva, std::uint64_t length) const {
    for (const Section& s : sections_) {
        if (rva < s.virtualAddress) continue;
        const std::uint64_t delta = rva - std::uint64_t{s.virtualAddress};
        if (delta >= std::max(s.virtualSize, s.rawSize)) continue;
        // Only bytes the section stores in the file count; the rest of its
        // virtual extent has no content to read.
        if (delta > s.rawSize || length > s.rawSize - delta) return std::nullopt;
        const std::uint64_t offset = std::uint64_t{s.rawPointer} + delta;
        if (offset > source_->size() || length > source_->size() - offset) return std::nullopt;
        return offset;
    }
    return std::nullopt;
}

bool PeFile::readResourceArea(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > resourceSize_ || out.size() > resourceSize_ - offset) return false;
    return source_->read(resourceStart_ + offset, out);
}

std::vector<PeFile::Entry> PeFile::readDirectory(std::uint32_t offset) const {
    std::vector<Entry> entries;
    std::array<std::uint8_t, kDirectoryHeaderSize> header{};
    if (!hasResources_ || !readResourceArea(offset, header)) return entries;
    const std::uint64_t count = std::uint64_t{u16(&header[12])} + u16(&header[14]);
    const std::uint64_t first = std::uint64_t{offset} + kDirectoryHeaderSize;
    // Entries must lie in the resource area: checked before allocating for them.
    if (first > resourceSize_ || count * kEntrySize > resourceSize_ - first) return entries;
    std::vector<std::uint8_t> raw(count * kEntrySize);
    if (!readResourceArea(first, raw)) return entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = &raw[i * kEntrySize];
        const std::uint32_t name = u32(e);
        const std::uint32_t target = u32(e + 4);
        Entry entry{ResourceId::integer(static_cast<std::uint16_t>(name & 0xFFFF)), (target & kHighBit) != 0,
                    target & ~kHighBit};
        if (name & kHighBit) {
            auto text = readName(name & ~kHighBit);
            if (!text) continue;  // a name outside the file: skip the entry
            entry.id = ResourceId::text(std::move(*text));
        } else if (name > 0xFFFF) {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::string> PeFile::readName(std::uint32_t offset) const {
    std::array<std::uint8_t, 2> length{};
    if (!readResourceArea(offset, length)) return std::nullopt;
    const std::uint64_t first = std::uint64_t{offset} + 2;
    const std::uint64_t size = std::uint64_t{u16(length.data())} * 2;
    if (first > resourceSize_ || size > resourceSize_ - first) return std::nullopt;
    std::vector<std::uint8_t> chars(size);
    if (!readResourceArea(first, chars)) return std::nullopt;
    return utf16ToUtf8(chars);
}

std::optional<std::uint32_t> PeFile::findSubdirectory(std::uint32_t directory, const ResourceId& id,
                                                      std::span<const std::uint32_t> path) const {
    if (path.size() >= kMaxDepth) return std::nullopt;
    for (const Entry& entry : readDirectory(directory)) {
        if (!entry.isDirectory || !sameId(entry.id, id)) continue;
        if (std::find(path.begin(), path.end(), entry.offset) != path.end()) continue;  // a loop
        return entry.offset;
    }
    return std::nullopt;
}

void PeFile::enumerateTypes(const IdCallback& callback) const {
    for (const Entry& entry : readDirectory(0)) {
        if (!entry.isDirectory || entry.offset == 0) continue;
        if (!callback(entry.id)) return;
    }
}

void PeFile::enumerateNames(const ResourceId& type, const IdCallback& callback) const {
    const std::uint32_t root = 0;
    const auto names = findSubdirectory(root, type, std::span(&root, 1));
    if (!names) return;
    const std::array<std::uint32_t, 2> path{root, *names};
    for (const Entry& entry : readDirectory(*names)) {
        if (!entry.isDirectory || std::find(path.begin(), path.end(), entry.offset) != path.end()) continue;
        if (!callback(entry.id)) return;
    }
}

void PeFile::enumerateLanguages(const ResourceId& type, const ResourceId& name,
                                const std::function<bool(std::uint16_t)>& callback) const {
    const std::uint32_t root = 0;
    const auto names = findSubdirectory(root, type, std::span(&root, 1));
    if (!names) return;
    const std::array<std::uint32_t, 2> path{root, *names};
    const auto languages = findSubdirectory(*names, name, path);
    if (!languages) return;
    for (const Entry& entry : readDirectory(*languages)) {
        if (entry.isDirectory || !entry.id.isInteger) continue;
        if (!callback(entry.id.id)) return;
    }
}

std::optional<std::vector<std::uint8_t>> PeFile::readResource(const ResourceId& type, const ResourceId& name) const {
    const std::uint32_t root = 0;
    const auto names = findSubdirectory(root, type, std::span(&root, 1));
    if (!names) return std::nullopt;
    const std::array<std::uint32_t, 2> path{root, *names};
    const auto languages = findSubdirectory(*names, name, path);
    if (!languages) return std::nullopt;
    for (const Entry& entry : readDirectory(*languages)) {
        if (entry.isDirectory) continue;
        std::array<std::uint8_t, kDataEntrySize> data{};
        if (!readResourceArea(entry.offset, data)) continue;
        const std::uint32_t rva = u32(&data[0]);
        const std::uint32_t size = u32(&data[4]);
        const auto offset = fileOffsetOf(rva, size);
        if (!offset) return std::nullopt;
        std::vector<std::uint8_t> bytes(size);
        if (!source_->read(*offset, bytes)) return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

}  // namespace portico
