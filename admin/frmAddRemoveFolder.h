#pragma once

#include <QDialog>

#include <QIcon>

class QListWidget;
class QPushButton;

namespace portico::admin {

class modMain;

// The catalogued folders that launcher users may browse, with Add and Delete.
class frmAddRemoveFolder final : public QDialog {
    Q_OBJECT
public:
    frmAddRemoveFolder(modMain& program, QWidget* owner);

    // Refills the list from the catalogue.
    void LoadFolderView();

    QListWidget* ListView1;
    QIcon folderIcon;
    QPushButton* cmdAdd;
    QPushButton* cmdDelete;

private:
    void addFolder();
    void deleteFolder();

    modMain& program_;
};

}  // namespace portico::admin
