#include "frmFolderMenu.h"

#include "Artwork.h"
#include "DialogService.h"
#include "FatalError.h"
#include "FileSystem.h"
#include "PorticoError.h"

#include <QGroupBox>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QVBoxLayout>

namespace portico {
namespace {

constexpr int kTagRole = Qt::UserRole;

// ImageList1: 1 = file, 2 = folder.
const QIcon& listImage(int index) {
    static const QIcon file(QPixmap::fromImage(artwork::documentIcon(32)));
    static const QIcon folder(QPixmap::fromImage(artwork::folderIcon(32)));
    return index == 2 ? folder : file;
}

}  // namespace

frmFolderMenu::frmFolderMenu(OpenRoutine openFile, QWidget* parent) : QDialog(parent), openFile_(std::move(openFile)) {
    setObjectName("frmFolderMenu");
    setWindowTitle("Folder Menu..");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);
    Frame1 = new QGroupBox("Menu", this);
    Frame1->setObjectName("Frame1");
    ListView1 = new QListWidget(Frame1);
    ListView1->setObjectName("ListView1");
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setGridSize(QSize(110, 72));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setWordWrap(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ListView1, &QListWidget::itemDoubleClicked, this, [this] { guarded([&] { onDoubleClick(); }); });
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(ListView1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    resize(560, 380);
}

void frmFolderMenu::LoadFolder(const std::string& name, const std::string& path) {
    try {
        setWindowTitle(QString::fromStdString("Viewing Folder : " + name + " (" + path + ")"));
        ListView1->clear();
        if (!FileSystem::FolderExists(path)) {
            dialogs().messageBox("Invalid Folder!!!", "Error", MessageIcon::Critical);
            return;
        }
        const FileSystemFolder folder = FileSystem::GetFolder(path);
        for (const auto& subfolder : folder.SubFolders()) {
            auto* item = new QListWidgetItem(listImage(2), QString::fromStdString(subfolder.Name()), ListView1);
            item->setData(kTagRole, QString::fromStdString(subfolder.ParentFolder()));
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            item->setToolTip(QString::fromStdString(subfolder.ShortName()));
        }
        for (const auto& file : folder.Files()) {
            auto* item = new QListWidgetItem(listImage(1), QString::fromStdString(file.Name()), ListView1);
            item->setData(kTagRole, QString::fromStdString(file.Path()));
        }
    } catch (const PorticoError& error) {
        dialogs().messageBox(error.description(), error.source(), MessageIcon::Critical);
    }
}

void frmFolderMenu::onDoubleClick() {
    const auto selected = ListView1->selectedItems();
    if (selected.isEmpty()) return;
    const QListWidgetItem* item = selected.front();
    const std::string text = item->text().toStdString();
    const std::string tag = item->data(kTagRole).toString().toStdString();
    if (item->font().bold()) {
        auto* window = new frmFolderMenu(openFile_);
        window->setAttribute(Qt::WA_DeleteOnClose);
        lastSubfolderWindow_ = window;
        connect(window, &QObject::destroyed, this, [this, window] {
            if (lastSubfolderWindow_ == window) lastSubfolderWindow_ = nullptr;
        });
        window->show();
        window->LoadFolder(text, tag + "/" + text);
        return;
    }
    if (openFile_) openFile_(text, tag);
}

}  // namespace portico
