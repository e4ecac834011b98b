#include "gui/DialogMessageSink.h"

#include "gui/DialogService.h"

namespace portico {

void DialogMessageSink::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    dialogs().messageBox(text, title, icon, MessageButtons::OK);
}

}  // namespace portico
