#pragma once

#include "admin/CommonDialog.h"

#include <QWidget>

#include <string>

class QGroupBox;
class QImage;
class QLineEdit;
class QPushButton;

namespace portico {
class ucProgramView;
}

namespace portico::admin {

class modMain;
class ucLeftFrame;

// The administrator's main window: the database location and the program list
// with its actions. Closing it ends the program.
class frmSetup final : public QWidget {
    Q_OBJECT
public:
    explicit frmSetup(modMain& program);

    void SetPicture(const QImage& picture);
    void changeDatabaseLocation();
    void deleteSelectedProgram();

    ucLeftFrame* ucLeftFrame1;
    QGroupBox* frEnviro;
    QLineEdit* txtDatabaseLocation;
    QPushButton* cmdBrowse;
    CommonDialog cdOpen;
    QGroupBox* frPrograms;
    ucProgramView* ucProgramView1;
    QPushButton* cmdAdd;
    QPushButton* cmdModify;
    QPushButton* cmdDelete;
    QPushButton* cmdProp;
    QPushButton* cmdImportPrograms;
    QPushButton* cmdAccess;
    // A session whose role may only read the catalogue: every changing action is off.
    bool readOnly() const { return readOnly_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void load();
    bool saveDatabaseLocation(const std::string& path);
    void showAddProgram();
    void showModifyProgram();
    void showProperties();
    void showThemes();
    void showFolders();

    modMain& program_;
    // The catalogue the settings file names: the one in use until a change.
    std::string settingsLocation_;
    bool readOnly_ = false;
    void showAccess();
    void offerReadingOnly();
};

}  // namespace portico::admin
