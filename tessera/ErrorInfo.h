#pragma once

#include "tessera/Tessera.h"

#include "settings/PorticoError.h"

#include <exception>
#include <new>
#include <string>

namespace portico::tessera {

// The error of the last failing call on this thread, as TesseraGetErrorInfo
// hands it to the client.
class ErrorInfo {
public:
    static void clear();
    static void set(long number, std::string description, std::string source);
    // Sets the error and answers the status that carries it.
    static TesseraStatus fail(TesseraStatus status, long number, std::string description, std::string source);
    static TesseraStatus failWithError(long number, std::string description, std::string source);

    static bool pending();
    static long number();
    static const std::string& description();
    static const std::string& source();

    // The status that carries a numbered error of the data layer.
    static TesseraStatus statusFromError(long number);
};

inline constexpr const char* kLibrarySource = "Tessera.clsDBRoutines";

// Runs one call of the library: clears the thread's error first, and turns any
// exception into a failure status with its error information, so that nothing
// thrown ever crosses into a C caller.
template <typename Body>
TesseraStatus guardedCall(Body&& body) noexcept {
    ErrorInfo::clear();
    try {
        return body();
    } catch (const PorticoError& error) {
        return ErrorInfo::failWithError(error.number(), error.description(), error.source());
    } catch (const std::bad_alloc&) {
        return ErrorInfo::fail(TESSERA_E_OUTOFMEMORY, 7, "Out of memory", kLibrarySource);
    } catch (const std::exception& error) {
        return ErrorInfo::fail(TESSERA_E_FAIL, 0, error.what(), kLibrarySource);
    } catch (...) {
        return ErrorInfo::fail(TESSERA_E_UNEXPECTED, 0, "Unexpected failure", kLibrarySource);
    }
}

}  // namespace portico::tessera
