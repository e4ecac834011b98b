#pragma once

// Hands a file to the desktop, as the launcher's windows ask for it: a program
// to start or a document to open. The launcher talks to the installed Shell
// only, so tests can put a recorder in its place.

#include <functional>
#include <string>

namespace portico {

struct ShellRequest {
    std::string operation;   // "" (the default verb) or "Open"
    std::string file;        // program, document, folder or URL
    std::string parameters;  // command line for a program, split by shell-word rules
    std::string directory;   // start-in folder; empty keeps the launcher's
    int showMode = 1;        // SW_SHOWNORMAL; a desktop has no use for it beyond the record
    bool terminal = false;   // a program that needs a terminal to be seen (vim, htop)
    bool operator==(const ShellRequest&) const = default;
};

// Whether the start happened; when not, an error number and description that
// the caller reports.
struct ShellResult {
    bool started = true;
    long errorNumber = 0;
    std::string description;

    static ShellResult ok() { return {}; }
    static ShellResult failure(long number, std::string text) { return {false, number, std::move(text)}; }
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts the request without waiting for the started program.
    virtual ShellResult execute(const ShellRequest& request) = 0;
};

// The shell in use; the system shell until another is installed.
Shell& shell();
// Installs a shell (not owned) and returns the previous one (nullptr for the
// system shell). nullptr restores the system shell.
Shell* installShell(Shell* replacement);

// A document that the opener took but could not open after all: the opener
// ended with a failure after execute() had already counted it as opened. The
// handler is called on a background thread with the file and what went wrong;
// an empty handler (the default) drops the news.
using LateOpenFailure = std::function<void(const std::string& file, const std::string& description)>;
void setLateOpenFailureHandler(LateOpenFailure handler);
// Hands a late failure to the installed handler (from any thread).
void reportLateOpenFailure(const std::string& file, const std::string& description);

class ScopedShell {
public:
    explicit ScopedShell(Shell& replacement) : previous_(installShell(&replacement)) {}
    ~ScopedShell() { installShell(previous_); }
    ScopedShell(const ScopedShell&) = delete;
    ScopedShell& operator=(const ScopedShell&) = delete;

private:
    Shell* previous_;
};

}  // namespace portico
