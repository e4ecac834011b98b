#pragma once

#include "tessera/Tessera.h"

#include <string>

namespace portico::tessera {

bool sameGuid(const TesseraGuid* a, const TesseraGuid& b) noexcept;
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry writes it.
std::string guidString(const TesseraGuid& guid);

}  // namespace portico::tessera
