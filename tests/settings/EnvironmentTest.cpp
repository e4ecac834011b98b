#include "settings/PorticoError.h"
#include "settings/TextUtil.h"
#include "settings/clsEnvironment.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace portico {
namespace {

namespace fs = std::filesystem;

void expectError(const std::function<void()>& action, long number, const std::string& source,
                 const std::string& description) {
    try {
        action();
        ADD_FAILURE() << "no error, expected " << number;
    } catch (const PorticoError& error) {
        EXPECT_EQ(error.number(), number);
        EXPECT_EQ(error.source(), source);
        EXPECT_EQ(error.description(), description);
    }
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = temp.str();
        fs::create_directories(temp / "data");
        database = temp.write("data/Portico.mdb", "catalogue").string();
    }

    // A settings file whose keys all name things that exist, with `extra`
    // lines appended to [General] (later duplicates never win, so callers
    // replace keys through `general`).
    fs::path writeSettings(const std::string& general) {
        return temp.write("Portico.ini", "[Database]\nDatabasePath=" + database + "\n[General]\n" + general);
    }

    std::string validGeneral(const std::string& clicks = "2", const std::string& login = "0") {
        return "RequireLogin=" + login + "\nShowToolbar=0\nNumberOfClicks=" + clicks + "\nDefaultIcon=" + folder +
               "/Default.ico\nDefaultDialogIconPath=" + folder + "\nDefaultDialogDBPath=" + folder + "/data\n";
    }

    test::TempFolder temp;
    test::ScopedProgramFolder programFolder{temp.path()};
    test::RecordingMessageSink messages;
    std::string folder;
    std::string database;
    clsEnvironment environment;
};

TEST_F(EnvironmentTest, StartsEmpty) {
    EXPECT_EQ(environment.DatabasePath(), "");
    EXPECT_FALSE(environment.RequireLogin());
    EXPECT_FALSE(environment.ShowToolbar());
    EXPECT_EQ(environment.NumberofClicks(), 0);
    EXPECT_EQ(environment.DefaultIcon(), "");
    EXPECT_EQ(environment.DefaultDialogIconPath(), "");
    EXPECT_EQ(environment.DefaultDialogDatabasePath(), "");
}

TEST_F(EnvironmentTest, PropertiesRejectInvalidValuesWithTheirOwnErrorsAndKeepTheOldValue) {
    environment.setDatabasePath(database);
    environment.setNumberofClicks(3);
    environment.setDefaultDialogIconPath(folder);
    environment.setDefaultDialogDatabasePath(folder);

    const std::string dbSource = "Portico.clsEnvironment";
    const std::string dbText = "Invalid Path sent to property";
    expectError([&] { environment.setDatabasePath(folder + "/missing.mdb"); }, 5000, dbSource, dbText);
    expectError([&] { environment.setDatabasePath(folder + "/data"); }, 5000, dbSource, dbText);
    expectError([&] { environment.setDatabasePath("   "); }, 5000, dbSource, dbText);
    // A server's connection string names no file; one with a password is never kept.
    for (const char* withPassword : {"host=db dbname=portico password=secret", "postgresql://alice:secret@db/portico",
                                     "postgresql://db/portico?sslmode=require&password=secret"})
        expectError([&] { environment.setDatabasePath(withPassword); }, 5000, dbSource, dbText);
    EXPECT_EQ(environment.DatabasePath(), database);
    for (const char* server : {"service=portico", "postgresql://alice@db.example.org/portico", " host=db dbname=portico "}) {
        environment.setDatabasePath(server);
        EXPECT_EQ(environment.DatabasePath(), trimBlanks(server));
    }
    environment.setDatabasePath(database);

    const std::string clicksText = "Invalid Number Of Clicks Sent to property. Has to be greater than 0";
    expectError([&] { environment.setNumberofClicks(0); }, 501112, "Portico.clsEnviroment", clicksText);
    expectError([&] { environment.setNumberofClicks(-1); }, 501112, "Portico.clsEnviroment", clicksText);

    const std::string iconText = "Invalid Path Sent to Default Dialog Icon Path Property";
    const std::string dialogDbText = "Invalid Path Sent to Default Dialog Database Path Property";
    expectError([&] { environment.setDefaultDialogIconPath(database); }, 5111, "Portico.clsEnvrionment", iconText);
    expectError([&] { environment.setDefaultDialogIconPath(""); }, 5111, "Portico.clsEnvrionment", iconText);
    expectError([&] { environment.setDefaultDialogDatabasePath(folder + "/nowhere"); }, 5111,
                "Portico.clsEnvrionment", dialogDbText);
    expectError([&] { environment.setDefaultDialogDatabasePath(database); }, 5111, "Portico.clsEnvrionment",
                dialogDbText);

    EXPECT_EQ(environment.DatabasePath(), database);
    EXPECT_EQ(environment.NumberofClicks(), 3);
    EXPECT_EQ(environment.DefaultDialogIconPath(), folder);
    EXPECT_EQ(environment.DefaultDialogDatabasePath(), folder);
}

