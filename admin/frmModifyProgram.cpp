#include "frmModifyProgram.h"

#include "DialogService.h"
#include "FatalError.h"
#include "PictureLoader.h"
#include "RecordText.h"
#include "Recordset.h"
#include "TextUtil.h"
#include "clsDBRoutines.h"
#include "modMain.h"

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
    Picture2 = new QLabel(this);
    Picture2->setObjectName("Picture2");
    Picture2->setFixedSize(48, 48);
    Picture2->setAlignment(Qt::AlignCenter);
    Picture2->setFrameShape(QFrame::StyledPanel);
    cmdIcon->setFixedWidth(32);
    fieldsGrid->addWidget(new QLabel("Icon :", this), 5, 0);
    fieldsGrid->addWidget(Picture2, 5, 1, Qt::AlignLeft);
    fieldsGrid->addWidget(cmdIcon, 5, 2, Qt::AlignTop);
    connect(cmdIcon, &QPushButton::clicked, this, [this] { guarded([&] { chooseIcon(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { guarded([&] { save(); }); });
}

void frmModifyProgram::setProgram(const std::string& name) {
    program_name_ = trimBlanks(name);
    loadProgramFields();
}

void frmModifyProgram::loadProgramFields() {
    for (QLineEdit* field : {txtProgramName, txtProgramPath, txtStartInPath, txtStartInParams}) field->clear();
    txtProgramDescription->clear();
    Picture2->clear();

    auto records = program_.database().loadProgram(program_name_);
    Recordset& programs = requireRecords(records);
    if (programs.RecordCount() == 0) {
        dialogs().messageBox("Couldn't Load Program Information", "Error", MessageIcon::Critical);
        programs.Close();
        return;
    }
    programs.MoveFirst();
    txtProgramDescription->setPlainText(storedText(programs, "Program_Desc"));
    txtProgramName->setText(storedText(programs, "Program_Name"));
    txtProgramPath->setText(storedText(programs, "Program_Path"));
    txtStartInPath->setText(QString::fromStdString(fieldText(programs, "Program_StartInDir")));
    txtStartInParams->setText(QString::fromStdString(fieldText(programs, "Program_StartUpParms")));
    program_.database().GetProgramImage(storedText(programs, "Program_Name").toStdString());
    showPicture();
    programs.Close();
}

void frmModifyProgram::showPicture() {
    const QImage picture = tryLoadPicture(program_.database().programImageFile().string());
    if (picture.isNull())
        Picture2->clear();
    else
        Picture2->setPixmap(QPixmap::fromImage(picture).scaled(Picture2->size(), Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
}

void frmModifyProgram::chooseIcon() {
    program_.showResources(txtProgramPath->text().toStdString());
    showPicture();
}

void frmModifyProgram::save() {
    if (!validate()) return;
    const Values values = trimmedValues();
    if (program_.database().updateProgram(program_name_, values.name, values.description, values.path,
                                          values.startIn, values.parameters)) {
        dialogs().messageBox("Program Modified", "Sucess", MessageIcon::Information);
        reloadSetupList();
        close();
    } else {
        dialogs().messageBox("Unable to add program", "Error", MessageIcon::Critical);
    }
}

}  // namespace portico::admin
