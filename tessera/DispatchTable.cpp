#include "tessera/DispatchTable.h"

#include <strings.h>

#include <utility>

namespace portico::tessera {

namespace {

bool sameName(const char* a, const char* b) { return ::strcasecmp(a, b) == 0; }

}  // namespace

DispatchTable::DispatchTable(std::initializer_list<Member> members) : members_(members) {}

DispatchTable::DispatchTable(std::vector<Member> members) : members_(std::move(members)) {}

TesseraStatus DispatchTable::idsOfNames(const char* const* names, std::uint32_t count, std::int32_t* dispids) const {
    if (count == 0) return TESSERA_S_OK;
    if (!names || !dispids) return TESSERA_E_POINTER;
    for (std::uint32_t i = 0; i < count; ++i) dispids[i] = TESSERA_DISPID_UNKNOWN;

    const Member* member = nullptr;
    if (names[0]) {
        for (const auto& candidate : members_) {
            if (sameName(candidate.name, names[0])) {
                member = &candidate;
                break;
            }
        }
    }
    if (!member) return TESSERA_DISP_E_UNKNOWNNAME;
    dispids[0] = member->dispid;

    bool allKnown = true;
    for (std::uint32_t i = 1; i < count; ++i) {
        bool found = false;
        for (std::size_t p = 0; names[i] && p < member->parameters.size() && member->parameters[p]; ++p) {
            if (sameName(member->parameters[p], names[i])) {
                dispids[i] = static_cast<std::int32_t>(p);
                found = true;
                break;
            }
        }
        allKnown = allKnown && found;
    }
    return allKnown ? TESSERA_S_OK : TESSERA_DISP_E_UNKNOWNNAME;
}

const DispatchTable::Member* DispatchTable::find(std::int32_t dispid) const {
    for (const auto& member : members_) {
        if (member.dispid == dispid) return &member;
    }
    return nullptr;
}

}  // namespace portico::tessera
