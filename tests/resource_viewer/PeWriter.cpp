#include "tests/resource_viewer/PeWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace portico::test {
namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
void append32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, v);
}

std::vector<std::uint16_t> utf16(const std::string& text) {
    std::vector<std::uint16_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = c;
        std::size_t extra = 0;
        if (c >= 0xF0) cp = c & 0x07, extra = 3;
        else if (c >= 0xE0) cp = c & 0x0F, extra = 2;
        else if (c >= 0xC0) cp = c & 0x1F, extra = 1;
        for (std::size_t k = 1; k <= extra && i + k < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(cp));
        }
    }
    return out;
}

template <typename T>
std::vector<T> uniqueInOrder(const std::vector<T>& all) {
    std::vector<T> out;
    for (const auto& v : all)
        if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
    return out;
}

}  // namespace

PeWriter& PeWriter::add(const ResourceId& type, const ResourceId& name, std::vector<std::uint8_t> data,
                        std::uint16_t language) {
    resources_.push_back({type, name, language, std::move(data)});
    return *this;
}

std::vector<std::uint8_t> PeWriter::section() const {
    struct NameGroup {
        ResourceId name;
        std::vector<const Resource*> languages;
    };
    struct TypeGroup {
        ResourceId type;
        std::vector<NameGroup> names;
    };
    std::vector<TypeGroup> types;
    for (const Resource& r : resources_) {
        auto t = std::find_if(types.begin(), types.end(), [&](const TypeGroup& g) { return g.type == r.type; });
        if (t == types.end()) t = types.insert(types.end(), TypeGroup{r.type, {}});
        auto n = std::find_if(t->names.begin(), t->names.end(), [&](const NameGroup& g) { return g.name == r.name; });
        if (n == t->names.end()) n = t->names.insert(t->names.end(), NameGroup{r.name, {}});
        n->languages.push_back(&r);
    }

    // Layout: all directories, then data entries, then name strings, then data.
    auto dirSize = [](std::size_t entries) { return 16 + 8 * entries; };
    std::size_t offset = dirSize(types.size());
    std::vector<std::size_t> typeDirs, nameDirs;
    for (const auto& t : types) {
        typeDirs.push_back(offset);
        offset += dirSize(t.names.size());
    }
    for (const auto& t : types)
        for (const auto& n : t.names) {
            nameDirs.push_back(offset);
            offset += dirSize(n.languages.size());
        }
    std::vector<std::size_t> dataEntries;
    for (std::size_t i = 0; i < resources_.size(); ++i) {
        dataEntries.push_back(offset);
        offset += 16;
    }
    std::vector<std::string> strings;
    for (const auto& t : types) {
        if (!t.type.isInteger) strings.push_back(t.type.name);
        for (const auto& n : t.names)
            if (!n.name.isInteger) strings.push_back(n.name.name);
    }
    strings = uniqueInOrder(strings);
    std::vector<std::size_t> stringOffsets;
    for (const auto& s : strings) {
        stringOffsets.push_back(offset);
        offset += 2 + 2 * utf16(s).size();
    }
    std::vector<std::size_t> dataOffsets;
    for (const Resource& r : resources_) {
        offset = (offset + 7) & ~std::size_t{7};
        dataOffsets.push_back(offset);
        offset += r.data.size();
    }

    std::vector<std::uint8_t> out((offset + 0x1FF) & ~std::size_t{0x1FF});
    auto nameField = [&](const ResourceId& id) -> std::uint32_t {
        if (id.isInteger) return id.id;
        const auto at = std::find(strings.begin(), strings.end(), id.name) - strings.begin();
        return 0x80000000U | static_cast<std::uint32_t>(stringOffsets[static_cast<std::size_t>(at)]);
    };
    auto writeDir = [&](std::size_t at, const std::vector<std::pair<ResourceId, std::uint32_t>>& entries) {
        std::uint32_t named = 0, ids = 0;
        for (const auto& e : entries) (e.first.isInteger ? ids : named)++;
        put16(out, at + 12, named);
        put16(out, at + 14, ids);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            put32(out, at + 16 + 8 * i, nameField(entries[i].first));
            put32(out, at + 20 + 8 * i, entries[i].second);
        }
    };

    std::vector<std::pair<ResourceId, std::uint32_t>> rootEntries;
    std::size_t nameIndex = 0;
    for (std::size_t ti = 0; ti < types.size(); ++ti) {
        rootEntries.emplace_back(types[ti].type, 0x80000000U | static_cast<std::uint32_t>(typeDirs[ti]));
        std::vector<std::pair<ResourceId, std::uint32_t>> nameEntries;
        for (const auto& n : types[ti].names) {
            nameEntries.emplace_back(n.name, 0x80000000U | static_cast<std::uint32_t>(nameDirs[nameIndex]));
            std::vector<std::pair<ResourceId, std::uint32_t>> languageEntries;
            for (const Resource* r : n.languages) {
                const auto index = static_cast<std::size_t>(r - resources_.data());
                languageEntries.emplace_back(ResourceId::integer(r->language),
                                             static_cast<std::uint32_t>(dataEntries[index]));
            }
            writeDir(nameDirs[nameIndex++], languageEntries);
        }
        writeDir(typeDirs[ti], nameEntries);
    }
    writeDir(0, rootEntries);

    for (std::size_t i = 0; i < resources_.size(); ++i) {
        put32(out, dataEntries[i], kResourceRva + static_cast<std::uint32_t>(dataOffsets[i]));
        put32(out, dataEntries[i] + 4, static_cast<std::uint32_t>(resources_[i].data.size()));
        std::copy(resources_[i].data.begin(), resources_[i].data.end(), out.begin() + static_cast<std::ptrdiff_t>(dataOffsets[i]));
    }
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const auto units = utf16(strings[i]);
        put16(out, stringOffsets[i], static_cast<std::uint32_t>(units.size()));
        for (std::size_t k = 0; k < units.size(); ++k) put16(out, stringOffsets[i] + 2 + 2 * k, units[k]);
    }
    return out;
}

