#include "tests/database/CatalogueFixture.h"

#include <sys/stat.h>

namespace portico::test {
namespace {

using ::testing::ElementsAre;

class FoldersThemesTest : public CatalogueTest {};
PORTICO_ON_FILE_AND_SERVER(FoldersThemesTest);

TEST_P(FoldersThemesTest, FoldersAreTrimmedListedInOrderAndDeletedByName) {
    EXPECT_TRUE(db->AddFolder("  Projects ", " /srv/projects "));
    EXPECT_TRUE(db->AddFolder("Documents", "/home/docs"));
    EXPECT_FALSE(db->AddFolder("Projects", "/srv/other"));
    EXPECT_THAT(texts(), ElementsAre("3022, A folder named 'Projects' already exists."));
    sink.messages.clear();

    auto folders = db->GetFolders();
    ASSERT_NE(folders, nullptr);
    EXPECT_THAT(fieldNames(*folders), ElementsAre("Folder_Name", "Folder_Path"));
    EXPECT_THAT(column(*folders, "Folder_Name"), ElementsAre("Documents", "Projects"));
    folders->MoveFirst();
    folders->MoveNext();
    EXPECT_EQ(folders->Fields("Folder_Path").Value().toText(), "/srv/projects");

    EXPECT_TRUE(db->DeleteFolder(" Projects "));
    EXPECT_THAT(column(*db->GetFolders(), "Folder_Name"), ElementsAre("Documents"));
    EXPECT_TRUE(db->DeleteFolder("Nowhere"));
    EXPECT_TRUE(db->AddFolder("Children's Drawings", "/srv/o'neil"));
    EXPECT_TRUE(db->DeleteFolder("Children's Drawings"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(FoldersThemesTest, ThemesStorePicturesAndExportThemByteForByte) {
    const auto splash = folder.write("splash.bmp", std::string("BM\0splash", 9));
    const auto addRemove = folder.write("addremove.bmp", "BM-addremove");
    ASSERT_TRUE(db->CreateTheme("Ocean", splash.string(), addRemove.string()));
    ASSERT_TRUE(db->CreateTheme("Desert", splash.string()));

    EXPECT_THAT(column(*db->LoadThemes(), "Theme_Name"), ElementsAre("Desert", "Ocean"));
    auto ocean = db->LoadTheme("Ocean");
    EXPECT_THAT(fieldNames(*ocean),
                ElementsAre("Theme_Key", "Theme_Name", "Theme_LogoSplash", "Theme_LogoAddRemove", "Theme_LogoSetup"));
    EXPECT_EQ(db->LoadTheme(" Ocean")->RecordCount(), 0);  // LoadTheme does not trim

    ASSERT_TRUE(db->GetThemeImage("Ocean", "Theme_LogoSplash"));
    ASSERT_TRUE(db->GetThemeImage("Ocean", "Theme_LogoAddRemove"));
    EXPECT_EQ(TempFolder::read(pictureFile("Theme_LogoSplash.bmp")), std::string("BM\0splash", 9));
    EXPECT_EQ(TempFolder::read(pictureFile("Theme_LogoAddRemove.bmp")), "BM-addremove");
    EXPECT_TRUE(sink.messages.empty());

    // Only the splash picture was given: the other columns stay empty and their
    // export fails once, leaving the earlier file.
    EXPECT_FALSE(db->GetThemeImage("Desert", "Theme_LogoAddRemove"));
    EXPECT_FALSE(db->GetThemeImage("Desert", "Theme_LogoSetup"));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text.substr(0, 6), "3001, ");
    EXPECT_EQ(sink.messages[0].title, "ADODB.Stream");
    EXPECT_EQ(TempFolder::read(pictureFile("Theme_LogoAddRemove.bmp")), "BM-addremove");
    EXPECT_FALSE(std::filesystem::exists(pictureFile("Theme_LogoSetup.bmp")));
}

TEST_P(FoldersThemesTest, ThemeExportRefusesUnknownThemesAndColumns) {
    ASSERT_TRUE(db->CreateTheme("Plain"));
    EXPECT_FALSE(db->GetThemeImage("Nothing", "Theme_LogoSplash"));
    EXPECT_FALSE(db->GetThemeImage("Plain", "../../escape"));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text.substr(0, 6), "3021, ");
    EXPECT_EQ(sink.messages[1].text.substr(0, 6), "3265, ");
    EXPECT_FALSE(std::filesystem::exists(folder / "escape.bmp"));
}

TEST_P(FoldersThemesTest, UnreadableThemePictureLeavesNoThemeBehind) {
    EXPECT_FALSE(db->CreateTheme("Broken", (folder / "missing.bmp").string()));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "3002, File could not be opened.");
    EXPECT_EQ(db->LoadThemes()->RecordCount(), 0);
    // Blank picture arguments are no pictures at all.
    EXPECT_TRUE(db->CreateTheme("Blank", "   ", ""));
}

TEST_P(FoldersThemesTest, PictureThatIsAFifoIsRefusedWithoutWaiting) {
    const auto fifo = folder / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(db->CreateTheme("Piped", fifo.string()));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "3002, File could not be opened.");
    EXPECT_EQ(db->LoadThemes()->RecordCount(), 0);
}

TEST_P(FoldersThemesTest, DefaultThemeIsKeptAsAKey) {
    ASSERT_TRUE(db->CreateTheme("Plain"));
    ASSERT_TRUE(db->CreateTheme("Dark"));
    EXPECT_EQ(db->GetThemeKey(" Dark "), 2);
    EXPECT_EQ(db->GetThemeName(2), "Dark");
    EXPECT_TRUE(db->setDefaultTheme("Dark "));
    EXPECT_EQ(db->getDefaultTheme(), "Dark");
    EXPECT_TRUE(sink.messages.empty());

    // Keys pass 16 bits in time; "Plain" at key 1 is what 65537 cut to 16 bits names.
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString());
    connection->Open();
    for (const std::int64_t key : {32768LL, 65537LL}) {
        SCOPED_TRACE(key);
        connection->engine("test").run("UPDATE Theme SET Theme_Key = ? WHERE Theme_Name = 'Dark'", {Variant(key)});
        EXPECT_TRUE(db->setDefaultTheme("Dark"));
        EXPECT_EQ(db->getDefaultTheme(), "Dark");
        EXPECT_TRUE(sink.messages.empty()) << sink.messages.front().text;
    }
}

