#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace portico::desktop {

// The true size of each image of an icon file (ICO or CUR), read from the
// image's own header (a PNG's IHDR, a bitmap's BITMAPINFOHEADER), because the
// directory entry stores at most 256 per side and an image may be far larger.
struct IconFrame {
    long long width = 0;
    long long height = 0;
    long long pixels() const { return width * height; }
};

class IconFrames {
public:
    // nullopt when the bytes do not start with an icon directory.
    static std::optional<std::vector<IconFrame>> scan(std::span<const std::uint8_t> bytes);

    // The images a stored picture keeps: the list picture (the smallest of at
    // least `listSide`, else the largest below it) and the largest, in file order.
    static std::vector<int> kept(const std::vector<IconFrame>& frames, int listSide);
};

}  // namespace portico::desktop
