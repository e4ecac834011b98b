#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace portico {

// A decoded icon image: what the preview draws and the picker saves. Its size is
// reported in HIMETRIC, as the preview arithmetic expects.
class IconPicture {
public:
    // `pixels`: width * height values 0xAARRGGBB, rows top to bottom, straight alpha.
    IconPicture(int width, int height, std::vector<std::uint32_t> pixels);

    int pixelWidth() const { return width_; }
    int pixelHeight() const { return height_; }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

    // Size in HIMETRIC.
    std::int64_t Width() const;
    std::int64_t Height() const;

    // The whole picture as a Windows bitmap file: 32 bits a pixel with its
    // transparency (BITMAPV5HEADER with an alpha mask), at its own size.
    std::string bitmapFile() const;

private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace portico
