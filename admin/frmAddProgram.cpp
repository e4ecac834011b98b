#include "admin/frmAddProgram.h"

#include "admin/GrantEditor.h"
#include "admin/modMain.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"

#include <QLineEdit>
#include <QPushButton>


namespace portico::admin {
frmAddProgram::frmAddProgram(modMain& program)
    : ProgramDialogBase(program, nullptr, "Add a new runnable program....", "Icon", "Add..") {
    setObjectName("frmAddProgram");
    setWindowTitle("Add A New Runnable Program..");
    connect(cmdIcon, &QPushButton::clicked, this, [this] { guarded([&] { chooseIcon(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { guarded([&] { addProgram(); }); });
    // Until a pick, the picture the program gets without one.
    showPicture({});
}

void frmAddProgram::chooseIcon() {
    if (auto picked = program_.showResources(txtProgramPath->text().toStdString())) {
        pickedPicture_ = std::move(picked);
        showPicture(*pickedPicture_);
    }
}

bool frmAddProgram::hasUnsavedChanges() const {
    return pickedPicture_.has_value() || ProgramDialogBase::hasUnsavedChanges();
}

void frmAddProgram::addProgram() {
    if (!validate() || !grantEditor->validate()) return;
    const Values values = trimmedValues();
    if (refuseTakenName(values.name, 0) || !confirmMissingPaths()) return;
    // Without a pick the catalogue takes the default icon.
    const std::string picture = pickedPicture_.value_or(std::string());
    if (program_.database().addProgramWithGrants(values.name, values.description, values.path,
                                                 Bytes(picture.begin(), picture.end()), values.startIn,
                                                 values.parameters, grantEditor->grants(), values.terminal)) {
        dialogs().messageBox("Program Added", "Sucess", MessageIcon::Information);
        reloadSetupList();
        close();
    } else {
        dialogs().messageBox("Unable to add program", "Error", MessageIcon::Critical);
    }
}

}  // namespace portico::admin
