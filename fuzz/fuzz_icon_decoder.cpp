// The icon image decoder on arbitrary bytes: a picture of sane size, or none.
#include "resource_viewer/IconDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto icon = portico::IconDecoder::decode({data, size});
    if (!icon) return 0;
    if (icon->width <= 0 || icon->height <= 0 || icon->width > portico::IconDecoder::kMaxSide ||
        icon->height > portico::IconDecoder::kMaxSide)
        __builtin_trap();
    if (icon->kind == portico::DecodedIcon::Kind::Bitmap &&
        icon->pixels.size() != static_cast<std::size_t>(icon->width) * static_cast<std::size_t>(icon->height))
        __builtin_trap();
    return 0;
}
