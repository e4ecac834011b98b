#pragma once

#include "resource_viewer/PngDecoder.h"

namespace portico {

// Decodes PNG icon images with Qt's PNG reader.
class QtPngDecoder final : public PngDecoder {
public:
    std::optional<IconPicture> decodePng(std::span<const std::uint8_t> bytes) const override;

    // Installs one program-wide instance unless a decoder is installed already.
    static void installOnce();
};

}  // namespace portico
