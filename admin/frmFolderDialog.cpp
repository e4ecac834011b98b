#include "admin/frmFolderDialog.h"

#include "admin/frmAddRemoveFolder.h"
#include "admin/modMain.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/UserCollator.h"
#include "settings/ExistenceTests.h"
#include "settings/FileSystem.h"
#include "settings/PorticoError.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace portico::admin {
namespace {

// A folder that cannot be read is left out of the tree, never reported.
template <typename Step>
void ignoringErrors(Step&& step) {
    try {
        step();
    } catch (const PorticoError&) {
    } catch (const std::exception&) {
    }
}

}  // namespace

frmFolderDialog::frmFolderDialog(modMain& program, QWidget* owner) : QDialog(owner), program_(program) {
    setObjectName("frmFolderDialog");
    setWindowTitle("Select A Folder");
    setAttribute(Qt::WA_DeleteOnClose);

    QStyle* style = QApplication::style();
    driveIcon = style->standardIcon(QStyle::SP_DriveHDIcon);
    folderCloseIcon = style->standardIcon(QStyle::SP_DirClosedIcon);
    folderOpenIcon = style->standardIcon(QStyle::SP_DirOpenIcon);

    ctlFolderList = new QTreeWidget(this);
    ctlFolderList->setObjectName("ctlFolderList");
    ctlFolderList->setColumnCount(1);
    ctlFolderList->header()->hide();
    ctlFolderList->setSelectionMode(QAbstractItemView::SingleSelection);
    ctlFolderList->setExpandsOnDoubleClick(false);
    ctlFolderList->installEventFilter(this);

    txtPath = new QLineEdit(this);
    txtPath->setObjectName("txtPath");
    txtPath->setPlaceholderText("Select a folder above, or type its path");
    connect(ctlFolderList, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (QTreeWidgetItem* node = selectedNode()) txtPath->setText(QString::fromStdString(nodePath(node)));
    });

    cmdOk = new QPushButton("&Add", this);
    cmdOk->setObjectName("cmdOk");
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ctlFolderList, 1);
    auto* pathRow = new QHBoxLayout;
    auto* pathLabel = new QLabel("&Folder:", this);
    pathLabel->setBuddy(txtPath);
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(txtPath, 1);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    resize(360, 420);

    connect(ctlFolderList, &QTreeWidget::itemDoubleClicked, this, [this] { guarded([&] { nodeDoubleClicked(); }); });
    connect(ctlFolderList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                if (previous && previous->parent()) previous->setIcon(0, folderCloseIcon);
                if (current && current->parent()) current->setIcon(0, folderOpenIcon);
            });
    connect(cmdOk, &QPushButton::clicked, this, [this] { guarded([&] { addFolder(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { guarded([&] { cancel(); }); });

    loadDrives();
}

void frmFolderDialog::loadDrives() {
    std::vector<FileSystemDrive> drives;
    ignoringErrors([&] { drives = FileSystem::Drives(); });
    for (const FileSystemDrive& drive : drives) {
        ignoringErrors([&] {
            if (!drive.IsReady()) return;
            auto* node = new QTreeWidgetItem(ctlFolderList, {QString::fromStdString(drive.DriveLetter())});
            node->setIcon(0, driveIcon);
        });
    }
}

std::string frmFolderDialog::nodePath(const QTreeWidgetItem* node) {
    if (!node) return {};
    const std::string text = node->text(0).toStdString();
    if (!node->parent()) return text.ends_with('/') ? text : text + "/";
    return nodePath(node->parent()) + text + "/";
}

void frmFolderDialog::loadSubfolders(QTreeWidgetItem* node) {
    if (!node) return;
    const std::string path = nodePath(node);
    ignoringErrors([&] {
        const FileSystemFolder folder =
            node->parent() ? FileSystem::GetFolder(path) : FileSystem::GetDrive(path).RootFolder();
        QStringList names;
        for (const FileSystemFolder& subfolder : folder.SubFolders()) names << QString::fromStdString(subfolder.Name());
        const QCollator collator = userCollator();
        std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        for (const QString& name : names) {
            auto* child = new QTreeWidgetItem(node, {name});
            child->setIcon(0, folderCloseIcon);
        }
    });
    node->setExpanded(true);
}

QTreeWidgetItem* frmFolderDialog::selectedNode() const {
    const auto selected = ctlFolderList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

bool frmFolderDialog::eventFilter(QObject* watched, QEvent* event) {
    // The tree leaves Return to the dialog, whose default button is Add:
    // here it opens and closes folders, and only the Add button adds.
    if (watched == ctlFolderList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([&] { toggleNode(ctlFolderList->currentItem()); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFolderDialog::toggleNode(QTreeWidgetItem* node) {
    if (!node) return;
    if (node->childCount() == 0)
        loadSubfolders(node);
    else
        node->setExpanded(!node->isExpanded());
}

void frmFolderDialog::nodeDoubleClicked() {
    QTreeWidgetItem* node = selectedNode();
    if (!node) return;
    if (node->childCount() == 0) loadSubfolders(node);
    selectedFolder_ = node->text(0).toStdString();
    selectedPath_ = nodePath(node);
}

void frmFolderDialog::addFolder() {
    std::string path = txtPath->text().trimmed().toStdString();
    // Nothing selected or typed: there is no folder to add.
    if (path.empty()) return;
    if (!path.ends_with('/')) path += '/';
    QTreeWidgetItem* node = selectedNode();
    std::string name;
    if (node && nodePath(node) == path) {
        name = node->text(0).toStdString();
    } else {
        if (!path.starts_with('/') || !folderExists(path)) {
            dialogs().messageBox("The folder " + txtPath->text().trimmed().toStdString() + " does not exist.",
                                 "Error", MessageIcon::Exclamation);
            txtPath->setFocus();
            return;
        }
        const std::string trimmed = path.size() > 1 ? path.substr(0, path.size() - 1) : path;
        name = trimmed.substr(trimmed.rfind('/') + 1);
        if (name.empty()) name = "/";
    }
    if (program_.database().AddFolder(name, path)) {
        dialogs().messageBox("Added Folder : " + name, "Add Folder", MessageIcon::Information);
        if (frmAddRemoveFolder* list = program_.loadedAddRemoveFolderWindow()) list->LoadFolderView();
    } else {
        dialogs().messageBox("Couldn't Add Folder : " + name, "Error", MessageIcon::Exclamation);
    }
    close();
}

void frmFolderDialog::cancel() {
    cancelled_ = true;
    selectedFolder_.clear();
    selectedPath_.clear();
    close();
}

}  // namespace portico::admin
