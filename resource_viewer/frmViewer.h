#pragma once

#include <QByteArray>
#include <QDialog>
#include <QIcon>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace portico {

class PictureBox;
class QtResourceTree;

// The icon picker: lists the icon images of an executable file, previews the
// clicked one and, on Select, saves it as a Windows bitmap in the picture file.
// A native program's icons live elsewhere: the icon of its desktop entry, any
// icon of the user's icon theme, or a picture file. Those are previewed the
// same way and Select keeps them as a stored program picture (an ICO file).
// At most one exists at a time (see current()); clsResourceViewer creates it for
// each opening and destroys it after.
class frmViewer final : public QDialog {
    Q_OBJECT
public:
    explicit frmViewer(QWidget* parent = nullptr);
    ~frmViewer() override;

    // The live viewer window, or null.
    static frmViewer* current();

    // The folder where Select saves the chosen icon as temp.bmp, created when
    // missing; empty means the per-user picture folder.
    void setPictureFolder(const std::filesystem::path& folder) { pictureFolder_ = folder; }

    // Lists the file's icons and shows the window modally; returns when it has closed.
    void CreateMe(const std::string& programPath);

    const std::string& SelectedType() const { return selectedType_; }
    const std::string& SelectedName() const { return selectedName_; }
    // The bytes of the picture file Select saved; nothing until then.
    const std::optional<std::string>& SelectedPicture() const { return selectedPicture_; }

    // Every way of closing the window comes through here: the file is released.
    void done(int result) override;

    QTreeWidget* TreeView1;
    std::vector<QIcon> ImageList1;
    QGroupBox* Frame1;
    QWidget* Picture1;
    PictureBox* Picture2;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    // The icon of the desktop entry that runs the program; disabled when none.
    QPushButton* cmdDesktopIcon;
    QPushButton* cmdThemeIcon;
    QPushButton* cmdPictureFile;

    // The picture Select would keep from a desktop entry, the theme or a file;
    // empty while an executable's icon (or nothing) is selected.
    const QByteArray& NativePicture() const { return nativePicture_; }

public slots:
    void NodeClick(QTreeWidgetItem* node);

private slots:
    void NodeExpand(QTreeWidgetItem* node);
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdDesktopIcon_Click();
    void cmdThemeIcon_Click();
    void cmdPictureFile_Click();

private:
    // Saves the selected icon to the picture file; false when that fails.
    bool saveSelection(const std::string& picture);
    // The one place the picture file is written.
    static bool writePictureFile(const std::filesystem::path& file, const std::string& bytes);
    void Unload();
    // Finds the desktop entry running `programPath` and draws its icon.
    void findDesktopIcon(const std::string& programPath);
    // Previews a stored picture and makes it what Select keeps; false when it holds no picture.
    bool showNativePicture(const QByteArray& picture);
    bool hasExecutableIcons() const;
    // Adds a node per icon group of the executable, its members shown as thumbnails.
    void listIconGroups();

    std::unique_ptr<QtResourceTree> tree_;
    std::filesystem::path pictureFolder_;
    std::string selectedType_;
    std::string selectedName_;
    bool fileLoaded_ = false;
    std::optional<std::string> selectedPicture_;
    // The node the selection was last taken from.
    QTreeWidgetItem* lastNode_ = nullptr;
    QByteArray desktopPicture_;
    QByteArray nativePicture_;
    std::string lastPictureFile_;
};

}  // namespace portico
