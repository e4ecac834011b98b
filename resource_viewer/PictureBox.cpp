#include "resource_viewer/PictureBox.h"

#include "resource_viewer/IconImage.h"
#include "resource_viewer/IconPicture.h"
#include "resource_viewer/PictureUnits.h"

#include <QPainter>

namespace portico {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    QFont font("Verdana", 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
}

int PictureBox::ScaleWidth() const { return width() * kTwipsPerPixel; }
int PictureBox::ScaleHeight() const { return height() * kTwipsPerPixel; }

QColor PictureBox::BackColor() const { return palette().color(QPalette::Base); }

void PictureBox::ensureImage() {
    if (image_.size() == size()) return;
    image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(BackColor());
}

void PictureBox::Cls() {
    ensureImage();
    image_.fill(BackColor());
    printPosition_ = {};
    update();
}

void PictureBox::PaintPicture(const IconPicture& picture, int x, int y) {
    ensureImage();
    QPainter painter(&image_);
    painter.drawImage(QPoint(x / kTwipsPerPixel, y / kTwipsPerPixel), iconImage(picture));
    update();
}

void PictureBox::setPrintPosition(int x, int y) { printPosition_ = {x / kTwipsPerPixel, y / kTwipsPerPixel}; }

void PictureBox::Print(const std::string& line) {
    ensureImage();
    QPainter painter(&image_);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    painter.drawText(QPoint(printPosition_.x(), printPosition_.y() + metrics.ascent()), QString::fromStdString(line));
    printPosition_ = {0, printPosition_.y() + metrics.height()};
    update();
}

void PictureBox::setPicture(const IconPicture& picture) {
    Cls();
    PaintPicture(picture, 0, 0);
}

void PictureBox::setImage(const QImage& image) {
    Cls();
    if (image.isNull()) return;
    QPainter painter(&image_);
    const QImage fitted = image.width() > width() ? image.scaledToWidth(width(), Qt::SmoothTransformation) : image;
    // Centred, as the executable's icons are.
    painter.drawImage(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    update();
}

const QImage& PictureBox::Image() {
    ensureImage();
    return image_;
}

void PictureBox::paintEvent(QPaintEvent*) {
    ensureImage();
    QPainter(this).drawImage(0, 0, image_);
}

void PictureBox::resizeEvent(QResizeEvent*) { ensureImage(); }

}  // namespace portico
