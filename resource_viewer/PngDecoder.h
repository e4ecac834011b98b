#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace portico {

class IconPicture;

// Turns PNG icon images into pixels. The resource library has no image codec of
// its own; the window side installs one (Qt's). Without one, PNG icons give no
// picture.
class PngDecoder {
public:
    virtual ~PngDecoder() = default;
    // nullopt when the stream cannot be decoded.
    virtual std::optional<IconPicture> decodePng(std::span<const std::uint8_t> bytes) const = 0;
};

// The installed decoder, or null.
const PngDecoder* pngDecoder();
// Installs a decoder (not owned; it must outlive its installation) and returns
// the previous one.
const PngDecoder* installPngDecoder(const PngDecoder* decoder);

}  // namespace portico
