#include "resource_viewer/QtPngDecoder.h"

#include "resource_viewer/IconDecoder.h"
#include "resource_viewer/IconImage.h"
#include "resource_viewer/IconPicture.h"

#include <QImage>

namespace portico {

std::optional<IconPicture> QtPngDecoder::decodePng(std::span<const std::uint8_t> bytes) const {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "PNG");
    if (image.isNull() || image.width() > IconDecoder::kMaxSide || image.height() > IconDecoder::kMaxSide)
        return std::nullopt;
    return iconPictureFrom(image);
}

void QtPngDecoder::installOnce() {
    static const QtPngDecoder decoder;
    if (!pngDecoder()) installPngDecoder(&decoder);
}

}  // namespace portico
