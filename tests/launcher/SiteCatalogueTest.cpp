#include "database/CatalogueSession.h"
#include "database/Engine.h"
#include "launcher/SiteCatalogue.h"
#include "launcher/frmView.h"
#include "offline/OfflineCopy.h"
#include "tests/launcher/LauncherFixture.h"
#include "tests/support/PostgresTestServer.h"
#include "tests/support/SilentListener.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

namespace portico::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

// The launcher on a catalogue server with two programs; the user's cache is the test's.
class SiteCatalogueTest : public LauncherTest {
protected:
    SiteCatalogueTest() {
        setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
        SiteCatalogue::timing() = {2, 10, std::chrono::milliseconds(100), std::chrono::milliseconds(300)};
        if (!server()) return;
        server()->start();
        site = server()->createCatalogue();
        administrator = std::make_unique<clsDBRoutines>(folder / "pictures");
        administrator->openDatabase(site);
        for (const char* name : {"Mail", "Clock"}) {
            folder.write("pictures/temp.bmp", solidPicture(Qt::red));
            EXPECT_TRUE(administrator->addProgram(name, "About", std::string("/usr/bin/") + name, ""));
        }
    }
    ~SiteCatalogueTest() override {
        program.reset();
        if (server()) server()->start();
        SiteCatalogue::timing() = {};
        unsetenv("PGPASSFILE");
    }

    static PostgresTestServer* server() { return PostgresTestServer::shared(); }

    void startOn(const std::string& connection) {
        folder.write("Portico.ini", "[Database]\nDatabasePath=" + connection + "\n");
        program = std::make_unique<modMain>(folder / "pictures");
        program->start();
    }
    // The user's copy for `connection`, as the launcher writes it from the test's catalogue.
    void writeCopy(const std::string& connection) {
        std::vector<std::int64_t> keys;
        for (auto names = administrator->loadProgramNames(); !names->IsEOF(); names->MoveNext())
            keys.push_back(names->Fields("Program_Key").Value().toInt64());
        OfflineCopy::save(site, keys, OfflineCopy::fileFor(connection));
    }
    std::size_t failedLogins() const {
        std::ifstream log(server()->folder() / "server.log");
        std::stringstream text;
        text << log.rdbuf();
        const std::string all = text.str();
        std::size_t count = 0;
        for (auto at = all.find("password authentication failed"); at != std::string::npos;
             at = all.find("password authentication failed", at + 1))
            ++count;
        return count;
    }
    QLabel* note() { return program->site()->note(); }
    QListWidget* list() { return program->mainWindow()->ucProgramView1->lstView; }

    std::string site;
    std::unique_ptr<clsDBRoutines> administrator;
};

TEST_F(SiteCatalogueTest, AServerThatCannotBeReachedIsOneMessageOrTheOfflineCopyWithItsNote) {
    if (!server()) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    server()->execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'portico_password') THEN "
                      "CREATE ROLE portico_password LOGIN PASSWORD 'right' IN ROLE portico_users; END IF; END $$");
    const SilentListener silent;
    const struct {
        std::string what;
        std::string connection;
        bool stopped;
        std::string says;
    } cases[] = {
        {"server stopped", site, true, server()->folder().string()},
        {"no answer", silent.connectionString(), false, "timeout expired"},
        {"wrong password", site + " user=portico_password", false, "password authentication failed"},
    };
    // The password comes from the user's password file, as a site keeps it.
    folder.write("pgpass", "*:*:*:portico_password:wrong\n");
    std::filesystem::permissions(folder / "pgpass", std::filesystem::perms::owner_read);
    setenv("PGPASSFILE", (folder / "pgpass").c_str(), 1);
    // One attempt per start and per retry interval, which this test does not reach.
    SiteCatalogue::timing().retry = std::chrono::milliseconds(60000);
    for (const bool withCopy : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what + (withCopy ? ", with a copy" : ", no copy"));
            if (withCopy) writeCopy(c.connection);
            if (c.stopped) server()->stop();
            const std::size_t loginsBefore = c.stopped ? 0 : failedLogins();
            dialogs.clear();
            const auto started = Clock::now();
            startOn(c.connection);
            EXPECT_LT(Clock::now() - started, std::chrono::seconds(4));
            if (!withCopy) {
                ASSERT_EQ(dialogs.messages().size(), 1u);
                EXPECT_THAT(dialogs.messages()[0].text, StartsWith("8001, Cannot connect to the catalogue server: "));
                EXPECT_THAT(dialogs.messages()[0].text, HasSubstr(c.says));
                EXPECT_EQ(dialogs.messages()[0].title, "PostgreSQL");
                EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::Critical);
                EXPECT_EQ(program->mainWindow(), nullptr);
            } else {
                ASSERT_NE(program->mainWindow(), nullptr);
                // Mail, launched in an earlier case, may come first by this user's use.
                auto shown = texts(list());
                std::sort(shown.begin(), shown.end());
                EXPECT_EQ(shown, (std::vector<std::string>{"Clock", "Mail"}));
                // The window comes from the copy at once; the note, once the server has failed to answer.
                ASSERT_TRUE(QTest::qWaitFor([&] { return note()->isVisible(); }, 4000));
                EXPECT_TRUE(std::regex_match(note()->text().toStdString(),
                                             std::regex("Offline \u2014 catalogue of [0-9]{1,2} [A-Z][a-z]{2} [0-9]{2}:[0-9]{2}")))
                    << note()->text().toStdString();
                doubleClick(list(), itemNamed(list(), "Mail"));
                ASSERT_FALSE(shell.requests.empty());
                EXPECT_EQ(shell.requests.back().file, "/usr/bin/Mail");
                EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
            }
            if (!c.stopped) {
                QTest::qWait(200);
                EXPECT_EQ(failedLogins() - loginsBefore, c.what == "wrong password" ? 1u : 0u);
            }
            program.reset();
            server()->start();
            std::filesystem::remove(OfflineCopy::fileFor(c.connection));
        }
    }
}

