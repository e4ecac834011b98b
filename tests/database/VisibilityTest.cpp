#include "database/CatalogueCopy.h"
#include "database/CatalogueIdentity.h"
#include "database/CatalogueServer.h"
#include "database/LibPq.h"
#include "tests/database/CatalogueFixture.h"

#include <libpq-fe.h>

#include <grp.h>
#include <map>
#include <pwd.h>
#include <unistd.h>

namespace portico::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Names = std::vector<std::string>;

// Who the test says the reader is, instead of the machine's users.
class FakeIdentities {
public:
    explicit FakeIdentities(std::map<std::string, Names> groups) : groups_(std::move(groups)) {
        CatalogueIdentity::setProvider([this](const std::string& user) {
            const std::string name = user.empty() ? current : user;
            const auto found = groups_.find(name);
            return CatalogueIdentity{name, found == groups_.end() ? Names{} : found->second};
        });
    }
    ~FakeIdentities() { CatalogueIdentity::setProvider({}); }
    std::string current;

private:
    std::map<std::string, Names> groups_;
};

Names programNames(clsDBRoutines& db) {
    auto rows = db.loadProgramNames();
    return rows ? column(*rows, "Program_Name") : Names{"<failed>"};
}

// Users alice (key 1) and bob (2), groups finance (1) and staff (2), so that a
// query that matches a key without its kind lets the wrong person in.
class VisibilityTest : public CatalogueTest {
protected:
    VisibilityTest() {
        for (const char* name : {"Draft", "Editor", "Ledger", "Notes", "Plan"}) addProgram(name);
        db->AddUser("alice", "alice");
        db->AddUser("bob", "bob");
        db->AddGroup("finance");
        db->AddGroup("staff");
        db->AddSecurity("finance", 1, "Ledger", 2);
        db->AddSecurity("alice", 1, "Notes", 1);
        db->AddSecurity("bob", 0, "Draft", 1);  // a status other than 1 grants nothing
        db->AddSecurity("staff", 1, "Plan", 2);
    }
};
PORTICO_ON_FILE(VisibilityTest);

TEST_P(VisibilityTest, EachReaderSeesOpenProgramsAndThoseGrantedToThemOrTheirGroups) {
    FakeIdentities people({{"alice", {"finance"}}, {"bob", {"staff"}}, {"carol", {"users", "FINANCE"}}});
    const struct {
        std::string user;
        Names visible;
    } cases[] = {
        {"alice", {"Draft", "Editor", "Ledger", "Notes"}},
        {"bob", {"Draft", "Editor", "Plan"}},
        {"carol", {"Draft", "Editor", "Ledger"}},  // group names compare without regard to case
        {"dave", {"Draft", "Editor"}},
    };
    clsDBRoutines administrator(pictures());
    administrator.openDatabase(connectionString());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        people.current = c.user;
        clsDBRoutines reader(pictures());
        reader.applyAccessRule(true);
        reader.openDatabase(connectionString());
        EXPECT_THAT(programNames(reader), ElementsAreArray(c.visible));
        // Every way in by name or key reads through the same rule.
        const bool seesLedger = std::find(c.visible.begin(), c.visible.end(), "Ledger") != c.visible.end();
        EXPECT_EQ(reader.loadProgram("Ledger")->RecordCount(), seesLedger ? 1 : 0);
        EXPECT_EQ(reader.getProgramPath("ledger").empty(), !seesLedger);
        EXPECT_EQ(reader.loadProgramByKey(administrator.getProgramKey("Ledger"))->RecordCount(), seesLedger ? 1 : 0);
        EXPECT_EQ(reader.loadProgramDescriptions()->RecordCount(), static_cast<long>(c.visible.size()));
        // The administrator's "what can this user see?" answers by the same rule.
        EXPECT_THAT(column(*administrator.loadProgramsVisibleTo(c.user), "Program_Name"), ElementsAreArray(c.visible));
    }
    people.current = "bob";
    clsDBRoutines reader(pictures());
    reader.openDatabase(connectionString());
    reader.applyAccessRule(true);  // on an open catalogue too
    EXPECT_THAT(programNames(reader), ElementsAre("Draft", "Editor", "Plan"));
    reader.applyAccessRule(false);
    EXPECT_EQ(programNames(reader).size(), 5u);
    EXPECT_THAT(programNames(administrator).size(), 5u);
    EXPECT_TRUE(sink.messages.empty()) << texts().front();
}

