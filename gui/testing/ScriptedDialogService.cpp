#include "gui/testing/ScriptedDialogService.h"

namespace portico::test {

ScriptedDialogService::ScriptedDialogService(bool routeMessageSink)
    : previous_(installDialogService(this)), routedSink_(routeMessageSink) {
    if (routedSink_) previousSink_ = installMessageSink(&sink_);
}

ScriptedDialogService::~ScriptedDialogService() {
    if (routedSink_) installMessageSink(previousSink_);
    installDialogService(previous_);
}

std::vector<ShownMessage> ScriptedDialogService::messages() const {
    std::vector<ShownMessage> shown;
    for (const auto& call : calls)
        if (call.kind == DialogCall::Kind::Message) shown.push_back({call.text, call.title, call.icon, call.buttons, call.defaultButton});
    return shown;
}

void ScriptedDialogService::clear() {
    calls.clear();
    pointerChanges.clear();
    unscriptedAnswers = 0;
}

MessageAnswer ScriptedDialogService::messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                                                MessageButtons buttons, DefaultButton defaultButton) {
    DialogCall call{DialogCall::Kind::Message, text, title, icon, buttons, {}, {}, defaultButton};
    calls.push_back(call);
    if (onCall) onCall(call);
    if (messageAnswers_.empty()) {
        ++unscriptedAnswers;
        return defaultAnswer(buttons, defaultButton);
    }
    const MessageAnswer answer = messageAnswers_.front();
    messageAnswers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogService::inputBox(const std::string& prompt, const std::string& title,
                                                           const std::string& defaultText) {
    DialogCall call{DialogCall::Kind::Input, prompt, title, MessageIcon::Information, MessageButtons::OKCancel,
                    defaultText, {}};
    calls.push_back(call);
    if (onCall) onCall(call);
    if (inputAnswers_.empty()) {
        ++unscriptedAnswers;
        return std::nullopt;
    }
    auto answer = std::move(inputAnswers_.front());
    inputAnswers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogService::openFileDialog(const std::string& title, const std::string& filter,
                                                                 const std::string& startPath) {
    DialogCall call{DialogCall::Kind::OpenFile, {}, title, MessageIcon::Information, MessageButtons::OKCancel,
                    filter, startPath};
    calls.push_back(call);
    if (onCall) onCall(call);
    if (fileAnswers_.empty()) {
        ++unscriptedAnswers;
        return std::nullopt;
    }
    auto answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

void ScriptedDialogService::setMousePointer(MousePointer pointer) {
    pointer_ = pointer;
    pointerChanges.push_back(pointer);
}

}  // namespace portico::test
