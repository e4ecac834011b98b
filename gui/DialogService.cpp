#include "DialogService.h"

#include <iostream>

namespace portico {
namespace {

class ConsoleDialogService final : public DialogService {
public:
    MessageAnswer messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                             MessageButtons buttons) override {
        std::cerr << "[" << messageIconName(icon) << "] " << title << ": " << text << '\n';
        return defaultAnswer(buttons);
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> openFileDialog(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void setMousePointer(MousePointer) override {}
};

ConsoleDialogService consoleService;
DialogService* installedService = &consoleService;

}  // namespace

DialogService& dialogs() { return *installedService; }

DialogService* installDialogService(DialogService* service) {
    DialogService* previous = installedService;
    installedService = service ? service : &consoleService;
    return previous == &consoleService ? nullptr : previous;
}

MessageAnswer defaultAnswer(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OK:
    case MessageButtons::OKCancel: return MessageAnswer::OK;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return MessageAnswer::Yes;
    case MessageButtons::RetryCancel: return MessageAnswer::Retry;
    case MessageButtons::AbortRetryIgnore: return MessageAnswer::Abort;
    }
    return MessageAnswer::OK;
}

}  // namespace portico
