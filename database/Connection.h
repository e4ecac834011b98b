#pragma once

#include <functional>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace portico {

// A connection to one database file, with ADO's states: closed (0) until Open
// succeeds, open (1) after. Opening never creates a file. The command timeout is
// how long a statement waits for a lock held by another program before it fails.
class Connection {
public:
    static constexpr int adStateClosed = 0;
    static constexpr int adStateOpen = 1;

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int CommandTimeout() const { return commandTimeout_; }
    void setCommandTimeout(int seconds);
    int ConnectionTimeout() const { return connectionTimeout_; }
    void setConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
    const std::string& ConnectionString() const { return connectionString_; }
    void setConnectionString(std::string value) { connectionString_ = std::move(value); }

    int State() const;

    // Called on the waiting thread, every few dozen milliseconds, while a
    // statement waits for a lock that another program holds (for at most the
    // command timeout). A program hooks it to keep its windows painted and to
    // say what it is waiting for. Empty: nothing is called.
    using BusyObserver = std::function<void()>;
    static void setBusyObserver(BusyObserver observer);

    // Opens the file named by the connection string. Throws PorticoError with the
    // engine's code and message.
    void Open();
    void Close();

    // Transactions; a nested BeginTrans is an error.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool inTransaction() const { return inTransaction_; }

    // For the access layer: a prepared statement, kept and reused for the same
    // SQL text. It is reset and its bindings cleared before it is handed out.
    // Throws 3709 when the connection is not open, or the engine's error.
    sqlite3_stmt* prepareCached(const std::string& sql);
    sqlite3* handle() const;

    // Throws the engine's current error as a PorticoError.
    [[noreturn]] void throwEngineError() const;
    [[noreturn]] void throwEngineError(int code) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string connectionString_;
    int commandTimeout_ = 30;
    int connectionTimeout_ = 15;
    bool inTransaction_ = false;

    void execute(const char* sql);
};

}  // namespace portico
