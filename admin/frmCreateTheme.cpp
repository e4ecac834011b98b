#include "admin/frmCreateTheme.h"

#include "admin/frmThemeManage.h"
#include "admin/modMain.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "settings/TextUtil.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace portico::admin {

frmCreateTheme::frmCreateTheme(modMain& program, QWidget* owner) : QDialog(owner), program_(program) {
    setObjectName("frmCreateTheme");
    setAttribute(Qt::WA_DeleteOnClose);
    CommonDialog1.DialogTitle = "Select a Image";
    CommonDialog1.Filter = "Pictures (*.bmp *.jpg *.jpeg *.gif)";
    CommonDialog1.InitDir = "/";

    auto* frame = new QGroupBox("Logo's", this);
    auto* grid = new QGridLayout(frame);
    auto addRow = [&](int row, const char* caption, QLineEdit*& field, const char* fieldName, QPushButton*& button,
                      const char* buttonName) {
        field = new QLineEdit(frame);
        field->setObjectName(fieldName);
        button = new QPushButton("...", frame);
        button->setObjectName(buttonName);
        button->setFixedWidth(32);
        grid->addWidget(new QLabel(caption, frame), row, 0);
        grid->addWidget(field, row, 1);
        grid->addWidget(button, row, 2);
        grid->addWidget(new QLabel("200x42", frame), row, 3);
    };
    addRow(0, "Main Screen:", txtSplashScreen, "txtSplashScreen", cmdButtonSplash, "cmdButtonSplash");
    addRow(1, "Add/Remove:", txtAddRemove, "txtAddRemove", cmdAddRemove, "cmdAddRemove");
    grid->setColumnStretch(1, 1);

    cmdSave = new QPushButton("Save", this);
    cmdSave->setObjectName("cmdSave");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    resize(460, 160);

    connect(cmdButtonSplash, &QPushButton::clicked, this, [this] { guarded([&] { choosePicture(*txtSplashScreen); }); });
    connect(cmdAddRemove, &QPushButton::clicked, this, [this] { guarded([&] { choosePicture(*txtAddRemove); }); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { guarded([&] { save(); }); });

    program_.applyLowColourAdjustment(*this);
    setThemeName({});
}

void frmCreateTheme::setThemeName(const std::string& name) {
    themeName_ = trimBlanks(name);
    if (themeName_.empty()) themeName_ = "Theme 1";
    setWindowTitle(QString::fromStdString("Creating Theme : " + themeName_));
}

void frmCreateTheme::choosePicture(QLineEdit& field) {
    CommonDialog1.InitDir = "/";
    if (CommonDialog1.ShowOpen()) field.setText(QString::fromStdString(CommonDialog1.FileName()));
}

void frmCreateTheme::save() {
    const std::string splash = txtSplashScreen->text().toStdString();
    const std::string addRemove = txtAddRemove->text().toStdString();
    if (splash.empty() && addRemove.empty()) {
        dialogs().messageBox("Couldn't save, please select a image to use", "Error", MessageIcon::Exclamation);
        return;
    }
    // A file that is there but holds no picture we can show would be stored and
    // then shown to nobody; refuse it here. A missing file is the data layer's
    // to report.
    for (const std::string& path : {splash, addRemove}) {
        std::error_code ec;
        if (trimBlanks(path).empty() || !std::filesystem::is_regular_file(path, ec)) continue;
        if (tryLoadPicture(path).isNull()) {
            dialogs().messageBox("Couldn't save, " + path + " is not a picture that can be shown (use a BMP, JPEG or GIF image)",
                                 "Error", MessageIcon::Exclamation);
            return;
        }
    }
    if (program_.database().CreateTheme(themeName_, splash, addRemove)) {
        dialogs().messageBox("Created Theme " + themeName_, "Created Theme", MessageIcon::Information);
        if (frmThemeManage* manager = program_.loadedThemeManageWindow()) manager->LoadThemes();
        close();
    } else {
        dialogs().messageBox("Couldn't Create Theme " + themeName_, "Error", MessageIcon::Exclamation);
    }
}

}  // namespace portico::admin
