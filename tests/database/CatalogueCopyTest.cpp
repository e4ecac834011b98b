#include "database/CatalogueCopy.h"
#include "database/ChangeHistory.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "tests/database/CatalogueFixture.h"

#include <algorithm>

namespace portico::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

// Copies between the catalogue file of the test and its server catalogue;
// on the file engine the "server" side is a second file.
class CatalogueCopyTest : public CatalogueTest {
protected:
    void fill(clsDBRoutines& catalogue) {
        std::string picture;
        for (int i = 0; i < 256; ++i) picture += static_cast<char>(i);
        folder.write("pictures/temp.bmp", picture + "BM-mail");
        ASSERT_TRUE(catalogue.addProgram("Mail", "Reads mail", "/usr/bin/mail", "", "/home", "-x"));
        folder.write("pictures/temp.bmp", std::string(5000, '\0') + "BM-shell");
        ASSERT_TRUE(catalogue.addProgram("Shell", "", "/bin/sh", ""));
        ASSERT_TRUE(catalogue.AddFolder("Children's Drawings", "/srv/o'neil"));
        const auto splash = folder.write("splash.bmp", picture + "splash");
        ASSERT_TRUE(catalogue.CreateTheme("Plain", splash.string(), ""));
        ASSERT_TRUE(catalogue.setDefaultTheme("Plain"));
        ASSERT_TRUE(catalogue.AddUser("alice", "S-1-5-21"));
        ASSERT_TRUE(catalogue.AddGroup("Staff"));
        ASSERT_TRUE(catalogue.AddSecurity("alice", 1, "Mail", 1));
        ASSERT_TRUE(catalogue.AddSecurity("Staff", 1, "Shell", 2));
    }
    static std::vector<std::string> historyLines(const std::string& catalogue) {
        Connection connection;
        connection.setConnectionString(catalogue);
        connection.Open();
        std::vector<std::string> lines;
        for (const auto& change : ChangeHistory::read(connection.engine("test"), {}))
            for (const auto& line : ChangeHistory::lines(change)) lines.push_back(line);
        return lines;
    }
    std::string newFile(const std::string& name) {
        CatalogueFile::create(folder / name);
        return (folder / name).string();
    }
};
PORTICO_ON_FILE_AND_SERVER(CatalogueCopyTest);

TEST_P(CatalogueCopyTest, RoundTripKeepsEveryRowAndPictureByte) {
    const std::string source = newFile("source.mdb");
    {
        clsDBRoutines file(pictures());
        file.openDatabase(source);
        fill(file);
    }
    const std::string back = newFile("back.mdb");

    const auto there = CatalogueCopy::copy(source, connectionString(), false);
    EXPECT_THAT(there, ElementsAre(Pair("Program", 2u), Pair("User", 1u), Pair("Group", 1u), Pair("Permission", 2u),
                                   Pair("Folder", 1u), Pair("Theme", 1u), Pair("Settings", 1u),
                                   Pair("History", 9u)));
    EXPECT_EQ(catalogueRows(connectionString()), catalogueRows(source));
    CatalogueCopy::copy(connectionString(), back, false);
    EXPECT_EQ(catalogueRows(back), catalogueRows(source));
    // The history comes along as it was, and the copying adds none.
    EXPECT_EQ(historyLines(back), historyLines(source));
    EXPECT_EQ(historyLines(connectionString()), historyLines(source));

    // The copy is a working catalogue: its relations hold and new keys follow the copied ones.
    EXPECT_EQ(db->getDefaultTheme(), "Plain");
    auto grants = db->LoadUsersByProgram("Mail");
    ASSERT_NE(grants, nullptr);
    EXPECT_EQ(grants->RecordCount(), 1);
    pickIcon("BM-new");
    EXPECT_TRUE(db->addProgram("Editor", "", "/usr/bin/vi", ""));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(CatalogueCopyTest, NonEmptyDestinationIsRefusedUnlessReplaced) {
    const std::string source = newFile("source.mdb");
    {
        clsDBRoutines file(pictures());
        file.openDatabase(source);
        fill(file);
    }
    addProgram("Calculator");
    const auto before = catalogueRows(connectionString());
    try {
        CatalogueCopy::copy(source, connectionString(), false);
        ADD_FAILURE() << "copied into a catalogue with programs";
    } catch (const PorticoError& error) {
        EXPECT_THAT(error.description(), HasSubstr("not empty (table Program has rows); use --replace"));
    }
    EXPECT_EQ(catalogueRows(connectionString()), before);

    CatalogueCopy::copy(source, connectionString(), true);
    EXPECT_EQ(catalogueRows(connectionString()), catalogueRows(source));
}

TEST_P(CatalogueCopyTest, FailedCopyLeavesTheDestinationAsItWas) {
    const auto before = catalogueRows(connectionString());
    const std::string notACatalogue = folder.write("notes.mdb", "just text").string();
    EXPECT_THROW(CatalogueCopy::copy(notACatalogue, connectionString(), true), PorticoError);
    EXPECT_THROW(CatalogueCopy::copy(connectionString(), folder.path().string() + "/missing.mdb", true), PorticoError);
    EXPECT_EQ(catalogueRows(connectionString()), before);
}

}  // namespace
}  // namespace portico::test
