#include "database/CatalogueCopy.h"
#include "database/CatalogueServer.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/PostgresEngine.h"
#include "tests/database/CatalogueFixture.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace portico::test {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TEST(ConnectionStringTest, ServerStringsAreToldFromFileNames) {
    for (const char* server : {"postgresql://portico@db.example.org/portico", "postgres:///portico", "service=portico",
                               "host=/run/postgresql dbname=portico", "  dbname = portico", "user=alice"})
        EXPECT_TRUE(isServerConnectionString(server)) << server;
    for (const char* file : {"/srv/portico/data/Portico.mdb", "Portico.mdb", "data/host=1.mdb", "service", "",
                             "hostname=x", "postgresql:/x"})
        EXPECT_FALSE(isServerConnectionString(file)) << file;
}

// Tests of what only a server does.
class ServerCatalogueTest : public CatalogueTest {
protected:
    PostgresTestServer& server() { return *PostgresTestServer::shared(); }
    // The database a connection string of the test server names.
    static std::string databaseOf(const std::string& connection) {
        const auto start = connection.find("dbname=") + 7;
        return connection.substr(start, connection.find(' ', start) - start);
    }
    // The connection string of this test's catalogue for another login role.
    std::string as(const std::string& role) const { return connectionString() + " user=" + role; }
};
PORTICO_ON_SERVER(ServerCatalogueTest);

TEST_P(ServerCatalogueTest, ReadOnlyRoleReadsButIsRefusedOnEveryWriteMember) {
    addProgram("Mail");
    addProgram("Payroll");
    ASSERT_TRUE(db->AddFolder("Music", "/srv/music"));
    ASSERT_TRUE(db->CreateTheme("Plain"));
    ASSERT_TRUE(db->AddUser("alice", "S-1"));
    ASSERT_TRUE(db->AddUser("reader", "S-3"));  // the one user row the reader may see
    ASSERT_TRUE(db->AddGroup("Staff"));
    // Payroll is Staff's only, so the reader sees Mail alone.
    ASSERT_TRUE(db->AddSecurity("Staff", 1, "Payroll", 2));
    server().execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'reader') THEN "
                     "CREATE ROLE reader LOGIN IN ROLE portico_users; END IF; END $$");
    const auto before = catalogueRows(connectionString());

    clsDBRoutines reader(pictures());
    reader.openDatabase(as("reader"));
    ASSERT_TRUE(sink.messages.empty());
    auto programs = reader.loadPrograms();
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(programs->RecordCount(), 1);
    EXPECT_EQ(reader.getProgramPath("mail"), "/usr/bin/true");

    pickIcon("BM-new");
    const std::vector<std::pair<const char*, std::function<bool()>>> writes = {
        {"addProgram", [&] { return reader.addProgram("Shell", "", "/bin/sh", ""); }},
        {"updateProgram", [&] { return reader.updateProgram("Mail", "Post", "", "/usr/bin/post"); }},
        {"deleteProgram", [&] { return reader.deleteProgram("Mail"); }},
        {"AddSecurity", [&] { return reader.AddSecurity("reader", 1, "Mail", 1); }},
        {"DeleteSecurity", [&] { return reader.DeleteSecurity(1, 1); }},
        {"AddUser", [&] { return reader.AddUser("bob", "S-2"); }},
        {"DeleteUser", [&] { return reader.DeleteUser("S-1"); }},
        {"AddGroup", [&] { return reader.AddGroup("Admins"); }},
        {"DeleteGroup", [&] { return reader.DeleteGroup("Staff"); }},
        {"AddFolder", [&] { return reader.AddFolder("Films", "/srv/films"); }},
        {"DeleteFolder", [&] { return reader.DeleteFolder("Music"); }},
        {"CreateTheme", [&] { return reader.CreateTheme("Dark"); }},
        {"setDefaultTheme", [&] { return reader.setDefaultTheme("Plain"); }},
    };
    for (const auto& [name, write] : writes) {
        sink.messages.clear();
        EXPECT_FALSE(write()) << name;
        ASSERT_EQ(sink.messages.size(), 1u) << name;
        EXPECT_THAT(sink.messages[0].text, StartsWith("42501, permission denied for table ")) << name;
        EXPECT_EQ(sink.messages[0].title, "PostgreSQL") << name;
    }
    // The theme manager reports this one itself.
    EXPECT_FALSE(reader.DeleteTheme("Plain"));
    EXPECT_EQ(catalogueRows(connectionString()), before);
}

