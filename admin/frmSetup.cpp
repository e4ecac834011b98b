#include "admin/frmSetup.h"

#include "admin/ThemePicture.h"
#include "admin/frmAccess.h"
#include "admin/frmAddProgram.h"
#include "admin/frmAddRemoveFolder.h"
#include "admin/frmHistory.h"
#include "admin/frmImportPrograms.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmThemeManage.h"
#include "admin/frmUsage.h"
#include "admin/modMain.h"
#include "admin/ucLeftFrame.h"
#include "gui/ActionLabel.h"
#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "settings/SettingsLocation.h"
#include "settings/TextUtil.h"
#include "settings/clsEnvironment.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace portico::admin {
namespace {

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const auto canonicalA = std::filesystem::weakly_canonical(a, ec);
    if (ec) return a == b;
    const auto canonicalB = std::filesystem::weakly_canonical(b, ec);
    if (ec) return a == b;
    return canonicalA == canonicalB;
}

QPushButton* makeButton(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

frmSetup::frmSetup(modMain& program) : program_(program) {
    setObjectName("frmSetup");
    setWindowTitle("Portico Setup....");
    setAttribute(Qt::WA_DeleteOnClose);

    ucLeftFrame1 = new ucLeftFrame(this);

    frEnviro = new QGroupBox("Environment Settings", this);
    frEnviro->setObjectName("frEnviro");
    auto* lblDatabase = new QLabel("Database Location :", frEnviro);
    txtDatabaseLocation = new QLineEdit(frEnviro);
    txtDatabaseLocation->setObjectName("txtDatabaseLocation");
    // Changed only through "...", which checks the file is a catalogue.
    txtDatabaseLocation->setReadOnly(true);
    cmdBrowse = makeButton("cmdBrowse", "...", frEnviro);
    cmdBrowse->setFixedWidth(32);
    cdOpen.DialogTitle = "Select Database...";
    auto* environmentRow = new QHBoxLayout(frEnviro);
    environmentRow->addWidget(lblDatabase);
    environmentRow->addWidget(txtDatabaseLocation, 1);
    environmentRow->addWidget(cmdBrowse);

    frPrograms = new QGroupBox("Program Setup", this);
    frPrograms->setObjectName("frPrograms");
    ucProgramView1 = new ucProgramView(program_.database(), ucProgramView::Variant::Administration, frPrograms);
    ucProgramView1->setObjectName("ucProgramView1");
    ucProgramView1->setMinimumSize(360, 240);
    cmdAdd = makeButton("cmdAdd", "Add", frPrograms);
    cmdModify = makeButton("cmdModify", "Modify", frPrograms);
    cmdDelete = makeButton("cmdDelete", "Delete", frPrograms);
    cmdProp = makeButton("cmdProp", "Properties", frPrograms);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {cmdAdd, cmdModify, cmdDelete, cmdProp}) buttons->addWidget(button);
    auto* programsLayout = new QVBoxLayout(frPrograms);
    programsLayout->addWidget(ucProgramView1, 1);
    programsLayout->addLayout(buttons);

    auto* right = new QVBoxLayout;
    right->addWidget(frEnviro);
    right->addWidget(frPrograms, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(ucLeftFrame1);
    layout->addLayout(right, 1);
    resize(720, 460);

    auto on = [this](auto* sender, auto signal, void (frmSetup::*action)()) {
        connect(sender, signal, this, [this, action] { guarded([&] { (this->*action)(); }); });
    };
    on(cmdBrowse, &QPushButton::clicked, &frmSetup::changeDatabaseLocation);
    on(cmdAdd, &QPushButton::clicked, &frmSetup::showAddProgram);
    on(cmdModify, &QPushButton::clicked, &frmSetup::showModifyProgram);
    on(cmdDelete, &QPushButton::clicked, &frmSetup::deleteSelectedProgram);
    on(cmdProp, &QPushButton::clicked, &frmSetup::showProperties);
    on(ucProgramView1, &ucProgramView::AddMenuClicked, &frmSetup::showAddProgram);
    on(ucProgramView1, &ucProgramView::ModifyMenuClicked, &frmSetup::showModifyProgram);
    on(ucProgramView1, &ucProgramView::DeleteMenuClicked, &frmSetup::deleteSelectedProgram);
    on(ucProgramView1, &ucProgramView::PropertiesClicked, &frmSetup::showProperties);
    on(ucLeftFrame1, &ucLeftFrame::ThemeClicked, &frmSetup::showThemes);
    on(ucLeftFrame1, &ucLeftFrame::AddRemoveFolder, &frmSetup::showFolders);
    connect(ucLeftFrame1, &ucLeftFrame::QuitClicked, this, [this] { close(); });
    cmdImportPrograms = makeButton("cmdImportPrograms", "Import programs…", frPrograms);
    buttons->addWidget(cmdImportPrograms);
    cmdAccess = makeButton("cmdAccess", "Access…", frPrograms);
    buttons->addWidget(cmdAccess);
    on(cmdAccess, &QPushButton::clicked, &frmSetup::showAccess);
    connect(cmdImportPrograms, &QPushButton::clicked, this, [this] {
        auto* window = findChild<frmImportPrograms*>();
        if (!window) {
            window = new frmImportPrograms(program_.database(), this);
            connect(window, &frmImportPrograms::programsImported, ucProgramView1, &ucProgramView::reloadView);
        }
        guarded([&] { program_.showModal(*window, this); });
    });
    auto* cmdHistory = makeButton("cmdHistory", "History…", frPrograms);
    buttons->addWidget(cmdHistory);
    connect(cmdHistory, &QPushButton::clicked, this, [this] {
        auto* window = new frmHistory(program_.environment().DatabasePath(), this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        guarded([&] { program_.showModal(*window, this); });
    });
    auto* cmdUsage = makeButton("cmdUsage", "Usage…", frPrograms);
    buttons->addWidget(cmdUsage);
    connect(cmdUsage, &QPushButton::clicked, this, [this] {
        auto* window = new frmUsage(program_.environment().DatabasePath(), this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        guarded([&] { program_.showModal(*window, this); });
    });

    load();
}

void frmSetup::load() {
    program_.applyLowColourAdjustment(*this);
    txtDatabaseLocation->setText(QString::fromStdString(program_.environment().DatabasePath()));
    settingsLocation_ = program_.environment().DatabasePath();
    ucProgramView1->loadView();
    const QImage picture = loadThemePicture(program_.database(), program_.CurrentTheme(), "Theme_LogoSplash");
    if (!picture.isNull()) ucLeftFrame1->SetImage(picture);
    offerReadingOnly();
}

void frmSetup::offerReadingOnly() {
    // Said once, instead of a refusal from the server at each action.
    readOnly_ = !program_.database().mayChangeCatalogue();
    if (!readOnly_) return;
    for (QWidget* action : std::initializer_list<QWidget*>{cmdAdd, cmdModify, cmdDelete, cmdImportPrograms,
                                                           ucLeftFrame1->lblThemes, ucLeftFrame1->lblFolders})
        action->setEnabled(false);
    dialogs().messageBox("You may read this catalogue but not change it", "Portico Setup", MessageIcon::Information);
}

void frmSetup::showAccess() {
    auto* window = findChild<frmAccess*>();
    if (!window) window = new frmAccess(program_.database(), this);
    program_.showModal(*window, this);
}

void frmSetup::SetPicture(const QImage& picture) { ucLeftFrame1->SetImage(picture); }

bool frmSetup::saveDatabaseLocation(const std::string& path) {
    // A settings file that has gone is a failed save like any other, not the end of the program.
    try {
        return program_.environment().saveSettings(settingsFile(), path, false, false, 2);
    } catch (const PorticoError&) {
        return false;
    }
}

void frmSetup::changeDatabaseLocation() {
    cdOpen.InitDir = program_.environment().DefaultDialogDatabasePath();
    // A cancelled dialog picks nothing, whatever was picked in it before.
    const std::string chosen = trimBlanks(cdOpen.ShowOpen() ? cdOpen.FileName() : std::string());
    // Compared with what the settings name, which after a change is no longer
    // the catalogue in use (shown in the text box).
    if (!chosen.empty() && !sameFile(chosen, settingsLocation_)) {
        // A file that is no catalogue would lock both programs out at their next start.
        if (!CatalogueFile::isCatalogue(chosen)) {
            dialogs().messageBox("The file " + chosen + " is not a Portico catalogue. The database location is unchanged.",
                                 "Error", MessageIcon::Exclamation);
            return;
        }
        if (saveDatabaseLocation(chosen)) {
            settingsLocation_ = chosen;
            dialogs().messageBox("Database Location has been updated", "Information", MessageIcon::Information);
        } else {
            dialogs().messageBox("Unable to save settings", "Error", MessageIcon::Critical);
        }
        return;
    }
    dialogs().messageBox("Database is same as selected file", "Same", MessageIcon::Exclamation);
}

void frmSetup::deleteSelectedProgram() {
    if (readOnly_) return;
    const std::string name = ucProgramView1->selectedItemText();
    // Nothing selected, nothing to delete: never report a deletion that did not happen.
    const std::int64_t key = ucProgramView1->selectedKey();
    if (trimBlanks(name).empty() || key == 0) return;
    // No is the default, so a stray Return deletes nothing.
    if (dialogs().messageBox("Delete " + name + "?", "Question", MessageIcon::Question, MessageButtons::YesNo,
                             DefaultButton::Second) != MessageAnswer::Yes)
        return;
    // The selected row, never every row that carries the name.
    if (program_.database().deleteProgramByKey(key)) {
        dialogs().messageBox("Program has been deleted", "Confirmation", MessageIcon::Information);
        ucProgramView1->reloadView();
    } else {
        dialogs().messageBox("Couldn't Delete Program", "Error", MessageIcon::Critical);
    }
}

void frmSetup::showAddProgram() {
    if (readOnly_) return;
    frmAddProgram& window = program_.addProgramWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void frmSetup::showModifyProgram() {
    if (readOnly_) return;
    frmModifyProgram& window = program_.modifyProgramWindow();
    window.setProgram(ucProgramView1->selectedItemText(), ucProgramView1->selectedKey());
    program_.showModal(window, this);
}

void frmSetup::showProperties() {
    frmProperties& window = program_.propertiesWindow();
    window.setProgram(ucProgramView1->selectedItemText(), ucProgramView1->selectedKey());
    window.showModal();
}

void frmSetup::showThemes() {
    if (!readOnly_) program_.showModal(program_.themeManageWindow(), this);
}

void frmSetup::showFolders() {
    if (!readOnly_) program_.showModal(program_.addRemoveFolderWindow(), this);
}

void frmSetup::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) program_.endProgram();
}

}  // namespace portico::admin
