#include "views/RecordText.h"

#include "database/Recordset.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

namespace portico {

std::string fieldText(Recordset& records, const std::string& field) {
    const Variant& value = records.Fields(field).Value();
    if (value.isNull() || value.isEmpty()) return {};
    return trimBlanks(value.toText());
}

Recordset& requireRecords(const std::unique_ptr<Recordset>& records) {
    if (!records) throw PorticoError(errors::kObjectNotSet, "Object variable or With block variable not set", "Portico");
    return *records;
}

}  // namespace portico
