#include "gui/FatalError.h"

#include "gui/DialogService.h"
#include "settings/PorticoError.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace portico {
namespace {

std::string& titleStorage() {
    static std::string title;
    return title;
}

}  // namespace

void setProgramTitle(const std::string& title) { titleStorage() = title; }

std::string programTitle() {
    if (!titleStorage().empty()) return titleStorage();
    if (QCoreApplication::instance()) return QCoreApplication::applicationName().toStdString();
    return "Portico";
}

std::string runtimeErrorText(long number, const std::string& description) {
    return "Run-time error '" + std::to_string(number) + "':\n\n" + description;
}

void fatalError(long number, const std::string& description) {
    try {
        dialogs().messageBox(runtimeErrorText(number, description), programTitle(), MessageIcon::Critical,
                             MessageButtons::OK);
    } catch (...) {
        std::fputs(runtimeErrorText(number, description).c_str(), stderr);
        std::fputs("\n", stderr);
    }
    // Unwinding or running exit handlers from the middle of an event handler is
    // what we are avoiding here; flush what was written and leave at once.
    std::fflush(nullptr);
    std::_Exit(kFatalExitStatus);
}

void fatalError(const PorticoError& error) { fatalError(error.number(), error.description()); }

void fatalCurrentException() noexcept {
    try {
        throw;
    } catch (const PorticoError& error) {
        fatalError(error);
    } catch (const std::bad_alloc&) {
        fatalError(7, "Out of memory");
    } catch (const std::exception& error) {
        fatalError(51, std::string("Internal error: ") + error.what());
    } catch (...) {
        fatalError(51, "Internal error");
    }
}

}  // namespace portico
