#include "resource_viewer/IconImage.h"

#include "resource_viewer/IconPicture.h"

#include <cstring>

namespace portico {

QImage iconImage(const IconPicture& picture) {
    QImage image(picture.pixelWidth(), picture.pixelHeight(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), picture.pixels().data() + static_cast<std::size_t>(y) * image.width(),
                    static_cast<std::size_t>(image.width()) * 4);
    return image;
}

IconPicture iconPictureFrom(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(argb.width()) * argb.height());
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * argb.width(), argb.constScanLine(y),
                    static_cast<std::size_t>(argb.width()) * 4);
    return IconPicture(argb.width(), argb.height(), std::move(pixels));
}

}  // namespace portico
