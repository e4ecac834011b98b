#pragma once

// The pictures Portico ships and the demo catalogue uses, drawn by code so that
// every one of them is our own.

class QIcon;
class QImage;
class QPainter;

namespace portico::artwork {

QImage folderIcon(int size);
QImage defaultIcon(int size);
QImage documentIcon(int size);
QImage clockIcon(int size);
QImage eyesIcon(int size);
QImage calculatorIcon(int size);
QImage logoIcon(int size);
// The programs' own icons: a portico on a blue tile; the administration
// program's has a wrench in front. `paint*` draws on any painter (an SVG
// generator for the scalable icon) in a square of `size` units.
void paintPorticoIcon(QPainter& painter, int size);
void paintPorticoAdminIcon(QPainter& painter, int size);
QImage porticoIcon(int size);
QImage porticoAdminIcon(int size);
// The window icon of a program, drawn at the usual sizes.
QIcon programWindowIcon(bool administration);
// The demo theme's two pictures.
QImage splashPicture(int width, int height);
QImage addRemovePicture(int width, int height);

}  // namespace portico::artwork
