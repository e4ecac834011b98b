#include "Recordset.h"

#include "AdoErrors.h"
#include "Connection.h"
#include "PorticoError.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace portico {
namespace {

enum class EditMode { None, Edit, Add };

// Hands a cached statement back in a clean state, whatever happened while it ran.
class StatementReset {
public:
    explicit StatementReset(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementReset() { sqlite3_reset(statement_); }
    StatementReset(const StatementReset&) = delete;
    StatementReset& operator=(const StatementReset&) = delete;

private:
    sqlite3_stmt* statement_;
};

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

std::string quoteIdentifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string stripBrackets(const std::string& table) {
    if (table.size() >= 2 && table.front() == '[' && table.back() == ']') return table.substr(1, table.size() - 2);
    return table;
}

void bindValue(Connection& connection, sqlite3_stmt* statement, int index, const Variant& value) {
    int rc = SQLITE_OK;
    switch (value.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null: rc = sqlite3_bind_null(statement, index); break;
    case Variant::Type::Integer: rc = sqlite3_bind_int64(statement, index, value.toInt64()); break;
    case Variant::Type::Number: rc = sqlite3_bind_double(statement, index, value.toDouble()); break;
    case Variant::Type::Text:
    case Variant::Type::Date: {
        const std::string text = value.toText();
        rc = sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case Variant::Type::Bytes: {
        const Bytes& bytes = value.bytes();
        // A zero-length blob bound from a null pointer would be stored as NULL.
        rc = bytes.empty() ? sqlite3_bind_zeroblob(statement, index, 0)
                           : sqlite3_bind_blob64(statement, index, bytes.data(), bytes.size(), SQLITE_STATIC);
        break;
    }
    }
    if (rc != SQLITE_OK) connection.throwEngineError(rc);
}

Variant columnValue(sqlite3_stmt* statement, int column, bool isDate) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return Variant(static_cast<std::int64_t>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        std::string value(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
        return isDate ? Variant::date(std::move(value)) : Variant(std::move(value));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
        return Variant(data ? Bytes(data, data + size) : Bytes{});
    }
    default: return Variant::null();
    }
}

// The engine's rule: a declared type naming INT is a number, else one naming CHAR, CLOB or TEXT is text.
bool hasTextAffinity(std::string type) {
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (type.find("INT") != std::string::npos) return false;
    return type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
           type.find("TEXT") != std::string::npos;
}

std::shared_ptr<Connection> usableConnection(const std::shared_ptr<Connection>& connection) {
    if (!connection || connection->State() != Connection::adStateOpen)
        throw PorticoError(ado::kConnectionNotUsable, ado::kConnectionNotUsableText, ado::kRecordsetSource);
    return connection;
}

}  // namespace

struct Recordset::Impl {
    std::weak_ptr<Connection> connection;
    std::vector<std::string> names;
    std::vector<std::string> columns;  // column of `table` behind each field
    std::string table;                 // set when rows can be written back
    int keyIndex = -1;                 // the table's integer key among the fields
    bool keyResolved = false;          // looked up on the first change, not on every query
    bool wholeTable = false;           // opened by OpenTable: rows can be added without a key
    std::vector<std::vector<Variant>> rows;
    EditMode mode = EditMode::None;
    std::vector<bool> dirty;
    Variant originalKey;  // identifies the edited row even when its key is changed
    std::vector<bool> textColumn;  // fields whose column is declared as text

    void reset() {
        names.clear();
        columns.clear();
        table.clear();
        keyIndex = -1;
        keyResolved = false;
        wholeTable = false;
        rows.clear();
        mode = EditMode::None;
        dirty.clear();
        textColumn.clear();
    }

    // Decides whether rows can be written back: a query result needs the key of
    // its one table among its fields.
    void resolveKey() {
        if (keyResolved) return;
        keyResolved = true;
        auto conn = connection.lock();
        if (!table.empty() && conn && conn->State() == Connection::adStateOpen) findKey(conn->handle());
        if (!wholeTable && keyIndex < 0) table.clear();
    }

    // Finds the field holding `table`'s INTEGER PRIMARY KEY, which identifies a row.
    // Also notes the text columns.
    void findKey(sqlite3* db) {
        keyIndex = -1;
        textColumn.assign(columns.size(), false);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const char* declaredType = nullptr;
            int primaryKey = 0;
            if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), columns[i].c_str(), &declaredType, nullptr,
                                              nullptr, &primaryKey, nullptr) != SQLITE_OK)
                continue;
            textColumn[i] = declaredType && hasTextAffinity(declaredType);
            if (keyIndex < 0 && primaryKey && declaredType && strcasecmp(declaredType, "INTEGER") == 0)
                keyIndex = static_cast<int>(i);
        }
    }
};

