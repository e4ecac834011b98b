#pragma once

#include "gui/PictureDecoder.h"
#include "settings/SafeFile.h"

#include <string>

class QImage;

namespace portico {
class Variant;
}

namespace portico {

// The picture in a file, or a null image when the file is missing or holds no
// picture we can read (see decodePicture). Only a regular file of at most
// SafeFile::kMaxPictureBytes is read; a link is refused unless `links` says
// otherwise, since our picture files sit where a link could be planted.
QImage tryLoadPicture(const std::string& path, SafeFile::Links links = SafeFile::Links::Refuse);

// The picture held by the bytes of a picture file (as the catalogue stores
// them); a null image when they hold none we can read.
QImage tryLoadPictureData(std::string_view bytes);

// The picture held by a stored picture column's value, decoded in memory; a
// null image for a null or empty value, or one that holds no picture we can read.
QImage tryLoadPictureValue(const Variant& value);

// As tryLoadPicture, but a failure is an error: 53 "File not found" or
// 481 "Invalid picture", with the program's name as source.
QImage loadPicture(const std::string& path, SafeFile::Links links = SafeFile::Links::Refuse);

}  // namespace portico
