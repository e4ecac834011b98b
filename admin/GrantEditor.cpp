#include "admin/GrantEditor.h"

#include "gui/DialogService.h"
#include "settings/TextUtil.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace portico::admin {
namespace {

constexpr std::int16_t kUser = 1;
constexpr std::int16_t kGroup = 2;

QString itemText(std::int16_t type, const std::string& name) {
    return QString(type == kUser ? "User: " : "Group: ") + QString::fromStdString(name);
}

}  // namespace

GrantEditor::GrantEditor(clsDBRoutines& database, QWidget* parent)
    : QGroupBox("Who may see this program", parent), database_(database) {
    setObjectName("grantEditor");
    optEveryone = new QRadioButton("Everyone", this);
    optEveryone->setObjectName("optEveryone");
    optOnlyThese = new QRadioButton("Only these users and groups", this);
    optOnlyThese->setObjectName("optOnlyThese");
    cboKind = new QComboBox(this);
    cboKind->setObjectName("cboKind");
    cboKind->addItems({"User", "Group"});
    txtName = new QLineEdit(this);
    txtName->setObjectName("txtName");
    txtName->setPlaceholderText("Name");
    cmdAddName = new QPushButton("Add", this);
    cmdAddName->setObjectName("cmdAddName");
    cmdAddName->setAutoDefault(false);
    lstGrants = new QListWidget(this);
    lstGrants->setObjectName("lstGrants");
    lstGrants->setMaximumHeight(72);
    cmdRemoveName = new QPushButton("Remove", this);
    cmdRemoveName->setObjectName("cmdRemoveName");
    cmdRemoveName->setAutoDefault(false);

    auto* choice = new QHBoxLayout;
    choice->addWidget(optEveryone);
    choice->addWidget(optOnlyThese);
    choice->addStretch(1);
    auto* layout = new QGridLayout(this);
    layout->addLayout(choice, 0, 0, 1, 3);
    layout->addWidget(cboKind, 1, 0);
    layout->addWidget(txtName, 1, 1);
    layout->addWidget(cmdAddName, 1, 2);
    layout->addWidget(lstGrants, 2, 0, 1, 2);
    layout->addWidget(cmdRemoveName, 2, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);

    connect(optEveryone, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(cmdAddName, &QPushButton::clicked, this, [this] { addTypedName(); });
    // Return in the name field adds the name; it never saves the program.
    connect(txtName, &QLineEdit::returnPressed, this, [this] { addTypedName(); });
    connect(cmdRemoveName, &QPushButton::clicked, this, [this] { delete lstGrants->currentItem(); });
    setGrants({});
}

void GrantEditor::setGrants(const clsDBRoutines::Grants& grants) {
    lstGrants->clear();
    for (const auto& [type, name] : grants) {
        auto* item = new QListWidgetItem(itemText(type, name), lstGrants);
        item->setData(Qt::UserRole, type);
        item->setData(Qt::UserRole + 1, QString::fromStdString(name));
    }
    (grants.empty() ? optEveryone : optOnlyThese)->setChecked(true);
    txtName->clear();
    shown_ = grants;
    updateEnabled();
}

clsDBRoutines::Grants GrantEditor::grants() const {
    clsDBRoutines::Grants result;
    if (optEveryone->isChecked()) return result;
    for (int i = 0; i < lstGrants->count(); ++i) {
        const QListWidgetItem* item = lstGrants->item(i);
        result.emplace_back(static_cast<std::int16_t>(item->data(Qt::UserRole).toInt()),
                            item->data(Qt::UserRole + 1).toString().toStdString());
    }
    return result;
}

bool GrantEditor::hasChanges() const { return grants() != shown_; }

bool GrantEditor::validate() const {
    if (optOnlyThese->isChecked() && lstGrants->count() == 0) {
        dialogs().messageBox("Name at least one user or group who may see this program, or choose Everyone.",
                             "Who may see this program", MessageIcon::Exclamation);
        return false;
    }
    return true;
}

bool GrantEditor::addTypedName() {
    const std::string name = trimBlanks(txtName->text().toStdString());
    if (name.empty()) return false;
    const std::int16_t type = cboKind->currentIndex() == 0 ? kUser : kGroup;
    if (!database_.isKnownName(name, type)) {
        dialogs().messageBox(std::string("There is no ") + (type == kUser ? "user" : "group") + " named '" + name +
                                 "'. Only known users and groups may be named.",
                             "Who may see this program", MessageIcon::Exclamation);
        return false;
    }
    const auto present = grants();
    if (std::none_of(present.begin(), present.end(), [&](const auto& grant) {
            return grant.first == type && QString::fromStdString(grant.second).compare(QString::fromStdString(name),
                                                                                       Qt::CaseInsensitive) == 0;
        })) {
        auto* item = new QListWidgetItem(itemText(type, name), lstGrants);
        item->setData(Qt::UserRole, type);
        item->setData(Qt::UserRole + 1, QString::fromStdString(name));
    }
    optOnlyThese->setChecked(true);
    txtName->clear();
    return true;
}

void GrantEditor::updateEnabled() {
    const bool listed = optOnlyThese->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{cboKind, txtName, cmdAddName, lstGrants, cmdRemoveName})
        widget->setEnabled(listed);
}

}  // namespace portico::admin
