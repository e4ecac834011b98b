#pragma once

// A dialog service for tests: records every call and returns scripted answers.
// It installs itself for its lifetime (and restores the previous service).
//
//     portico::test::ScriptedDialogService dialogs;
//     dialogs.answerMessage(portico::MessageAnswer::No);   // the next box's answer
//     ... code under test ...
//     EXPECT_EQ(dialogs.messages(), (std::vector<portico::test::ShownMessage>{
//         {"Delete it?", "Confirmation", portico::MessageIcon::Question, portico::MessageButtons::YesNo}}));
//
// With `routeMessageSink` true (the default) it also installs a DialogMessageSink,
// so reports of the settings and the data layer are recorded as message boxes.
// Unscripted calls get: a message box its default button (the first unless said),
// an input box or file dialog nothing (Cancel); each is counted in
// unscriptedAnswers so a test can tell.

#include "gui/DialogMessageSink.h"
#include "gui/DialogService.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace portico::test {

struct ShownMessage {
    std::string text;
    std::string title;
    MessageIcon icon;
    MessageButtons buttons = MessageButtons::OK;
    DefaultButton defaultButton = DefaultButton::First;
    bool operator==(const ShownMessage&) const = default;
};

struct DialogCall {
    enum class Kind { Message, Input, OpenFile };
    Kind kind;
    std::string text;    // message text, input prompt, or empty for a file dialog
    std::string title;
    MessageIcon icon = MessageIcon::Information;  // message boxes only
    MessageButtons buttons = MessageButtons::OK;  // message boxes only
    std::string defaultText;                      // input box: default text; file dialog: filter
    std::string startPath;                        // file dialog only
    DefaultButton defaultButton = DefaultButton::First;  // message boxes only
};

class ScriptedDialogService final : public DialogService {
public:
    explicit ScriptedDialogService(bool routeMessageSink = true);
    ~ScriptedDialogService() override;
    ScriptedDialogService(const ScriptedDialogService&) = delete;
    ScriptedDialogService& operator=(const ScriptedDialogService&) = delete;

    // Answers for the next calls of each kind, used in order.
    void answerMessage(MessageAnswer answer) { messageAnswers_.push_back(answer); }
    void answerInput(std::optional<std::string> text) { inputAnswers_.push_back(std::move(text)); }
    void answerFile(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }

    // Runs inside every call, before it returns (e.g. to look at a window while
    // the "modal" box is up).
    std::function<void(const DialogCall&)> onCall;

    std::vector<DialogCall> calls;
    std::vector<MousePointer> pointerChanges;  // every setMousePointer, in order
    int unscriptedAnswers = 0;

    // The message boxes shown, in order.
    std::vector<ShownMessage> messages() const;
    MousePointer pointer() const { return pointer_; }
    void clear();

    MessageAnswer messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                             MessageButtons buttons, DefaultButton defaultButton = DefaultButton::First) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& startPath) override;
    void setMousePointer(MousePointer pointer) override;

private:
    std::deque<MessageAnswer> messageAnswers_;
    std::deque<std::optional<std::string>> inputAnswers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    MousePointer pointer_ = MousePointer::Default;
    DialogService* previous_;
    DialogMessageSink sink_;
    bool routedSink_;
    MessageSink* previousSink_ = nullptr;
};

}  // namespace portico::test
