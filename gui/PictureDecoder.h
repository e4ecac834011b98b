#pragma once

// Pictures are recognised by their content, never by their name: a file called
// temp.bmp may hold an icon, a file called folder.ico a bitmap. Any bytes stored
// in a catalogue reach this decoder, so it is bounded: a header that announces
// more than kMaxPicturePixels (or a side over kMaxPictureSide) is refused before
// anything is allocated, and only the first kMaxPictureFrames images are read.

#include <QImage>

#include <cstddef>
#include <string>
#include <string_view>

class QByteArray;

namespace portico {

inline constexpr int kMaxPictureSide = 8192;
inline constexpr long long kMaxPicturePixels = 4096LL * 4096LL;
inline constexpr int kMaxPictureFrames = 64;

// The picture format that the first bytes of a file announce: "bmp", "ico",
// "cur", "png", "jpeg" or "gif"; empty when none of them.
std::string pictureFormatOf(std::string_view firstBytes);

// The picture in `bytes`, or a null image when they hold no picture we can read
// within the bounds above. Of several images (an icon file), the largest.
QImage decodePicture(const QByteArray& bytes);

}  // namespace portico
