#pragma once

#include "launcher/Shell.h"

namespace portico {

// The real shell. An executable file (a binary, or a script with "#!" and the
// execute bit) is started directly with its parameters split into arguments,
// no shell involved; anything else (a document, a folder, a URL) goes to the
// opener, xdg-open, which starts the desktop's associated application. The
// "Open" verb always goes to the opener, an executable file included. A
// program that needs a terminal is started in the user's terminal (see
// TerminalCommand), with the same argument vector.
// Started programs run in their own session; the launcher never waits for them,
// and collects each one's exit on a sleeping thread so none stays a zombie.
//
// Failures the caller sees: 2 no such file, 3 start-in folder missing,
// 5 the program could not be started, 31 nothing to open the file with,
// 87 parameters with an open quote; 31 also when no terminal is installed.
class SystemShell final : public Shell {
public:
    // `opener` is looked up on PATH unless it contains a '/'. A document counts
    // as opened unless the opener fails within `openerWaitMs` (it reports a
    // missing association at once, but may also stay running as the viewer).
    explicit SystemShell(std::string opener = "xdg-open", int openerWaitMs = 750);

    ShellResult execute(const ShellRequest& request) override;

private:
    std::string opener_;
    int openerWaitMs_;
};

}  // namespace portico
