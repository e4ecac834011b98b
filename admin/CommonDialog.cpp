#include "admin/CommonDialog.h"

#include "gui/DialogService.h"

namespace portico::admin {

bool CommonDialog::ShowOpen() {
    auto picked = dialogs().openFileDialog(DialogTitle, Filter, fileName_.empty() ? InitDir : fileName_);
    if (!picked || picked->empty()) return false;
    fileName_ = std::move(*picked);
    return true;
}

}  // namespace portico::admin
