#pragma once

#include "database/CatalogueFile.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/clsDBRoutines.h"
#include "settings/PorticoError.h"
#include "tests/support/PostgresTestServer.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace portico::test {

// Every row of every catalogue table, as text, sorted: what a catalogue holds.
inline std::vector<std::string> catalogueRows(const std::string& connectionString) {
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString);
    connection->Open();
    std::vector<std::string> rows;
    for (const char* table : {"Program", "Permission", "[User]", "[Group]", "Folder", "Theme", "Settings"}) {
        for (const auto& row : connection->engine("test").run(std::string("SELECT * FROM ") + table, {}).rows) {
            std::string text = table;
            for (const auto& value : row) {
                text += " | ";
                if (value.isNull()) text += "<null>";
                else if (value.type() == Variant::Type::Bytes) text += std::string(value.bytes().begin(), value.bytes().end());
                else text += value.toText();
            }
            rows.push_back(text);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// A new catalogue (a file in a temporary folder, or a database of the process's
// throwaway server, as the test's engine says), opened by a data layer that exports
// its pictures into that folder; every message is recorded.
class CatalogueTest : public ::testing::TestWithParam<TestEngine> {
protected:
    CatalogueTest() {
        if (onServer() && PostgresTestServer::shared()) connection_ = PostgresTestServer::shared()->createCatalogue();
        if (connection_.empty()) {
            CatalogueFile::create(catalogue());
            connection_ = catalogue().string();
        }
        db = std::make_unique<clsDBRoutines>(pictures());
        db->openDatabase(connection_);
    }

    void SetUp() override {
        if (onServer() && !PostgresTestServer::shared())
            GTEST_SKIP() << "no PostgreSQL server: " << PostgresTestServer::unavailableReason();
    }

    bool onServer() const { return engine_ == TestEngine::Server; }

    // What the data layer was opened with: the file's path or the server's connection string.
    const std::string& connectionString() const { return connection_; }

    std::filesystem::path catalogue() const { return folder / "Portico.mdb"; }
    std::filesystem::path pictures() const {
        std::filesystem::create_directories(folder / "pictures");
        return folder / "pictures";
    }
    std::filesystem::path pictureFile(const std::string& name) const { return folder.path() / "pictures" / name; }

    // Writes the picture the icon picker would leave for addProgram.
    void pickIcon(const std::string& bytes) const { folder.write("pictures/temp.bmp", bytes); }

    void addProgram(const std::string& name, const std::string& path = "/usr/bin/true",
                    const std::string& icon = "BM-icon") {
        pickIcon(icon);
        ASSERT_TRUE(db->addProgram(name, "description of " + name, path, "", "/tmp", "-x"));
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& m : sink.messages) result.push_back(m.text);
        return result;
    }

    const TestEngine engine_ = runningEngine();
    TempFolder folder;
    RecordingMessageSink sink;
    std::string connection_;
    std::unique_ptr<clsDBRoutines> db;
};

// The values of one column over all rows of a record set.
inline std::vector<std::string> column(Recordset& rs, const std::string& name) {
    std::vector<std::string> values;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) values.push_back(rs.Fields(name).Value().toText());
    return values;
}

inline std::vector<std::string> fieldNames(Recordset& rs) {
    std::vector<std::string> names;
    for (int i = 0; i < rs.FieldCount(); ++i) names.push_back(rs.Fields(i).Name());
    return names;
}

}  // namespace portico::test
