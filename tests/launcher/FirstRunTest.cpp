#include "gui/CatalogueWaitNote.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "launcher/frmView.h"
#include "launcher/ucLeftFrame.h"
#include "settings/clsEnvironment.h"
#include "tests/launcher/LauncherFixture.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QTimer>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace portico::test {
namespace {

// Start-up as a new site meets it: settings that hold only what the launcher
// needs, a catalogue straight from the create tool.
class FirstRunTest : public LauncherTest {
protected:
    void writeSettings(const std::string& databasePath) {
        folder.write("Portico.ini", "[Database]\nDatabasePath=" + databasePath + "\n");
    }

    // Runs start() in a death test and prints each box as "title|text"; a
    // second box ends the child with status 99. The child makes its own
    // temporary folder, so expectations match any path.
    void startPrintingBoxes() {
        ScriptedDialogService console(false);
        int boxes = 0;
        console.onCall = [&](const DialogCall& call) {
            if (++boxes > 1) {
                std::fprintf(stderr, "second box: %s\n", call.text.c_str());
                std::_Exit(99);
            }
            std::fprintf(stderr, "%s|%s\n", call.title.c_str(), call.text.c_str());
        };
        guarded([&] { program->start(); });
    }
};

TEST_F(FirstRunTest, ANewCatalogueWithSettingsOfOnlyTheDatabaseShowsTheWindowAndNothingElse) {
    writeSettings(catalogue().string());
    program->start();
    ASSERT_NE(program->mainWindow(), nullptr);
    EXPECT_TRUE(program->mainWindow()->isVisible());
    EXPECT_EQ(program->CurrentTheme(), "");
    EXPECT_TRUE(program->mainWindow()->ucLeftFrame1->Image1->pixmap().isNull());
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(program->environment().DefaultDialogIconPath(), "");
}

TEST_F(FirstRunTest, AThemePictureThatIsNoPictureLeavesThePanelEmpty) {
    const auto webp = folder.write("logo.webp", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16));
    ASSERT_TRUE(db().CreateTheme("Webp", webp.string(), webp.string()));
    ASSERT_TRUE(db().setDefaultTheme("Webp"));
    addProgram("xclock", solidPicture(Qt::red));
    writeSettings(catalogue().string());

    program->start();

    ASSERT_NE(program->mainWindow(), nullptr);
    EXPECT_TRUE(program->mainWindow()->isVisible());
    EXPECT_EQ(program->CurrentTheme(), "Webp");
    EXPECT_TRUE(program->mainWindow()->ucLeftFrame1->Image1->pixmap().isNull());
    EXPECT_EQ(texts(program->mainWindow()->ucProgramView1->lstView), std::vector<std::string>{"xclock"});
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FirstRunTest, ProgramsStoredWithoutAPictureShowTheDefaultIconWithoutMessages) {
    addProgram("Editor", solidPicture(Qt::red));
    for (const char* name : {"Script A", "Script B"}) {
        addProgram(name, solidPicture(Qt::blue));
        sql("Update Program Set Program_Icon = NULL where Program_Name = ?", {std::string(name)});
    }
    folder.write("Portico.ini", "[Database]\nDatabasePath=" + catalogue().string() +
                                    "\n[General]\nDefaultIcon=" + (folder / "Default.ico").string() + "\n");
    program->start();

    ucProgramView& view = *program->mainWindow()->ucProgramView1;
    for (const char* name : {"Editor", "Script A", "Script B"}) {
        SCOPED_TRACE(name);
        QListWidgetItem* item = itemNamed(view.lstView, name);
        ASSERT_NE(item, nullptr);
        EXPECT_FALSE(item->icon().isNull());
    }
    const QImage shown = itemNamed(view.lstView, "Script A")->icon().pixmap(32, 32).toImage();
    const QImage expected = tryLoadPicture((folder / "Default.ico").string()).scaled(shown.size());
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2),
              expected.pixelColor(expected.width() / 2, expected.height() / 2));

    frmProperties& properties = program->mainWindow()->propertiesWindow();
    properties.setProgram("Script B");
    EXPECT_FALSE(properties.Image1->pixmap().isNull());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FirstRunTest, AFailureOfTheOpenerAfterItsQuickAnswerIsToldLaterInOneBox) {
    frmView& view = program->showMainWindow();
    std::thread collector([] { reportLateOpenFailure("/srv/docs/notes.odt", "xdg-open ended with exit status 4"); });
    collector.join();
    // Handed over, not shown on the collector's thread: the window goes on meanwhile.
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages().empty(); }, 5000));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0],
              (ShownMessage{"Unable to open /srv/docs/notes.odt. The application that opens it failed "
                            "(xdg-open ended with exit status 4).",
                            "Error", MessageIcon::Exclamation}));
}

