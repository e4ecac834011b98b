#include "database/CatalogueServer.h"
#include "database/ChangeHistory.h"
#include "database/LaunchQueue.h"
#include "database/Sha256.h"
#include "database/UsageCounter.h"
#include "tests/database/CatalogueFixture.h"

#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

namespace portico::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

// "action what | field: before → after" for every field of every change, oldest first.
std::vector<std::string> flat(const std::vector<Change>& changes) {
    std::vector<std::string> lines;
    for (auto change = changes.rbegin(); change != changes.rend(); ++change)
        for (const FieldChange& field : change->fields)
            lines.push_back(change->action + " " + ChangeHistory::what(*change) + " | " + field.field + ": " +
                            field.before + " → " + field.after);
    return lines;
}

class HistoryTest : public CatalogueTest {
protected:
    std::vector<Change> history(const std::string& connection = {}) {
        Connection reader;
        reader.setConnectionString(connection.empty() ? connectionString() : connection);
        reader.Open();
        return ChangeHistory::read(reader.engine("test"), {});
    }
    // The recorded lines about the "Run in a terminal" mark.
    std::vector<std::string> terminalMarks() {
        std::vector<std::string> marks;
        for (const auto& line : flat(history()))
            if (line.find("terminal") != std::string::npos) marks.push_back(line);
        return marks;
    }
    // Runs `sql` as `role` (empty: the test's own connection) and returns the error's text, "" when it worked.
    std::string refusal(const std::string& role, const std::string& sql) {
        try {
            Connection connection;
            connection.setConnectionString(role.empty() ? connectionString() : connectionString() + " user=" + role);
            connection.Open();
            connection.engine("test").run(sql, {});
        } catch (const PorticoError& error) {
            return error.description();
        }
        return "";
    }
    void makeRole(const std::string& role, const std::string& group) {
        PostgresTestServer::shared()->execute("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '" +
                                              role + "') THEN CREATE ROLE " + role + " LOGIN IN ROLE " + group +
                                              "; END IF; END $$");
    }
    std::string databaseName() const {
        const auto start = connectionString().find("dbname=") + 7;
        return connectionString().substr(start, connectionString().find(' ', start) - start);
    }
};
PORTICO_ON_FILE_AND_SERVER(HistoryTest);

TEST_P(HistoryTest, EveryChangeIsReadBackWithItsValuesBeforeAndAfter) {
    const Bytes first{'P', 'I', 'C', '1'}, second{'P', 'I', 'C', '2'};
    ASSERT_TRUE(db->addProgramWithPicture("Mail", "Reads mail", "/usr/bin/mail", first));
    const std::int64_t key = db->getProgramKey("Mail");
    ASSERT_TRUE(db->updateProgramByKey(key, "Post", "Reads mail", "/usr/bin/post", "", "", &second));
    // Only the letter case changes: still a change.
    ASSERT_TRUE(db->updateProgramByKey(key, "post", "Reads mail", "/usr/bin/post", "", "", nullptr));
    ASSERT_TRUE(db->AddUser("alice", "S-1"));
    ASSERT_TRUE(db->AddSecurity("alice", 1, "post", 1));
    ASSERT_TRUE(db->DeleteSecurity(db->GetObjectKey("alice", 1), static_cast<std::int16_t>(key)));
    ASSERT_TRUE(db->CreateTheme("Plain"));
    ASSERT_TRUE(db->setDefaultTheme("Plain"));
    ASSERT_TRUE(db->deleteProgramByKey(key));
    ASSERT_TRUE(db->DeleteTheme("Plain"));
    ASSERT_TRUE(sink.messages.empty()) << texts()[0];

    const auto changes = history();
    const std::string k = std::to_string(key), user = std::to_string(db->GetObjectKey("alice", 1));
    const std::string one = Sha256::hex("PIC1", 12), two = Sha256::hex("PIC2", 12);
    const auto lines = flat(changes);
    EXPECT_THAT(lines, IsSupersetOf(std::vector<std::string>{
                           "added program Mail | name:  → Mail",
                           "added program Mail | path:  → /usr/bin/mail",
                           "added program Mail | picture:  → " + one,
                           "added user alice | SID:  → S-1",
                           "added grant post: user alice | status:  → 1",
                           "deleted grant post: user alice | object: " + user + " → ",
                           "added theme Plain | name:  → Plain",
                           "changed default theme | theme:  → Plain",
                           "deleted program post | path: /usr/bin/post → ",
                           "deleted program post | picture: " + two + " → ",
                           "deleted theme Plain | name: Plain → ",
                       }));
    // The two updates record what changed and nothing else.
    std::vector<std::string> updates;
    for (const auto& line : lines)
        if (line.starts_with("changed program")) updates.push_back(line);
    EXPECT_THAT(updates, ElementsAre("changed program Post | name: Mail → Post",
                                     "changed program Post | path: /usr/bin/mail → /usr/bin/post",
                                     "changed program Post | picture: " + one + " → " + two,
                                     "changed program post | name: Post → post"));
    const std::string who = onServer() ? "portico" : ::getpwuid(::geteuid())->pw_name;
    for (const Change& change : changes) {
        EXPECT_EQ(change.who, who);
        EXPECT_EQ(change.when.size(), 24u) << change.when;
    }
    // The program filter follows the program through its renames, with its grants.
    Connection reader;
    reader.setConnectionString(connectionString());
    reader.Open();
    HistoryFilter filter;
    filter.program = "MAIL";
    const auto mail = ChangeHistory::read(reader.engine("test"), filter);
    // Added, three changes (the picture is stored by a statement of its own), a grant given and taken, deleted.
    ASSERT_EQ(mail.size(), 7u);
    EXPECT_EQ(mail.back().action + " " + ChangeHistory::what(mail.back()), "added program Mail");
    EXPECT_EQ(mail.front().action + " " + ChangeHistory::what(mail.front()), "deleted program post");
}

