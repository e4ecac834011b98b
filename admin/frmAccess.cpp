#include "admin/frmAccess.h"

#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "settings/TextUtil.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace portico::admin {

frmAccess::frmAccess(clsDBRoutines& database, QWidget* parent) : QDialog(parent), database_(database) {
    setObjectName("frmAccess");
    setWindowTitle("Access");
    auto* prompt = new QLabel("What can this user see?", this);
    txtUser = new QLineEdit(this);
    txtUser->setObjectName("txtUser");
    txtUser->setPlaceholderText("User name");
    cmdShow = new QPushButton("Show", this);
    cmdShow->setObjectName("cmdShow");
    cmdShow->setDefault(true);
    lblResult = new QLabel(this);
    lblResult->setObjectName("lblResult");
    lstPrograms = new QListWidget(this);
    lstPrograms->setObjectName("lstPrograms");
    auto* row = new QHBoxLayout;
    row->addWidget(txtUser, 1);
    row->addWidget(cmdShow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(row);
    layout->addWidget(lblResult);
    layout->addWidget(lstPrograms, 1);
    resize(360, 420);
    connect(cmdShow, &QPushButton::clicked, this, [this] { showVisiblePrograms(); });
}

bool frmAccess::showVisiblePrograms() {
    const std::string user = trimBlanks(txtUser->text().toStdString());
    lstPrograms->clear();
    lblResult->clear();
    if (user.empty()) return false;
    if (!database_.isKnownName(user, 1)) {
        dialogs().messageBox("There is no user named '" + user + "'.", "Access", MessageIcon::Exclamation);
        return false;
    }
    auto programs = database_.loadProgramsVisibleTo(user);
    if (!programs) return false;
    for (; !programs->IsEOF(); programs->MoveNext()) {
        const Variant& name = programs->Fields("Program_Name").Value();
        lstPrograms->addItem(QString::fromStdString(name.isNull() ? std::string() : name.toText()));
    }
    lblResult->setText(QString("%1 may see %2 program(s):")
                           .arg(QString::fromStdString(user))
                           .arg(lstPrograms->count()));
    return true;
}

}  // namespace portico::admin
