#pragma once

#include "database/CatalogueCaller.h"
#include "database/Recordset.h"
#include "database/RuntimeError.h"
#include "settings/PorticoError.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace portico {

class Connection;

// One catalogue object's connection to its catalogue, and the way its
// operations fail: a failure is shown through messageSink() as a critical
// message "number, description" titled with the error's source, the runtime's
// errors under the name of the product the object serves.
class CatalogueSession {
public:
    // The separator most reports use; four permission queries use a bare comma.
    static constexpr const char* kReportSeparator = ", ";
    static constexpr const char* kShortReportSeparator = ",";

    explicit CatalogueSession(CatalogueCaller caller);
    ~CatalogueSession();
    CatalogueSession(const CatalogueSession&) = delete;
    CatalogueSession& operator=(const CatalogueSession&) = delete;

    CatalogueCaller caller() const { return caller_; }
    bool servesLibrary() const { return caller_ == CatalogueCaller::Library; }
    // The source of the runtime's errors this object raises and reports.
    const char* runtimeSource() const;

    // The connection string is the path of the catalogue file or a server's.
    void open(const std::string& connectionString);
    void close();

    void report(const PorticoError& error, const char* separator = kReportSeparator) const;
    // Runs one operation's steps; a failure skips the rest and is reported.
    template <typename Steps>
    void trap(Steps&& steps, const char* separator = kReportSeparator) {
        try {
            steps();
        } catch (const PorticoError& error) {
            report(error, separator);
        }
    }
    // Runs steps whose errors go to the caller, the runtime's under this object's name.
    template <typename Steps>
    void passOn(Steps&& steps) {
        try {
            steps();
        } catch (const RuntimeError& error) {
            throw PorticoError(error.number(), error.description(), runtimeSource());
        }
    }
    // Throws one of the object's own errors, under runtimeSource().
    [[noreturn]] void raise(long number, const std::string& description) const;

    // A record set bound to the open connection (reopened when it was lost);
    // null, reported, when there is none.
    std::unique_ptr<Recordset> createRecordset();
    // As createRecordset, but throws when there is none: for a statement inside a transaction.
    std::unique_ptr<Recordset> statement();
    // The connection the last record set was bound to.
    const std::shared_ptr<Connection>& activeConnection() const { return activeConnection_; }

    // Building blocks of the operations. The first two throw; the others report.
    std::unique_ptr<Recordset> openQuery(const std::string& sql, const std::vector<Variant>& parameters);
    std::unique_ptr<Recordset> openTable(const std::string& table);
    std::unique_ptr<Recordset> queryRecordset(const std::string& sql, const std::vector<Variant>& parameters,
                                              const char* separator = kReportSeparator);
    bool executeStatement(const std::string& sql, const std::vector<Variant>& parameters);
    // Whether the query finds a row; false, reported, when it fails.
    bool findsRow(const std::string& sql, const std::vector<Variant>& parameters);
    // The trimmed text of the first row's field; "" when `checkCount` and no row.
    std::string readText(const std::string& sql, const std::string& parameter, const std::string& field,
                         bool checkCount);

    // The stored name of a row of `table` with the same name as `name`, leaving
    // out the rows whose key is in `except`; "" when none. Throws.
    std::string sameNameIn(const char* table, const char* keyColumn, const char* nameColumn, const std::string& name,
                           const std::vector<std::int64_t>& except = {});
    // Throws 3022 when `name` is taken by a row outside `except`.
    void refuseTakenName(const char* what, const char* table, const char* keyColumn, const char* nameColumn,
                         const std::string& name, const std::vector<std::int64_t>& except = {});

private:
    CatalogueCaller caller_;
    std::shared_ptr<Connection> connection_;
    std::shared_ptr<Connection> activeConnection_;
    std::string connectionString_;
    std::string databasePassword_;  // kept, never sent: the file is not encrypted

    void connect();
    bool isConnectionOpen(const std::shared_ptr<Connection>& connection);
    std::shared_ptr<Connection> getConnection(const std::shared_ptr<Connection>& connection);
};

}  // namespace portico
