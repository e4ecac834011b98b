#include "database/SqliteEngine.h"
#include "tests/database/CatalogueFixture.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace portico::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(CatalogueCheckTest, SaysWhatIsWrongWithAFileAndNamesIt) {
    TempFolder folder;
    RecordingMessageSink sink;
    const auto good = folder / "Portico.mdb";
    CatalogueFile::create(good);
    EXPECT_NO_THROW(CatalogueFile::check(good));

    const auto tablesOnly = folder / "Partial.mdb";
    {
        sqlite3* raw = nullptr;
        sqlite3_open(tablesOnly.c_str(), &raw);
        sqlite3_exec(raw, "CREATE TABLE Program (x); CREATE TABLE Permission (x); CREATE TABLE [User] (x);",
                     nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    const struct {
        std::filesystem::path file;
        long number;
        std::string description;
    } cases[] = {
        {folder / "none.mdb", 14, "There is no catalogue file at " + (folder / "none.mdb").string() + "."},
        {folder.path(), 14, folder.str() + " is a folder, not a catalogue file."},
        {folder.write("text.mdb", "just some text, no database"), 26,
         (folder / "text.mdb").string() + " is not a Portico catalogue: it is not an SQLite database (file is not a database)."},
        {tablesOnly, 26,
         tablesOnly.string() + " is not a Portico catalogue: it is an SQLite database without the table Group."},
        {folder.write("empty.mdb", ""), 26,
         (folder / "empty.mdb").string() + " is not a Portico catalogue: it is an SQLite database without the table Program."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.string());
        try {
            CatalogueFile::check(c.file);
            ADD_FAILURE() << "no error";
        } catch (const PorticoError& error) {
            EXPECT_EQ(error.number(), c.number);
            EXPECT_EQ(error.description(), c.description);
        }
    }
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(TempFolder::read(folder / "text.mdb"), "just some text, no database");
}

TEST(ConnectionTest, MissingFileIsReportedOnceAndRetriedByEveryOperation) {
    TempFolder folder;
    RecordingMessageSink sink;
    clsDBRoutines db(folder.path());
    const auto missing = folder / "data" / "Portico.mdb";

    db.openDatabase(missing.string());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "14, unable to open database file: " + missing.string());
    EXPECT_EQ(sink.messages[0].title, "SQLite");
    EXPECT_EQ(sink.messages[0].icon, MessageIcon::Critical);

    EXPECT_EQ(db.loadPrograms(), nullptr);
    // The operation tries again; its failure is one message, with no 3709 after it.
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[1].text, sink.messages[0].text);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(folder / "data"));
}

