#pragma once

// Pictures are recognised by their content, never by their name: a file called
// temp.bmp may hold an icon, a file called folder.ico a bitmap.

#include <string>
#include <string_view>

class QImage;

namespace portico {

// The picture format that the first bytes of a file announce: "bmp", "ico",
// "cur", "png", "jpeg" or "gif"; empty when none of them.
std::string pictureFormatOf(std::string_view firstBytes);

// The picture in a file, or a null image when the file is missing or holds no
// picture we can read. Of the images in an icon file, the largest is taken.
QImage tryLoadPicture(const std::string& path);

// The picture held by the bytes of a picture file (as the catalogue stores
// them); a null image when they hold none we can read.
QImage tryLoadPictureData(std::string_view bytes);

// As tryLoadPicture, but a failure is an error: 53 "File not found" or
// 481 "Invalid picture", with the program's name as source.
QImage loadPicture(const std::string& path);

}  // namespace portico
