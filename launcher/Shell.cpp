#include "launcher/Shell.h"

#include "launcher/SystemShell.h"

#include <mutex>

namespace portico {
namespace {

Shell& systemShell() {
    static SystemShell instance;
    return instance;
}

Shell* installedShell = nullptr;

std::mutex lateFailureLock;
LateOpenFailure lateFailureHandler;

}  // namespace

Shell& shell() { return installedShell ? *installedShell : systemShell(); }

Shell* installShell(Shell* replacement) {
    Shell* previous = installedShell;
    installedShell = replacement;
    return previous;
}

void setLateOpenFailureHandler(LateOpenFailure handler) {
    std::lock_guard<std::mutex> guard(lateFailureLock);
    lateFailureHandler = std::move(handler);
}

void reportLateOpenFailure(const std::string& file, const std::string& description) {
    // Called under the lock, so that a handler being removed is never called afterwards.
    std::lock_guard<std::mutex> guard(lateFailureLock);
    if (lateFailureHandler) lateFailureHandler(file, description);
}

}  // namespace portico
