#include "admin/frmThemeManage.h"

#include "admin/frmCreateTheme.h"
#include "admin/modMain.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "settings/TextUtil.h"
#include "views/RecordText.h"

#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace portico::admin {

frmThemeManage::frmThemeManage(modMain& program, QWidget* owner) : QDialog(owner), program_(program) {
    setObjectName("frmThemeManage");
    setWindowTitle("Theme Management...");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* frame = new QGroupBox("Current Themes", this);
    lstTheme = new QTreeWidget(frame);
    lstTheme->setObjectName("lstTheme");
    lstTheme->setColumnCount(2);
    lstTheme->setHeaderLabels({"Theme Name", "In Use"});
    lstTheme->setRootIsDecorated(false);
    lstTheme->header()->setStretchLastSection(false);
    lstTheme->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstTheme->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lstTheme->setSelectionMode(QAbstractItemView::SingleSelection);
    ImageList1.Add({}, QApplication::style()->standardIcon(QStyle::SP_DesktopIcon).pixmap(16, 16));
    lstTheme->installEventFilter(this);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(lstTheme);

    cmdApply = new QPushButton("Apply Theme", this);
    cmdApply->setObjectName("cmdApply");
    cmdDelete = new QPushButton("Delete Theme", this);
    cmdDelete->setObjectName("cmdDelete");
    cmdCreate = new QPushButton("Create Theme", this);
    cmdCreate->setObjectName("cmdCreate");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {cmdApply, cmdDelete, cmdCreate}) buttons->addWidget(button);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    resize(420, 300);

    connect(cmdApply, &QPushButton::clicked, this, [this] { guarded([&] { applyTheme(); }); });
    connect(cmdCreate, &QPushButton::clicked, this, [this] { guarded([&] { createTheme(); }); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { guarded([&] { deleteTheme(); }); });

    program_.applyLowColourAdjustment(*this);
    LoadThemes();
}

void frmThemeManage::LoadThemes() {
    // Each item carries its theme's key: an older catalogue may hold one name twice.
    auto records = program_.database().loadThemeList();
    Recordset& themes = requireRecords(records);
    lstTheme->clear();
    const std::int64_t current = program_.database().defaultThemeKey();
    if (themes.RecordCount() > 0) themes.MoveFirst();
    for (long i = 0, count = themes.RecordCount(); i < count; ++i) {
        const QString name = QString::fromStdString(fieldText(themes, "Theme_Name"));
        auto* item = new QTreeWidgetItem(lstTheme, {name});
        item->setToolTip(0, name);
        item->setIcon(0, ImageList1.Icon(1));
        const std::int64_t key = themes.Fields("Theme_Key").Value().toInt64();
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(key));
        if (key == current) {
            item->setText(1, "Current");
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
            item->setFont(1, bold);
        }
        themes.MoveNext();
    }
    themes.Close();
}

bool frmThemeManage::eventFilter(QObject* watched, QEvent* event) {
    // The list leaves Return to the dialog, whose default button is Apply
    // Theme: a theme is applied only by choosing that button.
    if (watched == lstTheme && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::string frmThemeManage::selectedTheme() const {
    const auto selected = lstTheme->selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->text(0).toStdString();
}

void frmThemeManage::applyTheme() {
    const std::string name = selectedTheme();
    if (name.empty()) return;
    const std::int64_t key = selectedKey();
    if (program_.database().setDefaultTheme(name)) {
        program_.selectTheme(name, true);
        LoadThemes();
        for (int row = 0; row < lstTheme->topLevelItemCount(); ++row)
            if (lstTheme->topLevelItem(row)->data(0, Qt::UserRole).toLongLong() == key)
                lstTheme->setCurrentItem(lstTheme->topLevelItem(row));
        dialogs().messageBox("Theme " + name + " is now the current theme.", "Theme Manager", MessageIcon::Information);
    } else
        dialogs().messageBox("Cannot Set Default Theme To " + name, "Error", MessageIcon::Exclamation);
}

std::int64_t frmThemeManage::selectedKey() const {
    const auto selected = lstTheme->selectedItems();
    return selected.isEmpty() ? 0 : selected.front()->data(0, Qt::UserRole).toLongLong();
}

void frmThemeManage::createTheme() {
    const auto answer = dialogs().inputBox("Enter a theme name", "Theme Manager", "Theme 1");
    std::string name = trimBlanks(answer.value_or(std::string()));
    if (name.empty()) name = "Theme 1";
    // Refused before any picture is chosen for it.
    if (const std::string taken = program_.database().themeNamedLike(name); !taken.empty()) {
        dialogs().messageBox("A theme named '" + taken + "' already exists.", "Error", MessageIcon::Exclamation);
        return;
    }
    frmCreateTheme& window = program_.createThemeWindow();
    window.setThemeName(answer.value_or(std::string()));
    program_.showModal(window, this);
}

void frmThemeManage::deleteTheme() {
    const std::string name = selectedTheme();
    const std::int64_t key = selectedKey();
    if (name.empty() || key == 0) return;
    // Without its default theme a catalogue has no look at the next start.
    if (key == program_.database().defaultThemeKey()) {
        dialogs().messageBox("Theme " + name + " is the default theme and cannot be deleted. Apply another theme first.",
                             "Error", MessageIcon::Exclamation);
        return;
    }
    if (dialogs().messageBox("Are you sure ? ", "Confirmation", MessageIcon::Question, MessageButtons::YesNo,
                             DefaultButton::Second) != MessageAnswer::Yes)
        return;
    if (program_.database().deleteThemeByKey(key)) {
        dialogs().messageBox("Theme " + name + ", Has Been Deleted", "Deleted", MessageIcon::Information);
        LoadThemes();
    } else {
        dialogs().messageBox("Cannot Delete Theme " + name, "Error", MessageIcon::Critical);
    }
}

}  // namespace portico::admin
