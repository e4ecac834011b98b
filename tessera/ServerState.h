#pragma once

#include <atomic>
#include <cstdint>

namespace portico::tessera {

// What keeps the library loaded: live objects handed to clients and server
// locks taken through a class factory.
class ServerState {
public:
    static void objectCreated() noexcept;
    static void objectDestroyed() noexcept;
    static void lock() noexcept;
    static void unlock() noexcept;
    // References held by the library itself (the predeclared instance) do not
    // keep it loaded; the caller says how many objects are such.
    static bool canUnload(std::int64_t objectsHeldByLibrary) noexcept;
    static std::int64_t liveObjects() noexcept;

private:
    static std::atomic<std::int64_t> objects_;
    static std::atomic<std::int64_t> locks_;
};

}  // namespace portico::tessera
