#include "gui/DialogService.h"

#include <iostream>
#include <vector>

namespace portico {
namespace {

class ConsoleDialogService final : public DialogService {
public:
    MessageAnswer messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                             MessageButtons buttons, DefaultButton defaultButton) override {
        std::cerr << "[" << messageIconName(icon) << "] " << title << ": " << text << '\n';
        return defaultAnswer(buttons, defaultButton);
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

MessageAnswer defaultAnswer(MessageButtons buttons, DefaultButton defaultButton) {
    if (defaultButton != DefaultButton::First) {
        static const std::vector<MessageAnswer> none;
        const auto answers = [&]() -> std::vector<MessageAnswer> {
            switch (buttons) {
            case MessageButtons::OK: return {MessageAnswer::OK};
            case MessageButtons::OKCancel: return {MessageAnswer::OK, MessageAnswer::Cancel};
            case MessageButtons::YesNo: return {MessageAnswer::Yes, MessageAnswer::No};
            case MessageButtons::YesNoCancel: return {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::Cancel};
            case MessageButtons::RetryCancel: return {MessageAnswer::Retry, MessageAnswer::Cancel};
            case MessageButtons::AbortRetryIgnore:
                return {MessageAnswer::Abort, MessageAnswer::Retry, MessageAnswer::Ignore};
            case MessageButtons::RunOpenCancel: return {MessageAnswer::Run, MessageAnswer::Open, MessageAnswer::Cancel};
            case MessageButtons::SaveAnywayCancel: return {MessageAnswer::SaveAnyway, MessageAnswer::Cancel};
            }
            return none;
        }();
        const auto index = static_cast<std::size_t>(defaultButton);
        if (index < answers.size()) return answers[index];
    }
    switch (buttons) {
    case MessageButtons::OK:
    case MessageButtons::OKCancel: return MessageAnswer::OK;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return MessageAnswer::Yes;
    case MessageButtons::RetryCancel: return MessageAnswer::Retry;
    case MessageButtons::AbortRetryIgnore: return MessageAnswer::Abort;
    case MessageButtons::RunOpenCancel: return MessageAnswer::Run;
    case MessageButtons::SaveAnywayCancel: return MessageAnswer::SaveAnyway;
    }
    return MessageAnswer::OK;
}

}  // namespace portico
