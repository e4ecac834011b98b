#include "tests/database/CatalogueFixture.h"

#include "database/Connection.h"

#include <functional>
#include <map>

namespace portico::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ProgramCatalogueTest : public CatalogueTest {};
PORTICO_ON_FILE_AND_SERVER(ProgramCatalogueTest);

TEST_P(ProgramCatalogueTest, AddedProgramIsStoredTrimmedAndFoundWithOrWithoutBlanks) {
    pickIcon("BM-picture");
    ASSERT_TRUE(db->addProgram("  Text Editor  ", "  Edits text  ", " /usr/bin/vi ", "ignored", " /home ", " -R "));

    auto program = db->loadProgram("Text Editor   ");
    ASSERT_NE(program, nullptr);
    ASSERT_EQ(program->RecordCount(), 1);
    EXPECT_EQ(program->Fields("Program_Name").Value().toText(), "Text Editor");
    EXPECT_EQ(program->Fields("Program_Desc").Value().toText(), "Edits text");
    EXPECT_EQ(program->Fields("Program_Path").Value().toText(), "/usr/bin/vi");
    EXPECT_EQ(program->Fields("Program_StartInDir").Value().toText(), "/home");
    EXPECT_EQ(program->Fields("Program_StartUpParms").Value().toText(), "-R");
    EXPECT_TRUE(program->Fields("Program_ResType").Value().isNull());
    EXPECT_EQ(program->Fields("Program_Added_Date").Value().type(), Variant::Type::Date);
    EXPECT_EQ(program->Fields("Program_Added_Date").Value().toText().size(), 10u);
    EXPECT_EQ(program->Fields("Program_Icon").Value(), Variant(Bytes{'B', 'M', '-', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));

    EXPECT_EQ(db->getProgramDescription(" Text Editor"), "Edits text");
    EXPECT_EQ(db->getProgramPath("text editor"), "/usr/bin/vi");
    EXPECT_EQ(db->GetProgramParameters("Text Editor "), "-R");
    EXPECT_EQ(db->GetProgramStartInDir("Text Editor"), "/home");
    EXPECT_EQ(db->getProgramKey("Text Editor"), 1);
    EXPECT_TRUE(sink.messages.empty());
}

// The lists read names first and pictures by key for the rows in sight.
TEST_P(ProgramCatalogueTest, NamesWithoutPicturesAndPicturesByKey) {
    pickIcon("BM-zeta");
    ASSERT_TRUE(db->addProgram("Zeta", "", "/usr/bin/zeta", ""));
    pickIcon("BM-alpha");
    ASSERT_TRUE(db->addProgram("alpha", "", "/usr/bin/alpha", ""));
    pickIcon("BM-mid");
    ASSERT_TRUE(db->addProgram("Mid", "", "/usr/bin/mid", ""));

    auto names = db->loadProgramNames();
    ASSERT_NE(names, nullptr);
    ASSERT_EQ(names->RecordCount(), 3);
    EXPECT_FALSE(names->hasField("Program_Icon"));
    EXPECT_FALSE(names->hasField("Program_Path"));
    std::vector<std::string> order;
    for (names->MoveFirst(); !names->IsEOF(); names->MoveNext())
        order.push_back(names->Fields("Program_Name").Value().toText() + "/" +
                        std::to_string(names->Fields("Program_Key").Value().toInt64()));
    EXPECT_THAT(order, ElementsAre("alpha/2", "Mid/3", "Zeta/1"));
    auto withPaths = db->loadProgramNames(true);
    ASSERT_NE(withPaths, nullptr);
    withPaths->MoveFirst();
    EXPECT_EQ(withPaths->Fields("Program_Path").Value().toText(), "/usr/bin/alpha");

    auto icons = db->loadProgramIcons({3, 1, 99});
    ASSERT_NE(icons, nullptr);
    ASSERT_EQ(icons->RecordCount(), 2);
    std::map<std::int64_t, Variant> byKey;
    for (icons->MoveFirst(); !icons->IsEOF(); icons->MoveNext())
        byKey[icons->Fields("Program_Key").Value().toInt64()] = icons->Fields("Program_Icon").Value();
    EXPECT_EQ(byKey[1], Variant(Bytes{'B', 'M', '-', 'z', 'e', 't', 'a'}));
    EXPECT_EQ(byKey[3], Variant(Bytes{'B', 'M', '-', 'm', 'i', 'd'}));
    auto none = db->loadProgramIcons({});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->RecordCount(), 0);

    auto splash = db->loadThemePicture("Nothing", "Theme_LogoSplash");
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->RecordCount(), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, ProgramKeysAreFoundByTheTrimmedName) {
    addProgram("Editor");
    addProgram("Mail");
    EXPECT_EQ(db->getProgramKey("Mail"), 2);
    EXPECT_EQ(db->getProgramKey("  Mail  "), 2);
    EXPECT_EQ(db->getProgramKey(" Editor"), 1);
    EXPECT_EQ(db->getProgramKey("Mai"), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, DeleteMatchesTheNameAsGivenWhileLookupsTrim) {
    addProgram("Calculator");
    EXPECT_TRUE(db->deleteProgram(" Calculator "));
    EXPECT_EQ(db->getProgramKey("Calculator"), 1);
    EXPECT_TRUE(db->deleteProgram("Calculator"));
    EXPECT_EQ(db->getProgramKey("Calculator"), 0);
    EXPECT_TRUE(db->deleteProgram("Never There"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, UnknownNamesGiveEmptyResultsQuietlyExceptTheUncheckedReads) {
    auto none = db->loadProgram("nothing");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->RecordCount(), 0);
    EXPECT_TRUE(none->IsEOF());
    EXPECT_EQ(db->loadProperties("nothing")->RecordCount(), 0);
    EXPECT_EQ(db->getProgramDescription("nothing"), "");
    EXPECT_EQ(db->getProgramPath("nothing"), "");
    EXPECT_EQ(db->getProgramResType("nothing"), "");
    EXPECT_EQ(db->getProgramKey("nothing"), 0);
    EXPECT_TRUE(sink.messages.empty());

    EXPECT_EQ(db->GetProgramParameters("nothing"), "");
    EXPECT_EQ(db->GetProgramStartInDir("nothing"), "");
    const std::string noRow =
        "3021, Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
        "current record.";
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], (RecordedMessage{noRow, "ADODB.Field", MessageIcon::Critical}));
    EXPECT_EQ(sink.messages[1].text, noRow);
}