TEST(ConnectionTest, ReconnectsOnceTheFileAppears) {
    TempFolder folder;
    RecordingMessageSink sink;
    clsDBRoutines db(folder.path());
    const auto file = folder / "Portico.mdb";
    db.openDatabase(file.string());
    ASSERT_EQ(sink.messages.size(), 1u);

    CatalogueFile::create(file);
    auto programs = db.loadPrograms();
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(programs->RecordCount(), 0);
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(ConnectionTest, FilesThatAreNotCataloguesAreRefusedAndLeftUntouched) {
    TempFolder folder;
    RecordingMessageSink sink;
    const auto text = folder.write("notes.mdb", "this is not a database, just some text that is long enough");
    const auto empty = folder.write("empty.mdb", "");
    const auto other = folder / "other.mdb";
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(other.c_str(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "CREATE TABLE Something (x)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    const auto otherBefore = TempFolder::read(other);

    clsDBRoutines db(folder.path());
    db.openDatabase(text.string());
    db.openDatabase(empty.string());
    db.openDatabase(other.string());

    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0].text, "26, file is not a database");
    EXPECT_THAT(sink.messages[1].text, StartsWith("26, The file is not a Portico catalogue (it has no table Program)"));
    EXPECT_THAT(sink.messages[2].text, HasSubstr(other.string()));
    EXPECT_EQ(TempFolder::read(text), "this is not a database, just some text that is long enough");
    EXPECT_EQ(std::filesystem::file_size(empty), 0u);
    EXPECT_EQ(TempFolder::read(other), otherBefore);

    // The refused connection is not used: the next operation tries again, one message.
    EXPECT_EQ(db.LoadThemes(), nullptr);
    EXPECT_EQ(sink.messages.size(), 4u);
}

TEST(ConnectionTest, DestructionReportsOnlyWhenNoConnectionWasEverMade) {
    TempFolder folder;
    RecordingMessageSink sink;
    { clsDBRoutines neverOpened(folder.path()); }
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "91, Object variable or With block variable not set");
    EXPECT_EQ(sink.messages[0].title, "Portico");

    sink.messages.clear();
    {
        clsDBRoutines failed(folder.path());
        failed.openDatabase((folder / "missing.mdb").string());
        sink.messages.clear();
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST(ConnectionTest, DefaultIconPathIsPlainStorage) {
    TempFolder folder;
    RecordingMessageSink sink;
    clsDBRoutines db(folder.path());
    EXPECT_EQ(db.DefaultIconPath(), "");
    db.setDefaultIconPath("  /no/such/icon.ico ");
    EXPECT_EQ(db.DefaultIconPath(), "  /no/such/icon.ico ");
    db.setDefaultIconPath("");
    EXPECT_EQ(db.DefaultIconPath(), "");
    db.openDatabase((folder / "x.mdb").string());
}

TEST(ConnectionTest, PicturesGoToThePerUserFolderByDefault) {
    TempFolder runtime;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", runtime.str().c_str(), 1);
    RecordingMessageSink sink;
    {
        clsDBRoutines db;
        EXPECT_EQ(db.programImageFile(), runtime / "portico" / "temp.bmp");
        EXPECT_EQ(db.themeImageFile("Theme_LogoSplash"), runtime / "portico" / "Theme_LogoSplash.bmp");
        const auto perms = std::filesystem::status(runtime / "portico").permissions();
        EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);
    }
    if (saved) {
        setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
}

TEST(ConnectionTest, ReopeningKeepsRecordSetsTheCallerHolds) {
    TempFolder folder;
    RecordingMessageSink sink;
    CatalogueFile::create(folder / "a.mdb");
    CatalogueFile::create(folder / "b.mdb");
    clsDBRoutines db(folder.path());
    db.openDatabase((folder / "a.mdb").string());
    ASSERT_TRUE(db.AddFolder("Music", "/srv/music"));
    auto folders = db.GetFolders();
    db.openDatabase((folder / "b.mdb").string());
    EXPECT_EQ(folders->RecordCount(), 1);
    EXPECT_EQ(folders->Fields("Folder_Path").Value().toText(), "/srv/music");
    EXPECT_EQ(db.GetFolders()->RecordCount(), 0);
    EXPECT_TRUE(sink.messages.empty());
}

// The fuzzer opens its inputs from memory through an engine opener.
TEST(ConnectionTest, AnOpenerServesItsNameFromAPrivateCopyOfAnImageAndLeavesOtherNamesToFiles) {
    TempFolder folder;
    RecordingMessageSink sink;
    const auto file = folder / "Portico.mdb";
    CatalogueFile::create(file);
    {
        clsDBRoutines db(folder.path());
        db.openDatabase(file.string());
        ASSERT_TRUE(db.addProgramWithPicture("Editor", "text", "/usr/bin/ed", Bytes{'B', 'M'}));
    }
    const std::string fileBytes = TempFolder::read(file);
    std::string image = fileBytes;
    struct OpenerReset {
        ~OpenerReset() { Connection::setEngineOpener({}); }
    } reset;
    Connection::setEngineOpener([&](const std::string& name, int timeout) -> std::unique_ptr<Engine> {
        if (name != "memory:catalogue") return nullptr;
        return openSqliteImage(reinterpret_cast<const std::uint8_t*>(image.data()), image.size(), timeout);
    });

    clsDBRoutines first(folder.path());
    first.openDatabase("memory:catalogue");
    ASSERT_TRUE(first.addProgramWithPicture("Calculator", "sums", "/usr/bin/bc", Bytes{'B', 'M'}));
    EXPECT_EQ(first.loadPrograms()->RecordCount(), 2);
    // Another connection gets its own copy; the file and the image are as they were.
    clsDBRoutines second(folder.path());
    second.openDatabase("memory:catalogue");
    EXPECT_EQ(second.loadPrograms()->RecordCount(), 1);
    EXPECT_EQ(image, fileBytes);
    EXPECT_EQ(TempFolder::read(file), fileBytes);
    EXPECT_FALSE(std::filesystem::exists("memory:catalogue"));
    // Names the opener leaves alone are files, as ever.
    clsDBRoutines onFile(folder.path());
    onFile.openDatabase(file.string());
    EXPECT_EQ(onFile.loadPrograms()->RecordCount(), 1);
    EXPECT_TRUE(sink.messages.empty());

    // Bytes that are no database are refused as a file with them would be.
    image = "this is not a database, just some text that is long enough";
    clsDBRoutines text(folder.path());
    text.openDatabase("memory:catalogue");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "26, file is not a database");
    // An image in write-ahead-log mode cannot be opened from memory: an error, never a crash.
    image = fileBytes;
    image[18] = image[19] = 2;
    clsDBRoutines logged(folder.path());
    logged.openDatabase("memory:catalogue");
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_THAT(sink.messages[1].text, StartsWith("14, "));
}

// A file's write lock.
class LockedCatalogueTest : public CatalogueTest {};
PORTICO_ON_FILE(LockedCatalogueTest);

TEST_P(LockedCatalogueTest, WaitsForAnotherProgramsWriteLockThenSucceeds) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> other(raw, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(other.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other.get(), "COMMIT", nullptr, nullptr, nullptr);
    });

    const auto start = std::chrono::steady_clock::now();
    pickIcon("BM");
    const bool added = db->addProgram("Editor", "", "/usr/bin/vi", "");
    const auto waited = std::chrono::steady_clock::now() - start;
    releaser.join();

    EXPECT_TRUE(added);
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(db->getProgramPath("Editor"), "/usr/bin/vi");
    EXPECT_TRUE(sink.messages.empty());
}

TEST(CatalogueFileTest, NeverOverwritesAnExistingFile) {
    TempFolder folder;
    const auto file = folder.write("Portico.mdb", "keep me");
    EXPECT_THROW(CatalogueFile::create(file), PorticoError);
    EXPECT_EQ(TempFolder::read(file), "keep me");
    EXPECT_THROW(CatalogueFile::create(folder / "no" / "such" / "folder.mdb"), PorticoError);
    EXPECT_FALSE(std::filesystem::exists(folder / "no"));
}

}  // namespace
}  // namespace portico::test
