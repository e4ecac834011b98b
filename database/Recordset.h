#pragma once

#include "database/Field.h"
#include "database/Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace portico {

class Connection;

// A query result fetched whole into memory and positioned on its first row, like
// an ADO record set with a client-side cursor. Fields are found by column name
// or alias without regard to case. The current row of a result drawn from one
// table that includes the table's key can be changed and written back; a table
// opened with OpenTable takes new rows without fetching the existing ones.
class Recordset {
public:
    static constexpr int adStateClosed = 0;
    static constexpr int adStateOpen = 1;

    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Runs `sql` with `parameters` bound to its `?` placeholders in order. A
    // statement that returns no columns (DELETE, UPDATE) is run and leaves the
    // record set closed.
    void Open(const std::string& sql, const std::shared_ptr<Connection>& connection,
              const std::vector<Variant>& parameters = {});
    // Opens `table` (a bare or bracketed name) to add rows.
    void OpenTable(const std::string& table, const std::shared_ptr<Connection>& connection);
    void Close();
    int State() const { return open_ ? adStateOpen : adStateClosed; }

    long RecordCount() const;
    // ADO's EOF (a macro of <cstdio>, hence the name): no current row, past the end.
    bool IsEOF() const;
    bool BOF() const;
    void MoveFirst();
    void MoveNext();
    long AbsolutePosition() const { return position_; }

    int FieldCount() const;
    // Raise 3265 for a name that the result does not have.
    Field Fields(const std::string& name);
    Field Fields(int index);
    bool hasField(const std::string& name) const;

    // A new row, current until Update or CancelUpdate.
    void AddNew();
    // Writes the new row, or the changed fields of the current row.
    void Update();
    void CancelUpdate();

private:
    friend class Field;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool open_ = false;
    long position_ = 0;

    const std::string& fieldName(int index) const;
    const Variant& fieldValue(int index) const;
    void setFieldValue(int index, Variant value);
    void requireOpen(const char* operation) const;
};

}  // namespace portico
