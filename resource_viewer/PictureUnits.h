#pragma once

#include <cstdint>

namespace portico {

// Screen units of the preview arithmetic: 96 pixels, 1440 twips and 2540 HIMETRIC
// (hundredths of a millimetre) to the inch.
inline constexpr int kTwipsPerPixel = 15;

// Each conversion rounds to the nearest whole unit, halves away from zero.
inline constexpr std::int64_t roundedRatio(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t scaled = value * numerator;
    return scaled >= 0 ? (scaled + denominator / 2) / denominator : -((-scaled + denominator / 2) / denominator);
}
inline constexpr std::int64_t himetricFromPixels(std::int64_t pixels) { return roundedRatio(pixels, 2540, 96); }
inline constexpr std::int64_t pixelsFromHimetric(std::int64_t himetric) { return roundedRatio(himetric, 96, 2540); }
inline constexpr std::int64_t twipsFromHimetric(std::int64_t himetric) { return roundedRatio(himetric, 1440, 2540); }

}  // namespace portico
