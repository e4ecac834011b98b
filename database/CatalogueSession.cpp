#include "database/CatalogueSession.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/NameFold.h"
#include "settings/ErrorNumbers.h"
#include "settings/MessageSink.h"
#include "settings/ServerConnectionString.h"
#include "settings/TextUtil.h"

#include <algorithm>
#include <set>
#include <utility>

namespace portico {
namespace {

constexpr int kCommandTimeoutSeconds = 100;
constexpr int kConnectionTimeoutSeconds = 100;
constexpr const char* kCatalogueTables[] = {"Program", "Permission", "User", "Group", "Folder", "Theme", "Settings"};
// A program's next operation tries again, unless the program sets an interval;
// the library's caller opens again.
constexpr std::chrono::milliseconds kProgramRetryInterval{0};
constexpr std::chrono::milliseconds kNeverRetry{-1};

// An operation that did not run because the catalogue could not be reached,
// which has been reported once already.
class UnreachableCatalogue final : public PorticoError {
public:
    explicit UnreachableCatalogue(const std::string& source)
        : PorticoError(errors::kCannotConnect, "The catalogue cannot be reached.", source) {}
};

// Statements that only read can be sent again on a new connection without
// doing anything twice.
bool onlyReads(const std::string& sql) {
    std::size_t start = sql.find_first_not_of(" \t\r\n(");
    return start != std::string::npos && toLowerAscii(sql.substr(start, 7)) == "select ";
}

}  // namespace

CatalogueSession::CatalogueSession(CatalogueCaller caller)
    : caller_(caller),
      databasePassword_("lantern731"),
      connectTimeout_(kConnectionTimeoutSeconds),
      commandTimeout_(kCommandTimeoutSeconds),
      retryInterval_(caller == CatalogueCaller::Library ? kNeverRetry : kProgramRetryInterval) {}

CatalogueSession::~CatalogueSession() { close(); }

const char* CatalogueSession::runtimeSource() const {
    return servesLibrary() ? ado::kLibraryRuntimeSource : ado::kRuntimeSource;
}

void CatalogueSession::report(const PorticoError& error, const char* separator) const {
    if (dynamic_cast<const UnreachableCatalogue*>(&error)) return;
    const bool runtime = dynamic_cast<const RuntimeError*>(&error) != nullptr;
    messageSink().showMessage(std::to_string(error.number()) + separator + error.description(),
                              runtime ? runtimeSource() : error.source(), MessageIcon::Critical);
}

void CatalogueSession::raise(long number, const std::string& description) const {
    throw PorticoError(number, description, runtimeSource());
}

void CatalogueSession::open(const std::string& connectionString) {
    connectionString_ = connectionString;
    failedAt_.reset();
    connect();
}

void CatalogueSession::setTimeouts(int connectSeconds, int commandSeconds) {
    connectTimeout_ = connectSeconds;
    commandTimeout_ = commandSeconds;
    if (connection_ && connection_->State() == Connection::adStateOpen) connection_->setCommandTimeout(commandSeconds);
}

std::shared_ptr<Connection> CatalogueSession::connectTo(const std::string& connectionString) {
    auto connection = std::make_shared<Connection>();
    connection->setCommandTimeout(commandTimeout_);
    connection->setConnectionTimeout(connectTimeout_);
    connection->setConnectionString(connectionString);
    connection->Open();
    try {
        std::set<std::string> present;
        for (const auto& table : connection->tableNames()) present.insert(toLowerAscii(table));
        for (const char* required : kCatalogueTables) {
            if (present.count(toLowerAscii(required))) continue;
            const Engine& engine = connection->engine(ado::kConnectionSource);
            const std::string server = engine.location();
            // A server's database without tables is most often one made for
            // the catalogue and not yet filled.
            throw PorticoError(errors::kNotACatalogue,
                               server.empty() ? "The file is not a Portico catalogue (it has no table " +
                                                    std::string(required) + "): " + connectionString
                                              : server + " is not a Portico catalogue (it has no table " +
                                                    std::string(required) +
                                                    "); portico-create-catalogue makes one in an empty database.",
                               engine.source());
        }
        if (preparation_) preparation_(*connection);
    } catch (const PorticoError&) {
        // Not a catalogue: leave the connection closed so that it is not used.
        connection->Close();
        throw;
    }
    return connection;
}

void CatalogueSession::connect() {
    if (!connectQuietly()) report(*lastFailure_);
}

void CatalogueSession::setPreparation(std::function<void(Connection&)> preparation) {
    preparation_ = std::move(preparation);
    if (connection_ && connection_->State() == Connection::adStateOpen && preparation_) preparation_(*connection_);
}

bool CatalogueSession::connectQuietly() {
    // The old connection goes without an explicit close.
    activeConnection_.reset();
    connection_ = std::make_shared<Connection>();
    const bool server = isServerConnectionString(connectionString_);
    if (std::exchange(startFromCopy_, false) && server && !offlineCopy_.empty()) {
        try {
            connection_ = connectTo(offlineCopy_);
            offline_ = true;
            failedAt_.reset();
            return true;
        } catch (const PorticoError&) {
            // An unreadable copy: the server it stands for is asked instead.
        }
    }
    try {
        connection_ = connectTo(connectionString_);
        offline_ = false;
        failedAt_.reset();
        return true;
    } catch (const PorticoError& error) {
        failedAt_ = std::chrono::steady_clock::now();
        lastFailure_ = error;
    }
    // A server that cannot be reached leaves the user the catalogue last read
    // from it, without a message: the program says it is offline.
    if (!offlineCopy_.empty() && server) {
        try {
            connection_ = connectTo(offlineCopy_);
            offline_ = true;
            return true;
        } catch (const PorticoError&) {
            // No usable copy: the server's failure is the one to report.
        }
    }
    offline_ = false;
    return false;
}

bool CatalogueSession::mayRetry() const {
    if (!failedAt_) return true;
    if (retryInterval_ < std::chrono::milliseconds::zero()) return false;
    return std::chrono::steady_clock::now() - *failedAt_ >= retryInterval_;
}

bool CatalogueSession::reconnect() {
    if (!offline_ && connection_ && connection_->State() == Connection::adStateOpen) return true;
    try {
        auto connection = connectTo(connectionString_);
        activeConnection_.reset();
        connection_ = std::move(connection);
        offline_ = false;
        failedAt_.reset();
        return true;
    } catch (const PorticoError&) {
        failedAt_ = std::chrono::steady_clock::now();
        return false;
    }
}

void CatalogueSession::release() {
    if (offline_ || !connection_ || connection_->State() != Connection::adStateOpen || connection_->inTransaction())
        return;
    activeConnection_.reset();
    connection_->Close();
}

void CatalogueSession::close() {
    trap([&] {
        if (isConnectionOpen(connection_)) connection_->Close();
        activeConnection_.reset();
        connection_.reset();
    });
}

bool CatalogueSession::isConnectionOpen(const std::shared_ptr<Connection>& connection) {
    bool open = false;
    trap([&] {
        if (!connection) raise(ado::kObjectNotSet, ado::kObjectNotSetText);
        open = connection->State() == Connection::adStateOpen;
    });
    return open;
}

std::shared_ptr<Connection> CatalogueSession::getConnection(const std::shared_ptr<Connection>& connection) {
    if (isConnectionOpen(connection)) return connection;
    // A failure already reported is not repeated by every operation after it,
    // nor waited for again.
    if (!mayRetry()) throw UnreachableCatalogue(runtimeSource());
    connect();
    if (connection_->State() != Connection::adStateOpen) throw UnreachableCatalogue(runtimeSource());
    return connection_;
}

std::unique_ptr<Recordset> CatalogueSession::createRecordset() {
    std::unique_ptr<Recordset> recordset;
    trap([&] { recordset = statement(); });
    return recordset;
}

std::unique_ptr<Recordset> CatalogueSession::statement() {
    activeConnection_ = getConnection(connection_);
    return std::make_unique<Recordset>();
}

std::unique_ptr<Recordset> CatalogueSession::openQuery(const std::string& sql, const std::vector<Variant>& parameters) {
    auto recordset = statement();
    try {
        recordset->Open(sql, activeConnection_, parameters);
    } catch (const PorticoError& error) {
        // A server connection dropped while it was idle (the server restarted,
        // a pooler or firewall closed it): a read goes once more on a new one.
        if (error.number() != errors::kConnectionLost || activeConnection_->inTransaction() || !onlyReads(sql)) throw;
        // When no new one can be made, the loss is the one failure reported.
        if (!mayRetry() || !connectQuietly()) throw;
        recordset = statement();
        recordset->Open(sql, activeConnection_, parameters);
    }
    return recordset;
}

std::unique_ptr<Recordset> CatalogueSession::openTable(const std::string& table) {
    auto recordset = statement();
    recordset->OpenTable(table, activeConnection_);
    return recordset;
}

std::unique_ptr<Recordset> CatalogueSession::queryRecordset(const std::string& sql,
                                                            const std::vector<Variant>& parameters,
                                                            const char* separator) {
    std::unique_ptr<Recordset> result;
    trap([&] { result = openQuery(sql, parameters); }, separator);
    return result;
}

bool CatalogueSession::executeStatement(const std::string& sql, const std::vector<Variant>& parameters) {
    bool done = false;
    trap([&] {
        openQuery(sql, parameters);
        done = true;
    });
    return done;
}

bool CatalogueSession::findsRow(const std::string& sql, const std::vector<Variant>& parameters) {
    bool found = false;
    trap([&] { found = openQuery(sql, parameters)->RecordCount() > 0; });
    return found;
}

std::string CatalogueSession::readText(const std::string& sql, const std::string& parameter, const std::string& field,
                                       bool checkCount) {
    std::string result;
    trap([&] {
        auto recordset = openQuery(sql, {parameter});
        if (checkCount && recordset->RecordCount() == 0) return;
        const Variant& value = recordset->Fields(field).Value();
        // A missing value is no text; without the count check it reads as "".
        if (!checkCount && value.isNull()) return;
        result = trimSpacesOnly(value.toText());
    });
    return result;
}

std::string CatalogueSession::sameNameIn(const char* table, const char* keyColumn, const char* nameColumn,
                                         const std::string& name, const std::vector<std::int64_t>& except) {
    // Compared here rather than in SQL: the engine's NOCASE folds ASCII only,
    // and older catalogues have no index that knows better.
    const std::string wanted = NameFold::key(name);
    // Folders have no key column; no row of theirs is ever left out.
    auto rows = openQuery(std::string("Select ") + (keyColumn ? keyColumn : "0") + " as RowKey, " + nameColumn +
                              " as RowName from " + table,
                          {});
    for (; !rows->IsEOF(); rows->MoveNext()) {
        const Variant& stored = rows->Fields("RowName").Value();
        if (stored.isNull() || stored.isEmpty()) continue;
        const std::int64_t rowKey = rows->Fields("RowKey").Value().toInt64();
        if (std::find(except.begin(), except.end(), rowKey) != except.end()) continue;
        const std::string storedName = stored.toText();
        if (NameFold::key(storedName) == wanted) return trimSpacesOnly(storedName);
    }
    return {};
}

void CatalogueSession::refuseTakenName(const char* what, const char* table, const char* keyColumn,
                                       const char* nameColumn, const std::string& name,
                                       const std::vector<std::int64_t>& except) {
    const std::string taken = sameNameIn(table, keyColumn, nameColumn, name, except);
    if (!taken.empty())
        raise(errors::kDuplicateName, std::string("A ") + what + " named '" + taken + "' already exists.");
}

}  // namespace portico
