#pragma once

#include "admin/ProgramDialogBase.h"

#include <cstdint>
#include <optional>
#include <string>

namespace portico::admin {

// Changes a catalogued program, its name included. Modal over the setup window.
class frmModifyProgram final : public ProgramDialogBase {
    Q_OBJECT
public:
    frmModifyProgram(modMain& program, QWidget* owner);

    // The program being modified, by the name it had when the dialog was filled.
    const std::string& Program() const { return program_name_; }
    // Trimmed; fills the dialog from the catalogue: the program with `key`,
    // or, without a key, the first program of that name.
    void setProgram(const std::string& name, std::int64_t key = 0);
    // The catalogue key of the program shown; 0 when the dialog opened empty.
    std::int64_t ProgramKey() const { return key_; }

private:
    void loadProgramFields(std::int64_t key);
    void chooseIcon();
    void save();
    bool hasUnsavedChanges() const override;

    std::string program_name_;
    std::int64_t key_ = 0;
    std::string loadedName_;
    bool loadedTerminal_ = false;  // the stored mark, saved again only when changed
    // A picture picked since the dialog opened; without one, Save leaves the
    // stored picture as it is.
    std::optional<std::string> pickedPicture_;
};

}  // namespace portico::admin
