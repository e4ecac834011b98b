#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QGroupBox;
class QListWidget;

namespace portico {

// Shows what one folder holds, read from the disk: subfolders first (bold),
// then files. A double click opens a subfolder in a further browser window and
// a file with the application the desktop associates with it.
class frmFolderMenu final : public QDialog {
    Q_OBJECT
public:
    // Opens a file; `name` is for messages only. Reports its own failures.
    using OpenRoutine = std::function<bool(const std::string& name, const std::string& file)>;

    explicit frmFolderMenu(OpenRoutine openFile, QWidget* parent = nullptr);

    // Shows the folder at `path` (taken as given), named `name` in the caption.
    void LoadFolder(const std::string& name, const std::string& path);

    // The window a subfolder was last opened in (it closes and deletes itself).
    frmFolderMenu* lastSubfolderWindow() const { return lastSubfolderWindow_; }

    QGroupBox* Frame1;
    QListWidget* ListView1;

private:
    void onDoubleClick();

    OpenRoutine openFile_;
    frmFolderMenu* lastSubfolderWindow_ = nullptr;
};

}  // namespace portico
