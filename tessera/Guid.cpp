#include "tessera/Guid.h"

#include <cstdio>
#include <cstring>

namespace portico::tessera {

bool sameGuid(const TesseraGuid* a, const TesseraGuid& b) noexcept {
    return a && a->Data1 == b.Data1 && a->Data2 == b.Data2 && a->Data3 == b.Data3 &&
           std::memcmp(a->Data4, b.Data4, sizeof b.Data4) == 0;
}

std::string guidString(const TesseraGuid& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

}  // namespace portico::tessera
