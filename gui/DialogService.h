#pragma once

// Every message box, input box and file-open dialog of both programs, and the
// application-wide mouse pointer, go through the one installed DialogService.
// The programs install QtDialogService at start-up; tests install
// portico::test::ScriptedDialogService (library portico_gui_testing,
// header ScriptedDialogService.h), which records each call and returns scripted
// answers, so no real dialog ever blocks a test.
//
// Typical use from window code:
//
//     #include "gui/DialogService.h"
//     if (portico::dialogs().messageBox("Delete it?", "Confirmation",
//             portico::MessageIcon::Question, portico::MessageButtons::YesNo)
//         == portico::MessageAnswer::Yes) { ... }
//
//     auto picked = portico::dialogs().openFileDialog("Select Program",
//         "Programs (*);;All files (*)", lastPicked);
//     if (picked) txtPath->setText(QString::fromStdString(*picked));  // Cancel: nothing changes
//
//     portico::dialogs().setMousePointer(portico::MousePointer::Hourglass);
//
// The interface is Qt-free; texts are UTF-8.

#include "settings/MessageSink.h"  // MessageIcon

#include <optional>
#include <string>

namespace portico {

// The button sets of a message box, in the order the buttons appear.
enum class MessageButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore, RunOpenCancel, SaveAnywayCancel };

// The button the user chose. Closing a box with Escape or its close box gives
// Cancel (or No for YesNo, which has no Cancel).
enum class MessageAnswer { OK, Cancel, Yes, No, Retry, Abort, Ignore, Run, Open, SaveAnyway };

// Which button a box's Return chooses; the first unless said otherwise.
enum class DefaultButton { First, Second, Third };

enum class MousePointer { Default, Hourglass };

class DialogService {
public:
    virtual ~DialogService() = default;

    // A modal message box over the active window. Returns the button chosen.
    virtual MessageAnswer messageBox(const std::string& text, const std::string& title, MessageIcon icon,
                                     MessageButtons buttons = MessageButtons::OK,
                                     DefaultButton defaultButton = DefaultButton::First) = 0;

    // A modal one-line input box. Returns the text typed, or nothing on Cancel.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText = {}) = 0;

    // A modal file-open dialog. `filter` uses Qt's form, entries separated by
    // ";;" (e.g. "Pictures (*.bmp *.ico);;All files (*)"); empty means all files.
    // `startPath` is a folder to start in or a file to start on (the file last
    // picked); empty starts in the user's home folder. Returns the picked file's
    // full path, or nothing when the user cancelled.
    virtual std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                                      const std::string& startPath) = 0;

    // The application-wide mouse pointer. Setting the current pointer again is harmless.
    virtual void setMousePointer(MousePointer pointer) = 0;
};

// The service in use. Never null: until a program installs one, a console
// stand-in writes messages to stderr, answers with the first button and
// cancels input and file dialogs.
DialogService& dialogs();

// Installs a service (not owned; it must outlive its installation) and returns
// the previous one (nullptr for the console stand-in). nullptr restores the stand-in.
DialogService* installDialogService(DialogService* service);

// Installs a service for the lifetime of the guard.
class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service) : previous_(installDialogService(&service)) {}
    ~ScopedDialogService() { installDialogService(previous_); }
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* previous_;
};

// The answer a box with these buttons gives when the user just accepts it.
MessageAnswer defaultAnswer(MessageButtons buttons, DefaultButton defaultButton = DefaultButton::First);

}  // namespace portico
