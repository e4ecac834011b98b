#include "database/PostgresEngine.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/PostgresDialect.h"
#include "settings/PorticoError.h"

#include "database/LibPq.h"
#include "settings/ErrorNumbers.h"
#include "settings/TextUtil.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <set>
#include <unordered_map>

#include <poll.h>

namespace portico {

namespace {

constexpr const char* kSource = "PostgreSQL";

using Result = std::unique_ptr<PGresult, ResultClearer>;

// A server that answers within this never troubles the program's windows;
// past it, each step of the wait tells the busy observer.
constexpr int kQuietWaitMs = 40;

class PostgresEngine final : public Engine {
public:
    PostgresEngine(const std::string& connectionString, int connectTimeout, int commandTimeout) {
        const std::string timeout = std::to_string(connectTimeout > 0 ? connectTimeout : 0);
        // A network that goes away mid-statement is noticed within the command
        // timeout (unacknowledged data) or about a minute (keepalives), not never.
        const std::string userTimeout = std::to_string(commandTimeout > 0 ? commandTimeout * 1000L : 0L);
        // Settings travel with the connection's start rather than as SET
        // statements, which a pooler in transaction mode would leave on
        // whichever server session ran them. Statements and lock waits that
        // take longer than the command timeout fail with the server's message.
        // A catalogue is small and stays in the server's memory, where a row
        // read through an index costs about what a row read in turn does: at
        // the stock random_page_cost (4) the planner sorts the whole program
        // table, pictures and all, for every list ordered by name.
        const std::string ms = std::to_string(commandTimeout > 0 ? commandTimeout * 1000L : 0L);
        const std::string options =
            "-c statement_timeout=" + ms + " -c lock_timeout=" + ms + " -c random_page_cost=1.1";
        // The connection string comes last, so what it says wins over these defaults.
        const char* keywords[] = {"connect_timeout", "client_encoding", "application_name", "keepalives_idle",
                                  "keepalives_interval", "keepalives_count", "tcp_user_timeout", "options",
                                  "dbname", nullptr};
        const char* values[] = {timeout.c_str(), "UTF8", "Portico", "30", "10", "3", userTimeout.c_str(),
                                options.c_str(), connectionString.c_str(), nullptr};
        // libpq connects on a thread of its own, keeping its own timeouts for
        // each host a string names, while this thread tells the busy observer
        // that it waits: a server that accepts and never answers holds the
        // caller for the whole connect timeout.
        auto connecting = std::async(std::launch::async, [&] { return libpq().PQconnectdbParams(keywords, values, 1); });
        while (connecting.wait_for(std::chrono::milliseconds(kQuietWaitMs)) != std::future_status::ready)
            Connection::notifyBusy();
        connection_.reset(connecting.get());
        if (!connection_) throw PorticoError(errors::kCannotConnect, "out of memory", kSource);
        if (libpq().PQstatus(connection_.get()) != CONNECTION_OK) {
            throw PorticoError(errors::kCannotConnect,
                               "Cannot connect to the catalogue server: " +
                                   PostgresDialect::oneLine(libpq().PQerrorMessage(connection_.get())),
                               kSource);
        }
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
        while (Result result = nextResult()) {
            const auto status = libpq().PQresultStatus(result.get());
            if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
                if (status != PGRES_COMMAND_OK && !failure) failure = std::move(result);
                continue;
            }
            const int columnCount = libpq().PQnfields(result.get());
            if (!described) {
                described = true;
                for (int i = 0; i < columnCount; ++i) {
                    out.names.push_back(
                        PostgresDialect::spelling(libpq().PQfname(result.get(), i), statement.spellings));
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
                        row.push_back(PostgresDialect::binaryValue(types[static_cast<std::size_t>(i)],
                                                                   libpq().PQgetvalue(result.get(), r, i),
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
        for (const auto& [number, name] : info.columns) columns.push_back(PostgresDialect::spelling(name.c_str(), {}));
        return columns;
    }

    bool isTextColumn(const std::string& table, const std::string& column) override {
        return tableInfo(table).textColumns.count(toLowerAscii(column)) > 0;
    }

    std::string keyColumn(const std::string& table) override { return tableInfo(table).key; }

    std::int64_t insertRow(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<Variant>& values, const std::string& key) override {
        const auto rows = run(PostgresDialect::sqlText().insert(table, columns, key), values).rows;
        return key.empty() || rows.empty() ? 0 : rows[0][0].toInt64();
    }

    void resetKeyCounter(const std::string& table, const std::string& key) override {
        const SqlText& text = PostgresDialect::sqlText();
        const std::string name = text.quote(table), column = text.quote(key);
        run("SELECT setval(pg_get_serial_sequence('" + name + "', '" + toLowerAscii(key) + "'), coalesce(max(" + column +
                "), 0) + 1, false) FROM " + name,
            {});
    }

    void updateRow(const std::string& table, const std::vector<std::string>& columns, const std::vector<Variant>& values,
                   const std::string& key, const Variant& keyValue) override {
        std::vector<Variant> bound = values;
        bound.push_back(keyValue);
        run(PostgresDialect::sqlText().update(table, columns, key), bound);
    }

private:
    struct Statement {
        std::string sql;
        int parameterCount = 0;
        PostgresDialect::Spellings spellings;
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

    [[noreturn]] void throwError(const PGresult* result) const {
        const char* state = result ? libpq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (!isOpen()) {
            throw PorticoError(errors::kConnectionLost,
                               "The connection to the catalogue server was lost (" +
                                   PostgresDialect::oneLine(libpq().PQerrorMessage(connection_.get())) +
                                   "); the next operation connects again.",
                               kSource);
        }
        const char* primary = result ? libpq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        std::string message = primary ? primary : PostgresDialect::oneLine(libpq().PQerrorMessage(connection_.get()));
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

    // The next result of the statement sent, waiting for it without holding up
    // the windows of a program whose server is slow to answer.
    Result nextResult() {
        PGconn* connection = connection_.get();
        while (libpq().PQisBusy(connection)) {
            pollfd socket{libpq().PQsocket(connection), POLLIN, 0};
            if (socket.fd < 0) break;
            if (::poll(&socket, 1, kQuietWaitMs) == 0) {
                Connection::notifyBusy();
                continue;
            }
            if (!libpq().PQconsumeInput(connection)) break;
        }
        return Result(libpq().PQgetResult(connection));
    }

    // As PQexec: the first failure, else the last result; every result is taken.
    Result lastResult() {
        Result failure, last;
        while (Result result = nextResult()) {
            const auto status = libpq().PQresultStatus(result.get());
            const bool failed = status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
            if (failed && !failure) failure = std::move(result);
            else if (!failed) last = std::move(result);
        }
        return failure ? std::move(failure) : std::move(last);
    }

    void execute(const std::string& sql, ExecStatusType expected = PGRES_COMMAND_OK) {
        if (!libpq().PQsendQuery(connection_.get(), sql.c_str())) throwError(nullptr);
        Result result = lastResult();
        if (!result || libpq().PQresultStatus(result.get()) != expected) throwError(result.get());
    }

    // Statements are translated once per connection but sent unnamed, parsed
    // with their values: a named prepared statement is state of one server
    // session, which a pooler in transaction mode does not keep.
    const Statement& prepare(const std::string& sql) {
        if (auto found = statements_.find(sql); found != statements_.end()) return found->second;
        const auto translation = PostgresDialect::translate(sql);
        Statement statement;
        statement.sql = translation.sql;
        statement.parameterCount = translation.parameterCount;
        PostgresDialect::collectSpellings(sql, statement.spellings);
        return statements_.emplace(sql, std::move(statement)).first->second;
    }

    void sendPrepared(const Statement& statement, const std::vector<Variant>& parameters) {
        const PostgresDialect::Parameters sent(parameters);
        // Results come in the binary format: raw bytes for pictures, no text to parse for numbers.
        if (!libpq().PQsendQueryParams(connection_.get(), statement.sql.c_str(), static_cast<int>(parameters.size()),
                                       nullptr, sent.values.data(), sent.lengths.data(), sent.formats.data(), 1))
            throwError(nullptr);
    }

    Result query(const char* sql, const std::string& parameter) {
        const char* values[] = {parameter.c_str()};
        if (!libpq().PQsendQueryParams(connection_.get(), sql, 1, nullptr, values, nullptr, nullptr, 0))
            throwError(nullptr);
        Result result = lastResult();
        if (!result || libpq().PQresultStatus(result.get()) != PGRES_TUPLES_OK) throwError(result.get());
        return result;
    }

    // Name, columns and integer key of a table, read once per connection. The
    // catalogue's other tables are read with it: a new connection's first
    // statements touch half a dozen of them, and one round trip each added up.
    const TableInfo& describe(Oid table) {
        if (auto found = tables_.find(table); found != tables_.end()) return found->second;
        // Text types: text, varchar, bpchar; keys: a one-column primary key of int8, int2 or int4.
        Result columns = query(
            "SELECT c.oid, c.relname, a.attnum, a.attname, a.atttypid IN (25, 1042, 1043), "
            "a.atttypid IN (20, 21, 23) AND EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = c.oid "
            "AND i.indisprimary AND i.indnatts = 1 AND i.indkey[0] = a.attnum) "
            "FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid WHERE a.attnum > 0 AND NOT a.attisdropped "
            "AND (c.oid = $1::oid OR (c.relkind IN ('r', 'p', 'v') AND c.relnamespace = to_regnamespace(current_schema()) "
            "AND c.relnamespace = (SELECT relnamespace FROM pg_class WHERE oid = $1::oid)))",
            std::to_string(table));
        std::unordered_map<Oid, TableInfo> read;
        for (int r = 0; r < libpq().PQntuples(columns.get()); ++r) {
            const auto value = [&](int column) { return libpq().PQgetvalue(columns.get(), r, column); };
            TableInfo& info = read[static_cast<Oid>(std::strtoul(value(0), nullptr, 10))];
            info.name = value(1);
            info.columns[std::atoi(value(2))] = value(3);
            if (value(4)[0] == 't') info.textColumns.insert(value(3));
            if (value(5)[0] == 't') info.key = value(3);
        }
        read.try_emplace(table);
        for (auto& [oid, info] : read) tables_.try_emplace(oid, std::move(info));
        return tables_.at(table);
    }

    const TableInfo& tableInfo(const std::string& table) {
        const std::string name = toLowerAscii(table);
        auto found = tableOids_.find(name);
        if (found == tableOids_.end()) {
            Result oid = query("SELECT to_regclass($1)::oid", PostgresDialect::sqlText().quote(name));
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
