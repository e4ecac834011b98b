#pragma once

#include "tessera/Tessera.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace portico::tessera {

// The names a dual interface answers in GetIDsOfNames: each member's dispatch
// identifier and its parameters' names (answered with their position).
class DispatchTable {
public:
    struct Member {
        const char* name;
        std::int32_t dispid;
        std::vector<const char*> parameters;
    };

    explicit DispatchTable(std::initializer_list<Member> members);

    // Names match without regard to case. Fills every identifier (unknown ones
    // with TESSERA_DISPID_UNKNOWN) and fails when any name was unknown.
    TesseraStatus idsOfNames(const char* const* names, std::uint32_t count, std::int32_t* dispids) const;

    const Member* find(std::int32_t dispid) const;

private:
    std::vector<Member> members_;
};

}  // namespace portico::tessera