TEST_P(ProgramCatalogueTest, NullValuesOnAFoundRow) {
    addProgram("Shell");
    // The resource type is written by no operation: a found row holds null.
    EXPECT_EQ(db->getProgramResType("Shell"), "");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "94, Invalid use of Null");

    sink.messages.clear();
    ASSERT_TRUE(db->updateProgram("Shell", "Shell", "d", "/bin/sh"));
    EXPECT_EQ(db->GetProgramParameters("Shell"), "");
    EXPECT_TRUE(sink.messages.empty());
}

// Keys are never reused, so they pass 16 bits in time; only the published
// 16-bit getProgramKey may report that, nothing that acts on a program.
TEST_P(ProgramCatalogueTest, KeysPast16BitsWorkForGrantsAndDescriptions) {
    auto connection = std::make_shared<Connection>();
    connection->setConnectionString(connectionString());
    connection->Open();
    ASSERT_TRUE(db->AddUser("alice", "sid-alice"));
    addProgram("Low");  // key 1: what a key of 65537 cut to 16 bits would name
    for (const std::int64_t key : {32768LL, 65537LL}) {
        SCOPED_TRACE(key);
        const std::string name = "Editor " + std::to_string(key);
        // The record set path leaves the description null, as scripts and older catalogues do.
        connection->engine("test").run("INSERT INTO Program (Program_Key, Program_Name) VALUES (?, ?)",
                                       {Variant(key), Variant(name)});
        sink.messages.clear();
        EXPECT_EQ(db->getProgramDescription(name), "");
        ASSERT_TRUE(db->AddSecurity("alice", 1, name, 1));
        auto granted = db->LoadSecurityUser("sid-alice", name);
        ASSERT_NE(granted, nullptr);
        EXPECT_EQ(granted->RecordCount(), 1);
        EXPECT_EQ(db->LoadSecurityUser("sid-alice", "Low")->RecordCount(), 0);
        EXPECT_TRUE(sink.messages.empty()) << sink.messages[0].text;
        EXPECT_EQ(db->getProgramKey(name), 0);
        EXPECT_EQ(sink.messages.size(), 1u);
    }
}

