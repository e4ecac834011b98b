#pragma once

#include "tessera/Tessera.h"

#include <cstdint>

namespace portico::tessera {

// Dispatch by name for _clsDBRoutines: the published dispatch identifiers, and
// Invoke, which converts an array of variants to a member's arguments and calls
// the member through the interface's own function table.
class DBRoutinesDispatch {
public:
    static TesseraStatus idsOfNames(const char* const* names, std::uint32_t count, std::int32_t* dispids);
    static TesseraStatus invoke(_clsDBRoutines* self, std::int32_t dispid, std::uint16_t flags,
                                const TesseraVariant* args, std::uint32_t argCount, TesseraVariant* result);
};

}  // namespace portico::tessera
