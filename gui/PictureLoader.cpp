#include "PictureLoader.h"

#include "FatalError.h"
#include "PorticoError.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <array>
#include <cstring>
#include <filesystem>

namespace portico {
namespace {

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && bytes.substr(0, prefix.size()) == prefix;
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

namespace {

QImage readPicture(QIODevice& device) {
    std::array<char, 16> header{};
    const qint64 got = device.peek(header.data(), static_cast<qint64>(header.size()));
    if (got <= 0) return {};
    const std::string format = pictureFormatOf(std::string_view(header.data(), static_cast<std::size_t>(got)));
    if (format.empty()) return {};

    QImageReader reader(&device, QByteArray::fromStdString(format));
    reader.setDecideFormatFromContent(false);
    QImage best;
    const int count = std::max(1, reader.imageCount());
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !reader.jumpToImage(index)) break;
        QImage image = reader.read();
        if (image.isNull()) continue;
        if (best.isNull() || image.width() * image.height() > best.width() * best.height()) best = std::move(image);
    }
    return best;
}

}  // namespace

QImage tryLoadPicture(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return readPicture(file);
}

QImage tryLoadPictureData(std::string_view bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    return readPicture(buffer);
}

QImage loadPicture(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw PorticoError(53, "File not found", programTitle());
    QImage image = tryLoadPicture(path);
    if (image.isNull()) throw PorticoError(481, "Invalid picture", programTitle());
    return image;
}

}  // namespace portico
