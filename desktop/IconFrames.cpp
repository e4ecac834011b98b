#include "desktop/IconFrames.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace portico::desktop {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t le16(const std::uint8_t* p) { return p[0] | (std::uint32_t{p[1]} << 8); }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }
std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

long long side(const IconFrame& frame) { return std::max(frame.width, frame.height); }

}  // namespace

std::optional<std::vector<IconFrame>> IconFrames::scan(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6 || le16(bytes.data()) != 0) return std::nullopt;
    const std::uint32_t type = le16(bytes.data() + 2);
    const std::uint32_t count = le16(bytes.data() + 4);
    if ((type != 1 && type != 2) || count == 0) return std::nullopt;
    std::vector<IconFrame> frames;
    for (std::uint32_t index = 0; index < count; ++index) {
        const std::uint64_t entryAt = 6 + std::uint64_t{index} * 16;
        if (bytes.size() < entryAt + 16) break;
        const std::uint8_t* entry = bytes.data() + entryAt;
        // A side of 0 in the directory means 256.
        IconFrame frame{entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256};
        const std::uint64_t offset = le32(entry + 12);
        if (offset < bytes.size()) {
            const std::span<const std::uint8_t> image = bytes.subspan(offset);
            if (image.size() >= 24 && std::equal(kPngSignature.begin(), kPngSignature.end(), image.begin())) {
                frame = {be32(image.data() + 16), be32(image.data() + 20)};
            } else if (image.size() >= 12 && le32(image.data()) >= 12) {
                // Bitmap heights count the mask rows too; a negative one is its magnitude.
                const auto width = static_cast<std::int32_t>(le32(image.data() + 4));
                const auto height = static_cast<std::int32_t>(le32(image.data() + 8));
                frame = {std::abs(static_cast<long long>(width)), std::abs(static_cast<long long>(height)) / 2};
            }
        }
        frames.push_back(frame);
    }
    return frames;
}

std::vector<int> IconFrames::kept(const std::vector<IconFrame>& frames, int listSide) {
    int largest = -1;
    int forList = -1;
    for (int index = 0; index < static_cast<int>(frames.size()); ++index) {
        const long long size = side(frames[index]);
        if (size == 0) continue;
        if (largest < 0 || size > side(frames[largest])) largest = index;
        const bool bigEnough = size >= listSide;
        const long long listSize = forList < 0 ? 0 : side(frames[forList]);
        if (forList < 0 || (bigEnough && (listSize < listSide || size < listSize)) ||
            (!bigEnough && listSize < listSide && size > listSize))
            forList = index;
    }
    std::vector<int> indices;
    if (largest < 0) return indices;
    indices.push_back(std::min(largest, forList));
    if (largest != forList) indices.push_back(std::max(largest, forList));
    return indices;
}

}  // namespace portico::desktop