// No fake: the login name and the groups come from the system. CI runs this
// one again as an unprivileged user.
TEST_P(VisibilityTest, TheRealLoginAndItsGroupsDecide) {
    const passwd* login = getpwuid(geteuid());
    const group* primary = getgrgid(getegid());
    ASSERT_TRUE(login && primary);
    const std::string user = login->pw_name, ownGroup = primary->gr_name;
    for (const auto& name : CatalogueIdentity::current().groups)
        if (name == "finance" || name == "staff") GTEST_SKIP() << user << " is in the test's group " << name;
    ASSERT_TRUE(db->AddUser(user, user));
    ASSERT_TRUE(db->AddGroup(ownGroup));
    ASSERT_TRUE(db->AddSecurity(user, 1, "Draft", 1));
    ASSERT_TRUE(db->AddSecurity(ownGroup, 1, "Editor", 2));
    clsDBRoutines reader(pictures());
    reader.applyAccessRule(true);
    reader.openDatabase(connectionString());
    // Ledger and Plan belong to groups this login is not in; Notes to alice.
    EXPECT_THAT(programNames(reader), ElementsAre("Draft", "Editor")) << user << " in " << ownGroup;
}

// Grants go with the program in one transaction; names the machine does not
// know are refused before anything is written. root is a user and a group everywhere.
TEST_P(VisibilityTest, GrantsAreSavedWithTheProgramOrNotAtAll) {
    const Bytes picture{'B', 'M'};
    EXPECT_FALSE(db->addProgramWithGrants("Payroll", "", "/bin/true", picture, "", "",
                                          {{2, "root"}, {1, "no-such-user-here"}}));
    EXPECT_FALSE(db->addProgramWithGrants("editor", "", "/bin/true", picture, "", "", {{2, "root"}}));
    EXPECT_THAT(texts(), ElementsAre("5, There is no user named 'no-such-user-here'.",
                                     "3022, A program named 'Editor' already exists."));
    EXPECT_EQ(db->getProgramKey("Payroll"), 0);
    EXPECT_EQ(db->LoadProgramsByGroup("root")->RecordCount(), 0);

    ASSERT_TRUE(db->addProgramWithGrants("Payroll", "", "/bin/true", picture, "", "", {{1, "root"}, {2, "root"}}));
    const std::int64_t key = db->getProgramKey("Payroll");
    EXPECT_EQ(db->grantsOf(key), (clsDBRoutines::Grants{{1, "root"}, {2, "root"}}));
    const auto restricted = db->restrictedProgramKeys();
    EXPECT_EQ(restricted.size(), 4u);
    ASSERT_TRUE(db->updateProgramWithGrants(key, "Payroll", "", "/bin/true", "", "", nullptr, {}));
    EXPECT_TRUE(db->grantsOf(key).empty());
    // The row of another status stays: it grants nothing, and it is not the editor's.
    EXPECT_EQ(db->LoadUserPermissionForDataReport()->RecordCount(), 2);
}

// Three login roles on a server: an administrator, alice in finance, bob. The
// server applies the rule whatever reads it: the data layer, the library's
// object, or a plain query.
class ServerVisibilityTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        if (IsSkipped()) return;
        server = PostgresTestServer::shared();
        server->execute(
            "DO $$ BEGIN "
            "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'finance') THEN CREATE ROLE finance NOLOGIN; END IF; "
            "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'ledger_admin') THEN "
            "CREATE ROLE ledger_admin LOGIN IN ROLE portico_admins; END IF; "
            "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'alice') THEN "
            "CREATE ROLE alice LOGIN IN ROLE portico_users, finance; END IF; "
            "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'bob') THEN "
            "CREATE ROLE bob LOGIN IN ROLE portico_users; END IF; END $$");
        database = connectionString().substr(connectionString().find("dbname=") + 7);
        database = database.substr(0, database.find(' '));
    }
    std::string as(const std::string& role) const { return server->connectionString(database, role); }
    Names plainQuery(const std::string& role, const std::string& sql) const {
        PGconn* connection = PQconnectdb(as(role).c_str());
        PGresult* result = PQexec(connection, sql.c_str());
        Names values;
        if (PQresultStatus(result) != PGRES_TUPLES_OK) values.push_back(PQresultErrorMessage(result));
        for (int row = 0; row < PQntuples(result); ++row) values.emplace_back(PQgetvalue(result, row, 0));
        PQclear(result);
        PQfinish(connection);
        return values;
    }
    Names seenBy(const std::string& role, CatalogueCaller caller = CatalogueCaller::Programs) {
        clsDBRoutines reader(caller, pictures());
        reader.openDatabase(as(role));
        auto rows = reader.loadPrograms();
        return rows ? column(*rows, "Program_Name") : Names{"<failed>"};
    }

    PostgresTestServer* server = nullptr;
    std::string database;
};
PORTICO_ON_SERVER(ServerVisibilityTest);

