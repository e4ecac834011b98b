#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace portico {

// One icon image as stored in an RT_ICON resource.
struct DecodedIcon {
    enum class Kind { Bitmap, Png };
    Kind kind = Kind::Bitmap;
    int width = 0;
    int height = 0;
    // Bitmap: width * height pixels, rows top to bottom, each 0xAARRGGBB with
    // straight (not premultiplied) alpha. Empty for PNG.
    std::vector<std::uint32_t> pixels;
};

// Decodes the two forms an icon image takes: a BITMAPINFOHEADER image of doubled
// height (colour rows, then the 1-bit AND mask) at 1, 4, 8, 16, 24 or 32 bits per
// pixel, or a PNG stream. PNG data is only recognised here (kind Png, size from
// its header); turning it into pixels is left to a PNG decoder.
class IconDecoder {
public:
    // Larger images are refused, so no input makes us allocate more than 16 MiB.
    static constexpr int kMaxSide = 2048;

    // nullopt when the bytes are not a usable icon image.
    static std::optional<DecodedIcon> decode(std::span<const std::uint8_t> bytes);
    static bool isPng(std::span<const std::uint8_t> bytes);
};

}  // namespace portico
