#include "database/CatalogueSession.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/NameFold.h"
#include "settings/ErrorNumbers.h"
#include "settings/MessageSink.h"
#include "settings/TextUtil.h"

#include <algorithm>
#include <set>

namespace portico {
namespace {

constexpr int kCommandTimeoutSeconds = 100;
constexpr int kConnectionTimeoutSeconds = 100;
constexpr const char* kCatalogueTables[] = {"Program", "Permission", "User", "Group", "Folder", "Theme", "Settings"};

}  // namespace

CatalogueSession::CatalogueSession(CatalogueCaller caller) : caller_(caller), databasePassword_("lantern731") {}

CatalogueSession::~CatalogueSession() { close(); }

const char* CatalogueSession::runtimeSource() const {
    return servesLibrary() ? ado::kLibraryRuntimeSource : ado::kRuntimeSource;
}

void CatalogueSession::report(const PorticoError& error, const char* separator) const {
    const bool runtime = dynamic_cast<const RuntimeError*>(&error) != nullptr;
    messageSink().showMessage(std::to_string(error.number()) + separator + error.description(),
                              runtime ? runtimeSource() : error.source(), MessageIcon::Critical);
}

void CatalogueSession::raise(long number, const std::string& description) const {
    throw PorticoError(number, description, runtimeSource());
}

void CatalogueSession::open(const std::string& connectionString) {
    connectionString_ = connectionString;
    connect();
}

void CatalogueSession::connect() {
    trap([&] {
        // The old connection goes without an explicit close.
        activeConnection_.reset();
        connection_ = std::make_shared<Connection>();
        connection_->setCommandTimeout(kCommandTimeoutSeconds);
        connection_->setConnectionTimeout(kConnectionTimeoutSeconds);
        connection_->setConnectionString(connectionString_);
        connection_->Open();
        try {
            std::set<std::string> present;
            for (const auto& table : connection_->tableNames()) present.insert(toLowerAscii(table));
            for (const char* required : kCatalogueTables) {
                if (present.count(toLowerAscii(required))) continue;
                const Engine& engine = connection_->engine(ado::kConnectionSource);
                const std::string server = engine.location();
                // A server's database without tables is most often one made for
                // the catalogue and not yet filled.
                throw PorticoError(errors::kNotACatalogue,
                                   server.empty() ? "The file is not a Portico catalogue (it has no table " +
                                                        std::string(required) + "): " + connectionString_
                                                  : server + " is not a Portico catalogue (it has no table " +
                                                        std::string(required) +
                                                        "); portico-create-catalogue makes one in an empty database.",
                                   engine.source());
            }
        } catch (const PorticoError&) {
            // Not a catalogue: leave the connection closed so that it is not used.
            connection_->Close();
            throw;
        }
    });
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
    connect();
    return connection_;
}

std::unique_ptr<Recordset> CatalogueSession::createRecordset() {
    std::unique_ptr<Recordset> recordset;
    trap([&] {
        activeConnection_ = getConnection(connection_);
        recordset = std::make_unique<Recordset>();
    });
    return recordset;
}

std::unique_ptr<Recordset> CatalogueSession::statement() {
    auto recordset = createRecordset();
    if (!recordset) raise(ado::kObjectNotSet, ado::kObjectNotSetText);
    return recordset;
}

std::unique_ptr<Recordset> CatalogueSession::openQuery(const std::string& sql, const std::vector<Variant>& parameters) {
    auto recordset = statement();
    recordset->Open(sql, activeConnection_, parameters);
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
