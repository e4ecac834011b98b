#pragma once

#include "tessera/Tessera.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace portico {
class clsDBRoutines;
}

namespace portico::tessera {

// One instance of clsDBRoutines handed to a client through _clsDBRoutines:
// reference-counted, with its own connection, closed with its last release.
class DBRoutinesObject {
public:
    // A new object holding one reference for the caller.
    static _clsDBRoutines* create();
    static DBRoutinesObject& from(_clsDBRoutines* self) noexcept;
    static const _clsDBRoutinesVtbl& vtable() noexcept;

    clsDBRoutines& routines() noexcept { return *routines_; }
    std::uint32_t addRef() noexcept { return ++references_; }
    std::uint32_t release() noexcept;
    std::uint32_t references() const noexcept { return references_.load(); }

    DBRoutinesObject(const DBRoutinesObject&) = delete;
    DBRoutinesObject& operator=(const DBRoutinesObject&) = delete;

private:
    struct Interface : _clsDBRoutines {
        DBRoutinesObject* owner;
    };

    DBRoutinesObject();
    ~DBRoutinesObject();

    Interface interface_;
    std::atomic<std::uint32_t> references_{1};
    std::unique_ptr<clsDBRoutines> routines_;
};

}  // namespace portico::tessera
