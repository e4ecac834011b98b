#include "launcher/EarlyServerConnection.h"

#include "database/Connection.h"
#include "database/Engine.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "tests/support/PostgresTestServer.h"
#include "tests/support/SilentListener.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace portico::test {
namespace {

std::string settingsNaming(TempFolder& folder, const std::string& connectionString) {
    folder.write("Portico.ini", "[Database]\nDatabasePath=" + connectionString + "\n");
    return (folder / "Portico.ini").string();
}

std::int64_t launcherSessions(Connection& connection) {
    return connection.engine("test")
        .run("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'Portico' AND datname = current_database()",
             {})
        .rows.at(0)
        .at(0)
        .toInt64();
}

TEST(EarlyServerConnectionTest, TheFirstOpeningOfTheSettingsServerTakesItOverAndOthersConnectThemselves) {
    PostgresTestServer* server = PostgresTestServer::shared();
    if (!server) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    server->start();
    TempFolder folder;
    const std::string site = server->createCatalogue();
    const EarlyServerConnection early(settingsNaming(folder, site), 5, 10);
    Connection first;
    first.setConnectionString(site);
    first.Open();
    // Had the opening connected itself, the early session would still be there beside it.
    EXPECT_EQ(launcherSessions(first), 1);
    Connection second;
    second.setConnectionString(site);
    second.Open();
    EXPECT_EQ(launcherSessions(second), 2);
}

TEST(EarlyServerConnectionTest, AServerThatNeverAnswersIsWaitedForOnceAndTheOpeningFails) {
    SilentListener silent;
    TempFolder folder;
    const EarlyServerConnection early(settingsNaming(folder, silent.connectionString()), 1, 10);
    Connection connection;
    connection.setConnectionTimeout(1);
    connection.setConnectionString(silent.connectionString());
    try {
        connection.Open();
        ADD_FAILURE() << "a server that never answered was opened";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), errors::kCannotConnect);
    }
    EXPECT_EQ(silent.connectionsMade(), 1);
}

}  // namespace
}  // namespace portico::test
