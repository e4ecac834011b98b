#include "tests/database/CatalogueFixture.h"

namespace portico::test {
namespace {

// One build of the data layer serves both callers: the programs by default,
// libTessera's clients when an object is made for the library.
using CatalogueBehaviourTest = CatalogueTest;
PORTICO_ON_FILE_AND_SERVER(CatalogueBehaviourTest);

TEST_P(CatalogueBehaviourTest, EachCallerGetsItsOwnBehaviourFromTheSameCode) {
    struct Case {
        CatalogueCaller caller;
        std::string program;
        std::vector<std::string> columns;  // of loadPrograms
        std::int64_t permissionsLeft;      // by deleteProgram
        std::string pictureFile;           // written by GetProgramImage
        std::string runtimeSource;         // of the reports
    };
    const Case cases[] = {
        {CatalogueCaller::Programs, "Clock", {"Program_Name", "Program_Icon", "Program_Path", "Program_Key"}, 1,
         "temp.bmp", "Portico"},
        {CatalogueCaller::Library, "Editor", {"Program_Name", "Program_Icon", "Program_Path"}, 0, "Editor.bmp",
         "Tessera"},
    };
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString());
    connection->Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        clsDBRoutines catalogue(c.caller, pictures());
        EXPECT_EQ(catalogue.caller(), c.caller);
        catalogue.openDatabase(connectionString());
        pickIcon("BM-" + c.program);
        ASSERT_TRUE(catalogue.addProgram(c.program, "", "/usr/bin/true", ""));
        ASSERT_TRUE(catalogue.AddUser("user-" + c.program, "sid-" + c.program));
        ASSERT_TRUE(catalogue.AddSecurity("user-" + c.program, 1, c.program, 1));

        EXPECT_EQ(fieldNames(*catalogue.loadPrograms()), c.columns);

        folder.write("pictures/temp.bmp", "stale");
        ASSERT_TRUE(catalogue.GetProgramImage(c.program));
        EXPECT_EQ(TempFolder::read(pictureFile(c.pictureFile)), "BM-" + c.program);

        const std::int16_t user = catalogue.GetObjectKey("user-" + c.program, 1);
        ASSERT_TRUE(catalogue.deleteProgram(c.program));
        const auto permissions =
            connection->engine("test").run("SELECT count(*) FROM Permission WHERE Object_Key = ?", {Variant(user)});
        EXPECT_EQ(permissions.rows.at(0).at(0).toInt64(), c.permissionsLeft);
    }

    // The runtime's errors and the object's own carry the caller's product name.
    // (Last: no program added after this key fits the published 16 bits.)
    Recordset insert;
    insert.Open("INSERT INTO Program (Program_Key, Program_Name) VALUES (40000, 'Big')", connection);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        clsDBRoutines catalogue(c.caller, pictures());
        catalogue.openDatabase(connectionString());
        sink.messages.clear();
        EXPECT_EQ(catalogue.getProgramKey("Big"), 0);
        // Granting does not depend on the published 16 bits.
        EXPECT_TRUE(catalogue.AddSecurity("user-" + c.program, 1, "Big", 1));
        EXPECT_FALSE(catalogue.AddSecurity("nobody", 1, "Big", 1));
        EXPECT_EQ(sink.messages, (std::vector<RecordedMessage>{
                                     {"6, Overflow", c.runtimeSource, MessageIcon::Critical},
                                     {"5, There is no user named 'nobody'.", c.runtimeSource, MessageIcon::Critical}}));
    }
}

}  // namespace
}  // namespace portico::test
