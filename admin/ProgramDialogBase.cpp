#include "admin/ProgramDialogBase.h"
#include "admin/GrantEditor.h"

#include "admin/ThemePicture.h"
#include "admin/frmExpandTextArea.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "settings/ExistenceTests.h"
#include "settings/TextUtil.h"
#include "settings/clsEnvironment.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cstdlib>
#include <sstream>

namespace portico::admin {
namespace {

QPixmap bannerPicture() {
    return QApplication::style()->standardIcon(QStyle::SP_FileDialogNewFolder).pixmap(32, 32);
}

QPushButton* makeButton(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// As the launcher finds it: a bare name on the search path or in the start-in folder.
bool programFileExists(const std::string& path, const std::string& startIn) {
    if (path.find('/') != std::string::npos) return fileExists(path);
    const char* searchPath = std::getenv("PATH");
    std::stringstream folders(searchPath ? searchPath : "/usr/local/bin:/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (fileExists((folder.empty() ? std::string(".") : folder) + "/" + path)) return true;
    return !startIn.empty() && fileExists(startIn + "/" + path);
}

QLineEdit* makeField(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    return field;
}

}  // namespace

ProgramDialogBase::ProgramDialogBase(modMain& program, QWidget* owner, const char* banner, const char* iconCaption,
                                     const char* saveCaption)
    : QDialog(owner), program_(program) {
    setAttribute(Qt::WA_DeleteOnClose);
    cDialog.DialogTitle = "Select Program's Executable File..";
    cDialog.InitDir = "/usr/bin";

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(200, 42);
    Picture1 = new QLabel(this);
    Picture1->setObjectName("Picture1");
    auto* bannerPictureLabel = new QLabel(this);
    bannerPictureLabel->setPixmap(bannerPicture());
    Picture1->setText(banner);
    QFont bold = Picture1->font();
    bold.setBold(true);
    Picture1->setFont(bold);
    auto* bannerRow = new QHBoxLayout;
    bannerRow->addWidget(Image1);
    bannerRow->addStretch(1);
    bannerRow->addWidget(Picture1);
    bannerRow->addWidget(bannerPictureLabel);

    txtProgramName = makeField("txtProgramName", this);
    txtProgramPath = makeField("txtProgramPath", this);
    cmdExePath = makeButton("cmdExePath", "...", this);
    txtProgramDescription = new QPlainTextEdit(this);
    txtProgramDescription->setObjectName("txtProgramDescription");
    txtProgramDescription->setFixedHeight(70);
    txtStartInPath = makeField("txtStartInPath", this);
    cmdStartInFolderButton = makeButton("cmdStartInFolderButton", "...", this);
    txtStartInParams = makeField("txtStartInParams", this);
    cmbProgramParmsButton = makeButton("cmbProgramParmsButton", "...", this);
    chkTerminal = new QCheckBox("Run in a terminal", this);
    chkTerminal->setObjectName("chkTerminal");
    cmdIcon = makeButton("cmdIcon", iconCaption, this);
    cmdAdd = makeButton("cmdAdd", saveCaption, this);
    for (QPushButton* button : {cmdExePath, cmdStartInFolderButton, cmbProgramParmsButton}) button->setFixedWidth(32);
    // Return in a field adds or saves; only a click or Space opens a helper window.
    for (QPushButton* button : {cmdExePath, cmdStartInFolderButton, cmbProgramParmsButton, cmdIcon})
        button->setAutoDefault(false);
    cmdAdd->setDefault(true);
    // Tab moves on to the next field; a description holds no tab characters.
    txtProgramDescription->setTabChangesFocus(true);

    fieldsGrid = new QGridLayout;
    fieldsGrid->addWidget(new QLabel("Program Name :", this), 0, 0);
    fieldsGrid->addWidget(txtProgramName, 0, 1);
    fieldsGrid->addWidget(new QLabel("Program's Exe Path :", this), 1, 0);
    fieldsGrid->addWidget(txtProgramPath, 1, 1);
    fieldsGrid->addWidget(cmdExePath, 1, 2);
    fieldsGrid->addWidget(new QLabel("Description of Program", this), 2, 0, Qt::AlignTop);
    fieldsGrid->addWidget(txtProgramDescription, 2, 1);
    fieldsGrid->addWidget(new QLabel("Start In Folder :", this), 3, 0);
    fieldsGrid->addWidget(txtStartInPath, 3, 1);
    fieldsGrid->addWidget(cmdStartInFolderButton, 3, 2);
    fieldsGrid->addWidget(new QLabel("Program Parameters :", this), 4, 0);
    fieldsGrid->addWidget(txtStartInParams, 4, 1);
    fieldsGrid->addWidget(cmbProgramParmsButton, 4, 2);
    fieldsGrid->addWidget(chkTerminal, 5, 1);
    Picture2 = new QLabel(this);
    Picture2->setObjectName("Picture2");
    Picture2->setFixedSize(48, 48);
    Picture2->setAlignment(Qt::AlignCenter);
    Picture2->setFrameShape(QFrame::StyledPanel);
    fieldsGrid->addWidget(new QLabel("Icon :", this), 6, 0);
    fieldsGrid->addWidget(Picture2, 6, 1, Qt::AlignLeft);
    fieldsGrid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdIcon);
    buttons->addWidget(cmdAdd);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bannerRow);
    layout->addLayout(fieldsGrid);
    grantEditor = new GrantEditor(program_.database(), this);
    layout->addWidget(grantEditor);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(520, 360);