TEST_P(ServerCatalogueTest, AdministratorsRoleMayChangeTheCatalogue) {
    server().execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'keeper') THEN "
                     "CREATE ROLE keeper LOGIN IN ROLE portico_admins; END IF; END $$");
    clsDBRoutines keeper(pictures());
    keeper.openDatabase(as("keeper"));
    pickIcon("BM");
    EXPECT_TRUE(keeper.addProgram("Mail", "", "/usr/bin/mail", ""));
    EXPECT_TRUE(keeper.updateProgram("Mail", "Post", "", "/usr/bin/post"));
    EXPECT_TRUE(keeper.CreateTheme("Plain"));
    EXPECT_TRUE(keeper.setDefaultTheme("Plain"));
    EXPECT_TRUE(keeper.AddGroup("Staff"));
    EXPECT_TRUE(keeper.AddSecurity("Staff", 1, "Post", 2));
    EXPECT_TRUE(keeper.deleteProgram("Post"));
    EXPECT_TRUE(sink.messages.empty()) << ::testing::PrintToString(texts());
    EXPECT_EQ(db->getDefaultTheme(), "Plain");
    // An administrator may also copy a whole catalogue in, keys and their counters too.
    CatalogueFile::create(folder / "empty.mdb");
    EXPECT_NO_THROW(CatalogueCopy::copy((folder / "empty.mdb").string(), as("keeper"), true));
    EXPECT_EQ(db->GetThemeKey("Plain"), 0);
}

TEST_P(ServerCatalogueTest, NamesAreUniqueAndFoundWithoutRegardToCase) {
    addProgram("Mail");
    pickIcon("BM");
    EXPECT_FALSE(db->addProgram("MAIL", "", "/usr/bin/other", ""));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "3022, A program named 'Mail' already exists.");
    EXPECT_EQ(db->getProgramPath("mAiL"), "/usr/bin/true");
    ASSERT_TRUE(db->AddFolder("Music", "/a"));
    EXPECT_FALSE(db->AddFolder("music", "/b"));
    ASSERT_TRUE(db->CreateTheme("Plain"));
    EXPECT_FALSE(db->CreateTheme("PLAIN"));
    EXPECT_EQ(db->GetThemeKey("plain"), db->GetThemeKey("Plain"));
}

TEST_P(ServerCatalogueTest, TwoWritersLoseNoWrite) {
    TempFolder otherPictures;
    clsDBRoutines other(otherPictures.path());
    other.openDatabase(connectionString());
    otherPictures.write("temp.bmp", "BM-other");
    pickIcon("BM-mine");
    std::thread second([&] {
        for (int i = 0; i < 40; ++i) other.addProgram("Other " + std::to_string(i), "", "/bin/o", "");
    });
    for (int i = 0; i < 40; ++i) db->addProgram("Mine " + std::to_string(i), "", "/bin/m", "");
    second.join();
    EXPECT_TRUE(sink.messages.empty());
    auto programs = db->loadPrograms();
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(programs->RecordCount(), 80);
    // Interleaved updates of different programs all stay.
    std::thread updater([&] {
        for (int i = 0; i < 20; ++i) other.updateProgram("Other " + std::to_string(i), "Other " + std::to_string(i), "x", "/bin/o2");
    });
    for (int i = 0; i < 20; ++i) db->updateProgram("Mine " + std::to_string(i), "Mine " + std::to_string(i), "y", "/bin/m2");
    updater.join();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(db->getProgramPath("Other " + std::to_string(i)), "/bin/o2");
        EXPECT_EQ(db->getProgramPath("Mine " + std::to_string(i)), "/bin/m2");
    }
}