TEST_F(EnvironmentTest, PathPropertiesAreStoredTrimmedAndDefaultIconAsGiven) {
    environment.setDatabasePath("  " + database + "\t");
    environment.setDefaultDialogIconPath(" " + folder + " ");
    environment.setDefaultDialogDatabasePath("\t" + folder + "/data ");
    environment.setDefaultIcon("  anything at all.ico ");
    environment.setRequireLogin(true);
    environment.setShowToolbar(true);
    EXPECT_EQ(environment.DatabasePath(), database);
    EXPECT_EQ(environment.DefaultDialogIconPath(), folder);
    EXPECT_EQ(environment.DefaultDialogDatabasePath(), folder + "/data");
    EXPECT_EQ(environment.DefaultIcon(), "  anything at all.ico ");
    EXPECT_TRUE(environment.RequireLogin());
    EXPECT_TRUE(environment.ShowToolbar());
}

TEST_F(EnvironmentTest, MissingFileIsCreatedWithExactlyTheSevenKeysThenLoaded) {
    EXPECT_TRUE(environment.loadSettings(folder + "/Portico.ini"));

    const auto content = test::TempFolder::read(temp / "Portico.ini");
    const std::vector<std::string> expected = {
        "[Database]",
        "DatabasePath=" + folder + "/data/Portico.mdb",
        "[General]",
        "RequireLogin=0",
        "ShowToolbar=0",
        "NumberOfClicks=2",
        "DefaultIcon=" + folder + "/Default.ico",
        "DefaultDialogIconPath=" + folder + "/",
        "DefaultDialogDBPath=" + folder + "/data",
    };
    EXPECT_EQ(linesOf(content), expected);
    EXPECT_EQ(content.find('\r'), std::string::npos);

    EXPECT_EQ(environment.DatabasePath(), database);
    EXPECT_FALSE(environment.RequireLogin());
    EXPECT_FALSE(environment.ShowToolbar());
    EXPECT_EQ(environment.NumberofClicks(), 2);
    EXPECT_EQ(environment.DefaultIcon(), folder + "/Default.ico");
    EXPECT_EQ(environment.DefaultDialogIconPath(), folder + "/");
    EXPECT_EQ(environment.DefaultDialogDatabasePath(), folder + "/data");
}

TEST_F(EnvironmentTest, MissingFileElsewhereCreatesTheProgramFoldersFile) {
    EXPECT_TRUE(environment.loadSettings(folder + "/elsewhere/Other.ini"));
    EXPECT_TRUE(fs::is_regular_file(temp / "Portico.ini"));
    EXPECT_FALSE(fs::exists(temp / "elsewhere"));
    EXPECT_EQ(environment.DatabasePath(), database);
}

TEST_F(EnvironmentTest, CreatedFileWithoutDatabaseFailsWith5000AfterCreatingTheFile) {
    fs::remove_all(temp / "data");
    expectError([&] { environment.loadSettings(folder + "/Portico.ini"); }, 5000, "Portico.clsEnvironment",
                "Invalid Path sent to property");
    EXPECT_EQ(linesOf(test::TempFolder::read(temp / "Portico.ini")).size(), 9u);
}