Recordset::Recordset() : impl_(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::Open(const std::string& sql, const std::shared_ptr<Connection>& connection,
                     const std::vector<Variant>& parameters) {
    if (open_) throw PorticoError(3705, "Operation is not allowed when the object is open.", ado::kRecordsetSource);
    auto conn = usableConnection(connection);
    impl_->reset();
    position_ = 0;
    if (sql.find_first_not_of(" \t\r\n") == std::string::npos)
        throw PorticoError(ado::kWrongArguments, ado::kWrongArgumentsText, ado::kRecordsetSource);
    sqlite3_stmt* statement = conn->prepareCached(sql);
    StatementReset resetAfterUse(statement);
    const int parameterCount = sqlite3_bind_parameter_count(statement);
    if (parameterCount != static_cast<int>(parameters.size()))
        throw PorticoError(ado::kWrongArguments, ado::kWrongArgumentsText, ado::kRecordsetSource);
    for (int i = 0; i < parameterCount; ++i) bindValue(*conn, statement, i + 1, parameters[static_cast<std::size_t>(i)]);

    const int columnCount = sqlite3_column_count(statement);
    std::vector<bool> isDate(static_cast<std::size_t>(columnCount));
    std::string commonTable;
    bool singleTable = columnCount > 0;
    for (int i = 0; i < columnCount; ++i) {
        impl_->names.emplace_back(sqlite3_column_name(statement, i));
        const char* origin = sqlite3_column_origin_name(statement, i);
        const char* table = sqlite3_column_table_name(statement, i);
        impl_->columns.emplace_back(origin ? origin : "");
        const char* declaredType = sqlite3_column_decltype(statement, i);
        isDate[static_cast<std::size_t>(i)] = declaredType && strcasecmp(declaredType, "DATE") == 0;
        if (!table || (i > 0 && commonTable != table)) singleTable = false;
        if (table && i == 0) commonTable = table;
    }

    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<Variant> row;
        row.reserve(static_cast<std::size_t>(columnCount));
        for (int i = 0; i < columnCount; ++i) row.push_back(columnValue(statement, i, isDate[static_cast<std::size_t>(i)]));
        impl_->rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        impl_->reset();
        conn->throwEngineError(rc);
    }
    if (columnCount == 0) return;  // DELETE, UPDATE: nothing to hold

    impl_->connection = conn;
    if (singleTable) {
        impl_->table = commonTable;
    }
    open_ = true;
}

void Recordset::OpenTable(const std::string& table, const std::shared_ptr<Connection>& connection) {
    if (open_) throw PorticoError(3705, "Operation is not allowed when the object is open.", ado::kRecordsetSource);
    auto conn = usableConnection(connection);
    impl_->reset();
    position_ = 0;
    const std::string name = stripBrackets(table);
    // Only the column names are needed to add rows: the table's rows are not read.
    sqlite3_stmt* statement = conn->prepareCached("SELECT * FROM " + quoteIdentifier(name) + " LIMIT 0");
    StatementReset resetAfterUse(statement);
    const int columnCount = sqlite3_column_count(statement);
    for (int i = 0; i < columnCount; ++i) {
        impl_->names.emplace_back(sqlite3_column_name(statement, i));
        impl_->columns.emplace_back(sqlite3_column_name(statement, i));
    }
    impl_->connection = conn;
    impl_->table = name;
    impl_->wholeTable = true;
    impl_->resolveKey();
    open_ = true;
}

void Recordset::Close() {
    impl_->reset();
    impl_->connection.reset();
    position_ = 0;
    open_ = false;
}

void Recordset::requireOpen(const char* /*operation*/) const {
    if (!open_) throw PorticoError(ado::kObjectClosed, ado::kObjectClosedText, ado::kRecordsetSource);
}

long Recordset::RecordCount() const {
    requireOpen("RecordCount");
    return static_cast<long>(impl_->rows.size());
}

bool Recordset::IsEOF() const {
    requireOpen("EOF");
    return position_ >= static_cast<long>(impl_->rows.size());
}

bool Recordset::BOF() const {
    requireOpen("BOF");
    return impl_->rows.empty();
}

void Recordset::MoveFirst() {
    requireOpen("MoveFirst");
    if (impl_->mode != EditMode::None) Update();
    position_ = 0;
}

void Recordset::MoveNext() {
    requireOpen("MoveNext");
    if (position_ >= static_cast<long>(impl_->rows.size()))
        throw PorticoError(ado::kNoCurrentRecord, ado::kNoCurrentRecordText, ado::kRecordsetSource);
    if (impl_->mode != EditMode::None) Update();
    ++position_;
}

int Recordset::FieldCount() const {
    requireOpen("Fields");
    return static_cast<int>(impl_->names.size());
}

bool Recordset::hasField(const std::string& name) const {
    return std::any_of(impl_->names.begin(), impl_->names.end(), [&](const std::string& n) { return sameName(n, name); });
}

Field Recordset::Fields(const std::string& name) {
    requireOpen("Fields");
    for (std::size_t i = 0; i < impl_->names.size(); ++i)
        if (sameName(impl_->names[i], name)) return Field(*this, static_cast<int>(i));
    throw PorticoError(ado::kItemNotFound, ado::kItemNotFoundText, ado::kRecordsetSource);
}

Field Recordset::Fields(int index) {
    requireOpen("Fields");
    if (index < 0 || index >= static_cast<int>(impl_->names.size()))
        throw PorticoError(ado::kItemNotFound, ado::kItemNotFoundText, ado::kRecordsetSource);
    return Field(*this, index);
}

