#pragma once

#include <QDialog>
#include <QIcon>

#include <string>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace portico::admin {

class modMain;

// Picks a folder from the drives' folder tree, or takes one typed as a path,
// and adds it to the catalogue. Drives are the mounted file systems; a node's
// path always ends with "/". Subfolders are listed in natural order, so typing
// a name's first letters finds it.
class frmFolderDialog final : public QDialog {
    Q_OBJECT
public:
    frmFolderDialog(modMain& program, QWidget* owner);

    const std::string& SelectedPath() const { return selectedPath_; }
    const std::string& SelectedFolder() const { return selectedFolder_; }
    bool Cancelled() const { return cancelled_; }

    // The full path of a node: its parent's path, its text and "/"; a drive's
    // is its mount point with a "/" at the end.
    static std::string nodePath(const QTreeWidgetItem* node);
    // Adds the node's subfolders below it, in natural order ("Disc 2" before "Disc 10").
    void loadSubfolders(QTreeWidgetItem* node);

    QTreeWidget* ctlFolderList;
    QLineEdit* txtPath;  // the selected folder's path, or one typed; Add adds it
    QIcon driveIcon;
    QIcon folderCloseIcon;
    QIcon folderOpenIcon;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* selectedNode() const;
    // Return on a node: its subfolders are read when it has none yet and it
    // opens; an open node closes.
    void toggleNode(QTreeWidgetItem* node);
    void loadDrives();
    void nodeDoubleClicked();
    void addFolder();
    void cancel();

    modMain& program_;
    std::string selectedPath_;
    std::string selectedFolder_;
    bool cancelled_ = false;
};

}  // namespace portico::admin
