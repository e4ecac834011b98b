#include "database/PostgresEngine.h"

#include "database/AdoErrors.h"
#include "settings/PorticoError.h"

#include "database/LibPq.h"
#include "settings/ErrorNumbers.h"
#include "settings/TextUtil.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>

namespace portico {

extern const char* const kCatalogueSchema;

namespace {

constexpr const char* kSource = "PostgreSQL";

// Type numbers of pg_type.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kDate = 1082;

struct ConnectionFinisher {
    void operator()(PGconn* connection) const { libpq().PQfinish(connection); }
};
struct ResultClearer {
    void operator()(PGresult* result) const { libpq().PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

// The server folds unquoted names to lower case, and the catalogue's tables
// and columns are created that way, so a quoted name is quoted in lower case.
std::string quoteIdentifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : toLowerAscii(name)) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// One line of libpq's message, without its trailing line break.
std::string oneLine(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "; ");
    return text;
}

bool isIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Every identifier of `sql` by its lower-case form, as first spelt there.
void collectSpellings(const std::string& sql, std::unordered_map<std::string, std::string>& spellings) {
    for (std::size_t i = 0; i < sql.size();) {
        if (sql.compare(i, 2, "--") == 0) {
            // A comment's words are no identifiers, and its apostrophes open no text.
            const auto end = sql.find('\n', i);
            i = end == std::string::npos ? sql.size() : end + 1;
        } else if (sql[i] == '\'') {
            const auto end = sql.find('\'', i + 1);
            i = end == std::string::npos ? sql.size() : end + 1;
        } else if (isIdentifierStart(sql[i])) {
            std::size_t end = i;
            while (end < sql.size() && isIdentifierChar(sql[end])) ++end;
            std::string word = sql.substr(i, end - i);
            spellings.emplace(toLowerAscii(word), std::move(word));
            i = end;
        } else {
            ++i;
        }
    }
}

const std::unordered_map<std::string, std::string>& catalogueSpellings() {
    static const auto spellings = [] {
        std::unordered_map<std::string, std::string> map;
        collectSpellings(kCatalogueSchema, map);
        return map;
    }();
    return spellings;
}

struct Translation {
    std::string sql;
    int parameterCount = 0;
};

// The catalogue's SQL in the server's dialect: `[Name]` becomes "name" and each
// `?` outside quotes becomes $1, $2, ... in order.
Translation translate(const std::string& sql) {
    Translation result;
    result.sql.reserve(sql.size() + 16);
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const auto end = sql.find(c, i + 1);
            const auto stop = end == std::string::npos ? sql.size() : end + 1;
            result.sql.append(sql, i, stop - i);
            i = stop - 1;
        } else if (c == '[') {
            const auto end = sql.find(']', i + 1);
            if (end == std::string::npos) {
                result.sql += c;
                continue;
            }
            result.sql += quoteIdentifier(sql.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '?') {
            result.sql += '$' + std::to_string(++result.parameterCount);
        } else {
            result.sql += c;
        }
    }
    return result;
}

std::uint64_t bigEndian(const char* data, int length) {
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i) value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// A day count from 2000-01-01 as YYYY-MM-DD (proleptic Gregorian calendar).
std::string isoDate(std::int64_t daysSince2000) {
    std::int64_t z = daysSince2000 + 10957 + 719468;  // days since 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    std::array<char, 80> text{};
    std::snprintf(text.data(), text.size(), "%04lld-%02lld-%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day));
    return text.data();
}

// A value of the binary result format.
Variant binaryValue(Oid type, const char* data, int length) {
    switch (type) {
    case kBool: return Variant(length > 0 && data[0] ? -1 : 0);
    case kInt2: return Variant(static_cast<std::int64_t>(static_cast<std::int16_t>(bigEndian(data, 2))));
    case kInt4:
    case kOid:
        if (type == kOid) return Variant(static_cast<std::int64_t>(static_cast<std::uint32_t>(bigEndian(data, 4))));
        return Variant(static_cast<std::int64_t>(static_cast<std::int32_t>(bigEndian(data, 4))));
    case kInt8: return Variant(static_cast<std::int64_t>(bigEndian(data, 8)));
    case kFloat4: {
        const auto bits = static_cast<std::uint32_t>(bigEndian(data, 4));
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return Variant(static_cast<double>(value));
    }
    case kFloat8: {
        const std::uint64_t bits = bigEndian(data, 8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return Variant(value);
    }
    case kBytea: {
        // From bytes, not chars, so that the copy is one memcpy rather than a loop.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        return Variant(Bytes(bytes, bytes + length));
    }
    case kDate: return Variant::date(isoDate(static_cast<std::int32_t>(bigEndian(data, 4))));
    default: return Variant(std::string(data, static_cast<std::size_t>(length)));  // text and its kin
    }
}

class PostgresEngine final : public Engine {
public:
    PostgresEngine(const std::string& connectionString, int connectTimeout, int commandTimeout) {
        const std::string timeout = std::to_string(connectTimeout > 0 ? connectTimeout : 0);
        // A network that goes away mid-statement is noticed within the command
        // timeout (unacknowledged data) or about a minute (keepalives), not never.
        const std::string userTimeout = std::to_string(commandTimeout > 0 ? commandTimeout * 1000L : 0L);
        // The connection string comes last, so what it says wins over these defaults.
        const char* keywords[] = {"connect_timeout", "client_encoding", "application_name", "keepalives_idle",
                                  "keepalives_interval", "keepalives_count", "tcp_user_timeout", "dbname", nullptr};
        const char* values[] = {timeout.c_str(), "UTF8", "Portico", "30", "10", "3", userTimeout.c_str(),
                                connectionString.c_str(), nullptr};
        connection_.reset(libpq().PQconnectdbParams(keywords, values, 1));
        if (!connection_) throw PorticoError(errors::kCannotConnect, "out of memory", kSource);
        if (libpq().PQstatus(connection_.get()) != CONNECTION_OK) {
            throw PorticoError(errors::kCannotConnect,
                               "Cannot connect to the catalogue server: " + oneLine(libpq().PQerrorMessage(connection_.get())),
                               kSource);
        }
        setCommandTimeout(commandTimeout);
        // A catalogue is small and stays in the server's memory, where a row read
        // through an index costs about what a row read in turn does. At the stock
        // figure (4) the planner sorts the whole program table, pictures and all,
        // for every list ordered by name instead of walking the name index. A site
        // that has set a lower figure keeps it.
        execute("SELECT set_config('random_page_cost', least(current_setting('random_page_cost')::float8, 1.1)::text, "
                "false)",
                PGRES_TUPLES_OK);
    }

    const char* source() const override { return kSource; }
    bool isOpen() const override { return libpq().PQstatus(connection_.get()) == CONNECTION_OK; }

    // As libpq resolved the connection string (services and defaults included);
    // never the password.
    std::string location() const override {
        const auto text = [](const char* value) { return std::string(value ? value : ""); };
        const std::string host = text(libpq().PQhost(connection_.get()));
        const std::string port = text(libpq().PQport(connection_.get()));
        // A host that is a folder is where a local server's Unix socket lives.
        const std::string server = !host.empty() && host.front() == '/'
                                       ? "the local server (socket folder " + host + ", port " + port + ")"
                                       : "the server " + host + " (port " + port + ")";
        return "The database \"" + text(libpq().PQdb(connection_.get())) + "\" on " + server;
    }

    void setCommandTimeout(int seconds) override {
        // Bounded waits as with the file engine's busy timeout: a statement or a lock
        // wait that takes longer fails with the server's message.
        const std::string ms = std::to_string(seconds > 0 ? seconds * 1000L : 0L);
        execute("SET statement_timeout = " + ms + "; SET lock_timeout = " + ms);
    }

    EngineResult run(const std::string& sql, const std::vector<Variant>& parameters) override {
        const Statement& statement = prepare(sql);
        if (statement.parameterCount != static_cast<int>(parameters.size()))
            throw PorticoError(ado::kWrongArguments, ado::kWrongArgumentsText, ado::kRecordsetSource);
        sendPrepared(statement, parameters);
        // Rows are taken one at a time rather than as one result holding them all:
        // that result would be a second copy of every picture, and its thousands of
        // picture-sized blocks, freed together, fragment the heap that the next
        // list of pictures is copied into.
        libpq().PQsetSingleRowMode(connection_.get());

        EngineResult out;
        std::vector<Oid> types, tables;
        std::vector<int> columnNumbers;
        bool described = false;
        Result failure;
        // Every result is taken, a failed one too, so that the connection is idle again.
        while (Result result{libpq().PQgetResult(connection_.get())}) {
            const auto status = libpq().PQresultStatus(result.get());
            if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
                if (status != PGRES_COMMAND_OK && !failure) failure = std::move(result);
                continue;
            }
            const int columnCount = libpq().PQnfields(result.get());
            if (!described) {
                described = true;
                for (int i = 0; i < columnCount; ++i) {
                    out.names.push_back(spelling(libpq().PQfname(result.get(), i), statement.spellings));
                    types.push_back(libpq().PQftype(result.get(), i));
                    tables.push_back(libpq().PQftable(result.get(), i));
                    columnNumbers.push_back(libpq().PQftablecol(result.get(), i));
                }
            }
            for (int r = 0; r < libpq().PQntuples(result.get()); ++r) {
                std::vector<Variant> row;
                row.reserve(static_cast<std::size_t>(columnCount));
                for (int i = 0; i < columnCount; ++i) {
                    if (libpq().PQgetisnull(result.get(), r, i)) {
                        row.push_back(Variant::null());
                    } else {
                        row.push_back(binaryValue(types[static_cast<std::size_t>(i)], libpq().PQgetvalue(result.get(), r, i),
                                                  libpq().PQgetlength(result.get(), r, i)));
                    }
                }
                out.rows.push_back(std::move(row));
            }
        }
        if (failure || !isOpen()) throwError(failure.get());

        // The tables behind the fields are looked up once the connection is free for it.
        bool singleTable = !tables.empty();
        for (std::size_t i = 0; i < tables.size(); ++i) {
            const Oid table = tables[i];
            out.columns.push_back(table != InvalidOid && columnNumbers[i] > 0 ? columnName(table, columnNumbers[i]) : "");
            if (table == InvalidOid || table != tables.front()) singleTable = false;
        }
        if (singleTable) out.table = describe(tables.front()).name;
        return out;
    }

    void begin() override { execute("BEGIN"); }
    void commit() override { execute("COMMIT"); }
    void rollback() override { execute("ROLLBACK"); }

    std::vector<std::string> tableNames() override {
        std::vector<std::string> names;
        for (auto& row : run("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()", {}).rows)
            names.push_back(row[0].toText());
        return names;
    }

    std::vector<std::string> tableColumns(std::string& table) override {
        const TableInfo& info = tableInfo(table);
        table = info.name;
        std::vector<std::string> columns;
        for (const auto& [number, name] : info.columns) columns.push_back(spelling(name.c_str(), {}));
        return columns;
    }

    bool isTextColumn(const std::string& table, const std::string& column) override {
        return tableInfo(table).textColumns.count(toLowerAscii(column)) > 0;
    }

    std::string keyColumn(const std::string& table) override { return tableInfo(table).key; }

    std::int64_t insertRow(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<Variant>& values, const std::string& key) override {
        std::string sql = "INSERT INTO " + quoteIdentifier(table);
        if (columns.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (const auto& column : columns) {
                names += (names.empty() ? "" : ", ") + quoteIdentifier(column);
                marks += marks.empty() ? "?" : ", ?";
            }
            sql += " (" + names + ") VALUES (" + marks + ")";
        }
        if (key.empty()) {
            run(sql, values);
            return 0;
        }
        const auto rows = run(sql + " RETURNING " + quoteIdentifier(key), values).rows;
        return rows.empty() ? 0 : rows[0][0].toInt64();
    }

    void resetKeyCounter(const std::string& table, const std::string& key) override {
        const std::string name = quoteIdentifier(table), column = quoteIdentifier(key);
        run("SELECT setval(pg_get_serial_sequence('" + name + "', '" + toLowerAscii(key) + "'), coalesce(max(" + column +
                "), 0) + 1, false) FROM " + name,
            {});
    }

    void updateRow(const std::string& table, const std::vector<std::string>& columns, const std::vector<Variant>& values,
                   const std::string& key, const Variant& keyValue) override {
        std::string assignments;
        for (const auto& column : columns) assignments += (assignments.empty() ? "" : ", ") + quoteIdentifier(column) + " = ?";
        std::vector<Variant> bound = values;
        bound.push_back(keyValue);
        run("UPDATE " + quoteIdentifier(table) + " SET " + assignments + " WHERE " + quoteIdentifier(key) + " = ?", bound);
    }

private:
    struct Statement {
        std::string name;
        int parameterCount = 0;
        std::unordered_map<std::string, std::string> spellings;
    };
    struct TableInfo {
        std::string name;
        std::map<int, std::string> columns;  // by column number
        std::set<std::string> textColumns;
        std::string key;
    };

    std::unique_ptr<PGconn, ConnectionFinisher> connection_;
    std::unordered_map<std::string, Statement> statements_;
    std::unordered_map<Oid, TableInfo> tables_;
    std::unordered_map<std::string, Oid> tableOids_;

    // The server folds result names to lower case; they are handed out as the
    // statement, or else the catalogue's schema, spells them.
    static std::string spelling(const char* name, const std::unordered_map<std::string, std::string>& spellings) {
        if (auto found = spellings.find(name); found != spellings.end()) return found->second;
        if (auto found = catalogueSpellings().find(name); found != catalogueSpellings().end()) return found->second;
        return name;
    }

    [[noreturn]] void throwError(const PGresult* result) const {
        const char* state = result ? libpq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (!isOpen()) {
            throw PorticoError(errors::kConnectionLost,
                               "The connection to the catalogue server was lost (" +
                                   oneLine(libpq().PQerrorMessage(connection_.get())) +
                                   "); the next operation connects again.",
                               kSource);
        }
        const char* primary = result ? libpq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        std::string message = primary ? primary : oneLine(libpq().PQerrorMessage(connection_.get()));
        // The number is the SQLSTATE where it is all digits, else its class where
        // that is (42P01 -> 42000), else 1: classes such as P0 (raised by a
        // trigger or function), XX and 0A have letters, and an error is never 0.
        long number = 1;
        if (state && std::strlen(state) == 5) {
            const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
            if (std::all_of(state, state + 5, digit)) number = std::stol(state);
            else if (digit(state[0]) && digit(state[1]) && (state[0] != '0' || state[1] != '0'))
                number = ((state[0] - '0') * 10 + (state[1] - '0')) * 1000L;
            message += std::string(" (SQLSTATE ") + state + ")";
        }
        throw PorticoError(number, message, kSource);
    }

    void execute(const std::string& sql, ExecStatusType expected = PGRES_COMMAND_OK) {
        Result result(libpq().PQexec(connection_.get(), sql.c_str()));
        if (!result || libpq().PQresultStatus(result.get()) != expected) throwError(result.get());
    }

    const Statement& prepare(const std::string& sql) {
        if (auto found = statements_.find(sql); found != statements_.end()) return found->second;
        Translation translation = translate(sql);
        Statement statement;
        statement.name = "portico_" + std::to_string(statements_.size() + 1);
        statement.parameterCount = translation.parameterCount;
        collectSpellings(sql, statement.spellings);
        Result result(libpq().PQprepare(connection_.get(), statement.name.c_str(), translation.sql.c_str(), 0, nullptr));
        if (!result || libpq().PQresultStatus(result.get()) != PGRES_COMMAND_OK) throwError(result.get());
        return statements_.emplace(sql, std::move(statement)).first->second;
    }

    void sendPrepared(const Statement& statement, const std::vector<Variant>& parameters) {
        const std::size_t count = parameters.size();
        std::vector<std::string> texts(count);
        std::vector<const char*> values(count, nullptr);
        std::vector<int> lengths(count, 0), formats(count, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const Variant& value = parameters[i];
            switch (value.type()) {
            case Variant::Type::Empty:
            case Variant::Type::Null: break;
            case Variant::Type::Bytes: {
                // Pictures travel as raw bytes, not escaped text.
                static const char nothing = 0;
                const Bytes& bytes = value.bytes();
                values[i] = bytes.empty() ? &nothing : reinterpret_cast<const char*>(bytes.data());
                lengths[i] = static_cast<int>(bytes.size());
                formats[i] = 1;
                break;
            }
            default:
                texts[i] = value.toText();
                values[i] = texts[i].c_str();
                lengths[i] = static_cast<int>(texts[i].size());
            }
        }
        // Results come in the binary format: raw bytes for pictures, no text to parse for numbers.
        if (!libpq().PQsendQueryPrepared(connection_.get(), statement.name.c_str(), static_cast<int>(count), values.data(),
                                 lengths.data(), formats.data(), 1))
            throwError(nullptr);
    }

    Result query(const char* sql, const std::string& parameter) {
        const char* values[] = {parameter.c_str()};
        Result result(libpq().PQexecParams(connection_.get(), sql, 1, nullptr, values, nullptr, nullptr, 0));
        if (!result || libpq().PQresultStatus(result.get()) != PGRES_TUPLES_OK) throwError(result.get());
        return result;
    }

    // Name, columns and integer key of a table, read once per connection.
    const TableInfo& describe(Oid table) {
        if (auto found = tables_.find(table); found != tables_.end()) return found->second;
        TableInfo info;
        const std::string oid = std::to_string(table);
        // Text types: text, varchar, bpchar.
        Result columns = query("SELECT c.relname, a.attnum, a.attname, a.atttypid IN (25, 1042, 1043) FROM pg_class c "
                               "JOIN pg_attribute a ON a.attrelid = c.oid WHERE c.oid = $1::oid AND a.attnum > 0 "
                               "AND NOT a.attisdropped",
                               oid);
        for (int r = 0; r < libpq().PQntuples(columns.get()); ++r) {
            info.name = libpq().PQgetvalue(columns.get(), r, 0);
            info.columns[std::atoi(libpq().PQgetvalue(columns.get(), r, 1))] = libpq().PQgetvalue(columns.get(), r, 2);
            if (libpq().PQgetvalue(columns.get(), r, 3)[0] == 't') info.textColumns.insert(libpq().PQgetvalue(columns.get(), r, 2));
        }
        Result key = query("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                           "AND a.attnum = i.indkey[0] WHERE i.indrelid = $1::oid AND i.indisprimary "
                           "AND i.indnatts = 1 AND a.atttypid IN (20, 21, 23)",
                           oid);
        if (libpq().PQntuples(key.get()) == 1) info.key = libpq().PQgetvalue(key.get(), 0, 0);
        return tables_.emplace(table, std::move(info)).first->second;
    }

    const TableInfo& tableInfo(const std::string& table) {
        const std::string name = toLowerAscii(table);
        auto found = tableOids_.find(name);
        if (found == tableOids_.end()) {
            Result oid = query("SELECT to_regclass($1)::oid", quoteIdentifier(name));
            if (libpq().PQgetisnull(oid.get(), 0, 0))
                throw PorticoError(errors::kServerError, "relation \"" + name + "\" does not exist (SQLSTATE 42P01)", kSource);
            found = tableOids_.emplace(name, static_cast<Oid>(std::stoul(libpq().PQgetvalue(oid.get(), 0, 0)))).first;
        }
        return describe(found->second);
    }

    std::string columnName(Oid table, int column) {
        const TableInfo& info = describe(table);
        auto found = info.columns.find(column);
        return found == info.columns.end() ? std::string() : found->second;
    }
};

}  // namespace

std::unique_ptr<Engine> openPostgresEngine(const std::string& connectionString, int connectTimeout, int commandTimeout) {
    return std::make_unique<PostgresEngine>(connectionString, connectTimeout, commandTimeout);
}

}  // namespace portico
