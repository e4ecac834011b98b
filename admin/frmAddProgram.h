#pragma once

#include "admin/ProgramDialogBase.h"

#include <optional>
#include <string>

namespace portico::admin {

// Adds a new program to the catalogue. Not modal: the setup window stays usable.
class frmAddProgram final : public ProgramDialogBase {
    Q_OBJECT
public:
    explicit frmAddProgram(modMain& program);

private:
    void chooseIcon();
    void addProgram();
    bool hasUnsavedChanges() const override;

    // The picture picked in the icon picker while this dialog is open, held
    // here until the program is added.
    std::optional<std::string> pickedPicture_;
};

}  // namespace portico::admin
