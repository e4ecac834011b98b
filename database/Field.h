#pragma once

#include "database/Variant.h"

#include <string>

namespace portico {

class Recordset;

// One column of a record set, seen on its current row. A light handle: it stays
// valid as long as its record set, and follows the record set's position.
class Field {
public:
    Field(Recordset& recordset, int index) : recordset_(&recordset), index_(index) {}

    const std::string& Name() const;
    // Raise 3021 when the record set has no current row.
    const Variant& Value() const;
    void setValue(Variant value);

private:
    Recordset* recordset_;
    int index_;
};

}  // namespace portico
