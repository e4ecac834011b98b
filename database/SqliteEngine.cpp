#include "database/SqliteEngine.h"

#include "database/AdoErrors.h"
#include "database/ChangeHistory.h"
#include "database/Connection.h"
#include "database/NameFold.h"
#include "database/SqlText.h"
#include "settings/PorticoError.h"

#include <sqlite3.h>

#include <strings.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <unordered_map>

namespace portico {
namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

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

// An older catalogue gets this release's columns when it can be written; one
// that cannot is used as it is (its programs are ordinary ones).
void addMissingColumns(sqlite3* db) {
    if (sqlite3_db_readonly(db, "main") != 0) return;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT (SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'Program' "
                           "COLLATE NOCASE), (SELECT count(*) FROM pragma_table_info('Program') WHERE name = "
                           "'Program_Terminal' COLLATE NOCASE)",
                           -1, &raw, nullptr) != SQLITE_OK)
        return;
    const std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw);
    if (sqlite3_step(raw) != SQLITE_ROW) return;
    if (sqlite3_column_int(raw, 0) == 1 && sqlite3_column_int(raw, 1) == 0)
        sqlite3_exec(db, "ALTER TABLE Program ADD COLUMN Program_Terminal INTEGER", nullptr, nullptr, nullptr);
}

// The engine keeps a quoted name as written.
constexpr SqlText kSqlText(SqlText::Names::AsWritten);

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

class SqliteEngine final : public Engine {
public:
    SqliteEngine(const std::string& file, int commandTimeout) {
        if (file.empty())
            throw PorticoError(SQLITE_CANTOPEN, "unable to open database file: no file named", ado::kEngineSource);
        sqlite3* raw = nullptr;
        // Never SQLITE_OPEN_CREATE: a missing catalogue must fail, not appear empty.
        const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
        if (rc != SQLITE_OK) {
            const std::string message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
            throw PorticoError(rc & 0xff, message + ": " + file, ado::kEngineSource);
        }
        setUp(std::move(db), commandTimeout);
    }

    // A private in-memory database holding a copy of `image`.
    SqliteEngine(const std::uint8_t* image, std::size_t size, int commandTimeout) {
        sqlite3* raw = nullptr;
        int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
        std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
        if (rc == SQLITE_OK) {
            // The engine owns the copy from here on, and frees it even when it refuses it.
            auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(size ? size : 1));
            if (!copy) {
                rc = SQLITE_NOMEM;
            } else {
                if (size) std::memcpy(copy, image, size);
                rc = sqlite3_deserialize(db.get(), "main", copy, static_cast<sqlite3_int64>(size),
                                         static_cast<sqlite3_int64>(size),
                                         SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
            }
        }
        if (rc != SQLITE_OK) {
            const std::string message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
            throw PorticoError(rc & 0xff, message + ": a catalogue image", ado::kEngineSource);
        }
        setUp(std::move(db), commandTimeout);
    }

    ~SqliteEngine() override { statements_.clear(); }

    const char* source() const override { return ado::kEngineSource; }
    bool isOpen() const override { return true; }
    void setCommandTimeout(int seconds) override {
        timeout_ = std::chrono::seconds(seconds);
        sqlite3_busy_handler(db_.get(), &SqliteEngine::onBusy, this);
    }

