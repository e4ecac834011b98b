#include "database/Field.h"

#include "database/Recordset.h"

namespace portico {

const std::string& Field::Name() const { return recordset_->fieldName(index_); }

const Variant& Field::Value() const { return recordset_->fieldValue(index_); }

void Field::setValue(Variant value) { recordset_->setFieldValue(index_, std::move(value)); }

}  // namespace portico