std::vector<std::uint8_t> PeWriter::headers(std::uint32_t sectionSize) const {
    std::vector<std::uint8_t> h(0x200);
    h[0] = 'M';
    h[1] = 'Z';
    put32(h, 0x3C, 0x40);
    h[0x40] = 'P';
    h[0x41] = 'E';
    const std::size_t coff = 0x44;
    const std::uint32_t optionalSize = pe32Plus_ ? 240 : 224;
    put16(h, coff, pe32Plus_ ? 0x8664 : 0x014C);
    put16(h, coff + 2, 2);  // .text and .rsrc
    put16(h, coff + 16, optionalSize);
    put16(h, coff + 18, pe32Plus_ ? 0x0022 : 0x0102);
    const std::size_t opt = coff + 20;
    put16(h, opt, pe32Plus_ ? 0x20B : 0x10B);
    put32(h, opt + 16, 0x1000);                     // entry point, never used
    put32(h, opt + 32, 0x1000);                     // section alignment
    put32(h, opt + 36, 0x200);                      // file alignment
    put32(h, opt + 56, kResourceRva + ((sectionSize + 0xFFF) & ~0xFFFU));  // size of image
    put32(h, opt + 60, 0x200);                      // size of headers
    put16(h, opt + 68, 2);                          // GUI subsystem
    const std::size_t count = opt + (pe32Plus_ ? 108 : 92);
    put32(h, count, 16);
    if (!omitDirectory_) {
        put32(h, count + 4 + 16, kResourceRva);
        put32(h, count + 4 + 20, sectionSize);
    }
    const std::size_t table = opt + optionalSize;
    auto writeSection = [&](std::size_t at, const char* name, std::uint32_t rva, std::uint32_t size,
                            std::uint32_t raw, std::uint32_t rawSize, std::uint32_t flags) {
        std::copy(name, name + std::char_traits<char>::length(name), h.begin() + static_cast<std::ptrdiff_t>(at));
        put32(h, at + 8, size);
        put32(h, at + 12, rva);
        put32(h, at + 16, rawSize);
        put32(h, at + 20, raw);
        put32(h, at + 36, flags);
    };
    // An empty code section: nothing in it is ever executed or even read.
    writeSection(table, ".text", 0x1000, 0x10, 0, 0, 0x60000020);
    if (resourceFileOffset_ > 0xFFFFFFFFULL) throw std::runtime_error("resource offset too large");
    writeSection(table + 40, ".rsrc", kResourceRva, sectionSize, static_cast<std::uint32_t>(resourceFileOffset_),
                 sectionSize, 0x40000040);
    return h;
}