TEST_P(ProgramCatalogueTest, ListsAreOrderedByNameWithoutRegardToCase) {
    addProgram("beta");
    addProgram("Alpha");
    addProgram("gamma");
    auto programs = db->loadPrograms();
    ASSERT_NE(programs, nullptr);
    // The key after the three listed columns names a row whose name cannot be read.
    EXPECT_THAT(fieldNames(*programs), ElementsAre("Program_Name", "Program_Icon", "Program_Path", "Program_Key"));
    EXPECT_THAT(column(*programs, "Program_Name"), ElementsAre("Alpha", "beta", "gamma"));

    auto properties = db->loadProperties("beta");
    EXPECT_THAT(fieldNames(*properties), ElementsAre("ProgramName", "ProgramPath", "AddedDate"));
    EXPECT_EQ(properties->Fields("programpath").Value().toText(), "/usr/bin/true");
}

TEST_P(ProgramCatalogueTest, NamesWithApostrophesWorkEverywhere) {
    const std::string name = "Children's Games";
    addProgram(name, "/usr/games/o'brien");
    EXPECT_EQ(db->getProgramPath(name), "/usr/games/o'brien");
    EXPECT_EQ(db->loadProgram(name)->RecordCount(), 1);
    EXPECT_TRUE(db->GetProgramImage(name));
    pickIcon("new");
    EXPECT_TRUE(db->updateProgram(name, "Grown-ups' Games", "it's", "/usr/games/x'"));
    EXPECT_EQ(db->getProgramDescription("Grown-ups' Games"), "it's");
    EXPECT_TRUE(db->deleteProgram("Grown-ups' Games"));
    EXPECT_EQ(db->loadPrograms()->RecordCount(), 0);
    // Input is never executed as SQL.
    addProgram("x'; DROP TABLE Program; --");
    EXPECT_EQ(db->loadPrograms()->RecordCount(), 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, MissingPickedIconFallsBackToTheDefaultIconSilently) {
    const auto defaultIcon = folder.write("Default.ico", "default-icon-bytes");
    db->setDefaultIconPath(defaultIcon.string());
    ASSERT_TRUE(db->addProgram("Mail", "", "/usr/bin/mail", ""));
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_TRUE(db->GetProgramImage("Mail"));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "default-icon-bytes");
}

TEST_P(ProgramCatalogueTest, NoReadablePictureAtAllIsReportedAndAddsNothing) {
    db->setDefaultIconPath((folder / "missing.ico").string());
    EXPECT_FALSE(db->addProgram("Mail", "", "/usr/bin/mail", ""));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (RecordedMessage{"3002, File could not be opened.", "ADODB.Stream", MessageIcon::Critical}));

    db->setDefaultIconPath("");
    EXPECT_FALSE(db->addProgram("Mail", "", "/usr/bin/mail", ""));
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(db->loadPrograms()->RecordCount(), 0);
}