TEST_F(FirstRunTest, ALockedCatalogueShowsTheWaitingNoteBeforeTheWindow) {
    writeSettings(catalogue().string());
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(catalogue().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    CatalogueWaitNote note(std::chrono::milliseconds(100));
    bool noteShown = false;
    bool windowShown = true;
    MousePointer pointer = MousePointer::Default;
    QTimer::singleShot(700, [&] {
        noteShown = note.note() && note.note()->isVisible() &&
                    note.note()->text() == QString::fromUtf8("Waiting for the catalogue\u2026");
        windowShown = program->mainWindow() != nullptr;
        pointer = dialogs.pointer();
        sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    });

    program->start();

    EXPECT_TRUE(noteShown);
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(pointer, MousePointer::Hourglass);
    ASSERT_NE(program->mainWindow(), nullptr);
    EXPECT_TRUE(program->mainWindow()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !note.note()->isVisible(); }, 5000));
    EXPECT_EQ(dialogs.pointer(), MousePointer::Default);
    EXPECT_TRUE(dialogs.messages().empty());
    sqlite3_close(holder);
}

using FirstRunDeathTest = FirstRunTest;

TEST_F(FirstRunDeathTest, AFileThatIsNotACatalogueEndsTheProgramWithOneBoxNamingIt) {
    const auto garbage = folder.write("data/Garbage.mdb", std::string(4096, 'x'));
    writeSettings(garbage.string());
    EXPECT_EXIT(startPrintingBoxes(), ::testing::ExitedWithCode(kFatalExitStatus),
                "Portico\\|Run-time error '26':\n\n/[^ ]*/data/Garbage\\.mdb"
                    " is not a Portico catalogue: it is not an SQLite database \\(file is not a database\\)\\.");

    const auto empty = folder / "data" / "Empty.mdb";
    {
        sqlite3* raw = nullptr;
        sqlite3_open(empty.c_str(), &raw);
        sqlite3_exec(raw, "CREATE TABLE Program (Program_Name TEXT)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    writeSettings(empty.string());
    EXPECT_EXIT(startPrintingBoxes(), ::testing::ExitedWithCode(kFatalExitStatus),
                "Portico\\|Run-time error '26':\n\n/[^ ]*/data/Empty\\.mdb"
                    " is not a Portico catalogue: it is an SQLite database without the table Permission\\.");
}

TEST_F(FirstRunDeathTest, NoCatalogueFileEndsTheProgramWithOneBoxNamingTheFileAndTheSetting) {
    std::filesystem::remove(catalogue());
    std::filesystem::remove(folder / "Portico.ini");
    EXPECT_EXIT(startPrintingBoxes(), ::testing::ExitedWithCode(kFatalExitStatus),
                "Portico\\|Run-time error '5000':\n\nInvalid Path sent to property\n\nThere is no catalogue file at "
                "/[^ ]*/data/Portico\\.mdb \\(DatabasePath in /[^ ]*/Portico\\.ini\\)\\.");
}

}  // namespace
}  // namespace portico::test

namespace portico::test {
namespace {

// Rows written through the record set path leave what it did not set null.
TEST_F(FirstRunTest, NullDescriptionIsEmptyAndARowWithoutANameIsLeftOutWithOneMessage) {
    addProgram("Editor", solidPicture(Qt::red));
    addProgram("Nameless", solidPicture(Qt::red));
    sql("Update Program Set Program_Desc = NULL where Program_Name = ?", {std::string("Editor")});
    sql("Update Program Set Program_Name = NULL where Program_Name = ?", {std::string("Nameless")});
    writeSettings(catalogue().string());
    program->start();
    ASSERT_NE(program->mainWindow(), nullptr);
    EXPECT_EQ(texts(program->mainWindow()->ucProgramView1->lstView), std::vector<std::string>{"Editor"});
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "A program of the catalogue cannot be read (key 2); it is left out of the list.");
    EXPECT_EQ(dialogs.messages()[0].title, "Portico");
    EXPECT_EQ(db().getProgramDescription("Editor"), "");
    EXPECT_EQ(dialogs.messages().size(), 1u);
}

}  // namespace
}  // namespace portico::test
