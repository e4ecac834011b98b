#pragma once

#include "ProgramDialogBase.h"

#include <string>

namespace portico::admin {

// Changes a catalogued program, its name included. Modal over the setup window.
class frmModifyProgram final : public ProgramDialogBase {
    Q_OBJECT
public:
    frmModifyProgram(modMain& program, QWidget* owner);

    // The program being modified, by the name it had when the dialog was filled.
    const std::string& Program() const { return program_name_; }
    // Trimmed; fills the dialog from the catalogue.
    void setProgram(const std::string& name);

    QLabel* Picture2;

private:
    void loadProgramFields();
    void showPicture();
    void chooseIcon();
    void save();

    std::string program_name_;
};

}  // namespace portico::admin
