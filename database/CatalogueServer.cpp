#include "database/CatalogueServer.h"

#include "settings/PorticoError.h"

#include "database/ChangeHistory.h"
#include "database/LibPq.h"
#include "database/PostgresDialect.h"
#include "settings/ErrorNumbers.h"

#include <cctype>
#include <cstdlib>
#include <memory>
#include <utility>

namespace portico {

extern const char* const kPostgresCatalogueSchema;
extern const char* const kServerAccessSetup;
extern const char* const kServerChangesSql;

namespace {

constexpr const char* kSource = "PostgreSQL";

using Result = std::unique_ptr<PGresult, ResultClearer>;

// Role names go into statements that take no parameters, so only plain names pass.
std::string roleName(const std::string& name) {
    bool plain = !name.empty() && name.size() < 64 && (std::islower(static_cast<unsigned char>(name[0])) || name[0] == '_');
    for (char c : name)
        plain = plain && (std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_');
    if (!plain) throw PorticoError(errors::kInvalidArgument, "A role name is lower-case letters, digits and _: '" + name + "'.", kSource);
    return "\"" + name + "\"";
}

class Session {
public:
    explicit Session(const std::string& connectionString) {
        const char* keywords[] = {"connect_timeout", "client_encoding", "application_name", "dbname", nullptr};
        const char* values[] = {"15", "UTF8", "portico-create-catalogue", connectionString.c_str(), nullptr};
        connection_.reset(libpq().PQconnectdbParams(keywords, values, 1));
        if (!connection_ || libpq().PQstatus(connection_.get()) != CONNECTION_OK)
            throw PorticoError(errors::kCannotConnect,
                               "Cannot connect to the catalogue server: " +
                                   PostgresDialect::oneLine(connection_ ? libpq().PQerrorMessage(connection_.get())
                                                                        : "out of memory"),
                               kSource);
    }

    Result run(const std::string& sql) {
        Result result(libpq().PQexec(connection_.get(), sql.c_str()));
        const auto status = result ? libpq().PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string message = PostgresDialect::oneLine(libpq().PQerrorMessage(connection_.get()));
            const char* state = result ? libpq().PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
            const long number = state && std::isdigit(static_cast<unsigned char>(state[0])) ? std::atol(state) : 1;
            libpq().PQclear(libpq().PQexec(connection_.get(), "ROLLBACK"));
            throw PorticoError(number ? number : 1, message, kSource);
        }
        return result;
    }

private:
    std::unique_ptr<PGconn, ConnectionFinisher> connection_;
};

// The access set-up with the catalogue's schema and roles filled in.
std::string accessSetup(const std::string& schema, const std::string& administrators, const std::string& users) {
    std::string sql = kServerAccessSetup;
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{{schema}}", schema},
                                      {"{{admins}}", administrators}, {"{{users}}", users}}) {
        for (std::size_t at = sql.find(mark); at != std::string::npos; at = sql.find(mark, at + value.size()))
            sql.replace(at, mark.size(), value);
    }
    return sql;
}

std::string currentSchema(Session& session) {
    Result schema = session.run("SELECT quote_ident(current_schema())");
    return libpq().PQgetvalue(schema.get(), 0, 0);
}

}  // namespace

void CatalogueServer::upgrade(const std::string& connectionString, const std::string& administratorsRole,
                              const std::string& usersRole) {
    const std::string administrators = roleName(administratorsRole);
    const std::string users = roleName(usersRole);
    Session session(connectionString);
    session.run("BEGIN");
    Result tables = session.run(
        "SELECT count(*) FROM pg_tables WHERE schemaname = current_schema() AND tablename IN "
        "('program', 'permission', 'user', 'group')");
    if (std::string(libpq().PQgetvalue(tables.get(), 0, 0)) != "4") {
        session.run("ROLLBACK");
        throw PorticoError(errors::kNotACatalogue, "The database holds no Portico catalogue to bring up to date.", kSource);
    }
    for (const auto& plainName : {administratorsRole, usersRole}) {
        Result role = session.run("SELECT count(*) FROM pg_roles WHERE rolname = '" + plainName + "'");
        if (std::string(libpq().PQgetvalue(role.get(), 0, 0)) == "0") {
            session.run("ROLLBACK");
            throw PorticoError(errors::kInvalidArgument, "There is no role " + plainName + " on the server.", kSource);
        }
    }
    const std::string schema = currentSchema(session);
    session.run(accessSetup(schema, administrators, users));
    // Columns of later releases; an older client never names them, so its rows
    // keep them null (an ordinary program).
    session.run("ALTER TABLE program ADD COLUMN IF NOT EXISTS program_terminal integer");
    // A catalogue with a history records the new columns' changes too.
    Result history = session.run(
        "SELECT count(*) FROM pg_tables WHERE schemaname = current_schema() AND tablename = 'history_change'");
    if (std::string(libpq().PQgetvalue(history.get(), 0, 0)) != "0")
        ChangeHistory::installOnServer([&](const std::string& sql) { session.run(sql); }, schema, administrators, users);
    session.run("COMMIT");
}

void CatalogueServer::create(const std::string& connectionString, const std::string& administratorsRole,
                             const std::string& usersRole) {
    const std::string administrators = roleName(administratorsRole);
    const std::string users = roleName(usersRole);
    Session session(connectionString);
    session.run("BEGIN");
    Result tables = session.run("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()");
    if (std::string(libpq().PQgetvalue(tables.get(), 0, 0)) != "0") {
        session.run("ROLLBACK");
        throw PorticoError(errors::kInvalidArgument, "The database already has tables and is left as it is.", kSource);
    }
    session.run(kPostgresCatalogueSchema);
    for (const auto& [role, plainName] : {std::pair{administrators, administratorsRole}, std::pair{users, usersRole}}) {
        session.run("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '" + plainName +
                    "') THEN CREATE ROLE " + role + " NOLOGIN; END IF; END $$");
    }
    const std::string name = currentSchema(session);
    session.run("GRANT USAGE ON SCHEMA " + name + " TO " + administrators + ", " + users);
    session.run("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA " + name + " TO " + administrators);
    session.run("GRANT USAGE, SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA " + name + " TO " + administrators);
    session.run("GRANT SELECT ON ALL TABLES IN SCHEMA " + name + " TO " + users);
    session.run(accessSetup(name, administrators, users));
    session.run(kServerChangesSql);
    session.run("GRANT SELECT ON portico_changes TO " + administrators + ", " + users);
    ChangeHistory::installOnServer([&](const std::string& sql) { session.run(sql); }, name, administrators, users);
    session.run("COMMIT");
}

}  // namespace portico
