#include "tessera/ErrorInfo.h"

namespace portico::tessera {

namespace {

struct ThreadError {
    bool pending = false;
    long number = 0;
    std::string description;
    std::string source;
};

ThreadError& threadError() {
    thread_local ThreadError error;
    return error;
}

}  // namespace

void ErrorInfo::clear() {
    auto& error = threadError();
    error.pending = false;
    error.number = 0;
    error.description.clear();
    error.source.clear();
}

void ErrorInfo::set(long number, std::string description, std::string source) {
    auto& error = threadError();
    error.pending = true;
    error.number = number;
    error.description = std::move(description);
    error.source = std::move(source);
}

TesseraStatus ErrorInfo::fail(TesseraStatus status, long number, std::string description, std::string source) {
    set(number, std::move(description), std::move(source));
    return status;
}

TesseraStatus ErrorInfo::failWithError(long number, std::string description, std::string source) {
    return fail(statusFromError(number), number, std::move(description), std::move(source));
}

bool ErrorInfo::pending() { return threadError().pending; }
long ErrorInfo::number() { return threadError().number; }
const std::string& ErrorInfo::description() { return threadError().description; }
const std::string& ErrorInfo::source() { return threadError().source; }

TesseraStatus ErrorInfo::statusFromError(long number) {
    if (number > 0 && number <= 0xFFFF) return TESSERA_STATUS_FROM_ERROR(number);
    // Engine codes and the like outside the automation range: still a failure.
    return TESSERA_E_FAIL;
}

}  // namespace portico::tessera
