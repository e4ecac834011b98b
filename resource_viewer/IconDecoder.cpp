#include "resource_viewer/IconDecoder.h"

#include <algorithm>
#include <array>
#include <bit>

namespace portico {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

// Widens the channel selected by `mask` to 8 bits.
std::uint32_t channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t bits = mask >> shift;
    const std::uint32_t max = bits;
    const std::uint32_t v = (value >> shift) & bits;
    return static_cast<std::uint32_t>((std::uint64_t{v} * 255 + max / 2) / max);
}

bool validMask(std::uint32_t mask) {
    // Contiguous bits only: a mask with gaps has no sensible scale.
    if (mask == 0) return true;
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

std::optional<DecodedIcon> decodePng(std::span<const std::uint8_t> bytes) {
    // Signature, then the IHDR chunk: length 13, "IHDR", width, height.
    if (bytes.size() < 33) return std::nullopt;
    const std::uint8_t* ihdr = bytes.data() + 8;
    if (be32(ihdr) != 13 || ihdr[4] != 'I' || ihdr[5] != 'H' || ihdr[6] != 'D' || ihdr[7] != 'R') return std::nullopt;
    const std::uint32_t width = be32(ihdr + 8);
    const std::uint32_t height = be32(ihdr + 12);
    if (width == 0 || height == 0 || width > IconDecoder::kMaxSide || height > IconDecoder::kMaxSide) return std::nullopt;
    DecodedIcon icon;
    icon.kind = DecodedIcon::Kind::Png;
    icon.width = static_cast<int>(width);
    icon.height = static_cast<int>(height);
    return icon;
}

std::optional<DecodedIcon> decodeBitmap(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 40) return std::nullopt;
    const std::uint8_t* h = bytes.data();
    const std::uint32_t headerSize = u32(h);
    const auto width = static_cast<std::int32_t>(u32(h + 4));
    const auto doubledHeight = static_cast<std::int32_t>(u32(h + 8));
    const std::uint16_t bitCount = u16(h + 14);
    const std::uint32_t compression = u32(h + 16);
    const std::uint32_t colorsUsed = u32(h + 32);

    if (headerSize < 40 || headerSize > bytes.size()) return std::nullopt;
    // Icon bitmaps are stored bottom-up with the mask rows counted in the height.
    if (width <= 0 || doubledHeight < 2 || width > IconDecoder::kMaxSide) return std::nullopt;
    const int height = doubledHeight / 2;
    if (height > IconDecoder::kMaxSide) return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return std::nullopt;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bitCount == 16 || bitCount == 32)))
        return std::nullopt;

    std::uint64_t offset = headerSize;
    std::uint32_t redMask = 0x00FF0000, greenMask = 0x0000FF00, blueMask = 0x000000FF;
    if (bitCount == 16) redMask = 0x7C00, greenMask = 0x03E0, blueMask = 0x001F;
    if (compression == kBiBitfields) {
        if (headerSize == 40) {
            if (bytes.size() - offset < 12) return std::nullopt;
            offset += 12;
        } else if (headerSize < 52) {
            return std::nullopt;
        }
        redMask = u32(h + 40);
        greenMask = u32(h + 44);
        blueMask = u32(h + 48);
        if (!validMask(redMask) || !validMask(greenMask) || !validMask(blueMask)) return std::nullopt;
    }

    std::vector<std::uint32_t> palette;
    if (bitCount <= 8) {
        const std::uint32_t full = 1U << bitCount;
        const std::uint32_t count = colorsUsed == 0 ? full : colorsUsed;
        if (count > full) return std::nullopt;
        if (bytes.size() - offset < std::uint64_t{count} * 4) return std::nullopt;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* q = bytes.data() + offset + i * 4;
            palette.push_back((std::uint32_t{q[2]} << 16) | (std::uint32_t{q[1]} << 8) | q[0]);
        }
        offset += std::uint64_t{count} * 4;
    }

    const std::uint64_t stride = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
    const std::uint64_t maskStride = ((std::uint64_t(width) + 31) / 32) * 4;
    const std::uint64_t colourBytes = stride * std::uint64_t(height);
    const std::uint64_t maskBytes = maskStride * std::uint64_t(height);
    if (bytes.size() - offset < colourBytes) return std::nullopt;
    const std::uint8_t* colour = bytes.data() + offset;
    const std::uint64_t afterColour = bytes.size() - offset - colourBytes;
    // 32-bit images carry their own alpha and are often stored without a mask.
    const bool hasMask = afterColour >= maskBytes;
    if (!hasMask && bitCount != 32) return std::nullopt;
    const std::uint8_t* mask = hasMask ? colour + colourBytes : nullptr;

    DecodedIcon icon;
    icon.width = width;
    icon.height = height;
    icon.pixels.resize(std::size_t(width) * std::size_t(height));
    bool anyAlpha = false;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* line = colour + stride * std::uint64_t(height - 1 - row);
        std::uint32_t* out = &icon.pixels[std::size_t(row) * std::size_t(width)];
        for (int x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            std::uint32_t alpha = 0xFF;
            switch (bitCount) {
                case 1:
                case 4:
                case 8: {
                    const std::uint64_t bit = std::uint64_t(x) * bitCount;
                    const std::uint8_t byte = line[bit / 8];
                    const unsigned shift = 8 - bitCount - (bit % 8);
                    const std::uint32_t index = (byte >> shift) & ((1U << bitCount) - 1);
                    rgb = index < palette.size() ? palette[index] : 0;
                    break;
                }
                case 16: {
                    const std::uint32_t v = u16(line + 2 * x);
                    rgb = (channel(v, redMask) << 16) | (channel(v, greenMask) << 8) | channel(v, blueMask);
                    break;
                }
                case 24: {
                    const std::uint8_t* p = line + 3 * x;
                    rgb = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
                    break;
                }
                default: {
                    const std::uint32_t v = u32(line + 4 * std::size_t(x));
                    if (compression == kBiBitfields)
                        rgb = (channel(v, redMask) << 16) | (channel(v, greenMask) << 8) | channel(v, blueMask);
                    else
                        rgb = v & 0x00FFFFFF;
                    alpha = v >> 24;
                    anyAlpha = anyAlpha || alpha != 0;
                    break;
                }
            }
            out[x] = (alpha << 24) | rgb;
        }
    }

    // The AND mask decides transparency unless the image has an alpha channel in
    // use; a 32-bit image whose alpha bytes are all zero is an old-style one.
    const bool useMask = !(bitCount == 32 && anyAlpha);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* line = mask ? mask + maskStride * std::uint64_t(height - 1 - row) : nullptr;
        std::uint32_t* out = &icon.pixels[std::size_t(row) * std::size_t(width)];
        for (int x = 0; x < width; ++x) {
            if (!useMask) continue;
            const bool transparent = line && ((line[x / 8] >> (7 - x % 8)) & 1);
            out[x] = transparent ? (out[x] & 0x00FFFFFF) : (out[x] | 0xFF000000);
        }
    }
    return icon;
}

}  // namespace

bool IconDecoder::isPng(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

std::optional<DecodedIcon> IconDecoder::decode(std::span<const std::uint8_t> bytes) {
    if (isPng(bytes)) return decodePng(bytes);
    return decodeBitmap(bytes);
}

}  // namespace portico
