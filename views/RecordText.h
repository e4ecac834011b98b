#pragma once

#include <memory>
#include <string>

namespace portico {

class Recordset;

// A field of the current row as trimmed text; a null (or empty) value reads as "".
std::string fieldText(Recordset& records, const std::string& field);

// The data layer answers a failed query with no record set (after its own
// report). Code that goes on to use one fails the way an unset object does:
// error 91, which nothing here handles.
Recordset& requireRecords(const std::unique_ptr<Recordset>& records);

}  // namespace portico
