#include "database/LibPq.h"

#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <dlfcn.h>

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
                          PORTICO_BIND(PQexec) & PORTICO_BIND(PQexecParams) & PORTICO_BIND(PQprepare) &
                          PORTICO_BIND(PQsendQueryPrepared) & PORTICO_BIND(PQsetSingleRowMode) &
                          PORTICO_BIND(PQgetResult) & PORTICO_BIND(PQresultStatus) &
                          PORTICO_BIND(PQresultErrorField) & PORTICO_BIND(PQclear) & PORTICO_BIND(PQntuples) &
                          PORTICO_BIND(PQnfields) & PORTICO_BIND(PQfname) & PORTICO_BIND(PQftype) &
                          PORTICO_BIND(PQftable) & PORTICO_BIND(PQftablecol) & PORTICO_BIND(PQgetisnull) &
                          PORTICO_BIND(PQgetvalue) & PORTICO_BIND(PQgetlength);
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

}  // namespace portico
