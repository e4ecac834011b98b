#include "database/CatalogueFile.h"

#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/NameFold.h"
#include "database/Recordset.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <system_error>

namespace portico {

extern const char* const kCatalogueSchema;

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

constexpr const char* kCatalogueTables[] = {"Program", "Permission", "User", "Group", "Folder", "Theme", "Settings"};

}  // namespace

void CatalogueFile::create(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(file, ec)))
        throw PorticoError(SQLITE_CANTOPEN, "The file already exists and is left as it is: " + file.string(),
                           ado::kEngineSource);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    NameFold::registerEverywhere();
    if (db) NameFold::registerOn(db.get());
    std::string failure;
    if (rc != SQLITE_OK) {
        failure = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
    } else {
        char* message = nullptr;
        const std::string script = std::string("BEGIN;\n") + kCatalogueSchema + "\nCOMMIT;";
        if (sqlite3_exec(db.get(), script.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            failure = message ? message : "cannot write the catalogue";
            sqlite3_free(message);
        }
    }
    if (!failure.empty()) {
        const int code = db ? sqlite3_errcode(db.get()) : rc;
        db.reset();
        std::filesystem::remove(file, ec);
        throw PorticoError(code & 0xff, failure + ": " + file.string(), ado::kEngineSource);
    }
}

bool CatalogueFile::isCatalogue(const std::filesystem::path& file) {
    std::error_code ec;
    // A FIFO or a device would block the read or never end.
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (rc != SQLITE_OK) return false;
    int found = 0;
    const char* sql =
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND lower(name) IN "
        "('program', 'permission', 'user', 'group', 'folder', 'theme', 'settings')";
    auto count = [](void* result, int, char** values, char**) {
        *static_cast<int*>(result) = values[0] ? std::atoi(values[0]) : 0;
        return 0;
    };
    // A file that is no SQLite database fails here ("file is not a database").
    if (sqlite3_exec(db.get(), sql, count, &found, nullptr) != SQLITE_OK) return false;
    return found == 7;
}

void CatalogueFile::check(const std::filesystem::path& file, int timeoutSeconds) {
    const std::string name = file.string();
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        throw PorticoError(SQLITE_CANTOPEN, "There is no catalogue file at " + name + ".", ado::kEngineSource);
    if (std::filesystem::is_directory(file, ec))
        throw PorticoError(SQLITE_CANTOPEN, name + " is a folder, not a catalogue file.", ado::kEngineSource);

    auto connection = std::make_shared<Connection>();
    connection->setCommandTimeout(timeoutSeconds);
    connection->setConnectionString(name);
    std::set<std::string> present;
    try {
        connection->Open();
        Recordset tables;
        tables.Open("SELECT name FROM sqlite_master WHERE type = 'table'", connection);
        for (; !tables.IsEOF(); tables.MoveNext()) present.insert(toLowerAscii(tables.Fields("name").Value().toText()));
    } catch (const PorticoError& error) {
        if (error.number() == SQLITE_NOTADB)
            throw PorticoError(error.number(),
                               name + " is not a Portico catalogue: it is not an SQLite database (" +
                                   error.description() + ").",
                               error.source());
        throw PorticoError(error.number(), "The catalogue " + name + " cannot be read: " + error.description(),
                           error.source());
    }
    for (const char* required : kCatalogueTables) {
        if (!present.count(toLowerAscii(required)))
            throw PorticoError(SQLITE_NOTADB,
                               name + " is not a Portico catalogue: it is an SQLite database without the table " +
                                   required + ".",
                               ado::kEngineSource);
    }
}

std::optional<std::uint32_t> CatalogueFile::headerField(const std::filesystem::path& file, std::size_t offset) {
    constexpr std::size_t kHeaderSize = 100;
    if (offset + 4 > kHeaderSize) return std::nullopt;
    std::FILE* stream = std::fopen(file.c_str(), "rb");
    if (!stream) return std::nullopt;
    unsigned char header[kHeaderSize];
    const bool read = std::fread(header, 1, sizeof header, stream) == sizeof header;
    std::fclose(stream);
    if (!read || std::memcmp(header, "SQLite format 3", 16) != 0) return std::nullopt;
    return (std::uint32_t{header[offset]} << 24) | (std::uint32_t{header[offset + 1]} << 16) |
           (std::uint32_t{header[offset + 2]} << 8) | header[offset + 3];
}

}  // namespace portico
