#pragma once

#include <functional>
#include <string>
#include <vector>

namespace portico {

// How a program that needs a terminal is started in one: which terminal, and
// the argument vector that makes it run the program with the program's own
// arguments, never through a shell.
class TerminalCommand {
public:
    // Finds an executable by name ("" when there is none); a name with a '/'
    // is taken as a path.
    using Lookup = std::function<std::string(const std::string& name)>;

    // The user's terminal as a command (its first word a path): $TERMINAL
    // (`preferred`), else xdg-terminal-exec, else x-terminal-emulator, else the
    // desktop's own terminal (`desktop` is $XDG_CURRENT_DESKTOP), else the
    // first of a short list of known terminals. Empty when none is installed.
    static std::vector<std::string> find(const Lookup& lookup, const std::string& preferred,
                                         const std::string& desktop);
    // The arguments that run `program` (its path first) in `terminal`, by the
    // terminal's own convention; a terminal we do not know gets "-e", which
    // x-terminal-emulator and most others take.
    static std::vector<std::string> wrap(const std::vector<std::string>& terminal,
                                         const std::vector<std::string>& program);
};

}  // namespace portico
