#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace portico {

// SHA-256, for the short picture digests of the change history and the names of
// the launch queues: the same bytes give the same digest as the server's sha256().
class Sha256 {
public:
    static std::array<std::uint8_t, 32> digest(const void* data, std::size_t size);
    // The first `length` hex digits of the digest.
    static std::string hex(std::string_view data, std::size_t length = 64);
};

}  // namespace portico
