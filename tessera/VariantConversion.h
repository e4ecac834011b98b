#pragma once

#include "tessera/Tessera.h"

#include <cstdint>
#include <string>

namespace portico {
class Variant;
}

namespace portico::tessera {

// Moves values between the C variant and the data layer's field values, with
// the coercions the platform's automation makes for arguments. Failures throw
// PorticoError: 13 "Type mismatch", 6 "Overflow", 94 "Invalid use of Null".
class VariantConversion {
public:
    // Fills `out` with a copy the client owns. `out` is overwritten, not cleared.
    static void toC(const Variant& value, TesseraVariant& out);
    // A field value from a client's variant (the client keeps its variant).
    static Variant fromC(const TesseraVariant& value);

    static std::string toText(const TesseraVariant& value);
    static std::int16_t toInt16(const TesseraVariant& value);
    static std::int64_t toInt64(const TesseraVariant& value);

    // Releases what a library-filled variant owns and leaves it empty.
    static void clear(TesseraVariant& value) noexcept;

    static bool isMissing(const TesseraVariant& value) noexcept {
        return value.vt == TESSERA_VT_ERROR && value.u.scode == TESSERA_DISP_E_PARAMNOTFOUND;
    }
};

}  // namespace portico::tessera
