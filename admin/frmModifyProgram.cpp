#include "admin/frmModifyProgram.h"

#include "admin/GrantEditor.h"
#include "admin/modMain.h"
#include "database/NameFold.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "settings/TextUtil.h"
#include "settings/clsEnvironment.h"
#include "views/RecordText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace portico::admin {
namespace {

// A field as stored; "" for an empty column.
QString storedText(Recordset& records, const std::string& field) {
    const Variant& value = records.Fields(field).Value();
    if (value.isNull() || value.isEmpty()) return {};
    return QString::fromStdString(value.toText());
}

}  // namespace

frmModifyProgram::frmModifyProgram(modMain& program, QWidget* owner)
    : ProgramDialogBase(program, owner, "Modify a runnable program....", "...", "Save") {
    setObjectName("frmModifyProgram");
    setWindowTitle("Modify A Runnable Program..");
    cmdIcon->setFixedWidth(32);
    fieldsGrid->addWidget(cmdIcon, 6, 2, Qt::AlignTop);
    connect(cmdIcon, &QPushButton::clicked, this, [this] { guarded([&] { chooseIcon(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { guarded([&] { save(); }); });
}

void frmModifyProgram::setProgram(const std::string& name, std::int64_t key) {
    program_name_ = trimBlanks(name);
    loadProgramFields(key);
}

void frmModifyProgram::loadProgramFields(std::int64_t key) {
    for (QLineEdit* field : {txtProgramName, txtProgramPath, txtStartInPath, txtStartInParams}) field->clear();
    txtProgramDescription->clear();
    chkTerminal->setChecked(false);
    loadedTerminal_ = false;
    Picture2->clear();
    key_ = 0;
    loadedName_.clear();
    pickedPicture_.reset();
    grantEditor->setGrants({});

    auto records = key != 0 ? program_.database().loadProgramByKey(key) : program_.database().loadProgram(program_name_);
    Recordset& programs = requireRecords(records);
    if (programs.RecordCount() == 0) {
        dialogs().messageBox("Couldn't Load Program Information", "Error", MessageIcon::Critical);
        programs.Close();
        rememberFields();
        return;
    }
    programs.MoveFirst();
    key_ = programs.Fields("Program_Key").Value().toInt64();
    loadedName_ = storedText(programs, "Program_Name").toStdString();
    txtProgramDescription->setPlainText(storedText(programs, "Program_Desc"));
    txtProgramName->setText(storedText(programs, "Program_Name"));
    txtProgramPath->setText(storedText(programs, "Program_Path"));
    txtStartInPath->setText(QString::fromStdString(fieldText(programs, "Program_StartInDir")));
    txtStartInParams->setText(QString::fromStdString(fieldText(programs, "Program_StartUpParms")));
    // A catalogue older than the mark has no column for it: an ordinary program.
    if (programs.hasField("Program_Terminal")) {
        const Variant& terminal = programs.Fields("Program_Terminal").Value();
        loadedTerminal_ = !terminal.isNull() && !terminal.isEmpty() && terminal.toInt64() != 0;
    }
    chkTerminal->setChecked(loadedTerminal_);
    // The row's own picture, held from now on: nothing another program writes
    // to a shared picture file can change what this dialog shows or saves.
    const Variant& icon = programs.Fields("Program_Icon").Value();
    showPicture(icon.type() == Variant::Type::Bytes ? std::string(icon.bytes().begin(), icon.bytes().end())
                                                    : std::string());
    programs.Close();
    grantEditor->setGrants(program_.database().grantsOf(key_));
    rememberFields();
}

void frmModifyProgram::chooseIcon() {
    if (auto picked = program_.showResources(txtProgramPath->text().toStdString())) {
        pickedPicture_ = std::move(picked);
        showPicture(*pickedPicture_);
    }
}

bool frmModifyProgram::hasUnsavedChanges() const {
    return pickedPicture_.has_value() || ProgramDialogBase::hasUnsavedChanges();
}

void frmModifyProgram::save() {
    if (!validate()) return;
    // A dialog that opened empty has no program to change, whatever name is typed.
    if (key_ == 0) {
        dialogs().messageBox("Couldn't Load Program Information", "Error", MessageIcon::Critical);
        return;
    }
    if (!grantEditor->validate()) return;
    const Values values = trimmedValues();
    // Only a new clash is refused: a row of an older catalogue that shares its
    // name with others keeps it.
    if (!NameFold::sameName(values.name, loadedName_) && refuseTakenName(values.name, key_)) return;
    if (!confirmMissingPaths()) return;
    std::optional<Bytes> picture;
    if (pickedPicture_) picture.emplace(pickedPicture_->begin(), pickedPicture_->end());
    if (program_.database().updateProgramWithGrants(key_, values.name, values.description, values.path,
                                                    values.startIn, values.parameters, picture ? &*picture : nullptr,
                                                    grantEditor->grants(),
                                                    values.terminal != loadedTerminal_
                                                        ? std::optional<bool>(values.terminal)
                                                        : std::nullopt)) {
        dialogs().messageBox("Program Modified", "Sucess", MessageIcon::Information);
        reloadSetupList();
        close();
    } else {
        dialogs().messageBox("Unable to add program", "Error", MessageIcon::Critical);
    }
}

}  // namespace portico::admin
