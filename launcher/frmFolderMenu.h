#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QGroupBox;
class QListWidget;

namespace portico {

class FileTypeIcons;

// Shows what one folder holds, read from the disk: subfolders first (bold),
// then files, each in the user's natural order. A double click (or Return)
// opens a subfolder in a further browser window and a file with the
// application the desktop associates with it (an executable file: after asking
// whether to run it instead); Backspace or Alt+Up shows the
// parent folder in the same window, up to the folder the window was given.
class frmFolderMenu final : public QDialog {
    Q_OBJECT
public:
    // Opens a file; `name` is for messages only. Reports its own failures.
    using OpenRoutine = std::function<bool(const std::string& name, const std::string& file)>;

    // `runFile` runs an executable file the user chose to run; without it such
    // a file is only ever opened.
    explicit frmFolderMenu(OpenRoutine openFile, QWidget* parent = nullptr, OpenRoutine runFile = {});
    ~frmFolderMenu() override;

    // Shows the folder at `path` (taken as given), named `name` in the caption.
    void LoadFolder(const std::string& name, const std::string& path);
    // Shows the folder above the one shown, unless that is the folder given to
    // LoadFolder (users browse what was catalogued, not the whole disk).
    void goUp();

    // The window a subfolder was last opened in (it closes and deletes itself).
    frmFolderMenu* lastSubfolderWindow() const { return lastSubfolderWindow_; }

    QGroupBox* Frame1;
    QListWidget* ListView1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onDoubleClick();
    void showFolder(const std::string& name, const std::string& path);

    OpenRoutine openFile_;
    OpenRoutine runFile_;
    std::unique_ptr<FileTypeIcons> fileIcons_;
    std::string topName_;
    std::string topPath_;
    std::string shownPath_;
    frmFolderMenu* lastSubfolderWindow_ = nullptr;
};

}  // namespace portico
