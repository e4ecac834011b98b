#include "gui/PictureDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>

namespace portico {
namespace {

// Qt refuses to allocate more than this for one image, whatever a header claims.
constexpr int kAllocationLimitMegabytes = 80;

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && bytes.substr(0, prefix.size()) == prefix;
}

bool withinBounds(const QSize& size) {
    if (!size.isValid()) return true;  // not announced: the allocation limit still holds
    return size.width() <= kMaxPictureSide && size.height() <= kMaxPictureSide &&
           static_cast<long long>(size.width()) * size.height() <= kMaxPicturePixels;
}

}  // namespace

std::string pictureFormatOf(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (startsWith(bytes, "BM"sv)) return "bmp";
    // ICONDIR: reserved 0, type 1 (icon) or 2 (cursor), then a non-zero count.
    if (bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 && bytes[3] == 0 && (bytes[4] != 0 || bytes[5] != 0)) {
        if (bytes[2] == 1) return "ico";
        if (bytes[2] == 2) return "cur";
    }
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n"sv)) return "png";
    if (startsWith(bytes, "\xff\xd8\xff"sv)) return "jpeg";
    if (startsWith(bytes, "GIF87a"sv) || startsWith(bytes, "GIF89a"sv)) return "gif";
    return {};
}

QImage decodePicture(const QByteArray& bytes) {
    const std::string format = pictureFormatOf(std::string_view(bytes.constData(), static_cast<std::size_t>(
                                                                                       std::min<qsizetype>(bytes.size(), 16))));
    if (format.empty()) return {};
    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);

    QByteArray data = bytes;  // shared, not copied: the buffer only reads
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, QByteArray::fromStdString(format));
    reader.setDecideFormatFromContent(false);
    // The format is known from the bytes already: without this, Qt loads every
    // image plugin it has and asks each whether it reads "bmp" first.
    reader.setAutoDetectImageFormat(false);
    QImage best;
    const int count = std::clamp(reader.imageCount(), 1, kMaxPictureFrames);
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !reader.jumpToImage(index)) break;
        // The announced size is checked before the image is allocated.
        if (!withinBounds(reader.size())) continue;
        QImage image = reader.read();
        if (image.isNull() || !withinBounds(image.size())) continue;
        if (best.isNull() || image.width() * image.height() > best.width() * best.height()) best = std::move(image);
    }
    return best;
}

}  // namespace portico