TEST_F(EnvironmentTest, SettingsFileThatCannotBeCreatedEndsWithAnError) {
    // A program folder that does not exist stands for one nobody may write to:
    // as root, permissions alone would not stop the write.
    // The new file then goes to the user's configuration folder; here that
    // cannot be made either (its parent is a file).
    test::ScopedProgramFolder gone(temp / "gone");
    temp.write("notafolder", "");
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldConfig ? oldConfig : "";
    ::setenv("XDG_CONFIG_HOME", (folder + "/notafolder/config").c_str(), 1);
    expectError([&] { environment.loadSettings(folder + "/gone/Portico.ini"); }, 75, "Portico.clsEnvironment",
                "Couldn't create the settings file " + folder + "/notafolder/config/portico/Portico.ini");
    if (oldConfig)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(EnvironmentTest, ReadOnlyProgramFolderEndsWithAnError) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes to read-only folders";
    // Never the real user's configuration folder.
    temp.write("notafolder", "");
    ::setenv("XDG_CONFIG_HOME", (folder + "/notafolder/config").c_str(), 1);
    fs::permissions(temp.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(environment.loadSettings(folder + "/Portico.ini"), PorticoError);
    ::unsetenv("XDG_CONFIG_HOME");
    fs::permissions(temp.path(), fs::perms::owner_all);
}

TEST_F(EnvironmentTest, SettingsPathThatIsAFolderEndsWithAnError) {
    fs::create_directory(temp / "Portico.ini");
    EXPECT_THROW(environment.loadSettings(folder + "/Portico.ini"), PorticoError);
}

TEST_F(EnvironmentTest, LoadsFlagsAndNumbersFromAnExistingFile) {
    writeSettings("RequireLogin=5\nShowToolbar=-1\nNumberOfClicks=1\nDefaultIcon=  icon.ico \nDefaultDialogIconPath=" +
                  folder + "\nDefaultDialogDBPath=" + folder + "/data\n");
    EXPECT_TRUE(environment.loadSettings("  " + folder + "/Portico.ini  "));
    EXPECT_TRUE(environment.RequireLogin());
    EXPECT_TRUE(environment.ShowToolbar());
    EXPECT_EQ(environment.NumberofClicks(), 1);
    EXPECT_EQ(environment.DefaultIcon(), "icon.ico");
    EXPECT_EQ(environment.DefaultDialogIconPath(), folder);
    EXPECT_EQ(environment.DefaultDialogDatabasePath(), folder + "/data");
}

TEST_F(EnvironmentTest, ReadsFilesWrittenByWindowsTools) {
    temp.write("Portico.ini", "; settings\r\n[database]\r\n  databasepath = \"  " + database +
                                  "  \"\r\n\r\n[GENERAL]\r\nrequirelogin = 0\r\nNumberOfClicks = 4\r\n"
                                  "DefaultDialogIconPath = " + folder + "\r\nDefaultDialogDBPath = " + folder);
    EXPECT_TRUE(environment.loadSettings(folder + "/Portico.ini"));
    EXPECT_EQ(environment.DatabasePath(), database);
    EXPECT_FALSE(environment.RequireLogin());
    EXPECT_EQ(environment.NumberofClicks(), 4);
    EXPECT_EQ(environment.DefaultDialogDatabasePath(), folder);
}

TEST_F(EnvironmentTest, AbsentDatabaseKeyLoadsTheDefaultPath) {
    temp.write("Portico.ini", "[General]\n" + validGeneral());
    EXPECT_TRUE(environment.loadSettings(folder + "/Portico.ini"));
    EXPECT_EQ(environment.DatabasePath(), folder + "/data/Portico.mdb");
}

TEST_F(EnvironmentTest, FailingStepKeepsEarlierValuesAndLeavesLaterOnes) {
    writeSettings(validGeneral("3", "0"));
    ASSERT_TRUE(environment.loadSettings(folder + "/Portico.ini"));

    const std::string clicksText = "Invalid Number Of Clicks Sent to property. Has to be greater than 0";
    for (const std::string clicks : {"0", "-4", "many"}) {
        SCOPED_TRACE(clicks);
        writeSettings("RequireLogin=1\nNumberOfClicks=" + clicks + "\nDefaultIcon=changed.ico\n");
        expectError([&] { environment.loadSettings(folder + "/Portico.ini"); }, 501112, "Portico.clsEnviroment",
                    clicksText);
        EXPECT_TRUE(environment.RequireLogin()) << "read before the failing step";
        EXPECT_EQ(environment.NumberofClicks(), 3);
        EXPECT_EQ(environment.DefaultIcon(), folder + "/Default.ico") << "read after the failing step";
    }
}

TEST_F(EnvironmentTest, NumberOfClicksBeyondSixteenBitsIsAnOverflow) {
    writeSettings(validGeneral("70000"));
    expectError([&] { environment.loadSettings(folder + "/Portico.ini"); }, 6, "Portico", "Overflow");
}

TEST_F(EnvironmentTest, AbsentOrMissingDialogFoldersFailWith5111) {
    const std::string source = "Portico.clsEnvrionment";
    writeSettings("NumberOfClicks=2\n");
    expectError([&] { environment.loadSettings(folder + "/Portico.ini"); }, 5111, source,
                "Invalid Path Sent to Default Dialog Icon Path Property");
    writeSettings("DefaultDialogIconPath=" + folder + "\nDefaultDialogDBPath=" + folder + "/nowhere\n");
    expectError([&] { environment.loadSettings(folder + "/Portico.ini"); }, 5111, source,
                "Invalid Path Sent to Default Dialog Database Path Property");
}

TEST_F(EnvironmentTest, SaveSettingsWritesFourKeysAndLeavesTheOthersUntouched) {
    const std::string general = "DefaultIcon = odd spacing.ico\nDefaultDialogIconPath=\"" + folder +
                                "\"\nDefaultDialogDBPath=" + folder + "/data ; note\n";
    const auto file = writeSettings("RequireLogin=0\nShowToolbar=1\nNumberOfClicks=2\n" + general);
    EXPECT_TRUE(environment.saveSettings(file.string(), "/not/checked.mdb", true, false, 3));

    const auto content = test::TempFolder::read(file);
    EXPECT_NE(content.find("DatabasePath=/not/checked.mdb\n"), std::string::npos);
    EXPECT_NE(content.find("RequireLogin=1\n"), std::string::npos);
    EXPECT_NE(content.find("ShowToolbar=0\n"), std::string::npos);
    EXPECT_NE(content.find("NumberOfClicks=3\n"), std::string::npos);
    EXPECT_NE(content.find(general), std::string::npos) << content;
    EXPECT_EQ(linesOf(content).size(), 9u);
    EXPECT_EQ(environment.DatabasePath(), "") << "saving changes the file, not the fields";
}

TEST_F(EnvironmentTest, SaveSettingsWithoutAFileFailsAndWritesNothing) {
    const std::string missing = folder + "/Portico.ini";
    expectError([&] { environment.saveSettings(missing, database, false, false, 2); }, 500123,
                "Portcio.clsEnvironment", "Couldn't save settings, invalid path pass the function");
    fs::create_directory(temp / "Portico.ini");
    expectError([&] { environment.saveSettings(missing, database, false, false, 2); }, 500123,
                "Portcio.clsEnvironment", "Couldn't save settings, invalid path pass the function");
    EXPECT_TRUE(fs::is_directory(temp / "Portico.ini"));
}

TEST_F(EnvironmentTest, SaveSettingsWritesTheFileItCheckedAndReportsAFailedWrite) {
    const auto file = writeSettings(validGeneral());
    EXPECT_TRUE(environment.saveSettings("  " + file.string() + " ", "/srv/other.mdb", false, false, 2));
    EXPECT_NE(test::TempFolder::read(file).find("DatabasePath=/srv/other.mdb\n"), std::string::npos);

    const auto before = test::TempFolder::read(file);
    expectError([&] { environment.saveSettings(file.string(), "/x.mdb\n[General]\nRequireLogin=1", true, true, 5); },
                75, "Portico.clsEnvironment", "Couldn't save settings to " + file.string());
    EXPECT_EQ(test::TempFolder::read(file), before) << "a value with a line break is not written";
}

TEST_F(EnvironmentTest, NoMessageIsShownOnTheWay) {
    EXPECT_TRUE(environment.loadSettings(folder + "/Portico.ini"));
    EXPECT_TRUE(environment.saveSettings(folder + "/Portico.ini", database, false, false, 2));
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace portico