TEST_P(FoldersThemesTest, FreshCatalogueHasNoDefaultThemeAndSaysNothing) {
    EXPECT_EQ(db->getDefaultTheme(), "");
    EXPECT_TRUE(db->CreateTheme("Plain"));
    EXPECT_EQ(db->getDefaultTheme(), "");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(FoldersThemesTest, ThemeNamesAreStoredAsGivenAndReadBackTrimmed) {
    ASSERT_TRUE(db->CreateTheme("Plain"));
    ASSERT_TRUE(db->CreateTheme("  Blue  "));
    EXPECT_EQ(db->LoadTheme("  Blue  ")->RecordCount(), 1);
    EXPECT_EQ(db->LoadTheme("Blue")->RecordCount(), 0);
    EXPECT_EQ(db->GetThemeName(2), "Blue");
    EXPECT_EQ(db->GetThemeName(1), "Plain");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(FoldersThemesTest, UnknownDefaultThemeIsStoredAsZeroAndReadBackAsOneReport) {
    ASSERT_TRUE(db->CreateTheme("Plain"));
    EXPECT_EQ(db->GetThemeKey("Unknown"), 0);
    EXPECT_TRUE(db->setDefaultTheme("Unknown"));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(db->getDefaultTheme(), "");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text.substr(0, 6), "3021, ");
}

TEST_P(FoldersThemesTest, DeletingTheDefaultThemeLeavesTheDefaultPointingNowhere) {
    ASSERT_TRUE(db->CreateTheme("Plain"));
    ASSERT_TRUE(db->setDefaultTheme("Plain"));
    EXPECT_TRUE(db->DeleteTheme(" Plain "));
    EXPECT_TRUE(db->DeleteTheme("Never There"));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(db->getDefaultTheme(), "");
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(db->GetThemeName(1), "");
    EXPECT_EQ(sink.messages.size(), 2u);
}

TEST(DeleteThemeTest, FailsSilently) {
    TempFolder folder;
    RecordingMessageSink sink;
    clsDBRoutines db(folder.path());
    db.openDatabase((folder / "missing.mdb").string());
    sink.messages.clear();
    EXPECT_FALSE(db.DeleteTheme("Plain"));
    // Only the connection's own retry is reported, never the deletion.
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text.substr(0, 4), "14, ");
}

}  // namespace
}  // namespace portico::test
