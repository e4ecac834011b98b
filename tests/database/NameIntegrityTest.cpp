#include "database/NameFold.h"
#include "tests/database/CatalogueFixture.h"

#include <sqlite3.h>

#include <algorithm>

namespace portico::test {
namespace {

using ::testing::ElementsAre;

// The catalogue schema of the release before names became unique: no unique
// index, so older tools (and people with an SQL shell) could store duplicates.
constexpr const char* kPreviousReleaseSchema = R"SQL(
-- An empty Portico catalogue. Texts compare and sort without regard to case;
-- pictures hold the bytes of a picture file; dates are ISO-8601 (YYYY-MM-DD).

CREATE TABLE Program (
    Program_Key          INTEGER PRIMARY KEY AUTOINCREMENT,
    Program_Name         TEXT COLLATE NOCASE,
    Program_Desc         TEXT COLLATE NOCASE,
    Program_Path         TEXT COLLATE NOCASE,
    Program_StartInDir   TEXT COLLATE NOCASE,
    Program_StartUpParms TEXT COLLATE NOCASE,
    Program_Added_Date   DATE,
    Program_Icon         BLOB,
    Program_ResType      TEXT COLLATE NOCASE
);
CREATE INDEX Program_Name_Index ON Program (Program_Name);

-- Object_Type: 1 = user, 2 = group.
CREATE TABLE Permission (
    Program_Key       INTEGER,
    Object_Key        INTEGER,
    Object_Type       INTEGER,
    Permission_Status INTEGER
);
CREATE INDEX Permission_Program_Index ON Permission (Program_Key);
CREATE INDEX Permission_Object_Index ON Permission (Object_Key, Object_Type);

CREATE TABLE [User] (
    User_Key  INTEGER PRIMARY KEY AUTOINCREMENT,
    User_Name TEXT COLLATE NOCASE,
    User_SID  TEXT COLLATE NOCASE
);
CREATE INDEX User_Name_Index ON [User] (User_Name);
CREATE INDEX User_SID_Index ON [User] (User_SID);

CREATE TABLE [Group] (
    Group_Key  INTEGER PRIMARY KEY AUTOINCREMENT,
    Group_Name TEXT COLLATE NOCASE
);
CREATE INDEX Group_Name_Index ON [Group] (Group_Name);

CREATE TABLE Folder (
    Folder_Name TEXT COLLATE NOCASE,
    Folder_Path TEXT COLLATE NOCASE
);
CREATE INDEX Folder_Name_Index ON Folder (Folder_Name);

CREATE TABLE Theme (
    Theme_Key           INTEGER PRIMARY KEY AUTOINCREMENT,
    Theme_Name          TEXT COLLATE NOCASE,
    Theme_LogoSplash    BLOB,
    Theme_LogoAddRemove BLOB,
    Theme_LogoSetup     BLOB
);
CREATE INDEX Theme_Name_Index ON Theme (Theme_Name);

-- One row: the key of the default theme (none yet).
CREATE TABLE Settings (
    Theme_Key INTEGER
);
INSERT INTO Settings (Theme_Key) VALUES (NULL);
)SQL";

class NameIntegrityTest : public CatalogueTest {
protected:
    // Sorted here: the engines order "Ärger" differently (bytes against the server's collation).
    std::vector<std::string> programNames() {
        std::vector<std::string> names = column(*db->loadPrograms(), "Program_Name");
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string duplicateReport(const std::string& what, const std::string& name) {
        return "3022, A " + what + " named '" + name + "' already exists.";
    }
};
PORTICO_ON_FILE_AND_SERVER(NameIntegrityTest);

// What a catalogue file's own indexes refuse.
class NameIndexTest : public NameIntegrityTest {};
PORTICO_ON_FILE(NameIndexTest);

TEST(NameFoldTest, FoldsCaseInEveryScriptAndIgnoresSurroundingBlanks) {
    EXPECT_TRUE(NameFold::sameName("Clock", "CLOCK"));
    EXPECT_TRUE(NameFold::sameName("Ärger", "äRGER"));
    EXPECT_TRUE(NameFold::sameName("Straße", "STRASSE"));
    EXPECT_TRUE(NameFold::sameName("Ωμέγα", "ΩΜΈΓΑ"));
    // A composed "Ä" and "A" followed by a combining diaeresis are one letter.
    EXPECT_TRUE(NameFold::sameName("\xC3\x84pfel", "A\xCC\x88PFEL"));
    EXPECT_TRUE(NameFold::sameName("  Clock ", "clock"));
    EXPECT_FALSE(NameFold::sameName("Clock", "Clocks"));
    EXPECT_FALSE(NameFold::sameName("Ärger", "Arger"));
    // Bytes that are no UTF-8 still compare, by bytes with ASCII case folded.
    EXPECT_TRUE(NameFold::sameName("Caf\xE9", "CAF\xE9"));
    EXPECT_FALSE(NameFold::sameName("Caf\xE9", "Caf\xC9"));
}

TEST_P(NameIntegrityTest, AddingAProgramWhoseNameIsTakenInAnyCaseIsRefusedAndChangesNothing) {
    addProgram("Clock");
    addProgram("Ärger");
    sink.messages.clear();
    pickIcon("BM-other");
    for (const char* taken : {"Clock", "CLOCK", " clock ", "ärger", "ÄRGER"}) {
        EXPECT_FALSE(db->addProgram(taken, "d", "/bin/x", "", "", "")) << taken;
        EXPECT_FALSE(db->addProgramWithPicture(taken, "d", "/bin/x", Bytes{'B', 'M'})) << taken;
    }
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Clock", "Ärger"}));
    ASSERT_EQ(sink.messages.size(), 10u);
    EXPECT_EQ(sink.messages[0],
              (RecordedMessage{duplicateReport("program", "Clock"), "Portico", MessageIcon::Critical}));
    EXPECT_EQ(sink.messages[9].text, duplicateReport("program", "Ärger"));
    EXPECT_EQ(db->programNamedLike("CLOCK"), "Clock");
    EXPECT_EQ(db->programNamedLike("Clocks"), "");
}

TEST_P(NameIntegrityTest, RenamingOntoAnotherProgramIsRefusedButChangingTheCaseOfItsOwnNameIsNot) {
    addProgram("Clock", "/bin/clock", "BM-clock");
    addProgram("Eyes", "/bin/eyes", "BM-eyes");
    const std::int64_t eyes = db->getProgramKey("Eyes");
    sink.messages.clear();

    pickIcon("BM-picked");
    EXPECT_FALSE(db->updateProgram("Eyes", "CLOCK", "d", "/bin/eyes"));
    EXPECT_FALSE(db->updateProgramByKey(eyes, "clock", "d", "/bin/eyes", "", "", nullptr));
    EXPECT_EQ(texts(), (std::vector<std::string>{duplicateReport("program", "Clock"),
                                                 duplicateReport("program", "Clock")}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Clock", "Eyes"}));
    EXPECT_EQ(db->getProgramPath("Clock"), "/bin/clock");

    sink.messages.clear();
    EXPECT_TRUE(db->updateProgram("Eyes", "EYES", "d", "/bin/eyes"));
    EXPECT_TRUE(db->updateProgramByKey(eyes, "Eyes", "d", "/bin/eyes", "", "", nullptr));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(db->programNamedLike("eyes", eyes), "");
    EXPECT_EQ(db->programNamedLike("eyes"), "Eyes");
}

TEST_P(NameIntegrityTest, ByKeyChangesKeepThePictureUnlessOneIsGivenAndReportAProgramThatHasGone) {
    addProgram("Eyes", "/bin/eyes", "BM-eyes");
    const std::int64_t key = db->getProgramKey("Eyes");
    pickIcon("BM-someone-elses");
    ASSERT_TRUE(db->updateProgramByKey(key, " Big Eyes ", "Looks", " /bin/eyes2 ", "/tmp", "-a", nullptr));
    auto row = db->loadProgramByKey(key);
    ASSERT_EQ(row->RecordCount(), 1);
    EXPECT_EQ(row->Fields("Program_Name").Value().toText(), "Big Eyes");
    EXPECT_EQ(row->Fields("Program_Path").Value().toText(), "/bin/eyes2");
    EXPECT_EQ(row->Fields("Program_StartUpParms").Value().toText(), "-a");
    EXPECT_EQ(row->Fields("Program_Icon").Value(), Variant(Bytes{'B', 'M', '-', 'e', 'y', 'e', 's'}));

    const Bytes picked{'B', 'M', '-', 'n', 'e', 'w'};
    ASSERT_TRUE(db->updateProgramByKey(key, "Big Eyes", "Looks", "/bin/eyes2", "", "", &picked));
    EXPECT_EQ(db->loadProgramByKey(key)->Fields("Program_Icon").Value(), Variant(picked));
    auto properties = db->loadPropertiesByKey(key);
    EXPECT_THAT(fieldNames(*properties), ElementsAre("ProgramName", "ProgramPath", "AddedDate", "ProgramIcon"));
    EXPECT_TRUE(sink.messages.empty());

    ASSERT_TRUE(db->deleteProgramByKey(key));
    EXPECT_EQ(db->loadProgramByKey(key)->RecordCount(), 0);
    EXPECT_FALSE(db->updateProgramByKey(key, "Big Eyes", "Looks", "/bin/eyes2", "", "", &picked));
    EXPECT_EQ(texts(), (std::vector<std::string>{"3021, The program to change is no longer in the catalogue."}));
    EXPECT_TRUE(programNames().empty());
}

TEST_P(NameIntegrityTest, AProgramAddedWithItsPictureInMemoryNeverTakesThePictureFile) {
    pickIcon("BM-left-by-someone");
    ASSERT_TRUE(db->addProgramWithPicture("Eyes", "d", "/bin/eyes", Bytes{'B', 'M', '1'}));
    // Nothing picked and no default icon: no picture at all.
    ASSERT_TRUE(db->addProgramWithPicture("Clock", "d", "/bin/clock", Bytes{}));
    folder.write("default.ico", "ICO-default");
    db->setDefaultIconPath((folder / "default.ico").string());
    ASSERT_TRUE(db->addProgramWithPicture("Mail", "d", "/bin/mail", Bytes{}));
    EXPECT_EQ(db->loadProgram("Eyes")->Fields("Program_Icon").Value(), Variant(Bytes{'B', 'M', '1'}));
    EXPECT_TRUE(db->loadProgram("Clock")->Fields("Program_Icon").Value().isNull());
    EXPECT_EQ(db->loadProgram("Mail")->Fields("Program_Icon").Value().bytes(),
              (Bytes{'I', 'C', 'O', '-', 'd', 'e', 'f', 'a', 'u', 'l', 't'}));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(NameIntegrityTest, ThemeAndFolderNamesAreUniqueInAnyCase) {
    const auto splash = folder.write("splash.bmp", "BM-splash");
    ASSERT_TRUE(db->CreateTheme("Portico Blue", splash.string()));
    EXPECT_FALSE(db->CreateTheme("portico blue", splash.string()));
    EXPECT_FALSE(db->CreateTheme(" PORTICO BLUE", splash.string()));
    EXPECT_EQ(db->themeNamedLike("PORTICO blue"), "Portico Blue");
    ASSERT_TRUE(db->AddFolder("Übungen", "/srv/a"));
    EXPECT_FALSE(db->AddFolder("üBUNGEN", "/srv/b"));
    EXPECT_THAT(column(*db->LoadThemes(), "Theme_Name"), ElementsAre("Portico Blue"));
    EXPECT_THAT(column(*db->GetFolders(), "Folder_Path"), ElementsAre("/srv/a"));
    EXPECT_EQ(texts(), (std::vector<std::string>{duplicateReport("theme", "Portico Blue"),
                                                 duplicateReport("theme", "Portico Blue"),
                                                 duplicateReport("folder", "Übungen")}));
}

TEST_P(NameIndexTest, TheIndexesOfANewCatalogueRefuseDuplicatesFromOtherWritersToo) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> other(raw, sqlite3_close);
    EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO Program (Program_Name) VALUES ('Ärger')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO Program (Program_Name) VALUES ('ärger ')", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT);
    EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO Theme (Theme_Name) VALUES ('A'), ('a')", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT);
    EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO Folder (Folder_Name) VALUES ('ß'), ('SS')", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT);
}

TEST_P(NameIntegrityTest, ThereIsNoDefaultThemeKeyWhenTheDefaultThemeHasGone) {
    const auto splash = folder.write("splash.bmp", "BM-splash");
    EXPECT_EQ(db->defaultThemeKey(), 0);
    ASSERT_TRUE(db->CreateTheme("Classic", splash.string()));
    ASSERT_TRUE(db->setDefaultTheme("Classic"));
    const std::int64_t key = db->defaultThemeKey();
    EXPECT_EQ(key, db->GetThemeKey("Classic"));
    ASSERT_TRUE(db->deleteThemeByKey(key));
    EXPECT_EQ(db->defaultThemeKey(), 0);
    EXPECT_TRUE(sink.messages.empty());
}

// A catalogue made with the previous release's schema, holding duplicates.
class PreviousReleaseCatalogueTest : public ::testing::Test {
protected:
    PreviousReleaseCatalogueTest() {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open((folder / "Old.mdb").c_str(), &raw), SQLITE_OK);
        const std::string script = std::string(kPreviousReleaseSchema) +
                                   "INSERT INTO Program (Program_Name, Program_Path, Program_Icon) VALUES "
                                   "('Clock', '/bin/clock', x'424d31'), ('CLOCK', '/bin/CLOCK', x'424d32'), "
                                   "('Clock', '/bin/clock2', x'424d33');"
                                   "INSERT INTO Theme (Theme_Name) VALUES ('Portico Blue'), ('portico blue');";
        EXPECT_EQ(sqlite3_exec(raw, script.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
        std::filesystem::create_directories(folder / "pictures");
        db = std::make_unique<clsDBRoutines>(folder / "pictures");
        db->openDatabase((folder / "Old.mdb").string());
    }

    using Row = std::pair<std::int64_t, std::string>;
    std::vector<Row> rows() {
        std::vector<Row> result;
        auto list = db->loadProgramList();
        for (; !list->IsEOF(); list->MoveNext())
            result.emplace_back(list->Fields("Program_Key").Value().toInt64(),
                                list->Fields("Program_Path").Value().toText());
        return result;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& m : sink.messages) result.push_back(m.text);
        return result;
    }

    TempFolder folder;
    RecordingMessageSink sink;
    std::unique_ptr<clsDBRoutines> db;
};

TEST_F(PreviousReleaseCatalogueTest, OpensListsEveryRowAndChangesOnlyTheRowGivenByItsKey) {
    EXPECT_THAT(rows(), ElementsAre(Row{1, "/bin/clock"}, Row{2, "/bin/CLOCK"}, Row{3, "/bin/clock2"}));

    const Bytes picture{'B', 'M', 'n'};
    ASSERT_TRUE(db->updateProgramByKey(2, "CLOCK", "d", "/bin/new", "", "", &picture));
    EXPECT_EQ(db->loadProgramByKey(1)->Fields("Program_Path").Value().toText(), "/bin/clock");
    EXPECT_EQ(db->loadProgramByKey(1)->Fields("Program_Icon").Value(), Variant(Bytes{'B', 'M', '1'}));
    EXPECT_EQ(db->loadProgramByKey(2)->Fields("Program_Path").Value().toText(), "/bin/new");
    EXPECT_EQ(db->loadProgramByKey(2)->Fields("Program_Icon").Value(), Variant(picture));
    EXPECT_EQ(db->loadProgramByKey(3)->Fields("Program_Icon").Value(), Variant(Bytes{'B', 'M', '3'}));
    EXPECT_TRUE(sink.messages.empty());

    // One more of the name is refused, as in a new catalogue, and so is
    // renaming a row onto it.
    EXPECT_FALSE(db->addProgramWithPicture("clock", "d", "/bin/x", picture));
    ASSERT_TRUE(db->addProgramWithPicture("Mail", "d", "/bin/mail", picture));
    EXPECT_FALSE(db->updateProgramByKey(4, "CLOCK", "d", "/bin/mail", "", "", nullptr));
    EXPECT_EQ(texts(), (std::vector<std::string>{"3022, A program named 'Clock' already exists.",
                                                 "3022, A program named 'Clock' already exists."}));

    ASSERT_TRUE(db->deleteProgramByKey(1));
    EXPECT_THAT(rows(), ElementsAre(Row{2, "/bin/new"}, Row{3, "/bin/clock2"}, Row{4, "/bin/mail"}));

    auto themes = db->loadThemeList();
    ASSERT_EQ(themes->RecordCount(), 2);
    ASSERT_TRUE(db->deleteThemeByKey(themes->Fields("Theme_Key").Value().toInt64()));
    EXPECT_EQ(db->LoadThemes()->RecordCount(), 1);
}

}  // namespace
}  // namespace portico::test
