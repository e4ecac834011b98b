#pragma once

#include <cstdint>
#include <string>

namespace portico {

// A resource type or name: an integer identifier or a text name (UTF-8).
struct ResourceId {
    bool isInteger = true;
    std::uint16_t id = 0;
    std::string name;

    static ResourceId integer(std::uint16_t value) { return {true, value, {}}; }
    static ResourceId text(std::string value) { return {false, 0, std::move(value)}; }

    // "#" followed by decimal digits names an integer identifier, as resource
    // lookups by text take it; any other text is a name.
    static ResourceId fromText(const std::string& text);

    bool operator==(const ResourceId&) const = default;
};

}  // namespace portico
