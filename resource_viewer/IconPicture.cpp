#include "IconPicture.h"

#include "PictureUnits.h"

namespace portico {

IconPicture::IconPicture(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
    pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
}

std::int64_t IconPicture::Width() const { return himetricFromPixels(width_); }
std::int64_t IconPicture::Height() const { return himetricFromPixels(height_); }

}  // namespace portico
