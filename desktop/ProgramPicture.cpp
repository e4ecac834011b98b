#include "desktop/ProgramPicture.h"

#include "desktop/IconFrames.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cstdint>
#include <span>

namespace portico::desktop {
namespace {

constexpr qint64 kMaxPictureFile = 64 * 1024 * 1024;

int side(const QImage& image) { return std::max(image.width(), image.height()); }

// The picture scaled to fit a square of `size`, centred on transparency.
QImage fitSquare(const QImage& image, int size) {
    QImage square(size, size, QImage::Format_ARGB32);
    square.fill(Qt::transparent);
    const QImage scaled = side(image) == size
                              ? image
                              : image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&square);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return square;
}

QImage drawSvg(QSvgRenderer& renderer, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSizeF natural = renderer.defaultSize();
    if (natural.isEmpty()) natural = QSizeF(size, size);
    const QSizeF fitted = natural.scaled(size, size, Qt::KeepAspectRatio);
    renderer.render(&painter, QRectF((size - fitted.width()) / 2, (size - fitted.height()) / 2, fitted.width(),
                                     fitted.height()));
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "png");
    return bytes;
}

void put16(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>((value >> 8) & 0xff));
}

void put32(QByteArray& out, qint64 value) {
    for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((value >> shift) & 0xff));
}

QByteArray icoFile(const std::vector<QImage>& images) {
    std::vector<QByteArray> data;
    for (const QImage& image : images) data.push_back(png(image));
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<int>(images.size()));
    qint64 offset = 6 + 16 * static_cast<qint64>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        // A width or height of 256 is written as 0.
        out.append(static_cast<char>(images[i].width() & 0xff));
        out.append(static_cast<char>(images[i].height() & 0xff));
        out.append('\0');
        out.append('\0');
        put16(out, 1);
        put16(out, 32);
        put32(out, data[i].size());
        put32(out, offset);
        offset += data[i].size();
    }
    for (const QByteArray& bytes : data) out.append(bytes);
    return out;
}

QByteArray fromListAndLargest(const QImage& forList, const QImage& largest) {
    if (forList.isNull() || largest.isNull()) return {};
    std::vector<QImage> images{fitSquare(forList, kListPictureSize)};
    const int largestSide = std::min(side(largest), kLargestPictureSize);
    if (largestSide != kListPictureSize) images.push_back(fitSquare(largest, largestSide));
    return icoFile(images);
}

bool isSvg(const QString& path) {
    return path.endsWith(".svg", Qt::CaseInsensitive) || path.endsWith(".svgz", Qt::CaseInsensitive);
}

// Reads the images numbered `wanted` (every one when empty) while the pixels decoded
// stay within kMaxDecodedPixels; past that the picture is too large and none is kept.
PictureImages decodeImages(const QByteArray& bytes, std::vector<int> wanted) {
    PictureImages result;
    const auto frames = IconFrames::scan(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(static_cast<int>(kMaxDecodedPixels * 4 / (1024 * 1024)));
    if (wanted.empty())
        for (int index = 0; index < std::clamp(reader.imageCount(), 1, kMaxDecodedImages); ++index)
            wanted.push_back(index);
    long long decoded = 0;
    for (const int index : wanted) {
        if (index > 0 && !reader.jumpToImage(index)) break;
        // What the image will cost is known before it is read: an icon's own
        // header says it (its directory entry cannot), other formats announce it.
        const QSize announced = reader.size();
        long long cost = announced.isValid() ? static_cast<long long>(announced.width()) * announced.height() : 0;
        if (frames && index < static_cast<int>(frames->size())) cost = std::max(cost, (*frames)[index].pixels());
        if (decoded + cost > kMaxDecodedPixels) return {{}, true};
        QImage image = reader.read();
        if (image.isNull()) continue;
        decoded += static_cast<long long>(image.width()) * image.height();
        if (decoded > kMaxDecodedPixels) return {{}, true};
        result.images.push_back(std::move(image));
    }
    return result;
}

PictureImages readImages(const QString& path, int svgSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureFile) return {};
    const QByteArray bytes = file.readAll();
    if (isSvg(path)) {
        QSvgRenderer renderer(bytes);
        if (!renderer.isValid()) return {};
        return {{drawSvg(renderer, svgSize)}, false};
    }
    std::vector<int> wanted;
    if (const auto frames = IconFrames::scan(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()))))
        wanted = IconFrames::kept(*frames, kListPictureSize);
    return decodeImages(bytes, std::move(wanted));
}

}  // namespace

std::vector<QImage> decodePictureImages(const QByteArray& bytes) { return decodeImages(bytes, {}).images; }

std::vector<QImage> readPictureImages(const QString& path, int svgSize) {
    return readImages(path, svgSize).images;
}

QByteArray storedPictureFromImages(const std::vector<QImage>& images) {
    const QImage* largest = nullptr;
    const QImage* forList = nullptr;
    for (const QImage& image : images) {
        if (image.isNull()) continue;
        if (!largest || side(image) > side(*largest)) largest = &image;
        // The list picture comes from the smallest image at least 48 px, so it
        // is scaled down (sharp), not up.
        const bool bigEnough = side(image) >= kListPictureSize;
        if (!forList || (bigEnough && (side(*forList) < kListPictureSize || side(image) < side(*forList))) ||
            (!bigEnough && side(*forList) < kListPictureSize && side(image) > side(*forList)))
            forList = &image;
    }
    if (!largest) return {};
    return fromListAndLargest(*forList, *largest);
}

QByteArray storedPictureFromFile(const QString& path, bool* tooLarge) {
    if (isSvg(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureFile) return {};
        QSvgRenderer renderer(file.readAll());
        if (!renderer.isValid()) return {};
        return fromListAndLargest(drawSvg(renderer, kListPictureSize), drawSvg(renderer, kLargestPictureSize));
    }
    PictureImages read = readImages(path, kLargestPictureSize);
    if (tooLarge) *tooLarge = read.tooLarge;
    return storedPictureFromImages(read.images);
}

QByteArray storedPictureFromIcon(const std::vector<IconFile>& files, bool* tooLarge) {
    for (const IconFile& file : files)
        if (file.scalable || isSvg(QString::fromStdString(file.path.string()))) {
            QByteArray picture = storedPictureFromFile(QString::fromStdString(file.path.string()));
            if (!picture.isEmpty()) return picture;
        }
    std::vector<QImage> images;
    bool anyTooLarge = false;
    for (const IconFile& file : files) {
        PictureImages read = readImages(QString::fromStdString(file.path.string()), kLargestPictureSize);
        anyTooLarge = anyTooLarge || read.tooLarge;
        for (QImage& image : read.images) images.push_back(std::move(image));
    }
    QByteArray picture = storedPictureFromImages(images);
    if (tooLarge) *tooLarge = picture.isEmpty() && anyTooLarge;
    return picture;
}

}  // namespace portico::desktop