std::vector<std::uint8_t> PeWriter::bytes() const {
    const auto body = section();
    auto out = headers(static_cast<std::uint32_t>(body.size()));
    out.resize(resourceFileOffset_);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

void PeWriter::writeFile(const std::filesystem::path& path) const {
    const auto body = section();
    const auto head = headers(static_cast<std::uint32_t>(body.size()));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    out.seekp(static_cast<std::streamoff>(resourceFileOffset_));
    out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> makeBitmapIcon(const BitmapIconSpec& icon) {
    std::vector<std::uint8_t> b(40);
    put32(b, 0, 40);
    put32(b, 4, static_cast<std::uint32_t>(icon.width));
    put32(b, 8, static_cast<std::uint32_t>(icon.height * 2));
    put16(b, 12, 1);
    put16(b, 14, static_cast<std::uint32_t>(icon.bitCount));
    put32(b, 32, static_cast<std::uint32_t>(icon.palette.size()));
    for (std::uint32_t c : icon.palette) append32(b, c);
    const std::size_t stride = ((static_cast<std::size_t>(icon.width) * icon.bitCount + 31) / 32) * 4;
    const std::size_t maskStride = ((static_cast<std::size_t>(icon.width) + 31) / 32) * 4;
    const std::size_t colour = b.size();
    b.resize(colour + stride * icon.height);
    for (int y = 0; y < icon.height; ++y) {
        const std::size_t line = colour + stride * static_cast<std::size_t>(icon.height - 1 - y);
        for (int x = 0; x < icon.width; ++x) {
            const std::uint32_t v = icon.pixel(x, y);
            switch (icon.bitCount) {
                case 1:
                case 4:
                case 8: {
                    const std::size_t bit = static_cast<std::size_t>(x) * icon.bitCount;
                    const unsigned shift = 8 - icon.bitCount - static_cast<unsigned>(bit % 8);
                    b[line + bit / 8] |= static_cast<std::uint8_t>(v << shift);
                    break;
                }
                case 16:
                    put16(b, line + 2 * x,
                          (((v >> 19) & 0x1F) << 10) | (((v >> 11) & 0x1F) << 5) | ((v >> 3) & 0x1F));
                    break;
                case 24:
                    b[line + 3 * x] = static_cast<std::uint8_t>(v);
                    b[line + 3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    b[line + 3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
                default:
                    put32(b, line + 4 * static_cast<std::size_t>(x), v);
            }
        }
    }
    if (icon.withMask) {
        const std::size_t mask = b.size();
        b.resize(mask + maskStride * icon.height);
        for (int y = 0; y < icon.height; ++y)
            for (int x = 0; x < icon.width; ++x)
                if (icon.masked(x, y))
                    b[mask + maskStride * static_cast<std::size_t>(icon.height - 1 - y) + x / 8] |=
                        static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return b;
}

std::vector<std::uint8_t> makeSolidIcon(int size, std::uint32_t colour, std::uint32_t topLeft) {
    BitmapIconSpec icon;
    icon.width = size;
    icon.height = size;
    icon.pixel = [=](int x, int y) { return x == 0 && y == 0 ? topLeft : colour; };
    return makeBitmapIcon(icon);
}

std::vector<std::uint8_t> makePngHeader(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> tail) {
    std::vector<std::uint8_t> b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
    const std::uint8_t rest[] = {8, 6, 0, 0, 0, 0, 0, 0, 0};  // depth, RGBA, methods, CRC (unchecked here)
    b.insert(b.end(), std::begin(rest), std::end(rest));
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

std::vector<std::uint8_t> makeIconGroup(const std::vector<IconGroupMember>& members, std::uint16_t type) {
    std::vector<std::uint8_t> bytes{0, 0, static_cast<std::uint8_t>(type), 0, static_cast<std::uint8_t>(members.size()), 0};
    for (const IconGroupMember& member : members) {
        const std::uint8_t entry[14] = {member.width, member.height, 0, 0, 1, 0,
                                        static_cast<std::uint8_t>(member.bitCount), 0, 0x68, 0x04, 0, 0,
                                        static_cast<std::uint8_t>(member.iconId & 0xFF),
                                        static_cast<std::uint8_t>(member.iconId >> 8)};
        bytes.insert(bytes.end(), std::begin(entry), std::end(entry));
    }
    return bytes;
}

}  // namespace portico::test
