#include "launcher/EarlyServerConnection.h"

#include "database/Connection.h"
#include "database/Engine.h"
#include "database/PostgresEngine.h"
#include "offline/OfflineCopy.h"
#include "settings/PorticoError.h"
#include "settings/ServerConnectionString.h"
#include "settings/TextUtil.h"
#include "settings/clsIniFile.h"

#include <chrono>
#include <exception>
#include <future>
#include <mutex>

namespace portico {

struct EarlyServerConnection::State {
    struct Attempt {
        std::string connectionString;  // empty: nothing was begun
        std::unique_ptr<Engine> engine;
        std::exception_ptr failure;
    };
    std::mutex lock;
    int commandSeconds = 0;
    std::future<Attempt> attempt;  // invalid once taken over
};

namespace {

// The settings' server, read as the program will read it; empty for a file or
// for anything the program will refuse with a message of its own.
std::string configuredServer(const std::string& settingsFile) {
    clsIniFile ini;
    if (settingsFile.empty() || !ini.Exists(settingsFile)) return {};
    ini.setFullPath(settingsFile);
    ini.setSectionName("Database");
    const std::string path = trimBlanks(ini.GetString("DatabasePath", ""));
    if (!isServerConnectionString(path)) return {};
    // With the user's copy, the window comes from it and the server is asked
    // once the window is up: libpq is not loaded beside the toolkit at all.
    if (OfflineCopy::writtenAt(OfflineCopy::fileFor(path))) return {};
    return carriesPassword(path) ? std::string() : path;
}

EarlyServerConnection::State::Attempt connect(const std::string& settingsFile, int connectSeconds, int commandSeconds) {
    EarlyServerConnection::State::Attempt attempt;
    try {
        attempt.connectionString = configuredServer(settingsFile);
        if (attempt.connectionString.empty()) return attempt;
        attempt.engine = openPostgresEngine(attempt.connectionString, connectSeconds, commandSeconds);
        // A new server session reads the catalogue's tables, access rule and
        // plans from scratch the first time: done here, the list the window
        // asks for next comes from warm caches.
        try {
            attempt.engine->run("SELECT count(*) FROM Program", {});
        } catch (const PorticoError&) {
            // Not a catalogue, or not this user's: opening it says so.
        }
    } catch (...) {
        attempt.failure = std::current_exception();
    }
    return attempt;
}

}  // namespace

EarlyServerConnection::EarlyServerConnection(const std::string& settingsFile, int connectSeconds, int commandSeconds)
    : state_(std::make_shared<State>()) {
    state_->commandSeconds = commandSeconds;
    state_->attempt = std::async(std::launch::async, connect, settingsFile, connectSeconds, commandSeconds);
    Connection::setEngineOpener([state = state_](const std::string& connectionString,
                                                 int commandTimeout) -> std::unique_ptr<Engine> {
        std::future<State::Attempt> pending;
        {
            std::lock_guard<std::mutex> guard(state->lock);
            if (!state->attempt.valid()) return nullptr;
            pending = std::move(state->attempt);
        }
        // Taken over once, by whichever connection comes first.
        Connection::setEngineOpener({});
        while (pending.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready) Connection::notifyBusy();
        State::Attempt attempt = pending.get();
        // Another catalogue than the settings named when the thread read them.
        if (attempt.connectionString.empty() || attempt.connectionString != connectionString) return nullptr;
        if (attempt.failure) std::rethrow_exception(attempt.failure);
        if (commandTimeout != state->commandSeconds) attempt.engine->setCommandTimeout(commandTimeout);
        return std::move(attempt.engine);
    });
}

EarlyServerConnection::~EarlyServerConnection() {
    Connection::setEngineOpener({});
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->attempt.valid()) state_->attempt.wait();
}

}  // namespace portico
