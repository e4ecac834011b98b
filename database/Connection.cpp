#include "Connection.h"

#include "AdoErrors.h"
#include "PorticoError.h"

#include <sqlite3.h>

#include <chrono>
#include <mutex>
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

std::mutex busyObserverLock;
Connection::BusyObserver busyObserver;

}  // namespace

struct Connection::Impl {
    // Declared first so that the statements are finalized before the database closes.
    std::unique_ptr<sqlite3, DatabaseCloser> db;
    std::unordered_map<std::string, std::unique_ptr<sqlite3_stmt, StatementFinalizer>> statements;
    std::chrono::milliseconds timeout{0};
    std::chrono::steady_clock::time_point waitingSince;

    ~Impl() { statements.clear(); }

    // The engine's busy handler: waits in short steps up to the command timeout,
    // telling the observer at each step. `count` is 0 at the start of each wait.
    static int onBusy(void* self, int count) {
        auto& impl = *static_cast<Impl*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (count == 0) impl.waitingSince = now;
        if (now - impl.waitingSince >= impl.timeout) return 0;
        BusyObserver observer;
        {
            std::lock_guard<std::mutex> guard(busyObserverLock);
            observer = busyObserver;
        }
        if (observer) {
            try {
                observer();
            } catch (...) {
                // Nothing may unwind through the engine.
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return 1;
    }

    void applyTimeout(int seconds) {
        timeout = std::chrono::seconds(seconds);
        if (db) sqlite3_busy_handler(db.get(), &Impl::onBusy, this);
    }
};

void Connection::setBusyObserver(BusyObserver observer) {
    std::lock_guard<std::mutex> guard(busyObserverLock);
    busyObserver = std::move(observer);
}

Connection::Connection() : impl_(std::make_unique<Impl>()) {}

Connection::~Connection() = default;

void Connection::setCommandTimeout(int seconds) {
    commandTimeout_ = seconds;
    impl_->applyTimeout(seconds);
}

int Connection::State() const { return impl_->db ? adStateOpen : adStateClosed; }

void Connection::Open() {
    if (impl_->db) throw PorticoError(3705, "Operation is not allowed when the object is open.", ado::kConnectionSource);
    if (connectionString_.empty())
        throw PorticoError(SQLITE_CANTOPEN, "unable to open database file: no file named", ado::kEngineSource);
    sqlite3* raw = nullptr;
    // Never SQLITE_OPEN_CREATE: a missing catalogue must fail, not appear empty.
    const int rc = sqlite3_open_v2(connectionString_.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
        throw PorticoError(rc & 0xff, message + ": " + connectionString_, ado::kEngineSource);
    }
    sqlite3_extended_result_codes(db.get(), 0);
    // Every program row carries its picture, so rows fill whole pages; the
    // engine's default 2 MiB cache would send most lookups back to the file.
    sqlite3_exec(db.get(), "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
    impl_->db = std::move(db);
    impl_->applyTimeout(commandTimeout_);
}

void Connection::Close() {
    if (!impl_->db) throw PorticoError(ado::kObjectClosed, ado::kObjectClosedText, ado::kConnectionSource);
    impl_->statements.clear();
    impl_->db.reset();
    inTransaction_ = false;
}

sqlite3* Connection::handle() const { return impl_->db.get(); }

void Connection::execute(const char* sql) {
    if (!impl_->db) throw PorticoError(ado::kConnectionNotUsable, ado::kConnectionNotUsableText, ado::kConnectionSource);
    if (sqlite3_exec(impl_->db.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) throwEngineError();
}

void Connection::BeginTrans() {
    if (inTransaction_) throw PorticoError(3712, "Operation has been cancelled by the user.", ado::kConnectionSource);
    // IMMEDIATE takes the write lock at once (waiting up to the command timeout),
    // so a transaction never fails half-way because another program writes.
    execute("BEGIN IMMEDIATE");
    inTransaction_ = true;
}

void Connection::CommitTrans() {
    execute("COMMIT");
    inTransaction_ = false;
}

void Connection::RollbackTrans() {
    inTransaction_ = false;
    execute("ROLLBACK");
}

sqlite3_stmt* Connection::prepareCached(const std::string& sql) {
    if (!impl_->db) throw PorticoError(ado::kConnectionNotUsable, ado::kConnectionNotUsableText, ado::kRecordsetSource);
    if (auto found = impl_->statements.find(sql); found != impl_->statements.end()) {
        sqlite3_reset(found->second.get());
        sqlite3_clear_bindings(found->second.get());
        return found->second.get();
    }
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(impl_->db.get(), sql.c_str(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw);
    if (rc != SQLITE_OK) throwEngineError(rc);
    if (!statement) throw PorticoError(SQLITE_MISUSE, "empty statement", ado::kEngineSource);
    auto& slot = impl_->statements[sql];
    slot = std::move(statement);
    return slot.get();
}

void Connection::throwEngineError() const { throwEngineError(impl_->db ? sqlite3_errcode(impl_->db.get()) : SQLITE_MISUSE); }

void Connection::throwEngineError(int code) const {
    const std::string message = impl_->db ? sqlite3_errmsg(impl_->db.get()) : sqlite3_errstr(code);
    throw PorticoError(code & 0xff, message, ado::kEngineSource);
}

}  // namespace portico
