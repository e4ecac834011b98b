#include "resource_viewer/IconPicture.h"

#include "resource_viewer/PictureUnits.h"

namespace portico {

IconPicture::IconPicture(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
    pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
}

namespace {

void put16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>(value >> 8));
}

void put32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xff));
}

}  // namespace

std::string IconPicture::bitmapFile() const {
    constexpr std::uint32_t kFileHeader = 14;
    constexpr std::uint32_t kInfoHeader = 124;  // BITMAPV5HEADER
    constexpr std::uint32_t kBitfields = 3;
    constexpr std::uint32_t kSrgb = 0x73524742;  // 'sRGB'
    constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots an inch
    const auto data = static_cast<std::uint32_t>(pixels_.size() * 4);
    std::string file;
    file.reserve(kFileHeader + kInfoHeader + data);
    file += "BM";
    put32(file, kFileHeader + kInfoHeader + data);
    put32(file, 0);
    put32(file, kFileHeader + kInfoHeader);
    put32(file, kInfoHeader);
    put32(file, static_cast<std::uint32_t>(width_));
    put32(file, static_cast<std::uint32_t>(height_));  // positive: rows bottom-up
    put16(file, 1);
    put16(file, 32);
    put32(file, kBitfields);
    put32(file, data);
    put32(file, kPixelsPerMetre);
    put32(file, kPixelsPerMetre);
    put32(file, 0);
    put32(file, 0);
    for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put32(file, mask);
    put32(file, kSrgb);
    file.append(36 + 12, '\0');  // colour space end points and gamma, unused for sRGB
    put32(file, 4);                // LCS_GM_IMAGES
    put32(file, 0);
    put32(file, 0);
    put32(file, 0);
    // 0xAARRGGBB written little-endian is the file's B, G, R, A.
    for (int y = height_ - 1; y >= 0; --y)
        for (int x = 0; x < width_; ++x) put32(file, pixels_[static_cast<std::size_t>(y) * width_ + x]);
    return file;
}

std::int64_t IconPicture::Width() const { return himetricFromPixels(width_); }
std::int64_t IconPicture::Height() const { return himetricFromPixels(height_); }

}  // namespace portico