TEST_P(ServerVisibilityTest, AliceInFinanceSeesLedgerAndBobOnlyWhatIsOpen) {
    // Grants made in a file reach the server with the catalogue copy, and a
    // catalogue whose access set-up was taken away gets it back from the upgrade.
    const auto file = (folder / "grants.mdb").string();
    CatalogueFile::create(file);
    {
        clsDBRoutines source(pictures());
        source.openDatabase(file);
        pickIcon("BM-icon");
        ASSERT_TRUE(source.addProgram("Editor", "", "/bin/true", ""));
        pickIcon("BM-icon");
        ASSERT_TRUE(source.addProgram("Ledger", "", "/bin/true", ""));
        ASSERT_TRUE(source.AddGroup("finance"));
        ASSERT_TRUE(source.AddSecurity("finance", 1, "Ledger", 2));
    }
    db.reset();
    CatalogueCopy::copy(file, connectionString(), true);
    server->execute("DROP POLICY portico_readers ON program; ALTER TABLE program DISABLE ROW LEVEL SECURITY",
                    database);
    EXPECT_THAT(seenBy("bob"), ElementsAre("Editor", "Ledger"));
    CatalogueServer::upgrade(connectionString());
    CatalogueServer::upgrade(connectionString());

    for (const CatalogueCaller caller : {CatalogueCaller::Programs, CatalogueCaller::Library}) {
        EXPECT_THAT(seenBy("alice", caller), ElementsAre("Editor", "Ledger"));
        EXPECT_THAT(seenBy("bob", caller), ElementsAre("Editor"));
        EXPECT_THAT(seenBy("ledger_admin", caller), ElementsAre("Editor", "Ledger"));
    }
    EXPECT_THAT(plainQuery("bob", "SELECT program_name FROM program ORDER BY 1"), ElementsAre("Editor"));
    EXPECT_THAT(plainQuery("alice", "SELECT program_name FROM program ORDER BY 1"), ElementsAre("Editor", "Ledger"));
    EXPECT_THAT(plainQuery("bob", "SELECT count(*) FROM permission"), ElementsAre("0"));
    EXPECT_THAT(plainQuery("alice", "SELECT count(*) FROM permission"), ElementsAre("1"));
    EXPECT_THAT(plainQuery("bob", "SELECT count(*) FROM \"group\""), ElementsAre("0"));
    EXPECT_THAT(plainQuery("alice", "SELECT group_name FROM \"group\""), ElementsAre("finance"));

    clsDBRoutines administrator(pictures());
    administrator.openDatabase(as("ledger_admin"));
    EXPECT_TRUE(administrator.mayChangeCatalogue());
    EXPECT_THAT(column(*administrator.loadProgramsVisibleTo("BOB"), "Program_Name"), ElementsAre("Editor"));
    EXPECT_THAT(column(*administrator.loadProgramsVisibleTo("alice"), "Program_Name"), ElementsAre("Editor", "Ledger"));
    EXPECT_TRUE(administrator.isKnownName("Finance", 2));
    EXPECT_FALSE(administrator.isKnownName("finance", 1));  // a group role cannot log in
    EXPECT_FALSE(administrator.addProgramWithGrants("Payroll", "", "/bin/true", Bytes{'B'}, "", "", {{2, "nobody_here"}}));
    EXPECT_EQ(sink.messages.back().text, "5, There is no group named 'nobody_here'.");

    // Saved in one session, seen in the next: bob is granted Payroll, the Ledger grant goes.
    ASSERT_TRUE(administrator.addProgramWithGrants("Payroll", "", "/bin/true", Bytes{'B'}, "", "", {{1, "bob"}}));
    const std::int64_t ledger = administrator.getProgramKey("Ledger");
    ASSERT_TRUE(administrator.updateProgramWithGrants(ledger, "Ledger", "", "/bin/true", "", "", nullptr, {}));
    EXPECT_THAT(seenBy("bob"), ElementsAre("Editor", "Ledger", "Payroll"));
    EXPECT_THAT(seenBy("alice"), ElementsAre("Editor", "Ledger"));

    clsDBRoutines bob(pictures());
    bob.openDatabase(as("bob"));
    EXPECT_FALSE(bob.mayChangeCatalogue());
    EXPECT_THAT(plainQuery("bob", "SELECT user_name FROM \"user\""), ElementsAre("bob"));
}

}  // namespace
}  // namespace portico::test
