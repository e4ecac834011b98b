#include "gui/PictureLoader.h"

#include "database/Variant.h"
#include "gui/FatalError.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <QByteArray>
#include <QImage>

#include <filesystem>

namespace portico {

QImage tryLoadPicture(const std::string& path, SafeFile::Links links) {
    std::string bytes;
    std::error_code error;
    if (!SafeFile::read(path, bytes, error, SafeFile::kMaxPictureBytes, links)) return {};
    return decodePicture(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QImage tryLoadPictureData(std::string_view bytes) {
    return decodePicture(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QImage tryLoadPictureValue(const Variant& value) {
    if (value.type() == Variant::Type::Bytes) {
        const Bytes& bytes = value.bytes();
        return tryLoadPictureData(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    // Bytes stored as text by some other tool are still the file's bytes.
    if (value.type() == Variant::Type::Text) return tryLoadPictureData(value.toText());
    return {};
}

QImage loadPicture(const std::string& path, SafeFile::Links links) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw PorticoError(errors::kFileNotFound, "File not found", programTitle());
    QImage image = tryLoadPicture(path, links);
    if (image.isNull()) throw PorticoError(errors::kInvalidPicture, "Invalid picture", programTitle());
    return image;
}

}  // namespace portico