TEST_P(ProgramCatalogueTest, PicturesTravelByteForByte) {
    std::string picture(3 * 1024, '\0');
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>(i * 7 % 256);
    addProgram("Paint", "/usr/bin/paint", picture);
    pickIcon("something else");

    ASSERT_TRUE(db->GetProgramImage(" Paint "));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), picture);

    // A given path wins over the picked icon.
    auto program = db->loadProgram("Paint");
    db->AddProgramImage(*program, folder.write("other.bmp", "other").string());
    program->Update();
    ASSERT_TRUE(db->GetProgramImage("Paint"));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "other");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, FailedExportsLeaveThePreviousFile) {
    addProgram("Paint", "/usr/bin/paint", "first");
    ASSERT_TRUE(db->GetProgramImage("Paint"));
    EXPECT_FALSE(db->GetProgramImage("Unknown"));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "first");
}

TEST_P(ProgramCatalogueTest, AProgramStoredWithoutAPictureExportsTheDefaultIconSilently) {
    addProgram("Script", "/usr/bin/script", "first");
    addProgram("Blank");
    for (const char* name : {"Script", "Blank"}) {
        auto program = db->loadProgram(name);
        program->Fields("Program_Icon").setValue(std::string(name) == "Script" ? Variant::null() : Variant(Bytes{}));
        program->Update();
    }
    db->setDefaultIconPath(folder.write("Default.ico", "default-icon").string());
    ASSERT_TRUE(db->GetProgramImage("Script"));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "default-icon");
    ASSERT_TRUE(db->GetProgramImage("Blank"));

    // Without a default icon there is no picture to show, and still nothing to report.
    addProgram("Paint", "/usr/bin/paint", "paint");
    ASSERT_TRUE(db->GetProgramImage("Paint"));
    db->setDefaultIconPath((folder / "missing.ico").string());
    EXPECT_FALSE(db->GetProgramImage("Script"));
    db->setDefaultIconPath("");
    EXPECT_FALSE(db->GetProgramImage("Script"));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "paint");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, PictureReadersPassTheirErrorsOn) {
    addProgram("Paint");
    auto program = db->loadProgram("Paint");
    try {
        db->AddProgramImage(*program, (folder / "none.bmp").string());
        FAIL() << "no error";
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), 3002);
    }
    EXPECT_THROW(db->AddThemeImage(*program, folder.write("a.bmp", "a").string(), "No_Such_Column"), PorticoError);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, UpdateRenamesAndReplacesThePicture) {
    addProgram("Old Name", "/usr/bin/old", "old-picture");
    pickIcon("new-picture");
    ASSERT_TRUE(db->updateProgram("Old Name", "  New Name ", " kept blanks ", " /usr/bin/new ", " /srv ", " -v "));
    EXPECT_EQ(db->getProgramKey("Old Name"), 0);
    auto program = db->loadProgram("New Name");
    ASSERT_EQ(program->RecordCount(), 1);
    EXPECT_EQ(program->Fields("Program_Name").Value().toText(), "New Name");
    EXPECT_EQ(program->Fields("Program_Desc").Value().toText(), " kept blanks ");
    EXPECT_EQ(program->Fields("Program_Path").Value().toText(), "/usr/bin/new");
    EXPECT_EQ(program->Fields("Program_StartInDir").Value().toText(), " /srv ");
    ASSERT_TRUE(db->GetProgramImage("New Name"));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "new-picture");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, FailedUpdateChangesNothing) {
    addProgram("Old Name", "/usr/bin/old", "old-picture");
    std::filesystem::remove(pictureFile("temp.bmp"));
    EXPECT_FALSE(db->updateProgram("Old Name", "New Name", "d", "/usr/bin/new"));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "3002, File could not be opened.");
    // The rename was undone with the failed picture: a retry still finds the program.
    EXPECT_EQ(db->getProgramPath("Old Name"), "/usr/bin/old");
    EXPECT_EQ(db->getProgramKey("New Name"), 0);

    pickIcon("p");
    EXPECT_FALSE(db->updateProgram("Nobody", "Nobody Else", "d", "/x"));
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[1].text.substr(0, 6), "3021, ");
    EXPECT_TRUE(db->updateProgram("Old Name", "New Name", "d", "/usr/bin/new"));
}

