#include "database/Connection.h"
#include "tests/database/CatalogueFixture.h"

namespace portico::test {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kUser = 1;
constexpr std::int16_t kGroup = 2;

class SecurityTest : public CatalogueTest {
protected:
    SecurityTest() {
        addProgram("Editor");
        addProgram("Mail");
    }
};
PORTICO_ON_FILE_AND_SERVER(SecurityTest);

TEST_P(SecurityTest, UsersAndGroupsAreAddedFoundAndDeleted) {
    EXPECT_TRUE(db->AddUser("alice", "S-1-5-21-1"));
    EXPECT_TRUE(db->UserExists("alice"));
    EXPECT_FALSE(db->UserExists("alice "));
    EXPECT_TRUE(db->AddGroup("Staff"));
    EXPECT_TRUE(db->GroupExists("Staff"));
    EXPECT_FALSE(db->GroupExists(" Staff"));
    EXPECT_EQ(db->GetObjectKey(" alice ", kUser), 1);
    EXPECT_EQ(db->GetObjectKey("Staff", kGroup), 1);

    EXPECT_TRUE(db->DeleteUser(" S-1-5-21-1 "));
    EXPECT_FALSE(db->UserExists("alice"));
    EXPECT_TRUE(db->DeleteGroup(" Staff "));
    EXPECT_FALSE(db->GroupExists("Staff"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(SecurityTest, NamesWithApostrophesAreOrdinaryNames) {
    EXPECT_TRUE(db->AddUser("o'brien", "S-1'x"));
    EXPECT_TRUE(db->AddGroup("Children's Staff"));
    EXPECT_TRUE(db->AddSecurity("o'brien", 1, "Editor", kUser));
    EXPECT_TRUE(db->AddSecurity("Children's Staff", 1, "Editor", kGroup));
    EXPECT_EQ(db->LoadSecurityUser("S-1'x", "Editor")->RecordCount(), 1);
    EXPECT_EQ(db->LoadProgramsByGroup("Children's Staff")->RecordCount(), 1);
    EXPECT_TRUE(db->DeleteUser("S-1'x"));
    EXPECT_TRUE(db->DeleteGroup("Children's Staff"));
    EXPECT_FALSE(db->UserExists("o'brien"));
    EXPECT_FALSE(db->GroupExists("Children's Staff"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(SecurityTest, UnknownSubjectsHaveNoKeyAndGetNoGrant) {
    db->AddUser("alice", "S-1");
    EXPECT_EQ(db->GetObjectKey("bob", kUser), 0);
    EXPECT_EQ(db->GetObjectKey("Nobody", kGroup), 0);
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_FALSE(db->AddSecurity("bob", 1, "Editor", kUser));
    EXPECT_FALSE(db->AddSecurity("alice", 1, "No Such Program", kUser));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], (RecordedMessage{"5, There is no user named 'bob'.", "Portico", MessageIcon::Critical}));
    EXPECT_EQ(sink.messages[1].text, "5, There is no program named 'No Such Program'.");
    EXPECT_EQ(db->LoadUserPermissionForDataReport()->RecordCount(), 0);
}

TEST_P(SecurityTest, ObjectKeyOfAnUnknownKindIsReported) {
    EXPECT_EQ(db->GetObjectKey("alice", 3), 0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].icon, MessageIcon::Critical);
}

TEST_P(SecurityTest, MembershipCheckSelectsStatusOneOnly) {
    db->AddUser("alice", "S-1");
    db->AddUser("bob", "S-2");
    ASSERT_TRUE(db->AddSecurity("alice", 1, " Editor ", kUser));
    ASSERT_TRUE(db->AddSecurity("bob", 2, "Editor", kUser));
    ASSERT_TRUE(db->AddSecurity("alice", 0, "Mail", kUser));

    auto granted = db->LoadSecurityUser("S-1", "Editor");
    ASSERT_NE(granted, nullptr);
    EXPECT_THAT(fieldNames(*granted), ElementsAre("Permission_Status", "Program_Name", "User_Name"));
    ASSERT_EQ(granted->RecordCount(), 1);
    EXPECT_EQ(granted->Fields("User_Name").Value().toText(), "alice");
    EXPECT_EQ(db->LoadSecurityUser("S-2", "Editor")->RecordCount(), 0);
    EXPECT_EQ(db->LoadSecurityUser("S-1", "Mail")->RecordCount(), 0);
    EXPECT_EQ(db->LoadSecurityUser("S-1", "Unknown")->RecordCount(), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(SecurityTest, GrantsToAGroupNeverShowAsGrantsToTheUserWithTheSameKey) {
    db->AddUser("alice", "S-1");
    db->AddGroup("Staff");
    ASSERT_EQ(db->GetObjectKey("alice", kUser), db->GetObjectKey("Staff", kGroup));
    ASSERT_TRUE(db->AddSecurity("Staff", 1, "Editor", kGroup));

    EXPECT_EQ(db->LoadSecurityUser("S-1", "Editor")->RecordCount(), 0);
    EXPECT_EQ(db->LoadProgramsByUser("alice", "S-1")->RecordCount(), 0);
    EXPECT_EQ(db->LoadUsersByProgram("Editor")->RecordCount(), 0);
    EXPECT_EQ(db->LoadUserPermissionForDataReport()->RecordCount(), 0);
    EXPECT_EQ(db->LoadSecurityGroup("Staff", "Editor")->RecordCount(), 1);

    ASSERT_TRUE(db->AddSecurity("alice", 2, "Mail", kUser));
    EXPECT_EQ(db->LoadProgramsByGroup("Staff")->RecordCount(), 1);
    EXPECT_EQ(db->LoadGroupsByProgram("Mail")->RecordCount(), 0);
    EXPECT_EQ(db->LoadGroupPermissionForDataReport()->RecordCount(), 1);
}

// A user grant whose key equals a group's key: each group query must match the
// subject's kind with its key, or the user's grant shows up as the group's.
TEST_P(SecurityTest, GroupQueriesNeverReadAUserGrantWithTheGroupsKey) {
    db->AddUser("alice", "S-1");
    db->AddGroup("Staff");
    ASSERT_EQ(db->GetObjectKey("alice", kUser), db->GetObjectKey("Staff", kGroup));
    ASSERT_TRUE(db->AddSecurity("alice", 1, "Mail", kUser));
    ASSERT_TRUE(db->AddSecurity("Staff", 1, "Editor", kGroup));

    EXPECT_EQ(db->LoadSecurityGroup("Staff", "Mail")->RecordCount(), 0);
    EXPECT_THAT(column(*db->LoadProgramsByGroup("Staff"), "Program_Name"), ElementsAre("Editor"));
    EXPECT_EQ(db->LoadGroupsByProgram("Mail")->RecordCount(), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(SecurityTest, ReportsHaveTheirColumnsInOrder) {
    db->AddUser("alice", "S-1");
    db->AddGroup("Staff");
    db->AddSecurity("alice", 1, "Editor", kUser);
    db->AddSecurity("Staff", 3, "Mail", kGroup);

    auto groupReport = db->LoadGroupPermissionForDataReport();
    EXPECT_THAT(fieldNames(*groupReport), ElementsAre("ObjectName", "Status", "PrgName"));
    EXPECT_THAT(column(*groupReport, "ObjectName"), ElementsAre("Staff"));
    EXPECT_THAT(column(*groupReport, "Status"), ElementsAre("3"));
    auto userReport = db->LoadUserPermissionForDataReport();
    EXPECT_THAT(fieldNames(*userReport), ElementsAre("Status", "PrgName", "ObjectName"));
    EXPECT_THAT(column(*userReport, "PrgName"), ElementsAre("Editor"));
    EXPECT_THAT(fieldNames(*db->LoadSecurityGroup("Staff", "Mail")), ElementsAre("Permission_Status", "Program_Name"));
    auto byGroup = db->LoadProgramsByGroup("Staff");
    EXPECT_THAT(fieldNames(*byGroup), ElementsAre("GroupName", "Status", "Program_Name"));
    EXPECT_THAT(column(*byGroup, "Program_Name"), ElementsAre("Mail"));
    auto byUser = db->LoadProgramsByUser("alice", "S-1");
    EXPECT_THAT(fieldNames(*byUser), ElementsAre("Status", "PrgName", "UserName"));
    EXPECT_EQ(byUser->RecordCount(), 1);
    EXPECT_EQ(db->LoadProgramsByUser("alice", "S-2")->RecordCount(), 0);
    auto users = db->LoadUsersByProgram("Editor");
    EXPECT_THAT(fieldNames(*users), ElementsAre("Status", "PrgName", "UserName", "Object_Type"));
    EXPECT_THAT(column(*users, "Object_Type"), ElementsAre("1"));
    auto groups = db->LoadGroupsByProgram("Mail");
    EXPECT_THAT(fieldNames(*groups), ElementsAre("GroupName", "Status", "ProgramName"));
    EXPECT_THAT(column(*groups, "GroupName"), ElementsAre("Staff"));
    EXPECT_TRUE(sink.messages.empty());
}

// Two programs and two groups with grants on both, so that a query that drops
// its program or group condition returns rows it should not.
TEST_P(SecurityTest, ProgramAndGroupFiltersTellRowsApart) {
    ASSERT_TRUE(db->AddGroup("Staff"));
    ASSERT_TRUE(db->AddGroup("Pupils"));
    ASSERT_TRUE(db->AddUser("alice", "S-1"));
    ASSERT_TRUE(db->AddUser("bob", "S-2"));
    ASSERT_TRUE(db->AddSecurity("Staff", 1, "Editor", kGroup));
    ASSERT_TRUE(db->AddSecurity("Staff", 0, "Mail", kGroup));
    ASSERT_TRUE(db->AddSecurity("Pupils", 1, "Mail", kGroup));
    ASSERT_TRUE(db->AddSecurity("alice", 1, "Editor", kUser));
    ASSERT_TRUE(db->AddSecurity("bob", 1, "Mail", kUser));

    auto staffMail = db->LoadSecurityGroup("Staff", " Mail ");
    EXPECT_THAT(column(*staffMail, "Program_Name"), ElementsAre("Mail"));
    EXPECT_THAT(column(*staffMail, "Permission_Status"), ElementsAre("0"));
    EXPECT_THAT(column(*db->LoadSecurityGroup("Pupils", "Editor"), "Program_Name"), ElementsAre());

    EXPECT_THAT(column(*db->LoadUsersByProgram("Editor"), "UserName"), ElementsAre("alice"));
    EXPECT_THAT(column(*db->LoadUsersByProgram("Mail"), "UserName"), ElementsAre("bob"));

    auto pupils = db->LoadProgramsByGroup("Pupils");
    EXPECT_THAT(column(*pupils, "GroupName"), ElementsAre("Pupils"));
    EXPECT_THAT(column(*pupils, "Program_Name"), ElementsAre("Mail"));
    EXPECT_EQ(db->LoadProgramsByGroup("Staff")->RecordCount(), 2);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(SecurityTest, DeleteSecurityRemovesBothKindsForAKey) {
    db->AddUser("alice", "S-1");
    db->AddGroup("Staff");
    db->AddSecurity("alice", 1, "Editor", kUser);
    db->AddSecurity("Staff", 1, "Editor", kGroup);
    db->AddSecurity("Staff", 1, "Mail", kGroup);
    EXPECT_TRUE(db->DeleteSecurity(1, db->getProgramKey("Editor")));
    EXPECT_EQ(db->LoadUserPermissionForDataReport()->RecordCount(), 0);
    EXPECT_THAT(column(*db->LoadGroupPermissionForDataReport(), "PrgName"), ElementsAre("Mail"));
    EXPECT_TRUE(db->DeleteSecurity(9, 9));
}

TEST_P(SecurityTest, DeletionsLeavePermissionRowsInPlace) {
    db->AddGroup("Staff");
    db->AddSecurity("Staff", 1, "Mail", kGroup);
    ASSERT_TRUE(db->DeleteGroup("Staff"));
    ASSERT_TRUE(db->deleteProgram("Mail"));
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString());
    connection->Open();
    Recordset permissions;
    permissions.Open("Select Object_Type from Permission", connection);
    EXPECT_EQ(permissions.RecordCount(), 1);
}

// Users' and groups' keys pass 16 bits in time as programs' do. Granting by
// name and every query behind it carry the whole key; only the published
// 16-bit GetObjectKey may report the overflow. A user and a group at key 1
// stand by, so that 65537 cut to 16 bits would match the wrong subject.
TEST_P(SecurityTest, SubjectKeysPast16BitsGrantAndMatchWhole) {
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString());
    connection->Open();
    const auto insert = [&](std::int16_t kind, std::int64_t key, const std::string& subject) {
        connection->engine("test").run(kind == kUser ? "INSERT INTO [User] (User_Key, User_Name, User_SID) VALUES (?, ?, ?)"
                                                     : "INSERT INTO [Group] (Group_Key, Group_Name) VALUES (?, ?)",
                                       kind == kUser ? std::vector<Variant>{Variant(key), subject, "sid-" + subject}
                                                     : std::vector<Variant>{Variant(key), subject});
    };
    insert(kUser, 1, "standby");
    insert(kGroup, 1, "standby");
    const auto programsOf = [&](std::int16_t kind, const std::string& subject) {
        return (kind == kUser ? db->LoadProgramsByUser(subject, "sid-" + subject) : db->LoadProgramsByGroup(subject))
            ->RecordCount();
    };
    struct Case {
        std::int16_t kind;
        std::int64_t key;
    };
    for (const Case& c : {Case{kUser, 32768}, Case{kUser, 65537}, Case{kGroup, 32768}, Case{kGroup, 65537}}) {
        const std::string name = (c.kind == kUser ? "user" : "group") + std::to_string(c.key);
        SCOPED_TRACE(name);
        insert(c.kind, c.key, name);
        const std::string program = "Editor " + name;
        const std::int64_t programKey = c.key + 10 * c.kind;
        connection->engine("test").run("INSERT INTO Program (Program_Key, Program_Name, Program_Path) VALUES (?, ?, ?)",
                                       {Variant(programKey), program, "/usr/bin/ed"});

        sink.messages.clear();
        ASSERT_TRUE(db->AddSecurity(name, 1, program, c.kind)) << sink.messages.front().text;
        const auto granted = c.kind == kUser ? db->LoadSecurityUser("sid-" + name, program)
                                             : db->LoadSecurityGroup(name, program);
        ASSERT_NE(granted, nullptr);
        EXPECT_EQ(granted->RecordCount(), 1);
        EXPECT_EQ(programsOf(c.kind, name), 1);
        EXPECT_EQ(programsOf(c.kind, "standby"), 0);
        EXPECT_EQ(db->grantsOf(programKey), (clsDBRoutines::Grants{{c.kind, name}}));
        EXPECT_TRUE(sink.messages.empty());

        EXPECT_EQ(db->GetObjectKey(name, c.kind), 0);
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, "6, Overflow");
    }
}

TEST(SecurityErrorTest, FourQueriesSeparateNumberAndTextWithABareComma) {
    TempFolder folder;
    RecordingMessageSink sink;
    clsDBRoutines db(folder.path());
    db.openDatabase((folder / "missing.mdb").string());
    sink.messages.clear();
    EXPECT_EQ(db.LoadProgramsByGroup("g"), nullptr);
    EXPECT_EQ(db.LoadProgramsByUser("u", "s"), nullptr);
    EXPECT_EQ(db.LoadUsersByProgram("p"), nullptr);
    EXPECT_EQ(db.LoadGroupsByProgram("p"), nullptr);
    EXPECT_EQ(db.LoadGroupPermissionForDataReport(), nullptr);
    // Each operation tries to connect again and reports only that failure.
    ASSERT_EQ(sink.messages.size(), 5u);
    for (const auto& message : sink.messages) EXPECT_EQ(message.text.substr(0, 4), "14, ");
}

}  // namespace
}  // namespace portico::test
