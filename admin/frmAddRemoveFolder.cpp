#include "admin/frmAddRemoveFolder.h"

#include "admin/frmFolderDialog.h"
#include "admin/modMain.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "views/RecordText.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace portico::admin {

frmAddRemoveFolder::frmAddRemoveFolder(modMain& program, QWidget* owner) : QDialog(owner), program_(program) {
    setObjectName("frmAddRemoveFolder");
    setWindowTitle("Add/Remove Folder(Menu)");
    setAttribute(Qt::WA_DeleteOnClose);

    ListView1 = new QListWidget(this);
    ListView1->setObjectName("ListView1");
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setGridSize(QSize(96, 72));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setWordWrap(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    folderIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);

    cmdAdd = new QPushButton("&Add", this);
    cmdAdd->setObjectName("cmdAdd");
    cmdDelete = new QPushButton("&Delete", this);
    cmdDelete->setObjectName("cmdDelete");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdDelete);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    resize(440, 320);

    connect(cmdAdd, &QPushButton::clicked, this, [this] { guarded([&] { addFolder(); }); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { guarded([&] { deleteFolder(); }); });

    LoadFolderView();
}

void frmAddRemoveFolder::LoadFolderView() {
    ListView1->clear();
    auto records = program_.database().GetFolders();
    Recordset& folders = requireRecords(records);
    if (folders.RecordCount() > 0) folders.MoveFirst();
    for (long i = 0, count = folders.RecordCount(); i < count; ++i) {
        auto* item = new QListWidgetItem(folderIcon, QString::fromStdString(fieldText(folders, "Folder_Name")), ListView1);
        item->setToolTip(QString::fromStdString(fieldText(folders, "Folder_Path")));
        folders.MoveNext();
    }
    folders.Close();
}

void frmAddRemoveFolder::addFolder() { program_.showModal(program_.folderDialogWindow(), this); }

void frmAddRemoveFolder::deleteFolder() {
    const auto selected = ListView1->selectedItems();
    if (selected.isEmpty()) return;
    const std::string name = selected.front()->text().toStdString();
    if (program_.database().DeleteFolder(name)) {
        dialogs().messageBox("Folder : " + name + ". Has been removed", "Deleted Folder", MessageIcon::Information);
        LoadFolderView();
    } else {
        dialogs().messageBox("Cannot Delete Folder : " + name + ".", "Error", MessageIcon::Exclamation);
    }
}

}  // namespace portico::admin
