#include "views/Artwork.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace portico::artwork {
namespace {

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// Drawing happens on a 32-unit grid scaled to the requested size.
void useGrid(QPainter& painter, int size) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
}

}  // namespace

QImage folderIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    p.setPen(QPen(QColor(150, 105, 20), 1));
    QPainterPath tab;
    tab.moveTo(2.5, 8);
    tab.lineTo(3.5, 5.5);
    tab.lineTo(12, 5.5);
    tab.lineTo(14, 8);
    tab.closeSubpath();
    p.setBrush(QColor(222, 170, 60));
    p.drawPath(tab);
    p.drawRoundedRect(QRectF(2.5, 7.5, 27, 20), 1.5, 1.5);
    QLinearGradient front(0, 11, 0, 28);
    front.setColorAt(0, QColor(255, 222, 120));
    front.setColorAt(1, QColor(235, 180, 60));
    p.setBrush(front);
    QPainterPath flap;
    flap.moveTo(2.5, 27.5);
    flap.lineTo(5, 11.5);
    flap.lineTo(31, 11.5);
    flap.lineTo(29.5, 27.5);
    flap.closeSubpath();
    p.drawPath(flap);
    return image;
}

QImage defaultIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    p.setPen(QPen(QColor(40, 60, 110), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 4.5, 27, 23), 2, 2);
    QLinearGradient bar(0, 4, 0, 10);
    bar.setColorAt(0, QColor(90, 140, 230));
    bar.setColorAt(1, QColor(40, 80, 170));
    p.setBrush(bar);
    p.drawRoundedRect(QRectF(2.5, 4.5, 27, 6), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 80, 60));
    p.drawEllipse(QRectF(24, 6, 3.5, 3.5));
    // A play mark: "something to run".
    p.setBrush(QColor(60, 170, 90));
    QPainterPath play;
    play.moveTo(12, 14);
    play.lineTo(22, 19);
    play.lineTo(12, 24);
    play.closeSubpath();
    p.drawPath(play);
    return image;
}

QImage documentIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    p.setPen(QPen(QColor(90, 90, 100), 1));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(6.5, 2.5);
    page.lineTo(19.5, 2.5);
    page.lineTo(25.5, 8.5);
    page.lineTo(25.5, 29.5);
    page.lineTo(6.5, 29.5);
    page.closeSubpath();
    p.drawPath(page);
    p.setBrush(QColor(220, 220, 228));
    QPainterPath corner;
    corner.moveTo(19.5, 2.5);
    corner.lineTo(19.5, 8.5);
    corner.lineTo(25.5, 8.5);
    corner.closeSubpath();
    p.drawPath(corner);
    p.setPen(QPen(QColor(150, 160, 180), 1));
    for (int line = 0; line < 6; ++line) p.drawLine(QPointF(9.5, 12.5 + line * 3), QPointF(22.5, 12.5 + line * 3));
    return image;
}

QImage clockIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    QRadialGradient face(14, 13, 16);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(200, 215, 235));
    p.setPen(QPen(QColor(50, 50, 70), 2));
    p.setBrush(face);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QPen(QColor(50, 50, 70), 1.2));
    for (int hour = 0; hour < 12; ++hour) {
        const double a = hour * M_PI / 6;
        p.drawLine(QPointF(16 + 10.5 * std::sin(a), 16 - 10.5 * std::cos(a)),
                   QPointF(16 + 12.5 * std::sin(a), 16 - 12.5 * std::cos(a)));
    }
    p.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(16, 8));
    p.drawLine(QPointF(16, 16), QPointF(22, 19));
    return image;
}

QImage eyesIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    p.setPen(QPen(Qt::black, 1.5));
    for (double x : {1.5, 16.5}) {
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(x, 4, 14, 24));
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(x + 6, 14, 5, 6));
    }
    return image;
}

