#pragma once

#include <string>

class QImage;
class QPixmap;
class QSize;

namespace portico {
class clsDBRoutines;
}

namespace portico::admin {

// One picture of a theme ("Theme_LogoSplash" or "Theme_LogoAddRemove"), exported
// by the catalogue to its picture file and loaded from there. A null image when
// the theme is unknown, has no such picture, or the file holds no picture.
QImage loadThemePicture(clsDBRoutines& database, const std::string& theme, const std::string& field);

// A theme's picture for a place of `room`: shrunk to fit whole, never cut; a
// smaller one as it is. A null pixmap for a null image.
QPixmap fittedPicture(const QImage& picture, const QSize& room);

}  // namespace portico::admin
