// Writes small seed inputs for the PE reader and icon decoder fuzz targets.
#include "tests/resource_viewer/PeWriter.h"

#include <fstream>
#include <iostream>

using portico::ResourceId;
using portico::test::BitmapIconSpec;
using portico::test::PeWriter;

namespace {

void save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> icon(int size, int bitCount) {
    BitmapIconSpec icon;
    icon.width = icon.height = size;
    icon.bitCount = bitCount;
    if (bitCount <= 8) icon.palette = {0x000000, 0xFFFFFF};
    if (bitCount >= 4 && bitCount <= 8) icon.palette.insert(icon.palette.end(), {0xFF0000, 0x00FF00});
    icon.pixel = [=](int x, int y) -> std::uint32_t {
        return bitCount <= 8 ? static_cast<std::uint32_t>((x + y) % (bitCount == 1 ? 2 : 4)) : 0x80FF0000U + x * 8 + y;
    };
    icon.masked = [](int x, int y) { return x == y; };
    return portico::test::makeBitmapIcon(icon);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: resource_fuzz_seeds <seeds folder>\n";
        return 2;
    }
    const std::filesystem::path seeds = argv[1];
    const auto iconType = ResourceId::integer(3);

    for (int bits : {1, 4, 8, 16, 24, 32})
        save(seeds / "fuzz_icon_decoder" / ("icon" + std::to_string(bits) + ".bin"), icon(bits >= 16 ? 4 : 8, bits));
    save(seeds / "fuzz_icon_decoder" / "png.bin", portico::test::makePngHeader(16, 16));

    PeWriter three;
    three.add(iconType, ResourceId::integer(1), icon(4, 32))
        .add(iconType, ResourceId::integer(2), icon(8, 4))
        .add(iconType, ResourceId::integer(3), icon(8, 1));
    save(seeds / "fuzz_pe_reader" / "three_icons.exe", three.bytes());

    PeWriter named(true);
    named.add(iconType, ResourceId::text("MAINICON"), icon(4, 24))
        .add(ResourceId::text("CUSTOM"), ResourceId::text("Größe"), {1, 2, 3})
        .add(ResourceId::integer(16), ResourceId::integer(1), {4, 5, 6}, 0x0407);
    save(seeds / "fuzz_pe_reader" / "named_pe32plus.exe", named.bytes());

    PeWriter grouped;
    grouped.add(iconType, ResourceId::integer(1), icon(4, 32))
        .add(iconType, ResourceId::integer(2), icon(8, 32))
        .add(iconType, ResourceId::integer(3), icon(8, 8))
        .add(ResourceId::integer(14), ResourceId::text("MAINICON"), portico::test::makeIconGroup({{4, 4, 32, 1}, {8, 8, 32, 2}}))
        .add(ResourceId::integer(14), ResourceId::integer(2), portico::test::makeIconGroup({{8, 8, 8, 3}, {0, 0, 32, 9}}));
    save(seeds / "fuzz_pe_reader" / "icon_groups.exe", grouped.bytes());

    PeWriter others;
    others.add(ResourceId::integer(2), ResourceId::integer(1), {1}).add(ResourceId::integer(4), ResourceId::integer(7), {2});
    save(seeds / "fuzz_pe_reader" / "other_types.exe", others.bytes());
    return 0;
}
