#include "database/CatalogueCopy.h"

#include "database/AdoErrors.h"
#include "database/ChangeHistory.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

#include <memory>
#include <strings.h>

namespace portico {
namespace {

struct Table {
    const char* name;  // as the catalogue's SQL spells it
    const char* key;   // integer key, kept as it is so that relations hold
};
// Settings last: it names a theme.
constexpr Table kTables[] = {{"Program", "Program_Key"}, {"[User]", "User_Key"}, {"[Group]", "Group_Key"},
                             {"Permission", ""},         {"Folder", ""},         {"Theme", "Theme_Key"},
                             {"Settings", ""}};

std::string bare(const char* name) {
    std::string text = name;
    if (text.front() == '[') text = text.substr(1, text.size() - 2);
    return text;
}

std::shared_ptr<Connection> open(const std::string& connectionString) {
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString);
    connection->Open();
    for (const Table& table : kTables) {
        bool found = false;
        for (const auto& name : connection->tableNames()) found = found || strcasecmp(name.c_str(), bare(table.name).c_str()) == 0;
        if (!found)
            throw PorticoError(errors::kNotACatalogue, "Not a Portico catalogue (it has no table " + bare(table.name) + "): " + connectionString,
                               ado::kConnectionSource);
    }
    return connection;
}

// Undoes the destination's transaction unless it was committed.
class Transaction {
public:
    explicit Transaction(Connection& connection) : connection_(connection) { connection_.BeginTrans(); }
    ~Transaction() {
        if (connection_.inTransaction()) {
            try {
                connection_.RollbackTrans();
            } catch (const PorticoError&) {
                // A lost connection has rolled back on the server already.
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() { connection_.CommitTrans(); }

private:
    Connection& connection_;
};

}  // namespace

CatalogueCopy::Counts CatalogueCopy::copy(const std::string& from, const std::string& to, bool replace,
                                          bool withHistory) {
    auto source = open(from);
    auto destination = open(to);
    Engine& reader = source->engine(ado::kConnectionSource);
    Engine& writer = destination->engine(ado::kConnectionSource);

    Transaction transaction(*destination);
    // The copied rows are no new changes: the source's history comes along instead.
    const bool writerHistory = ChangeHistory::isPresent(writer);
    const bool history = withHistory && writerHistory && ChangeHistory::isPresent(reader);
    if (writerHistory && (history || !withHistory)) ChangeHistory::pauseRecording(writer);
    for (const Table& table : kTables) {
        const std::string name = table.name;
        if (name == "Settings") continue;
        const auto count = writer.run("SELECT count(*) FROM " + name, {}).rows.at(0).at(0).toInt64();
        if (count > 0 && !replace)
            throw PorticoError(errors::kInvalidArgument,
                               "The destination catalogue is not empty (table " + bare(table.name) +
                                   " has rows); use --replace to overwrite it: " + to,
                               ado::kConnectionSource);
    }
    Counts counts;
    for (const Table& table : kTables) {
        const std::string name = table.name;
        writer.run("DELETE FROM " + name, {});
        EngineResult rows = reader.run("SELECT * FROM " + name, {});
        std::string real = bare(table.name);
        const auto columns = writer.tableColumns(real);
        // Only the columns both sides have: a newer catalogue may carry more.
        std::vector<std::size_t> shared;
        std::vector<std::string> names;
        for (std::size_t i = 0; i < rows.names.size(); ++i) {
            for (const auto& column : columns) {
                if (strcasecmp(column.c_str(), rows.names[i].c_str()) == 0) {
                    shared.push_back(i);
                    names.push_back(column);
                    break;
                }
            }
        }
        for (const auto& row : rows.rows) {
            std::vector<Variant> values;
            for (std::size_t i : shared) values.push_back(row[i]);
            writer.insertRow(real, names, values, "");
        }
        if (*table.key) writer.resetKeyCounter(real, table.key);
        counts.emplace_back(bare(table.name), rows.rows.size());
    }
    if (history) {
        const auto changes = ChangeHistory::read(reader, {});
        ChangeHistory::append(writer, changes);
        counts.emplace_back("History", changes.size());
    }
    transaction.commit();
    return counts;
}

}  // namespace portico
