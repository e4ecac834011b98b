#pragma once

// Small helpers the benchmarks share for writing the pictures and files of the
// catalogues they make.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <filesystem>
#include <fstream>

namespace portico::bench {

// The image as a file of `format` ("bmp", "png", "ico"), in memory.
inline QByteArray encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

inline void writeFile(const std::filesystem::path& file, const QByteArray& bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.constData(), bytes.size());
}

}  // namespace portico::bench
