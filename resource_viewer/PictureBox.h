#pragma once

#include "resource_viewer/PreviewSurface.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace portico {

// A picture box with a persistent drawing (what it shows survives repaints), in
// twips at 15 twips per pixel. The background is the window colour, text the
// window-text colour.
class PictureBox final : public QWidget, public PreviewSurface {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    int ScaleWidth() const override;
    int ScaleHeight() const override;
    void PaintPicture(const IconPicture& picture, int x, int y) override;
    void setPrintPosition(int x, int y) override;
    void Print(const std::string& line) override;

    // Clears the drawing to the background colour.
    void Cls();
    // Clears the drawing and puts the picture at its top-left corner.
    void setPicture(const IconPicture& picture);
    // Clears the drawing and puts the image at its top-left corner, scaled
    // down (never up) to fit the box's width.
    void setImage(const QImage& image);
    // The persistent drawing.
    const QImage& Image();
    QColor BackColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureImage();

    QImage image_;
    QPoint printPosition_;
};

}  // namespace portico
