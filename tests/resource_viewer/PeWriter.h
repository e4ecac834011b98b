#pragma once

#include "resource_viewer/ResourceId.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace portico::test {

// Builds small PE images with a resource section, for tests, seeds and benchmarks.
// Resources are stored in the order they are added.
class PeWriter {
public:
    explicit PeWriter(bool pe32Plus = false) : pe32Plus_(pe32Plus) {}

    PeWriter& add(const ResourceId& type, const ResourceId& name, std::vector<std::uint8_t> data,
                  std::uint16_t language = 0x0409);
    // Where the resource section's data starts in the file (a large value makes a
    // large, sparse file when written with writeFile).
    PeWriter& setResourceFileOffset(std::uint64_t offset) {
        resourceFileOffset_ = offset;
        return *this;
    }
    // Leaves the resource data directory empty, as in an image without resources.
    PeWriter& omitResourceDirectory() {
        omitDirectory_ = true;
        return *this;
    }

    std::vector<std::uint8_t> bytes() const;
    // Writes headers and section with gaps left as holes.
    void writeFile(const std::filesystem::path& path) const;

    // File offset of the root resource directory in bytes() and writeFile().
    std::uint64_t resourceFileOffset() const { return resourceFileOffset_; }
    static constexpr std::uint32_t kResourceRva = 0x3000;

private:
    struct Resource {
        ResourceId type;
        ResourceId name;
        std::uint16_t language;
        std::vector<std::uint8_t> data;
    };
    std::vector<std::uint8_t> headers(std::uint32_t sectionSize) const;
    std::vector<std::uint8_t> section() const;

    bool pe32Plus_;
    bool omitDirectory_ = false;
    std::uint64_t resourceFileOffset_ = 0x400;
    std::vector<Resource> resources_;
};

// An icon image in the BITMAPINFOHEADER form of doubled height.
struct BitmapIconSpec {
    int width = 32;
    int height = 32;
    int bitCount = 32;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, for 1, 4 and 8 bits
    // Palette index for 1, 4 and 8 bits; 0xAARRGGBB otherwise (16 bits keeps 5 bits
    // per channel; 24 bits drops alpha).
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 0xFF000000U; };
    // True where the AND mask makes the pixel transparent.
    std::function<bool(int x, int y)> masked = [](int, int) { return false; };
    bool withMask = true;
};
std::vector<std::uint8_t> makeBitmapIcon(const BitmapIconSpec& icon);

// A 32-bit icon image of one colour, with a distinct top-left pixel.
std::vector<std::uint8_t> makeSolidIcon(int size, std::uint32_t colour, std::uint32_t topLeft);

// An icon group directory: per member its width and height (0 = 256), bit count
// and the name of its icon image. Type 1 is icons, 2 cursors.
struct IconGroupMember {
    std::uint8_t width, height;
    std::uint16_t bitCount, iconId;
};
std::vector<std::uint8_t> makeIconGroup(const std::vector<IconGroupMember>& members, std::uint16_t type = 1);

// A PNG signature and header chunk of the given size followed by `tail`.
std::vector<std::uint8_t> makePngHeader(std::uint32_t width, std::uint32_t height,
                                        std::vector<std::uint8_t> tail = {});

}  // namespace portico::test