// The mark lives in a column that older catalogues and clients do not know.
TEST_P(HistoryTest, TheTerminalMarkIsKeptRecordedAndAbsentFromOlderCatalogues) {
    ASSERT_TRUE(db->addProgramWithPicture("Vim", "", "/usr/bin/vim", Bytes{'P'}));
    ASSERT_TRUE(db->addProgramWithPicture("Clock", "", "/usr/bin/xclock", Bytes{'P'}));
    EXPECT_FALSE(db->runsInTerminal("Vim"));
    ASSERT_TRUE(db->setRunsInTerminal(" vim ", true));
    db = std::make_unique<clsDBRoutines>(pictures());
    db->openDatabase(connectionString());
    EXPECT_TRUE(db->runsInTerminal("VIM"));
    EXPECT_FALSE(db->runsInTerminal("Clock"));
    EXPECT_FALSE(db->runsInTerminal("Nothing"));
    ASSERT_TRUE(db->setRunsInTerminal("Vim", false));
    EXPECT_FALSE(db->runsInTerminal("Vim"));
    EXPECT_THAT(terminalMarks(), ElementsAre("changed program Vim | runs in a terminal:  → yes",
                                   "changed program Vim | runs in a terminal: yes → "));

    // The catalogue as an older release made it.
    db.reset();
    if (onServer()) {
        PostgresTestServer::shared()->execute("ALTER TABLE program DROP COLUMN program_terminal", databaseName());
    } else {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(raw, "ALTER TABLE Program DROP COLUMN Program_Terminal", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    db = std::make_unique<clsDBRoutines>(pictures());
    db->openDatabase(connectionString());
    EXPECT_FALSE(db->runsInTerminal("Vim"));
    EXPECT_TRUE(db->setRunsInTerminal("Vim", false));
    EXPECT_TRUE(sink.messages.empty()) << texts()[0];
    if (onServer()) {
        // The server's catalogue gets the column from its owner.
        EXPECT_FALSE(db->setRunsInTerminal("Vim", true));
        ASSERT_EQ(texts().size(), 1u);
        EXPECT_THAT(texts()[0], HasSubstr("This catalogue cannot keep \"Run in a terminal\" until it is brought up to "
                                          "date (portico-create-catalogue --upgrade)."));
        sink.messages.clear();
        CatalogueServer::upgrade(connectionString());
    }
    // A file gets the column when it is opened for writing.
    EXPECT_TRUE(db->setRunsInTerminal("Vim", true));
    EXPECT_TRUE(db->runsInTerminal("Vim"));
    EXPECT_TRUE(sink.messages.empty()) << texts()[0];
}

// The program and its mark are one change: one history entry, and a catalogue
// that cannot keep the mark keeps neither.
TEST_P(HistoryTest, TheTerminalMarkIsSavedWithTheProgramInOneChange) {
    ASSERT_TRUE(db->addProgramWithGrants("Vim", "", "/usr/bin/vim", Bytes{'P'}, "", "", {}, true));
    const std::int64_t vim = db->getProgramKey("Vim");
    ASSERT_TRUE(db->updateProgramWithGrants(vim, "Vim", "", "/usr/bin/nvim", "", "", nullptr, {}, false));
    ASSERT_TRUE(db->updateProgramWithGrants(vim, "Vim", "", "/usr/bin/vim", "", "", nullptr, {}));
    EXPECT_FALSE(db->runsInTerminal("Vim"));
    ASSERT_TRUE(sink.messages.empty()) << texts()[0];
    std::vector<std::string> actions;
    for (const Change& change : history()) actions.push_back(change.action + " " + ChangeHistory::what(change));
    EXPECT_THAT(actions, ElementsAre("changed program Vim", "changed program Vim", "added program Vim"));
    EXPECT_THAT(terminalMarks(), ElementsAre("added program Vim | runs in a terminal:  → yes",
                                   "changed program Vim | runs in a terminal: yes → "));

    // A server catalogue not yet brought up to date has no column; a file
    // always gets it, so there a trigger stands in for the refusal.
    db.reset();
    if (onServer()) {
        PostgresTestServer::shared()->execute("ALTER TABLE program DROP COLUMN program_terminal", databaseName());
    } else {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
        for (const char* when : {"INSERT", "UPDATE"}) {
            const std::string trigger = std::string("CREATE TRIGGER refuse_") + when + " BEFORE " + when +
                                        " ON Program WHEN NEW.Program_Terminal IS NOT NULL BEGIN "
                                        "SELECT RAISE(ABORT, 'This catalogue cannot keep the mark.'); END";
            EXPECT_EQ(sqlite3_exec(raw, trigger.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        sqlite3_close(raw);
    }
    db = std::make_unique<clsDBRoutines>(pictures());
    db->openDatabase(connectionString());
    const std::size_t before = history().size();
    EXPECT_FALSE(db->addProgramWithGrants("Top", "", "/usr/bin/top", Bytes{'P'}, "", "", {}, true));
    EXPECT_FALSE(db->updateProgramWithGrants(vim, "Vim", "", "/usr/bin/nvim", "", "", nullptr, {}, true));
    ASSERT_EQ(texts().size(), 2u);
    if (onServer()) {
        EXPECT_THAT(texts()[0], HasSubstr("This catalogue cannot keep \"Run in a terminal\" until it is brought up "
                                          "to date (portico-create-catalogue --upgrade)."));
    }
    EXPECT_EQ(db->getProgramKey("Top"), 0);
    EXPECT_EQ(db->getProgramPath("Vim"), "/usr/bin/vim");
    EXPECT_EQ(history().size(), before);
    // Without the mark the same saves go through (the server's history
    // triggers here are newer than its table, so only the file can show it).
    if (onServer()) return;
    sink.messages.clear();
    EXPECT_TRUE(db->addProgramWithGrants("Top", "", "/usr/bin/top", Bytes{'P'}, "", "", {}, false));
    EXPECT_TRUE(db->updateProgramWithGrants(vim, "Vim", "", "/usr/bin/nvim", "", "", nullptr, {}, false));
    EXPECT_TRUE(sink.messages.empty()) << texts()[0];
}

TEST_P(HistoryTest, PlainSqlOnTheServerIsRecordedAndEachRoleKeepsToItsRights) {
    if (!onServer()) GTEST_SKIP() << "a file has no roles";
    addProgram("Mail");
    PostgresTestServer::shared()->execute("UPDATE program SET program_path = '/bin/mail' WHERE program_name = 'Mail'",
                                          databaseName());
    EXPECT_EQ(flat(history()).back(), "changed program Mail | path: /usr/bin/true → /bin/mail");

    makeRole("keeper", "portico_admins");
    makeRole("reader", "portico_users");
    EXPECT_EQ(refusal("keeper", "SELECT count(*) FROM History_Change JOIN History_Field USING (Change_Key)"), "");
    for (const char* sql : {"DELETE FROM History_Change", "DELETE FROM History_Field", "UPDATE History_Field SET Field_After = ''",
                            "INSERT INTO History_Change (Change_When, Change_Who, Change_Action, Change_Table) VALUES ('', '', '', '')",
                            "SELECT portico_history_prune(0)"})
        EXPECT_THAT(refusal("keeper", sql), HasSubstr("permission denied")) << sql;
    for (const char* sql : {"SELECT * FROM History_Change", "SELECT * FROM History_Field", "SELECT * FROM Usage_Launch"})
        EXPECT_THAT(refusal("reader", sql), HasSubstr("permission denied")) << sql;
    // An administrator's change is recorded under the administrator's name.
    EXPECT_EQ(refusal("keeper", "UPDATE Program SET Program_Desc = 'x'"), "");
    EXPECT_EQ(history().front().who, "keeper");

    // The owner prunes.
    Connection owner;
    owner.setConnectionString(connectionString());
    owner.Open();
    EXPECT_EQ(ChangeHistory::prune(owner.engine("test"), 0), 3);
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(owner.engine("test").run("SELECT count(*) FROM History_Field", {}).rows.at(0).at(0).toInt64(), 0);
}

TEST_P(HistoryTest, LaunchesAreCountedPerDayOnlyWhileCountingIsOn) {
    addProgram("Mail");
    Connection connection;
    connection.setConnectionString(connectionString());
    connection.Open();
    Engine& engine = connection.engine("test");
    const std::string today = ChangeHistory::localDate(), longAgo = ChangeHistory::localDate(-40);

    EXPECT_FALSE(UsageCounter::count(engine, "Mail", today));
    UsageCounter::setRecording(engine, UsageCounter::Recording::Counts);
    EXPECT_TRUE(UsageCounter::count(engine, "mail", today, 2));
    EXPECT_TRUE(UsageCounter::count(engine, "Mail", longAgo));
    EXPECT_FALSE(UsageCounter::count(engine, "Nothing", today));
    UsageCounter::setRecording(engine, UsageCounter::Recording::PerUser);
    EXPECT_TRUE(UsageCounter::count(engine, "Mail", today));
    EXPECT_EQ(flat(history()).back(), "changed usage recording | recording: counts → counts per user");
    addProgram("Unused");

    const auto report = UsageCounter::report(engine);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0].program, "Mail");
    EXPECT_EQ(std::vector<std::int64_t>({report[0].last7, report[0].last30, report[0].last90}),
              std::vector<std::int64_t>({3, 3, 4}));
    EXPECT_EQ(report[0].lastDay, today);
    EXPECT_EQ(report[1].last90, 0);
    const auto users = engine.run("SELECT User_Name FROM Usage_Launch ORDER BY User_Name", {}).rows;
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0][0].toText(), "");
    EXPECT_EQ(users[2][0].toText(), onServer() ? "portico" : ::getpwuid(::geteuid())->pw_name);

    // Off again: a queued launch is dropped, not counted.
    UsageCounter::setRecording(engine, UsageCounter::Recording::Off);
    const auto queue = folder / "queue";
    EXPECT_EQ(LaunchQueue::send(queue, connectionString(), {{today, "Mail"}}), LaunchQueue::Sent::Off);
    EXPECT_EQ(UsageCounter::report(engine)[0].last7, 3);
    EXPECT_FALSE(std::filesystem::exists(queue));
}

TEST_P(HistoryTest, ALaunchWhileTheServerIsAwayIsCountedWhenItReturnsAndUsersCannotReadCounts) {
    if (!onServer()) GTEST_SKIP() << "a file is never away";
    addProgram("Mail");
    {
        Connection owner;
        owner.setConnectionString(connectionString());
        owner.Open();
        UsageCounter::setRecording(owner.engine("test"), UsageCounter::Recording::Counts);
    }
    makeRole("reader", "portico_users");
    const std::string asReader = connectionString() + " user=reader";
    const auto queue = folder / "state" / "queue";
    const std::string today = ChangeHistory::localDate();
    PostgresTestServer::shared()->stop();
    EXPECT_EQ(LaunchQueue::send(queue, asReader, {{today, "Mail"}}), LaunchQueue::Sent::Failed);
    EXPECT_EQ(LaunchQueue::send(queue, asReader, {{today, "Mail"}}), LaunchQueue::Sent::Failed);
    PostgresTestServer::shared()->start();
    EXPECT_EQ(LaunchQueue::send(queue, asReader, {}), LaunchQueue::Sent::Counted);
    EXPECT_EQ(std::filesystem::file_size(queue), 0u);

    EXPECT_THAT(refusal("reader", "SELECT * FROM Usage_Launch"), HasSubstr("permission denied"));
    EXPECT_THAT(refusal("reader", "UPDATE Usage_Setting SET Usage_Recording = 0"), HasSubstr("permission denied"));
    Connection owner;
    owner.setConnectionString(connectionString());
    owner.Open();
    EXPECT_EQ(UsageCounter::report(owner.engine("test"))[0].last7, 2);
}

TEST(HistoryTextTest, LinesAndCsvKeepEveryCharacter) {
    const Change change{7, "2026-03-01T10:00:00.000Z", "ann", "changed", "program", "3", "Mail, \"new\"",
                        {{"picture", "abc", "def"}, {"description", "", "two\nlines"}}};
    const auto lines = ChangeHistory::lines(change);
    const std::string when = ChangeHistory::localTime(change.when);
    EXPECT_THAT(lines, ElementsAre(when + " · ann · changed · program Mail, \"new\" · picture changed: abc → def",
                                   when + " · ann · changed · program Mail, \"new\" · description: (none) → two\nlines"));
    EXPECT_EQ(ChangeHistory::csv({change}),
              "when,who,action,table,key,name,field,before,after\r\n"
              "2026-03-01T10:00:00.000Z,ann,changed,program,3,\"Mail, \"\"new\"\"\",picture,abc,def\r\n"
              "2026-03-01T10:00:00.000Z,ann,changed,program,3,\"Mail, \"\"new\"\"\",description,,\"two\nlines\"\r\n");
    EXPECT_EQ(Sha256::hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    for (const char* bad : {"2026-02-30", "2026-2-3", "20260203", "2026-02-03x", ""})
        EXPECT_EQ(ChangeHistory::utcOfLocalDate(bad), "") << bad;
}

}  // namespace
}  // namespace portico::test
