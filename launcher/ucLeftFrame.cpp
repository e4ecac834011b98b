#include "launcher/ucLeftFrame.h"

#include "gui/ActionLabel.h"

#include <QBitmap>
#include <QCursor>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTimer>

namespace portico {
namespace {

constexpr int kMargin = 10;
constexpr int kPictureHeight = 150;

// The panel's own pointer over its actions: a hand whose finger tip, at 12,1,
// is the hot spot.
QCursor actionPointer() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.moveTo(10.5, 3);
    hand.quadTo(12, 0.5, 13.5, 3);
    hand.lineTo(13.5, 13);
    hand.lineTo(22, 14.5);
    hand.quadTo(25, 15.5, 24.5, 19);
    hand.lineTo(23, 27);
    hand.lineTo(11, 27);
    hand.lineTo(5, 19);
    hand.quadTo(5, 16.5, 7.5, 17);
    hand.lineTo(10.5, 19.5);
    hand.closeSubpath();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.drawLine(QPointF(16.5, 14), QPointF(16.5, 19));
    p.drawLine(QPointF(19.5, 14.5), QPointF(19.5, 19));
    return QCursor(pixmap, 12, 1);
}

QPixmap background(QSize size) {
    QPixmap pixmap(size.expandedTo(QSize(1, 1)));
    QPainter p(&pixmap);
    QLinearGradient shade(0, 0, 0, pixmap.height());
    shade.setColorAt(0, QColor(58, 84, 128));
    shade.setColorAt(1, QColor(24, 36, 60));
    p.fillRect(pixmap.rect(), shade);
    return pixmap;
}

// Colours by palette rather than style sheet: the first style sheet in a
// process costs the window's start several milliseconds.
void setForeground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QFrame* makeLine(const char* name, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    setForeground(line, QColor(255, 255, 255, 120));
    return line;
}

ActionLabel* makeAction(const char* name, const char* caption, QWidget* parent) {
    auto* label = new ActionLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setFamilies({"Verdana", "DejaVu Sans", "sans-serif"});
    font.setPointSize(11);
    font.setBold(true);
    label->setFont(font);
    setForeground(label, Qt::white);
    return label;
}

}  // namespace

ucLeftFrame::ucLeftFrame(QWidget* parent) : QWidget(parent) {
    setObjectName("ucLeftFrame");
    setMinimumWidth(200);
    // Room for the picture, the description and all three actions (see layOut).
    setMinimumHeight(kMargin + kPictureHeight + kMargin + 120 + 3 * (28 + 8) + kMargin);
    Image2 = new QLabel(this);
    Image2->setObjectName("Image2");
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    lblDescription = new QLabel(this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setForeground(lblDescription, Qt::white);

    lblLaunch = makeAction("lblLaunch", "Launch Program", this);
    Line1 = makeLine("Line1", this);
    lblProperties = makeAction("lblProperties", "Properties", this);
    Line2 = makeLine("Line2", this);
    lblQuit = makeAction("lblQuit", "Quit", this);
    Line3 = makeLine("Line3", this);
    connect(lblLaunch, &ActionLabel::clicked, this, &ucLeftFrame::LaunchedClicked);
    connect(lblProperties, &ActionLabel::clicked, this, &ucLeftFrame::PropertiesClicked);
    connect(lblQuit, &ActionLabel::clicked, this, &ucLeftFrame::QuitClicked);

    // Painted once the window shows, not before.
    QTimer::singleShot(0, this, [this] {
        const QCursor pointer = actionPointer();
        for (ActionLabel* label : {lblLaunch, lblProperties, lblQuit}) label->setCursor(pointer);
    });

    displayLabels(false);
    resize(220, 480);
    layOut();
}

std::string ucLeftFrame::Description() const { return lblDescription->text().toStdString(); }

void ucLeftFrame::setDescription(const std::string& text) { lblDescription->setText(QString::fromStdString(text)); }

void ucLeftFrame::displayLabels(bool visible) {
    lblLaunch->setVisible(visible);
    lblProperties->setVisible(visible);
    Line1->setVisible(visible);
    Line2->setVisible(visible);
}

void ucLeftFrame::SetImage(const QImage& picture) {
    if (picture.isNull()) {
        Image1->clear();
        return;
    }
    const QSize room(width() - 2 * kMargin, kPictureHeight);
    Image1->setPixmap(QPixmap::fromImage(picture).scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void ucLeftFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void ucLeftFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    paintBackground();
}

void ucLeftFrame::paintBackground() {
    // For the size shown, not for each size the layout passes through before.
    if (!isVisible() || Image2->pixmap().size() == size()) return;
    Image2->setPixmap(background(size()));
}

void ucLeftFrame::layOut() {
    const int w = width();
    const int inner = w - 2 * kMargin;
    Image2->setGeometry(rect());
    paintBackground();
    Image1->setGeometry(kMargin, kMargin, inner, kPictureHeight);
    int y = kMargin + kPictureHeight + kMargin;
    lblDescription->setGeometry(kMargin, y, inner, 110);
    y += 120;
    const int rowHeight = 28;
    for (auto [label, line] : {std::pair<QLabel*, QFrame*>{lblLaunch, Line1}, {lblProperties, Line2}, {lblQuit, Line3}}) {
        label->setGeometry(kMargin, y, inner, rowHeight);
        line->setGeometry(kMargin, y + rowHeight, inner, 2);
        y += rowHeight + 8;
    }
}

}  // namespace portico
