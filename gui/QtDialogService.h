#pragma once

#include "gui/DialogService.h"

namespace portico {

// The real dialogs: QMessageBox, QInputDialog, QFileDialog and Qt's override cursor.
// Needs a QApplication.
class QtDialogService final : public DialogService {
public:
    QtDialogService() = default;
    ~QtDialogService() override;
    QtDialogService(const QtDialogService&) = delete;
    QtDialogService& operator=(const QtDialogService&) = delete;

    MessageAnswer messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                             MessageButtons buttons, DefaultButton defaultButton = DefaultButton::First) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& startPath) override;
    void setMousePointer(MousePointer pointer) override;

private:
    bool busy_ = false;
};

}  // namespace portico
