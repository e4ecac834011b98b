#include "admin/ucLeftFrame.h"

#include "admin/ThemePicture.h"
#include "gui/ActionLabel.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace portico::admin {
namespace {

constexpr int kPanelWidth = 200;
constexpr int kPictureHeight = 42;

QFont verdana(int pointSize, bool bold = false) {
    QFont font("Verdana");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QPixmap stripPicture() {
    QPixmap strip(kPanelWidth, 6);
    QPainter painter(&strip);
    QLinearGradient gradient(0, 0, kPanelWidth, 0);
    gradient.setColorAt(0.0, QColor(0x1f, 0x3a, 0x6e));
    gradient.setColorAt(0.6, QColor(0x5b, 0x8f, 0xd9));
    gradient.setColorAt(1.0, QColor(0xd8, 0xe6, 0xf7));
    painter.fillRect(strip.rect(), gradient);
    return strip;
}

QFrame* lineBelow(const char* name, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

ucLeftFrame::ucLeftFrame(QWidget* parent) : QWidget(parent) {
    setObjectName("ucLeftFrame1");
    setFixedWidth(kPanelWidth);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(kPanelWidth, kPictureHeight);
    imgStrip = new QLabel(this);
    imgStrip->setObjectName("imgStrip");
    imgStrip->setPixmap(stripPicture());
    imgStrip->setFixedSize(kPanelWidth, 6);
    lblWelcome = new QLabel(
        "Welcome to Portico Setup.\n\nHere you configure the database settings, add, modify and delete the "
        "runnable programs of the catalogue, and view their properties.",
        this);
    lblWelcome->setObjectName("lblWelcome");
    lblWelcome->setFont(verdana(8));
    lblWelcome->setWordWrap(true);

    lblFolders = new ActionLabel("Add/Remove Folder", this);
    lblFolders->setObjectName("lblFolders");
    lblThemes = new ActionLabel("Theme Management", this);
    lblThemes->setObjectName("lblThemes");
    lblQuit = new ActionLabel("Quit", this);
    lblQuit->setObjectName("lblQuit");
    for (ActionLabel* label : {lblFolders, lblThemes, lblQuit}) {
        label->setFont(verdana(9, true));
        label->setCursor(Qt::PointingHandCursor);
    }
    Line1 = lineBelow("Line1", this);
    Line2 = lineBelow("Line2", this);
    Line3 = lineBelow("Line3", this);

    connect(lblFolders, &ActionLabel::clicked, this, &ucLeftFrame::AddRemoveFolder);
    connect(lblThemes, &ActionLabel::clicked, this, &ucLeftFrame::ThemeClicked);
    connect(lblQuit, &ActionLabel::clicked, this, &ucLeftFrame::QuitClicked);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image1);
    layout->addWidget(imgStrip);
    layout->addSpacing(8);
    layout->addWidget(lblWelcome);
    layout->addSpacing(16);
    for (auto [label, line] : {std::pair<QWidget*, QWidget*>{lblFolders, Line1}, {lblThemes, Line2}, {lblQuit, Line3}}) {
        layout->addWidget(label);
        layout->addWidget(line);
        layout->addSpacing(6);
    }
    layout->addStretch(1);
}

void ucLeftFrame::SetImage(const QImage& picture) {
    Image1->setPixmap(fittedPicture(picture, Image1->size()));
}

}  // namespace portico::admin