    EngineResult run(const std::string& sql, const std::vector<Variant>& parameters) override {
        sqlite3_stmt* statement = prepare(sql);
        StatementReset resetAfterUse(statement);
        const int parameterCount = sqlite3_bind_parameter_count(statement);
        if (parameterCount != static_cast<int>(parameters.size()))
            throw PorticoError(ado::kWrongArguments, ado::kWrongArgumentsText, ado::kRecordsetSource);
        for (int i = 0; i < parameterCount; ++i) bind(statement, i + 1, parameters[static_cast<std::size_t>(i)]);

        EngineResult result;
        const int columnCount = sqlite3_column_count(statement);
        std::vector<bool> isDate(static_cast<std::size_t>(columnCount));
        std::string commonTable;
        bool singleTable = columnCount > 0;
        for (int i = 0; i < columnCount; ++i) {
            result.names.emplace_back(sqlite3_column_name(statement, i));
            const char* origin = sqlite3_column_origin_name(statement, i);
            const char* table = sqlite3_column_table_name(statement, i);
            result.columns.emplace_back(origin ? origin : "");
            const char* declaredType = sqlite3_column_decltype(statement, i);
            isDate[static_cast<std::size_t>(i)] = declaredType && strcasecmp(declaredType, "DATE") == 0;
            if (!table || (i > 0 && commonTable != table)) singleTable = false;
            if (table && i == 0) commonTable = table;
        }
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            std::vector<Variant> row;
            row.reserve(static_cast<std::size_t>(columnCount));
            for (int i = 0; i < columnCount; ++i)
                row.push_back(columnValue(statement, i, isDate[static_cast<std::size_t>(i)]));
            result.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) throwError(rc);
        if (singleTable) result.table = commonTable;
        return result;
    }

    // IMMEDIATE takes the write lock at once (waiting up to the command timeout),
    // so a transaction never fails half-way because another program writes.
    void begin() override { execute("BEGIN IMMEDIATE"); }
    void commit() override { execute("COMMIT"); }
    void rollback() override { execute("ROLLBACK"); }

    std::vector<std::string> tableNames() override {
        std::vector<std::string> names;
        for (auto& row : run("SELECT name FROM sqlite_master WHERE type = 'table'", {}).rows)
            names.push_back(row[0].toText());
        return names;
    }

    std::vector<std::string> tableColumns(std::string& table) override {
        // Only the column names are needed: the table's rows are not read.
        sqlite3_stmt* statement = prepare("SELECT * FROM " + kSqlText.quote(table) + " LIMIT 0");
        StatementReset resetAfterUse(statement);
        std::vector<std::string> columns;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) columns.emplace_back(sqlite3_column_name(statement, i));
        return columns;
    }

    bool isTextColumn(const std::string& table, const std::string& column) override {
        const char* declaredType = nullptr;
        if (sqlite3_table_column_metadata(db_.get(), nullptr, table.c_str(), column.c_str(), &declaredType, nullptr,
                                          nullptr, nullptr, nullptr) != SQLITE_OK || !declaredType)
            return false;
        // The engine's rule: a declared type naming INT is a number, else one naming CHAR, CLOB or TEXT is text.
        std::string type = declaredType;
        for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (type.find("INT") != std::string::npos) return false;
        return type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
               type.find("TEXT") != std::string::npos;
    }

    std::string keyColumn(const std::string& table) override {
        std::string name = table;
        for (const auto& column : tableColumns(name)) {
            const char* declaredType = nullptr;
            int primaryKey = 0;
            if (sqlite3_table_column_metadata(db_.get(), nullptr, table.c_str(), column.c_str(), &declaredType, nullptr,
                                              nullptr, &primaryKey, nullptr) == SQLITE_OK &&
                primaryKey && declaredType && strcasecmp(declaredType, "INTEGER") == 0)
                return column;
        }
        return {};
    }

    std::int64_t insertRow(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<Variant>& values, const std::string& key) override {
        step(kSqlText.insert(table, columns), values);
        return key.empty() ? 0 : static_cast<std::int64_t>(sqlite3_last_insert_rowid(db_.get()));
    }

    // AUTOINCREMENT keeps its counter above every key it has seen.
    void resetKeyCounter(const std::string&, const std::string&) override {}

    void updateRow(const std::string& table, const std::vector<std::string>& columns, const std::vector<Variant>& values,
                   const std::string& key, const Variant& keyValue) override {
        std::vector<Variant> bound = values;
        bound.push_back(keyValue);
        step(kSqlText.update(table, columns, key), bound);
    }

private:
    // Declared first so that the statements are finalized before the database closes.
    std::unique_ptr<sqlite3, DatabaseCloser> db_;
    std::unordered_map<std::string, std::unique_ptr<sqlite3_stmt, StatementFinalizer>> statements_;
    std::chrono::milliseconds timeout_{0};
    std::chrono::steady_clock::time_point waitingSince_;

    void setUp(std::unique_ptr<sqlite3, DatabaseCloser> db, int commandTimeout) {
        sqlite3_extended_result_codes(db.get(), 0);
        // The unique name indexes use our collation; without it no row could be written.
        NameFold::registerEverywhere();
        NameFold::registerOn(db.get());
        // Every program row carries its picture, so rows fill whole pages; the
        // engine's default 2 MiB cache would send most lookups back to the file.
        sqlite3_exec(db.get(), "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
        db_ = std::move(db);
        setCommandTimeout(commandTimeout);
        addMissingColumns(db_.get());
        ChangeHistory::attachToFile(db_.get());
    }

    // The engine's busy handler: waits in short steps up to the command timeout,
    // telling the program at each step. `count` is 0 at the start of each wait.
    static int onBusy(void* self, int count) {
        auto& engine = *static_cast<SqliteEngine*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (count == 0) engine.waitingSince_ = now;
        if (now - engine.waitingSince_ >= engine.timeout_) return 0;
        Connection::notifyBusy();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return 1;
    }

    [[noreturn]] void throwError(int code) const {
        throw PorticoError(code & 0xff, sqlite3_errmsg(db_.get()), ado::kEngineSource);
    }

    void execute(const char* sql) {
        if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) throwError(sqlite3_errcode(db_.get()));
    }

    void step(const std::string& sql, const std::vector<Variant>& values) {
        sqlite3_stmt* statement = prepare(sql);
        StatementReset resetAfterUse(statement);
        for (std::size_t i = 0; i < values.size(); ++i) bind(statement, static_cast<int>(i) + 1, values[i]);
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_DONE) throwError(rc);
    }

    // A prepared statement, kept and reused for the same SQL text.
    sqlite3_stmt* prepare(const std::string& sql) {
        if (auto found = statements_.find(sql); found != statements_.end()) {
            sqlite3_reset(found->second.get());
            sqlite3_clear_bindings(found->second.get());
            return found->second.get();
        }
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v3(db_.get(), sql.c_str(), static_cast<int>(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
        std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw);
        if (rc != SQLITE_OK) throwError(rc);
        if (!statement) throw PorticoError(SQLITE_MISUSE, "empty statement", ado::kEngineSource);
        auto& slot = statements_[sql];
        slot = std::move(statement);
        return slot.get();
    }

    void bind(sqlite3_stmt* statement, int index, const Variant& value) {
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
        if (rc != SQLITE_OK) throwError(rc);
    }
};

}  // namespace

std::unique_ptr<Engine> openSqliteEngine(const std::string& file, int commandTimeout) {
    return std::make_unique<SqliteEngine>(file, commandTimeout);
}

std::unique_ptr<Engine> openSqliteImage(const std::uint8_t* image, std::size_t size, int commandTimeout) {
    return std::make_unique<SqliteEngine>(image, size, commandTimeout);
}

}  // namespace portico
