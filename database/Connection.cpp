#include "database/Connection.h"

#include "database/AdoErrors.h"
#include "database/Engine.h"
#include "database/PostgresEngine.h"
#include "database/SqliteEngine.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <mutex>

namespace portico {
namespace {

std::mutex busyObserverLock;
Connection::BusyObserver busyObserver;
std::mutex engineOpenerLock;
Connection::EngineOpener engineOpener;

}  // namespace

void Connection::setBusyObserver(BusyObserver observer) {
    std::lock_guard<std::mutex> guard(busyObserverLock);
    busyObserver = std::move(observer);
}

void Connection::notifyBusy() {
    BusyObserver observer;
    {
        std::lock_guard<std::mutex> guard(busyObserverLock);
        observer = busyObserver;
    }
    if (!observer) return;
    try {
        observer();
    } catch (...) {
        // Nothing may unwind through the engine.
    }
}

void Connection::setEngineOpener(EngineOpener opener) {
    std::lock_guard<std::mutex> guard(engineOpenerLock);
    engineOpener = std::move(opener);
}

Connection::Connection() = default;

Connection::~Connection() = default;

void Connection::setCommandTimeout(int seconds) {
    commandTimeout_ = seconds;
    if (engine_) engine_->setCommandTimeout(seconds);
}

int Connection::State() const { return engine_ && engine_->isOpen() ? adStateOpen : adStateClosed; }

void Connection::Open() {
    if (engine_) throw PorticoError(errors::kObjectOpen, "Operation is not allowed when the object is open.", ado::kConnectionSource);
    EngineOpener opener;
    {
        std::lock_guard<std::mutex> guard(engineOpenerLock);
        opener = engineOpener;
    }
    if (opener) engine_ = opener(connectionString_, commandTimeout_);
    if (engine_) return;
    engine_ = isServerConnectionString(connectionString_)
                  ? openPostgresEngine(connectionString_, connectionTimeout_, commandTimeout_)
                  : openSqliteEngine(connectionString_, commandTimeout_);
}

void Connection::Close() {
    if (!engine_) throw PorticoError(ado::kObjectClosed, ado::kObjectClosedText, ado::kConnectionSource);
    engine_.reset();
    inTransaction_ = false;
}

Engine& Connection::engine(const char* source) {
    if (State() != adStateOpen) throw PorticoError(ado::kConnectionNotUsable, ado::kConnectionNotUsableText, source);
    return *engine_;
}

std::vector<std::string> Connection::tableNames() { return engine(ado::kConnectionSource).tableNames(); }

void Connection::BeginTrans() {
    if (inTransaction_) throw PorticoError(errors::kTransactionCancelled, "Operation has been cancelled by the user.", ado::kConnectionSource);
    engine(ado::kConnectionSource).begin();
    inTransaction_ = true;
}

void Connection::CommitTrans() {
    engine(ado::kConnectionSource).commit();
    inTransaction_ = false;
}

void Connection::RollbackTrans() {
    inTransaction_ = false;
    engine(ado::kConnectionSource).rollback();
}

}  // namespace portico
