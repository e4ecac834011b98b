#pragma once

#include "tessera/Tessera.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace portico::tessera {

// The names a dual interface answers in GetIDsOfNames: each member's dispatch
// identifier and its parameters' names (answered with their position).
class DispatchTable {
public:
    static constexpr std::size_t kMostParameters = 6;

    // A fixed array rather than a vector, so a member table can be a constant.
    struct Member {
        const char* name;
        std::int32_t dispid;
        std::array<const char*, kMostParameters> parameters{};  // in order; the unused ones null
    };

    explicit DispatchTable(std::initializer_list<Member> members);
    explicit DispatchTable(std::vector<Member> members);

    // Names match without regard to case. Fills every identifier (unknown ones
    // with TESSERA_DISPID_UNKNOWN) and fails when any name was unknown.
    TesseraStatus idsOfNames(const char* const* names, std::uint32_t count, std::int32_t* dispids) const;

    const Member* find(std::int32_t dispid) const;

private:
    std::vector<Member> members_;
};

}  // namespace portico::tessera
