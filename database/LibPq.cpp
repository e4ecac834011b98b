#include "database/LibPq.h"

#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/ServerConnectionString.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace portico {
namespace {

constexpr const char* kLibraryName = "libpq.so.5";

// The connect-failure number, as for a server that cannot be reached.

struct Loaded {
    std::optional<LibPq> functions;
    std::string failure;
};

template <typename Function>
bool bind(void* library, const char* name, Function& function, std::string& failure) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function && failure.empty()) failure = std::string(kLibraryName) + " has no " + name;
    return function != nullptr;
}

Loaded load() {
    Loaded loaded;
    void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = ::dlerror();
        loaded.failure = reason ? reason : kLibraryName;
        return loaded;
    }
    LibPq pq{};
    std::string& failure = loaded.failure;
#define PORTICO_BIND(name) bind(library, #name, pq.name, failure)
    const bool complete = PORTICO_BIND(PQconnectdbParams) & PORTICO_BIND(PQstatus) & PORTICO_BIND(PQerrorMessage) &
                          PORTICO_BIND(PQfinish) & PORTICO_BIND(PQhost) & PORTICO_BIND(PQport) & PORTICO_BIND(PQdb) &
                          PORTICO_BIND(PQexec) & PORTICO_BIND(PQexecParams) & PORTICO_BIND(PQsendQueryParams) &
                          PORTICO_BIND(PQsendQuery) & PORTICO_BIND(PQisBusy) & PORTICO_BIND(PQconsumeInput) &
                          PORTICO_BIND(PQsocket) & PORTICO_BIND(PQsetSingleRowMode) &
                          PORTICO_BIND(PQgetResult) & PORTICO_BIND(PQresultStatus) &
                          PORTICO_BIND(PQresultErrorField) & PORTICO_BIND(PQclear) & PORTICO_BIND(PQntuples) &
                          PORTICO_BIND(PQnfields) & PORTICO_BIND(PQfname) & PORTICO_BIND(PQftype) &
                          PORTICO_BIND(PQftable) & PORTICO_BIND(PQftablecol) & PORTICO_BIND(PQgetisnull) &
                          PORTICO_BIND(PQgetvalue) & PORTICO_BIND(PQgetlength) &
                          PORTICO_BIND(PQconninfoParse) & PORTICO_BIND(PQconninfoFree);
#undef PORTICO_BIND
    if (complete) loaded.functions = pq;
    return loaded;
}

}  // namespace

const LibPq& libpq() {
    static const Loaded loaded = load();
    if (!loaded.functions)
        throw PorticoError(errors::kCannotConnect,
                           "The PostgreSQL client library cannot be loaded (" + loaded.failure +
                               "); install libpq5 to open a server catalogue",
                           "PostgreSQL");
    return *loaded.functions;
}

bool libpqCarriesPassword(const std::string& connectionString) {
    const LibPq* pq = nullptr;
    try {
        pq = &libpq();
    } catch (const PorticoError&) {
        return false;  // no server can be opened, with or without a password
    }
    char* failure = nullptr;
    const auto deleter = [pq](PQconninfoOption* options) { pq->PQconninfoFree(options); };
    const std::unique_ptr<PQconninfoOption, decltype(deleter)> options(
        pq->PQconninfoParse(connectionString.c_str(), &failure), deleter);
    ::free(failure);
    if (!options) return false;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option)
        if (option->val && (std::strcmp(option->keyword, "password") == 0 ||
                            std::strcmp(option->keyword, "sslpassword") == 0))
            return true;
    return false;
}

namespace {

// Linked in with every program that can open a server catalogue, so their
// settings decide with libpq before a connection string is kept.
[[maybe_unused]] const bool kPasswordDecisionSet = (setPasswordDecision(&libpqCarriesPassword), true);

}  // namespace

}  // namespace portico
