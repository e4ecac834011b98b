#pragma once

// The pictures Portico ships and the demo catalogue uses, drawn by code so that
// every one of them is our own.

class QImage;

namespace portico::artwork {

QImage folderIcon(int size);
QImage defaultIcon(int size);
QImage documentIcon(int size);
QImage clockIcon(int size);
QImage eyesIcon(int size);
QImage calculatorIcon(int size);
QImage logoIcon(int size);
// The demo theme's two pictures.
QImage splashPicture(int width, int height);
QImage addRemovePicture(int width, int height);

}  // namespace portico::artwork