    connect(cmdExePath, &QPushButton::clicked, this, [this] { guarded([&] { chooseExecutable(); }); });
    connect(cmdStartInFolderButton, &QPushButton::clicked, this,
            [this] { guarded([&] { openTypingArea(*txtStartInPath, "Start In Folder"); }); });
    connect(cmbProgramParmsButton, &QPushButton::clicked, this,
            [this] { guarded([&] { openTypingArea(*txtStartInParams, "Program Parameters"); }); });

    program_.applyLowColourAdjustment(*this);
    const QImage picture = loadThemePicture(program_.database(), program_.CurrentTheme(), "Theme_LogoAddRemove");
    if (!picture.isNull()) {
        Image1->setPixmap(fittedPicture(picture, Image1->size()));
        update();
    }
}

void ProgramDialogBase::showPicture(const std::string& bytes) {
    QImage picture = tryLoadPictureData(bytes);
    // No picture of its own (or none readable): the default icon, never a neighbour's.
    if (picture.isNull()) picture = tryLoadPicture(program_.environment().DefaultIcon());
    if (picture.isNull())
        Picture2->clear();
    else
        Picture2->setPixmap(QPixmap::fromImage(picture).scaled(Picture2->size(), Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
}

bool ProgramDialogBase::validate() const {
    if (trimBlanks(txtProgramName->text().toStdString()).empty() ||
        trimBlanks(txtProgramPath->text().toStdString()).empty()) {
        dialogs().messageBox("Please fill all fields in.", "Error", MessageIcon::Exclamation);
        return false;
    }
    return true;
}

ProgramDialogBase::Values ProgramDialogBase::trimmedValues() const {
    auto text = [](const QString& value) { return trimBlanks(value.toStdString()); };
    return {text(txtProgramName->text()), text(txtProgramDescription->toPlainText()), text(txtProgramPath->text()),
            text(txtStartInPath->text()), text(txtStartInParams->text()), chkTerminal->isChecked()};
}

void ProgramDialogBase::chooseExecutable() {
    cDialog.InitDir = "/usr/bin";
    if (cDialog.ShowOpen()) txtProgramPath->setText(QString::fromStdString(cDialog.FileName()));
}

bool ProgramDialogBase::confirmMissingPaths() const {
    const Values values = trimmedValues();
    std::string missing;
    if (!programFileExists(values.path, values.startIn))
        missing += "The program file " + values.path + " does not exist.\n";
    if (!values.startIn.empty() && !folderExists(values.startIn))
        missing += "The start-in folder " + values.startIn + " does not exist.\n";
    if (missing.empty()) return true;
    // Cancel is the default: a stray Return goes back to the fields.
    return dialogs().messageBox(missing + "\nThe program cannot start until this is put right. Save anyway?", "Warning",
                                MessageIcon::Exclamation, MessageButtons::SaveAnywayCancel,
                                DefaultButton::Second) == MessageAnswer::SaveAnyway;
}

bool ProgramDialogBase::refuseTakenName(const std::string& name, std::int64_t ownKey) const {
    const std::string taken = program_.database().programNamedLike(name, ownKey);
    if (taken.empty()) return false;
    dialogs().messageBox("A program named '" + taken + "' already exists.", "Error", MessageIcon::Exclamation);
    return true;
}

void ProgramDialogBase::openTypingArea(QLineEdit& field, const char* caption) {
    frmExpandTextArea& typingArea = program_.expandTextAreaWindow();
    typingArea.setWindowTitle(caption);
    typingArea.setTextBox(&field);
    program_.showModal(typingArea, this);
}

ProgramDialogBase::Values ProgramDialogBase::fieldTexts() const {
    return {txtProgramName->text().toStdString(), txtProgramDescription->toPlainText().toStdString(),
            txtProgramPath->text().toStdString(), txtStartInPath->text().toStdString(),
            txtStartInParams->text().toStdString(), chkTerminal->isChecked()};
}

void ProgramDialogBase::rememberFields() {
    remembered_ = fieldTexts();
    grantEditor->setGrants(grantEditor->grants());
}

bool ProgramDialogBase::hasUnsavedChanges() const {
    const Values now = fieldTexts();
    return now.name != remembered_.name || now.description != remembered_.description ||
           now.path != remembered_.path || now.startIn != remembered_.startIn ||
           now.parameters != remembered_.parameters || now.terminal != remembered_.terminal ||
           grantEditor->hasChanges();
}

void ProgramDialogBase::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            // No is the default: a second stray Escape or Return keeps the typing.
            if (!hasUnsavedChanges() ||
                dialogs().messageBox("Close this window and lose the changes you made?", "Confirmation",
                                     MessageIcon::Question, MessageButtons::YesNo,
                                     DefaultButton::Second) == MessageAnswer::Yes)
                reject();
            return;
        }
        // Return in the grant name field adds the name (done by the field); it never saves.
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && focusWidget() == grantEditor->txtName) {
            event->accept();
            return;
        }
        // A helper button with the focus still answers Return, as a click would.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            auto* button = qobject_cast<QPushButton*>(focusWidget());
            if (button && button != cmdAdd && button->isEnabled()) {
                event->accept();
                button->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void ProgramDialogBase::reloadSetupList() {
    if (frmSetup* setup = program_.loadedSetupWindow()) setup->ucProgramView1->reloadView();
}

}  // namespace portico::admin
