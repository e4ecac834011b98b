#pragma once

#include "admin/CommonDialog.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

namespace portico::admin {

class modMain;

// Makes a new theme from a main-screen picture and an add/remove picture.
class frmCreateTheme final : public QDialog {
    Q_OBJECT
public:
    frmCreateTheme(modMain& program, QWidget* owner);

    const std::string& ThemeName() const { return themeName_; }
    // Trimmed; a blank name becomes "Theme 1". The caption shows it.
    void setThemeName(const std::string& name);

    QLineEdit* txtSplashScreen;
    QPushButton* cmdButtonSplash;
    QLineEdit* txtAddRemove;
    QPushButton* cmdAddRemove;
    QPushButton* cmdSave;
    CommonDialog CommonDialog1;

private:
    void choosePicture(QLineEdit& field);
    void save();

    modMain& program_;
    std::string themeName_;
};

}  // namespace portico::admin