TEST_P(ServerCatalogueTest, ServerRestartIsReportedOnceAndTheNextOperationReconnects) {
    addProgram("Mail");
    sink.messages.clear();
    server().stop();
    EXPECT_EQ(db->loadPrograms(), nullptr);
    ASSERT_EQ(sink.messages.size(), 1u) << texts()[1];
    EXPECT_THAT(sink.messages[0].text, StartsWith("8006, The connection to the catalogue server was lost"));
    EXPECT_EQ(sink.messages[0].title, "PostgreSQL");
    server().start();
    auto programs = db->loadPrograms();
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(programs->RecordCount(), 1);
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_P(ServerCatalogueTest, AfterTheServerRestartedTheFirstReadGoesThroughWithoutAMessage) {
    addProgram("Mail");
    sink.messages.clear();
    server().stop();
    server().start();
    EXPECT_EQ(db->getProgramPath("Mail"), "/usr/bin/true");
    EXPECT_TRUE(sink.messages.empty()) << ::testing::PrintToString(texts());
}

TEST_P(ServerCatalogueTest, ALibraryObjectWhoseOpenFailedReportsOnceAndFailsFastUntilOpenedAgain) {
    addProgram("Mail");
    server().stop();
    sink.messages.clear();
    clsDBRoutines library(CatalogueCaller::Library, pictures());
    library.openDatabase(connectionString());
    server().start();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(library.loadPrograms(), nullptr);
    EXPECT_EQ(library.getProgramPath("Mail"), "");
    EXPECT_EQ(library.GetFolders(), nullptr);
    EXPECT_FALSE(library.AddFolder("Music", "/srv/music"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_EQ(sink.messages.size(), 1u) << ::testing::PrintToString(texts());
    EXPECT_THAT(sink.messages[0].text, StartsWith("8001, Cannot connect to the catalogue server: "));
    library.openDatabase(connectionString());
    EXPECT_EQ(library.getProgramPath("Mail"), "/usr/bin/true");
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_P(ServerCatalogueTest, ARefusedConnectionIsReportedAndTheNextOperationConnects) {
    server().stop();
    sink.messages.clear();
    clsDBRoutines late(pictures());
    late.openDatabase(connectionString());
    server().start();
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_THAT(sink.messages[0].text, StartsWith("8001, Cannot connect to the catalogue server: "));
    EXPECT_THAT(sink.messages[0].text, HasSubstr(server().folder().string()));
    EXPECT_NE(late.loadPrograms(), nullptr);
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_P(ServerCatalogueTest, WrongPasswordOrUnknownHostGiveOneClearReportNamingTheServer) {
    server().execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'portico_password') THEN "
                     "CREATE ROLE portico_password LOGIN PASSWORD 'right' IN ROLE portico_users; END IF; END $$");
    const struct {
        std::string connection;
        std::string named;
        std::string says;
    } cases[] = {
        {as("portico_password") + " password=wrong", server().folder().string(), "password authentication failed"},
        {"host=no-such-host.invalid dbname=portico connect_timeout=5", "no-such-host.invalid", "no-such-host.invalid"},
        {"postgresql://portico@no-such-host.invalid/portico?connect_timeout=5", "no-such-host.invalid", ""},
    };
    for (const auto& c : cases) {
        sink.messages.clear();
        const auto start = std::chrono::steady_clock::now();
        clsDBRoutines refused(pictures());
        refused.openDatabase(c.connection);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.connection;
        ASSERT_EQ(sink.messages.size(), 1u) << c.connection;
        EXPECT_THAT(sink.messages[0].text, StartsWith("8001, Cannot connect to the catalogue server: "));
        EXPECT_THAT(sink.messages[0].text, HasSubstr(c.named));
        EXPECT_THAT(sink.messages[0].text, HasSubstr(c.says));
        EXPECT_EQ(sink.messages[0].title, "PostgreSQL");
    }
    clsDBRoutines right(pictures());
    sink.messages.clear();
    right.openDatabase(as("portico_password") + " password=right");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ServerCatalogueTest, AnEmptyDatabaseIsReportedByItsNameAndServerNotAsAFile) {
    const std::string empty = server().createDatabase();
    const std::string name = databaseOf(empty);
    clsDBRoutines db(pictures());
    db.openDatabase(empty + " password=unused");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_THAT(sink.messages[0].text, StartsWith("26, The database \"" + name + "\" on the local server (socket folder " +
                                                  server().folder().string() + ", port "));
    EXPECT_THAT(sink.messages[0].text, EndsWith(") is not a Portico catalogue (it has no table Program); "
                                                "portico-create-catalogue makes one in an empty database."));
    EXPECT_THAT(sink.messages[0].text, Not(HasSubstr("unused")));
    EXPECT_EQ(sink.messages[0].title, "PostgreSQL");

    // The refused connection is not used: the next operation tries again, and
    // finds the catalogue once it has been made.
    sink.messages.clear();
    EXPECT_EQ(db.LoadThemes(), nullptr);
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_THAT(sink.messages[0].text, HasSubstr("is not a Portico catalogue"));
    CatalogueServer::create(empty);
    sink.messages.clear();
    auto themes = db.LoadThemes();
    ASSERT_NE(themes, nullptr);
    EXPECT_EQ(themes->RecordCount(), 0);
    EXPECT_TRUE(sink.messages.empty()) << ::testing::PrintToString(texts());
}

TEST_P(ServerCatalogueTest, ErrorsWhoseCodeHasLettersAreReportedLikeAnyOther) {
    // Codes of classes such as P0 (raised by a function) and 0A have letters:
    // they are reported with number 1 and the code in the text, not thrown past the report.
    server().execute("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "IF NEW.Folder_Name = 'Films' THEN RAISE EXCEPTION 'no films' USING ERRCODE = 'feature_not_supported'; "
                     "END IF; RAISE EXCEPTION 'kept'; END $$",
                     databaseOf(connectionString()));
    server().execute("CREATE TRIGGER refuse BEFORE INSERT ON Folder FOR EACH ROW EXECUTE FUNCTION refuse()",
                     databaseOf(connectionString()));
    const auto before = catalogueRows(connectionString());
    EXPECT_FALSE(db->AddFolder("Music", "/srv/music"));
    EXPECT_FALSE(db->AddFolder("Films", "/srv/films"));
    ASSERT_EQ(sink.messages.size(), 2u) << texts()[0];
    EXPECT_EQ(sink.messages[0].text, "1, kept (SQLSTATE P0001)");
    EXPECT_EQ(sink.messages[1].text, "1, no films (SQLSTATE 0A000)");
    EXPECT_EQ(sink.messages[0].title, "PostgreSQL");
    EXPECT_EQ(catalogueRows(connectionString()), before);
}

TEST_P(ServerCatalogueTest, AResultOfSystemColumnsOnlyStillNamesItsTable) {
    addProgram("Mail");
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString());
    connection->Open();
    const auto result = connection->engine("test").run("SELECT xmin FROM Program", {});
    EXPECT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.table, "program");
}

// Results far larger than libpq's first read buffer, taken as they stream in.
class ServerResultTest : public ServerCatalogueTest {
protected:
    void SetUp() override {
        ServerCatalogueTest::SetUp();
        if (IsSkipped()) return;
        connection = std::make_shared<Connection>();
        connection->setConnectionString(connectionString());
        connection->Open();
    }
    Engine& engine() { return connection->engine("test"); }
    std::shared_ptr<Connection> connection;
};
PORTICO_ON_SERVER(ServerResultTest);

// Row x holds (x % 256) repeated 4,000 + x times, or null for every seventh.
constexpr const char* kLongResult =
    "SELECT x, CASE WHEN x % 7 = 0 THEN NULL ELSE decode(repeat(lpad(to_hex(x % 256), 2, '0'), 4000 + x), 'hex') END "
    "AS Picture, 'name ' || x AS Name FROM generate_series(1, 3000) x ORDER BY x";

TEST_P(ServerResultTest, ALongResultArrivesWholeAndInOrder) {
    const auto result = engine().run(kLongResult, {});
    ASSERT_EQ(result.rows.size(), 3000u);
    EXPECT_EQ(result.names, (std::vector<std::string>{"x", "Picture", "Name"}));
    for (std::size_t i = 0; i < result.rows.size(); ++i) {
        const auto& row = result.rows[i];
        const auto x = static_cast<std::int64_t>(i + 1);
        ASSERT_EQ(row.size(), 3u);
        ASSERT_EQ(row[0].toInt64(), x);
        EXPECT_EQ(row[2].toText(), "name " + std::to_string(x));
        if (x % 7 == 0) {
            EXPECT_TRUE(row[1].isNull()) << x;
            continue;
        }
        ASSERT_EQ(row[1].type(), Variant::Type::Bytes) << x;
        ASSERT_EQ(row[1].bytes(), Bytes(static_cast<std::size_t>(4000 + x), static_cast<std::uint8_t>(x % 256))) << x;
    }
    // The connection is idle again: the next statement runs on it.
    EXPECT_EQ(engine().run("SELECT 1", {}).rows.size(), 1u);
}

TEST_P(ServerResultTest, AnEmptyResultStillNamesItsFields) {
    const auto result = engine().run("SELECT Program_Name, Program_Icon FROM Program WHERE Program_Key < 0", {});
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(result.names, (std::vector<std::string>{"Program_Name", "Program_Icon"}));
    EXPECT_EQ(result.table, "program");
}

TEST_P(ServerResultTest, AnErrorAfterRowsHaveStreamedIsReportedAndTheConnectionServesOn) {
    try {
        engine().run("SELECT x, decode(repeat('ab', 5000), 'hex'), 1 / (x - 2500) FROM generate_series(1, 3000) x", {});
        FAIL() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 22012);
        EXPECT_THAT(error.description(), HasSubstr("division by zero"));
    }
    EXPECT_TRUE(engine().isOpen());
    EXPECT_EQ(engine().run(kLongResult, {}).rows.size(), 3000u);
}

TEST_P(ServerResultTest, AConnectionLostWhileRowsStreamIsReportedNotAwaited) {
    // The statement sends rows, then stalls; its server process is ended meanwhile.
    std::thread killer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        server().execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE query LIKE '%stall_here%' "
                         "AND pid <> pg_backend_pid()");
    });
    Engine& streaming = engine();
    const auto start = std::chrono::steady_clock::now();
    try {
        streaming.run("SELECT x, decode(repeat('cd', 5000), 'hex'), CASE WHEN x = 600 THEN "
                     "(SELECT 'stall_here' || pg_sleep(20)) END FROM generate_series(1, 1000) x",
                     {});
        ADD_FAILURE() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 8006);
        EXPECT_THAT(error.description(), StartsWith("The connection to the catalogue server was lost"));
    }
    killer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(streaming.isOpen());
}

TEST_P(ServerCatalogueTest, CreatingACatalogueRefusesADatabaseWithTables) {
    const auto before = catalogueRows(connectionString());
    EXPECT_THROW(CatalogueServer::create(connectionString()), PorticoError);
    EXPECT_EQ(catalogueRows(connectionString()), before);
}

}  // namespace
}  // namespace portico::test
