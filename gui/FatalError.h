#pragma once

// Errors that nothing handles end the program through one routine: a critical
// message box "Run-time error 'N':", a blank line and the description, titled
// with the program's name, then exit with status kFatalExitStatus.
//
// A C++ exception must never cross the Qt event loop. Every slot and event
// handler that may throw wraps its body:
//
//     connect(button, &QPushButton::clicked, this, [this] { portico::guarded([&] { doIt(); }); });
//
// and start-up runs inside guarded() too. PorticoApplication catches whatever
// still reaches QApplication::notify as a last resort.

#include <string>
#include <utility>

namespace portico {

class PorticoError;

inline constexpr int kFatalExitStatus = 1;

// The title of the fatal box. Empty (the default) uses the application's name.
void setProgramTitle(const std::string& title);
std::string programTitle();

// "Run-time error '5000':\n\nInvalid Path sent to property"
std::string runtimeErrorText(long number, const std::string& description);

[[noreturn]] void fatalError(long number, const std::string& description);
[[noreturn]] void fatalError(const PorticoError& error);

// Call only inside a catch block: reports the exception being handled.
// PorticoError keeps its number; std::bad_alloc is error 7 "Out of memory";
// anything else is error 51 "Internal error" with its text when it has one.
[[noreturn]] void fatalCurrentException() noexcept;

template <typename Handler>
void guarded(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        fatalCurrentException();
    }
}

}  // namespace portico