TEST_F(SiteCatalogueTest, StoppedWhileRunningLaunchesFromTheCopyAndComesBackWhenTheServerDoes) {
    if (!server()) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    // An ordinary user, who may read neither the grants nor the history.
    server()->execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'carol') THEN "
                      "CREATE ROLE carol LOGIN IN ROLE portico_users; END IF; END $$");
    const std::string user = site + " user=carol";
    startOn(user);
    ASSERT_NE(program->mainWindow(), nullptr);
    const auto copy = OfflineCopy::fileFor(user);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(copy); }, 5000));
    EXPECT_EQ(std::filesystem::status(copy).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_FALSE(note()->isVisible());

    server()->stop();
    doubleClick(list(), itemNamed(list(), "Clock"));
    ASSERT_FALSE(shell.requests.empty());
    EXPECT_EQ(shell.requests.back().file, "/usr/bin/Clock");
    EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
    EXPECT_TRUE(QTest::qWaitFor([&] { return note()->isVisible(); }, 2000));

    server()->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !note()->isVisible(); }, 5000));
    EXPECT_FALSE(program->database().session().offline());
    doubleClick(list(), itemNamed(list(), "Mail"));
    EXPECT_EQ(shell.requests.back().file, "/usr/bin/Mail");
    EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
}

TEST_F(SiteCatalogueTest, AStartFromTheCopyShowsItAtOnceAndTheServerDecidesWhatStarts) {
    if (!server()) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    SiteCatalogue::timing().watch = std::chrono::milliseconds(60000);
    writeCopy(site);
    ASSERT_TRUE(administrator->deleteProgram("Mail"));
    for (const bool launchAtOnce : {true, false}) {
        SCOPED_TRACE(launchAtOnce ? "launched before the server answered" : "the server answered first");
        writeCopy(site);
        // The copy still lists Mail, which the server no longer has.
        Connection copy;
        copy.setConnectionString(OfflineCopy::fileFor(site).string());
        copy.Open();
        copy.engine("test").run("INSERT INTO Program (Program_Name, Program_Path) VALUES ('Mail', '/usr/bin/Mail')", {});
        copy.Close();
        dialogs.clear();
        startOn(site);
        ASSERT_NE(program->mainWindow(), nullptr);
        EXPECT_TRUE(program->site()->starting());
        EXPECT_FALSE(note()->isVisible());
        ASSERT_NE(itemNamed(list(), "Mail"), nullptr);
        if (!launchAtOnce) ASSERT_TRUE(QTest::qWaitFor([&] { return itemNamed(list(), "Mail") == nullptr; }, 4000));
        else doubleClick(list(), itemNamed(list(), "Mail"));
        EXPECT_FALSE(program->site()->starting());
        EXPECT_FALSE(program->database().session().offline());
        EXPECT_TRUE(shell.requests.empty());
        if (launchAtOnce) {
            ASSERT_EQ(dialogs.messages().size(), 1u);
            EXPECT_EQ(dialogs.messages()[0].text, "Mail is no longer in the catalogue for you, so nothing was started.");
            EXPECT_TRUE(QTest::qWaitFor([&] { return itemNamed(list(), "Mail") == nullptr; }, 2000));
        }
        EXPECT_FALSE(note()->isVisible());
        program.reset();
    }
    SiteCatalogue::timing().watch = std::chrono::milliseconds(100);
}

