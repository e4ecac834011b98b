#include "database/Recordset.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace portico {
namespace {

enum class EditMode { None, Edit, Add };

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

std::string stripBrackets(const std::string& table) {
    if (table.size() >= 2 && table.front() == '[' && table.back() == ']') return table.substr(1, table.size() - 2);
    return table;
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
        if (!table.empty() && conn && conn->State() == Connection::adStateOpen) findKey(conn->engine(ado::kRecordsetSource));
        if (!wholeTable && keyIndex < 0) table.clear();
    }

    // Finds the field holding `table`'s integer key, which identifies a row.
    // Also notes the text columns.
    void findKey(Engine& engine) {
        keyIndex = -1;
        textColumn.assign(columns.size(), false);
        for (std::size_t i = 0; i < columns.size(); ++i)
            textColumn[i] = !columns[i].empty() && engine.isTextColumn(table, columns[i]);
        const std::string key = engine.keyColumn(table);
        if (key.empty()) return;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (sameName(columns[i], key)) {
                keyIndex = static_cast<int>(i);
                return;
            }
        }
    }
};

Recordset::Recordset() : impl_(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::Open(const std::string& sql, const std::shared_ptr<Connection>& connection,
                     const std::vector<Variant>& parameters) {
    if (open_) throw PorticoError(errors::kObjectOpen, "Operation is not allowed when the object is open.", ado::kRecordsetSource);
    auto conn = usableConnection(connection);
    impl_->reset();
    position_ = 0;
    if (sql.find_first_not_of(" \t\r\n") == std::string::npos)
        throw PorticoError(ado::kWrongArguments, ado::kWrongArgumentsText, ado::kRecordsetSource);
    EngineResult result = conn->engine(ado::kRecordsetSource).run(sql, parameters);
    if (result.names.empty()) return;  // DELETE, UPDATE: nothing to hold
    impl_->names = std::move(result.names);
    impl_->columns = std::move(result.columns);
    impl_->rows = std::move(result.rows);
    impl_->table = std::move(result.table);
    impl_->connection = conn;
    open_ = true;
}

void Recordset::OpenTable(const std::string& table, const std::shared_ptr<Connection>& connection) {
    if (open_) throw PorticoError(errors::kObjectOpen, "Operation is not allowed when the object is open.", ado::kRecordsetSource);
    auto conn = usableConnection(connection);
    impl_->reset();
    position_ = 0;
    std::string name = stripBrackets(table);
    for (auto& column : conn->engine(ado::kRecordsetSource).tableColumns(name)) {
        impl_->names.push_back(column);
        impl_->columns.push_back(std::move(column));
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

    std::vector<std::string> columns;
    std::vector<Variant> values;
    for (std::size_t i : changed) {
        columns.push_back(impl_->columns[i]);
        values.push_back(row[i]);
    }
    Engine& engine = conn->engine(ado::kRecordsetSource);
    const std::string key = impl_->keyIndex >= 0 ? impl_->columns[static_cast<std::size_t>(impl_->keyIndex)] : "";
    if (impl_->mode == EditMode::Add) {
        const std::int64_t newKey = engine.insertRow(impl_->table, columns, values, key);
        // The row as the table now holds it: the new key, nulls where nothing was assigned.
        for (auto& value : row)
            if (value.isEmpty()) value = Variant::null();
        if (impl_->keyIndex >= 0) row[static_cast<std::size_t>(impl_->keyIndex)] = Variant(newKey);
    } else {
        if (changed.empty()) {
            impl_->mode = EditMode::None;
            return;
        }
        engine.updateRow(impl_->table, columns, values, key, impl_->originalKey);
    }
    impl_->mode = EditMode::None;
    impl_->dirty.clear();
}

}  // namespace portico
