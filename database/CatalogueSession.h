#pragma once

#include "database/CatalogueCaller.h"
#include "database/Recordset.h"
#include "database/RuntimeError.h"
#include "settings/PorticoError.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
    // A connection that cannot be made is reported once; until the retry
    // interval has passed (for the library: until opened again) every
    // operation then fails at once, without a report of its own.
    void open(const std::string& connectionString);
    void close();
    // Run on each new connection before any operation uses it, and now on an
    // open one (the access rule a file's reader applies); a failure closes it.
    void setPreparation(std::function<void(Connection&)> preparation);
    // How long connecting and a statement may take; the programs' defaults are
    // generous, the launcher's short so that no window waits long on a server.
    void setTimeouts(int connectSeconds, int commandSeconds);
    void setRetryInterval(std::chrono::milliseconds interval) { retryInterval_ = interval; }
    // A catalogue file used in place of a server that cannot be reached; empty: none.
    void setOfflineCopy(std::string file) { offlineCopy_ = std::move(file); }
    // The next opening of a server's catalogue takes the offline copy at once,
    // without asking the server (the launcher's start; reconnect() moves on to
    // the server). Once: later openings ask the server first.
    void setStartFromCopy(bool start) { startFromCopy_ = start; }
    const std::string& connectionString() const { return connectionString_; }
    // True while the offline copy stands in for the server.
    bool offline() const { return offline_; }
    // Whether the last attempt to connect failed (and the failure was reported).
    bool connectionFailed() const { return failedAt_.has_value(); }
    // Connects to the server again now, leaving the offline copy when it
    // answers; false, without a report, while it does not.
    bool reconnect();
    // Lets the server's connection go until the next operation needs it.
    void release();

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
    std::function<void(Connection&)> preparation_;
    std::string offlineCopy_;
    bool offline_ = false;
    bool startFromCopy_ = false;
    int connectTimeout_;
    int commandTimeout_;
    std::chrono::milliseconds retryInterval_;
    std::optional<std::chrono::steady_clock::time_point> failedAt_;
    std::optional<PorticoError> lastFailure_;

    // Connects, reporting a failure; connectQuietly leaves that to the caller.
    void connect();
    bool connectQuietly();
    // Opens the connection string's catalogue; throws.
    std::shared_ptr<Connection> connectTo(const std::string& connectionString);
    bool mayRetry() const;
    bool isConnectionOpen(const std::shared_ptr<Connection>& connection);
    std::shared_ptr<Connection> getConnection(const std::shared_ptr<Connection>& connection);
};

}  // namespace portico