TEST_F(SiteCatalogueTest, ChangesShowWithinSecondsOnBothEnginesKeepingTheSearchAndTheCurrentProgram) {
    if (!server()) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    for (const bool onServer : {true, false}) {
        SCOPED_TRACE(onServer ? "server" : "file");
        const std::string connection = onServer ? site : catalogue().string();
        clsDBRoutines changer(folder / "pictures");
        changer.openDatabase(connection);
        folder.write("pictures/temp.bmp", solidPicture(Qt::blue));
        if (!onServer) {
            ASSERT_TRUE(changer.addProgram("Clock", "About", "/usr/bin/Clock", ""));
        }
        startOn(connection);
        ucProgramView& view = *program->mainWindow()->ucProgramView1;
        list()->setCurrentItem(itemNamed(list(), "Clock"));
        view.txtSearch->setText("cl");

        ASSERT_TRUE(changer.addProgram("Calendar", "About", "/usr/bin/Calendar", ""));
        EXPECT_TRUE(QTest::qWaitFor([&] { return itemNamed(list(), "Calendar") != nullptr; }, 5000));
        EXPECT_EQ(list()->currentItem()->text(), "Clock");
        EXPECT_EQ(view.txtSearch->text(), "cl");

        // F5 does not wait for the watch.
        SiteCatalogue::timing().watch = std::chrono::milliseconds(60000);
        startOn(connection);
        ASSERT_TRUE(changer.deleteProgram("Calendar"));
        program->mainWindow()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(program->mainWindow()));
        QTest::keyClick(program->mainWindow()->ucProgramView1->txtSearch, Qt::Key_F5);
        EXPECT_EQ(itemNamed(list(), "Calendar"), nullptr);
        SiteCatalogue::timing().watch = std::chrono::milliseconds(100);
        EXPECT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
        program.reset();
    }
}

TEST_F(SiteCatalogueTest, ALauncherOffersAndStartsOnlyWhatItsUserMaySee) {
    if (!server()) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    server()->execute(
        "DO $$ BEGIN "
        "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'finance') THEN CREATE ROLE finance NOLOGIN; END IF; "
        "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'alice') THEN "
        "CREATE ROLE alice LOGIN IN ROLE portico_users, finance; END IF; "
        "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'bob') THEN "
        "CREATE ROLE bob LOGIN IN ROLE portico_users; END IF; END $$");
    const std::string picture = solidPicture(Qt::green);
    ASSERT_TRUE(administrator->addProgramWithGrants("Ledger", "Accounts", "/usr/bin/ledger",
                                                    Bytes(picture.begin(), picture.end()), "", "", {{2, "finance"}}));

    startOn(site + " user=bob");
    ASSERT_NE(program->mainWindow(), nullptr);
    auto shown = texts(list());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"Clock", "Mail"}));
    program->mainWindow()->ucProgramView1->txtSearch->setText("led");
    EXPECT_EQ(program->mainWindow()->ucProgramView1->lstResults->model()->rowCount(), 0);

    // Alice's list still holds Ledger when its grant goes to bob: launching it starts nothing.
    SiteCatalogue::timing().watch = std::chrono::milliseconds(60000);
    startOn(site + " user=alice");
    ASSERT_NE(itemNamed(list(), "Ledger"), nullptr);
    const std::int64_t ledger = administrator->getProgramKey("Ledger");
    ASSERT_TRUE(administrator->updateProgramWithGrants(ledger, "Ledger", "Accounts", "/usr/bin/ledger", "", "", nullptr,
                                                       {{1, "bob"}}));
    dialogs.clear();
    doubleClick(list(), itemNamed(list(), "Ledger"));
    EXPECT_TRUE(shell.requests.empty());
    ASSERT_EQ(dialogs.messages().size(), 1u) << dialogs.messages().back().text;
    EXPECT_EQ(dialogs.messages()[0].text, "Ledger is no longer in the catalogue for you, so nothing was started.");
    SiteCatalogue::timing().watch = std::chrono::milliseconds(100);
}

TEST_F(SiteCatalogueTest, AnIdleLauncherHoldsNoServerConnection) {
    if (!server()) GTEST_SKIP() << PostgresTestServer::unavailableReason();
    administrator.reset();
    // Between watches: a check that happens to run as the count is taken holds
    // a connection for its moment, which is not idling.
    SiteCatalogue::timing().watch = std::chrono::milliseconds(60000);
    startOn(site);
    ASSERT_NE(program->mainWindow(), nullptr);
    QTest::qWait(500);
    Connection probe;
    probe.setConnectionString(site);
    probe.Open();
    const auto rows = probe.engine("test")
                          .run("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'Portico' "
                               "AND pid <> pg_backend_pid()",
                               {})
                          .rows;
    EXPECT_EQ(rows.at(0).at(0).toInt64(), 0);
}

}  // namespace
}  // namespace portico::test