QImage calculatorIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(90, 95, 105));
    p.drawRoundedRect(QRectF(5.5, 1.5, 21, 29), 2, 2);
    p.setBrush(QColor(190, 220, 170));
    p.drawRect(QRectF(8.5, 4.5, 15, 6));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col) {
            p.setBrush(col == 2 && row == 3 ? QColor(240, 140, 50) : QColor(230, 230, 230));
            p.drawRoundedRect(QRectF(8.5 + col * 5.3, 13 + row * 4.3, 4, 3.2), 0.8, 0.8);
        }
    return image;
}

QImage logoIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    useGrid(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    QPainterPath thick;
    thick.moveTo(3, 3);
    thick.lineTo(10, 3);
    thick.lineTo(29, 29);
    thick.lineTo(22, 29);
    thick.closeSubpath();
    p.drawPath(thick);
    QPainterPath thin;
    thin.moveTo(26, 3);
    thin.lineTo(29, 3);
    thin.lineTo(6, 29);
    thin.lineTo(3, 29);
    thin.closeSubpath();
    p.drawPath(thin);
    return image;
}

QImage splashPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(32, 74, 135));
    sky.setColorAt(1, QColor(114, 159, 207));
    p.fillRect(image.rect(), sky);
    // A portico: pediment over four columns.
    const double w = width;
    const double h = height;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 240, 225));
    QPainterPath roof;
    roof.moveTo(w * 0.12, h * 0.38);
    roof.lineTo(w * 0.5, h * 0.18);
    roof.lineTo(w * 0.88, h * 0.38);
    roof.closeSubpath();
    p.drawPath(roof);
    p.drawRect(QRectF(w * 0.14, h * 0.4, w * 0.72, h * 0.04));
    for (int i = 0; i < 4; ++i) p.drawRect(QRectF(w * (0.2 + i * 0.18), h * 0.46, w * 0.06, h * 0.34));
    p.drawRect(QRectF(w * 0.1, h * 0.82, w * 0.8, h * 0.05));
    return image;
}

QImage addRemovePicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, QColor(32, 74, 135));
    band.setColorAt(1, QColor(78, 154, 6));
    p.fillRect(image.rect(), band);
    return image;
}

void paintPorticoIcon(QPainter& p, int size) {
    p.save();
    useGrid(p, size);
    // A rounded blue tile with a portico: pediment, architrave, four columns, step.
    QLinearGradient sky(0, 1, 0, 31);
    sky.setColorAt(0, QColor(52, 101, 164));
    sky.setColorAt(1, QColor(32, 74, 135));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setBrush(QColor(245, 240, 225));
    QPainterPath roof;
    roof.moveTo(5, 12);
    roof.lineTo(16, 5);
    roof.lineTo(27, 12);
    roof.closeSubpath();
    p.drawPath(roof);
    p.drawRect(QRectF(5.5, 12.5, 21, 2));
    for (int i = 0; i < 4; ++i) p.drawRect(QRectF(7.5 + i * 5, 15.5, 2.5, 9));
    p.drawRect(QRectF(4.5, 25, 23, 2.5));
    p.restore();
}

void paintPorticoAdminIcon(QPainter& p, int size) {
    paintPorticoIcon(p, size);
    p.save();
    useGrid(p, size);
    // A wrench across the lower right corner.
    p.translate(23, 23);
    p.rotate(-45);
    p.setPen(QPen(QColor(46, 52, 54), 1));
    p.setBrush(QColor(211, 215, 207));
    QPainterPath wrench;
    wrench.addRoundedRect(QRectF(-1.6, -2, 3.2, 10), 1.2, 1.2);
    QPainterPath head;
    head.addEllipse(QPointF(0, -4.5), 4, 4);
    QPainterPath jaw;
    jaw.addRect(QRectF(-1.3, -9, 2.6, 4.5));
    p.drawPath(wrench.united(head).subtracted(jaw));
    p.restore();
}

QImage porticoIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    paintPorticoIcon(p, size);
    return image;
}

QImage porticoAdminIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    paintPorticoAdminIcon(p, size);
    return image;
}

QIcon programWindowIcon(bool administration) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(administration ? porticoAdminIcon(size) : porticoIcon(size)));
    return icon;
}

}  // namespace portico::artwork
