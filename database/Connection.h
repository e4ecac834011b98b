#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace portico {

class Engine;

// A connection to one catalogue, with ADO's states: closed (0) until Open
// succeeds, open (1) after, closed again when a server connection is lost. The
// connection string names a catalogue file (opening never creates one) or a
// PostgreSQL server. The command timeout is how long a statement waits for a
// lock held by another program, and on a server how long it may run, before it fails.
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
    // Engines call this at each step of such a wait.
    static void notifyBusy();

    // For the fuzzer and tests: while an opener is set, Open offers it the
    // connection string first and uses the engine it returns; when it returns
    // none, the string is opened as usual. Empty: no opener.
    using EngineOpener =
        std::function<std::unique_ptr<Engine>(const std::string& connectionString, int commandTimeout)>;
    static void setEngineOpener(EngineOpener opener);

    // Opens the catalogue named by the connection string. Throws PorticoError with
    // the engine's code and message.
    void Open();
    void Close();

    // Transactions; a nested BeginTrans is an error.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool inTransaction() const { return inTransaction_; }

    // For the access layer: the engine behind an open connection. Throws 3709
    // with `source` when the connection is not open.
    Engine& engine(const char* source);
    // Names the tables of the catalogue.
    std::vector<std::string> tableNames();

private:
    std::unique_ptr<Engine> engine_;
    std::string connectionString_;
    int commandTimeout_ = 30;
    int connectionTimeout_ = 15;
    bool inTransaction_ = false;
};

}  // namespace portico
