#pragma once

#include "desktop/IconTheme.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace portico::desktop {

// A program's picture as the catalogue stores it: an icon file (ICO) holding
// PNG-compressed images, 48 x 48 first (what the program list shows), then the
// largest size the source offers, up to 256 x 256, kept whole (scaled down to
// fit, never cut). The launcher's picture loader, the icon decoder and any
// client of the library read ICO; PNG entries keep the alpha channel.
inline constexpr int kListPictureSize = 48;
inline constexpr int kLargestPictureSize = 256;
// Whatever a file announces, one picture never decodes more pixels than this
// (128 MiB) in all its images together, nor more than kMaxDecodedImages images.
inline constexpr long long kMaxDecodedPixels = 32LL * 1024 * 1024;
inline constexpr int kMaxDecodedImages = 64;

// Images read from a picture; `tooLarge` when they would pass the bound above.
struct PictureImages {
    std::vector<QImage> images;
    bool tooLarge = false;
};

// From pictures of one icon at several sizes (e.g. the images of an ICO file).
// Empty when none of them is a usable picture.
QByteArray storedPictureFromImages(const std::vector<QImage>& images);
// From a picture file: PNG, SVG, ICO, XPM, BMP, JPEG, GIF. An SVG is drawn at
// both sizes. Empty when the file holds no picture, or (with `tooLarge` set) a
// picture too large.
QByteArray storedPictureFromFile(const QString& path, bool* tooLarge = nullptr);
// From the files of a theme icon (IconTheme::files): a scalable one is drawn,
// raster ones give their own sizes.
QByteArray storedPictureFromIcon(const std::vector<IconFile>& files, bool* tooLarge = nullptr);

// The images of a picture file a stored picture keeps (of an icon file, only
// those two are decoded); an SVG is drawn at `svgSize`.
std::vector<QImage> readPictureImages(const QString& path, int svgSize = kLargestPictureSize);
// The images of a stored picture (or of any picture bytes), as QImageReader sees them.
std::vector<QImage> decodePictureImages(const QByteArray& bytes);

}  // namespace portico::desktop