const std::string& Recordset::fieldName(int index) const { return impl_->names.at(static_cast<std::size_t>(index)); }

const Variant& Recordset::fieldValue(int index) const {
    requireOpen("Value");
    if (position_ < 0 || position_ >= static_cast<long>(impl_->rows.size()))
        throw PorticoError(ado::kNoCurrentRecord, ado::kNoCurrentRecordText, ado::kFieldSource);
    return impl_->rows[static_cast<std::size_t>(position_)].at(static_cast<std::size_t>(index));
}

void Recordset::setFieldValue(int index, Variant value) {
    requireOpen("Value");
    if (position_ < 0 || position_ >= static_cast<long>(impl_->rows.size()))
        throw PorticoError(ado::kNoCurrentRecord, ado::kNoCurrentRecordText, ado::kFieldSource);
    impl_->resolveKey();
    if (impl_->table.empty()) throw PorticoError(ado::kNotUpdatable, ado::kNotUpdatableText, ado::kRecordsetSource);
    // The engine would keep bytes in a text column as they are, and every reader
    // of the names (both programs' lists) would then fail on that row.
    const auto column = static_cast<std::size_t>(index);
    if (value.type() == Variant::Type::Bytes && column < impl_->textColumn.size() && impl_->textColumn[column])
        throw PorticoError(ado::kTypeMismatch,
                           std::string(ado::kTypeMismatchText) + ": " + impl_->names.at(column) + " takes text, not bytes",
                           ado::kFieldSource);
    if (impl_->mode == EditMode::None) {
        // Without the table's key, a stored row cannot be found again to change it.
        if (impl_->keyIndex < 0) throw PorticoError(ado::kNotUpdatable, ado::kNotUpdatableText, ado::kRecordsetSource);
        impl_->mode = EditMode::Edit;
        impl_->dirty.assign(impl_->names.size(), false);
        impl_->originalKey = impl_->rows[static_cast<std::size_t>(position_)][static_cast<std::size_t>(impl_->keyIndex)];
    }
    impl_->rows[static_cast<std::size_t>(position_)].at(column) = std::move(value);
    impl_->dirty[column] = true;
}

void Recordset::AddNew() {
    requireOpen("AddNew");
    impl_->resolveKey();
    if (impl_->table.empty()) throw PorticoError(ado::kNotUpdatable, ado::kNotUpdatableText, ado::kRecordsetSource);
    if (impl_->mode != EditMode::None) Update();
    impl_->rows.emplace_back(impl_->names.size());
    position_ = static_cast<long>(impl_->rows.size()) - 1;
    impl_->mode = EditMode::Add;
    impl_->dirty.assign(impl_->names.size(), false);
}

void Recordset::CancelUpdate() {
    requireOpen("CancelUpdate");
    if (impl_->mode == EditMode::Add) {
        impl_->rows.pop_back();
        position_ = 0;
    }
    impl_->mode = EditMode::None;
    impl_->dirty.clear();
}

void Recordset::Update() {
    requireOpen("Update");
    if (impl_->mode == EditMode::None) return;
    auto conn = usableConnection(impl_->connection.lock());
    auto& row = impl_->rows[static_cast<std::size_t>(position_)];

    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < impl_->dirty.size(); ++i)
        if (impl_->dirty[i]) changed.push_back(i);

    std::string sql;
    const std::string table = quoteIdentifier(impl_->table);
    if (impl_->mode == EditMode::Add) {
        if (changed.empty()) {
            sql = "INSERT INTO " + table + " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (std::size_t i : changed) {
                names += (names.empty() ? "" : ", ") + quoteIdentifier(impl_->columns[i]);
                marks += marks.empty() ? "?" : ", ?";
            }
            sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
        }
    } else {
        if (changed.empty()) {
            impl_->mode = EditMode::None;
            return;
        }
        std::string assignments;
        for (std::size_t i : changed) assignments += (assignments.empty() ? "" : ", ") + quoteIdentifier(impl_->columns[i]) + " = ?";
        sql = "UPDATE " + table + " SET " + assignments + " WHERE " +
              quoteIdentifier(impl_->columns[static_cast<std::size_t>(impl_->keyIndex)]) + " = ?";
    }

    sqlite3_stmt* statement = conn->prepareCached(sql);
    StatementReset resetAfterUse(statement);
    int index = 1;
    for (std::size_t i : changed) bindValue(*conn, statement, index++, row[i]);
    if (impl_->mode == EditMode::Edit) bindValue(*conn, statement, index, impl_->originalKey);
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) conn->throwEngineError(rc);

    if (impl_->mode == EditMode::Add) {
        // The row as the table now holds it: the new key, nulls where nothing was assigned.
        for (auto& value : row)
            if (value.isEmpty()) value = Variant::null();
        if (impl_->keyIndex >= 0)
            row[static_cast<std::size_t>(impl_->keyIndex)] =
                Variant(static_cast<std::int64_t>(sqlite3_last_insert_rowid(conn->handle())));
    }
    impl_->mode = EditMode::None;
    impl_->dirty.clear();
}

}  // namespace portico
