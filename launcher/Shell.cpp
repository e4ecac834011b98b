#include "Shell.h"

#include "SystemShell.h"

namespace portico {
namespace {

Shell& systemShell() {
    static SystemShell instance;
    return instance;
}

Shell* installedShell = nullptr;

}  // namespace

Shell& shell() { return installedShell ? *installedShell : systemShell(); }

Shell* installShell(Shell* replacement) {
    Shell* previous = installedShell;
    installedShell = replacement;
    return previous;
}

}  // namespace portico
