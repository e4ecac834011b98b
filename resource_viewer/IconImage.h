#pragma once

#include <QImage>

namespace portico {

class IconPicture;

// Between the decoder's pixels and Qt's images.
QImage iconImage(const IconPicture& picture);
IconPicture iconPictureFrom(const QImage& image);

}  // namespace portico