TEST_P(ProgramCatalogueTest, KeysAboveSixteenBitsAreReportedAsOverflow) {
    {
        auto connection = std::make_shared<Connection>();
        connection->setConnectionString(connectionString());
        connection->Open();
        Recordset insert;
        insert.Open("INSERT INTO Program (Program_Key, Program_Name) VALUES (40000, 'Big')", connection);
    }
    EXPECT_EQ(db->getProgramKey("Big"), 0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (RecordedMessage{"6, Overflow", "Portico", MessageIcon::Critical}));
}

// ---- what others may leave in our way ---------------------------------------

long errorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const PorticoError& error) {
        return error.number();
    }
    return 0;
}

TEST_P(ProgramCatalogueTest, TextColumnsTakeTextOnly) {
    addProgram("Editor");
    const Bytes bytes{'n', 0, 'a', 'm', 'e'};

    auto table = db->loadProgram("Editor");
    table->AddNew();
    EXPECT_EQ(errorNumberOf([&] { table->Fields("Program_Name").setValue(bytes); }), 13);
    EXPECT_EQ(errorNumberOf([&] { db->AddThemeImage(*table, folder.write("p.bmp", "BMp").string(), "Program_Path"); }),
              13);
    table->CancelUpdate();

    // An edit of a stored row: refused, and the row keeps its text.
    table->MoveFirst();
    EXPECT_EQ(errorNumberOf([&] { table->Fields("program_desc").setValue(bytes); }), 13);
    table->Update();
    EXPECT_EQ(db->getProgramDescription("Editor"), "description of Editor");

    // Text, numbers and null still go in; bytes go in where bytes belong.
    table->Fields("Program_ResType").setValue(Variant(3));
    table->Fields("Program_StartInDir").setValue(Variant::null());
    table->Fields("Program_Icon").setValue(bytes);
    table->Update();
    EXPECT_EQ(db->getProgramResType("Editor"), "3");
    EXPECT_EQ(db->loadPrograms()->RecordCount(), 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, APickedIconIsNeverReadThroughALink) {
    const auto secret = folder.write("secret.txt", "another user's file");
    std::filesystem::create_symlink(secret, pictureFile("temp.bmp"));
    const auto defaultIcon = folder.write("Default.ico", "default-icon");
    db->setDefaultIconPath(defaultIcon.string());

    auto program = db->loadProgram("none");
    EXPECT_EQ(errorNumberOf([&] { db->AddProgramImage(*program); }), 3002);
    ASSERT_TRUE(db->addProgram("Mail", "", "/usr/bin/mail", ""));
    auto stored = db->loadProgram("Mail");
    EXPECT_EQ(stored->Fields("Program_Icon").Value(), Variant(Bytes{'d', 'e', 'f', 'a', 'u', 'l', 't', '-', 'i', 'c', 'o', 'n'}));

    // Exporting replaces the link and leaves its target alone.
    ASSERT_TRUE(db->GetProgramImage("Mail"));
    EXPECT_FALSE(std::filesystem::is_symlink(pictureFile("temp.bmp")));
    EXPECT_EQ(TempFolder::read(pictureFile("temp.bmp")), "default-icon");
    EXPECT_EQ(TempFolder::read(secret), "another user's file");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ProgramCatalogueTest, NoPictureFolderMeansTheDefaultIcon) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved ? saved : "";
    // A file where the picture folder's parent should be: it can never be made.
    ::setenv("XDG_RUNTIME_DIR", folder.write("not-a-folder", "").c_str(), 1);
    {
        clsDBRoutines perUser;
        perUser.openDatabase(connectionString());
        perUser.setDefaultIconPath(folder.write("Default.ico", "default-icon").string());
        EXPECT_TRUE(perUser.addProgram("Mail", "", "/usr/bin/mail", ""));
        EXPECT_TRUE(sink.messages.empty());
        auto stored = perUser.loadProgram("Mail");
        ASSERT_EQ(stored->RecordCount(), 1);
        EXPECT_EQ(stored->Fields("Program_Icon").Value().bytes().size(), 12u);
    }
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace portico::test
