#include "tessera/ServerState.h"

namespace portico::tessera {

std::atomic<std::int64_t> ServerState::objects_{0};
std::atomic<std::int64_t> ServerState::locks_{0};

void ServerState::objectCreated() noexcept { objects_.fetch_add(1); }
void ServerState::objectDestroyed() noexcept { objects_.fetch_sub(1); }
void ServerState::lock() noexcept { locks_.fetch_add(1); }

void ServerState::unlock() noexcept {
    // An unbalanced unlock must not make the count negative and hide real locks.
    auto current = locks_.load();
    while (current > 0 && !locks_.compare_exchange_weak(current, current - 1)) {
    }
}

bool ServerState::canUnload(std::int64_t objectsHeldByLibrary) noexcept {
    return objects_.load() - objectsHeldByLibrary <= 0 && locks_.load() == 0;
}

std::int64_t ServerState::liveObjects() noexcept { return objects_.load(); }

}  // namespace portico::tessera
