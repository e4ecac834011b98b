#include "gui/ActionLabel.h"
#include "launcher/frmFolderMenu.h"
#include "launcher/frmView.h"
#include "launcher/ucLeftFrame.h"
#include "tests/launcher/LauncherFixture.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include "gui/FatalError.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QTimer>

namespace portico::test {
namespace {

using Texts = std::vector<std::string>;

class MainWindowTest : public LauncherTest {
protected:
    frmView& showMain() {
        frmView& view = program->showMainWindow();
        EXPECT_TRUE(view.loaded());
        return view;
    }
    QListWidget* list() { return program->mainWindow()->ucProgramView1->lstView; }
    void select(const QString& text) {
        QListWidgetItem* item = itemNamed(list(), text);
        ASSERT_NE(item, nullptr) << text.toStdString();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    }
    static void click(ActionLabel* label) { QTest::mouseClick(label, Qt::LeftButton); }
};

TEST_F(MainWindowTest, StartUpShowsTheThemedWindowWithTheCatalogue) {
    folder.write("pictures/splash.bmp", solidPicture(Qt::magenta));
    ASSERT_TRUE(db().CreateTheme("Blue", (folder / "pictures/splash.bmp").string(), ""));
    ASSERT_TRUE(db().setDefaultTheme("Blue"));
    addProgram("xclock", solidPicture(Qt::red));
    folder.write("Portico.ini", "[Database]\nDatabasePath=" + catalogue().string() +
                                    "\n[General]\nNumberOfClicks=2\nDefaultIcon=" + (folder / "Default.ico").string() +
                                    "\nDefaultDialogIconPath=" + folder.str() + "\nDefaultDialogDBPath=" +
                                    folder.str() + "\n");
    program->start();
    frmView* view = program->mainWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(view->isModal());
    EXPECT_EQ(program->CurrentTheme(), "Blue");
    EXPECT_EQ(db().DefaultIconPath(), (folder / "Default.ico").string());
    EXPECT_EQ(texts(list()), Texts{"xclock"});
    ASSERT_FALSE(view->ucLeftFrame1->Image1->pixmap().isNull());
    const QImage shown = view->ucLeftFrame1->Image1->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::magenta));
    EXPECT_EQ(view->statusPanel->text(), "STATUS");
    EXPECT_FALSE(view->datePanel->text().isEmpty());
    EXPECT_FALSE(view->timePanel->text().isEmpty());
    EXPECT_TRUE(dialogs.messages().empty());
}

// The panel's picture is decoded from the theme's row: nothing goes through a
// picture file, so a picture folder that cannot be written changes nothing.
TEST_F(MainWindowTest, ThemePictureComesFromTheCatalogueWithoutAPictureFile) {
    folder.write("pictures/splash.bmp", solidPicture(Qt::magenta));
    ASSERT_TRUE(db().CreateTheme("Blue", (folder / "pictures/splash.bmp").string(), ""));
    program->selectTheme("Blue", true);
    std::filesystem::remove_all(folder / "pictures");
    folder.write("pictures", "a file where the picture folder was");
    frmView& view = program->showMainWindow();
    ASSERT_FALSE(view.ucLeftFrame1->Image1->pixmap().isNull());
    const QImage shown = view.ucLeftFrame1->Image1->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::magenta));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(MainWindowTest, ThemeWithoutSplashLeavesThePictureEmpty) {
    ASSERT_TRUE(db().CreateTheme("Plain"));
    program->selectTheme("Plain", true);
    frmView& view = showMain();
    EXPECT_TRUE(view.ucLeftFrame1->Image1->pixmap().isNull());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(MainWindowTest, OnlyQuitUntilAnItemIsClickedThenTheDescription) {
    addProgram("xclock", solidPicture(Qt::red));
    ASSERT_TRUE(db().AddFolder("Tools", folder.str()));
    frmView& view = showMain();
    ucLeftFrame* panel = view.ucLeftFrame1;
    EXPECT_FALSE(panel->lblLaunch->isVisible());
    EXPECT_FALSE(panel->lblProperties->isVisible());
    EXPECT_FALSE(panel->Line1->isVisible());
    EXPECT_TRUE(panel->lblQuit->isVisible());
    EXPECT_EQ(panel->lblQuit->font().family(), QFont(QStringList{"Verdana", "DejaVu Sans", "sans-serif"}).family());
    // The hand is painted once the window is up.
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->lblQuit->cursor().hotSpot() == QPoint(12, 1); }, 1000));

    select("xclock");
    EXPECT_TRUE(panel->lblLaunch->isVisible());
    EXPECT_TRUE(panel->lblProperties->isVisible());
    EXPECT_EQ(panel->Description(), "About xclock");
    select("Tools");
    EXPECT_EQ(panel->Description(), "");
    EXPECT_TRUE(panel->lblLaunch->isVisible());
}

TEST_F(MainWindowTest, DoubleClickAndLaunchStartTheProgramWithItsStoredValues) {
    addProgram("Children's Games", solidPicture(Qt::red), "/usr/games/games", "/srv/games", "--full \"big screen\"");
    frmView& view = showMain();
    doubleClick(list(), itemNamed(list(), "Children's Games"));
    click(view.ucLeftFrame1->lblLaunch);
    ASSERT_EQ(shell.requests.size(), 2u);
    const ShellRequest expected{"", "/usr/games/games", "--full \"big screen\"", "/srv/games", 1};
    EXPECT_EQ(shell.requests[0], expected);
    EXPECT_EQ(shell.requests[1], expected);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.pointer(), MousePointer::Default);
    EXPECT_EQ(dialogs.pointerChanges,
              (std::vector<MousePointer>{MousePointer::Hourglass, MousePointer::Default, MousePointer::Hourglass,
                                         MousePointer::Default}));
}

TEST_F(MainWindowTest, ATerminalProgramIsStartedAsOne) {
    addProgram("Vim", solidPicture(Qt::red), "/usr/bin/vim", "", "-R \"my notes\"");
    addProgram("Clock", solidPicture(Qt::blue));
    ASSERT_TRUE(db().setRunsInTerminal("Vim", true));
    showMain();
    doubleClick(list(), itemNamed(list(), "Vim"));
    doubleClick(list(), itemNamed(list(), "Clock"));
    ShellRequest vim{"", "/usr/bin/vim", "-R \"my notes\"", "", 1};
    vim.terminal = true;
    EXPECT_EQ(shell.requests, (std::vector<ShellRequest>{vim, {"", "/usr/bin/xclock", "", "", 1}}));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(MainWindowTest, AFailedStartShowsThreeMessagesAndLeavesTheArrow) {
    addProgram("xclock", solidPicture(Qt::red), "/usr/bin/xclock");
    showMain();
    shell.results.push_back(ShellResult::failure(2, "File not found: /usr/bin/xclock"));
    doubleClick(list(), itemNamed(list(), "xclock"));
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{
                  {"Unable to execute program : xclock. Error Follows", "Error", MessageIcon::Exclamation},
                  {"File not found: /usr/bin/xclock", "Portico", MessageIcon::Critical},
                  {"Unable to execute xclock. If problem continues please contact administrator", "Error",
                   MessageIcon::Information}}));
    EXPECT_EQ(dialogs.pointer(), MousePointer::Default);
}

TEST_F(MainWindowTest, LaunchProgramOnAFolderOpensTheBrowserModalDoubleClickDoesNot) {
    ASSERT_TRUE(db().AddFolder("Tools", folder.str()));
    frmView& view = showMain();
    select("Tools");
    bool wasModal = false;
    QString caption;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        wasModal = modal == &view.folderBrowser();
        caption = view.folderBrowser().windowTitle();
        view.folderBrowser().close();
    });
    click(view.ucLeftFrame1->lblLaunch);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(caption.toStdString(), "Viewing Folder : Tools (" + folder.str() + ")");
    EXPECT_TRUE(shell.requests.empty());

    doubleClick(list(), itemNamed(list(), "Tools"));
    frmFolderMenu& browser = view.folderBrowser();
    EXPECT_TRUE(browser.isVisible());
    EXPECT_FALSE(browser.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Asked again while open beside the main window: the same browser, at the front.
    click(view.ucLeftFrame1->lblLaunch);
    EXPECT_TRUE(browser.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    browser.close();
}

TEST_F(MainWindowTest, PropertiesFromThePanelAndTheContextMenu) {
    addProgram("xclock", solidPicture(Qt::red));
    frmView& view = showMain();
    click(view.ucLeftFrame1->lblProperties);  // hidden and nothing selected: nothing happens
    select("xclock");
    std::vector<std::string> captions;
    const auto closeWhenShown = [&] {
        QTimer::singleShot(0, [&] {
            auto* shown = QApplication::activeModalWidget();
            ASSERT_EQ(shown, &view.propertiesWindow());
            captions.push_back(shown->windowTitle().toStdString());
            view.propertiesWindow().cmdOK->click();
        });
    };
    closeWhenShown();
    click(view.ucLeftFrame1->lblProperties);
    closeWhenShown();
    view.ucProgramView1->mnuPopupmenuProperties->trigger();
    EXPECT_EQ(captions, (Texts{"Showing Properties For : xclock", "Showing Properties For : xclock"}));
}

TEST_F(MainWindowTest, QuitClosesTheWindow) {
    frmView& view = showMain();
    click(view.ucLeftFrame1->lblQuit);
    EXPECT_FALSE(view.isVisible());
}

class FolderBrowserTest : public LauncherTest {
protected:
    FolderBrowserTest()
        : browser([this](const std::string& name, const std::string& file) { return program->openFile(name, file); }) {}
    frmFolderMenu browser;
};

TEST_F(FolderBrowserTest, ListsSubfoldersInBoldFirstThenFiles) {
    const auto root = folder / "Tools";
    folder.write("Tools/readme.txt", "x");
    folder.write("Tools/Manuals/guide.txt", "x");
    folder.write("Tools/notes.txt", "x");
    std::filesystem::create_directories(root / "Empty");
    browser.show();
    browser.LoadFolder("Tools", root.string());
    EXPECT_EQ(browser.windowTitle().toStdString(), "Viewing Folder : Tools (" + root.string() + ")");
    EXPECT_EQ(browser.Frame1->title(), "Menu");
    QListWidget* list = browser.ListView1;
    ASSERT_EQ(list->count(), 4);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(list->item(i)->font().bold());
        EXPECT_EQ(list->item(i)->toolTip(), list->item(i)->text());
    }
    for (int i = 2; i < 4; ++i) EXPECT_FALSE(list->item(i)->font().bold());
    std::vector<std::string> files{texts(list)[2], texts(list)[3]};
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Texts{"notes.txt", "readme.txt"}));

    // A subfolder opens in a further window on parent path + "/" + name.
    doubleClick(list, itemNamed(list, "Manuals"));
    frmFolderMenu* sub = browser.lastSubfolderWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_TRUE(browser.isVisible());
    EXPECT_EQ(sub->windowTitle().toStdString(),
              "Viewing Folder : Manuals (" + root.string() + "/Manuals)");
    EXPECT_EQ(texts(sub->ListView1), Texts{"guide.txt"});

    // A file opens with the "Open" verb and nothing else.
    doubleClick(sub->ListView1, sub->ListView1->item(0));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0], (ShellRequest{"Open", (root / "Manuals/guide.txt").string(), "", "", 1}));
    sub->close();
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FolderBrowserTest, ReusedWindowShowsOnlyTheLastFolder) {
    folder.write("A/a.txt", "x");
    folder.write("B/b.txt", "x");
    browser.LoadFolder("A", (folder / "A").string());
    browser.LoadFolder("B", (folder / "B").string());
    EXPECT_EQ(texts(browser.ListView1), Texts{"b.txt"});
}

TEST_F(FolderBrowserTest, MissingFolderSaysSoEmptyFolderSaysNothing) {
    std::filesystem::create_directories(folder / "empty");
    browser.LoadFolder("Empty", (folder / "empty").string());
    EXPECT_EQ(browser.ListView1->count(), 0);
    EXPECT_TRUE(dialogs.messages().empty());
    browser.LoadFolder("Gone", (folder / "gone").string());
    EXPECT_EQ(browser.windowTitle().toStdString(), "Viewing Folder : Gone (" + (folder / "gone").string() + ")");
    // The message names the folder that is missing.
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Invalid Folder!!!\n" + (folder / "gone").string(), "Error", MessageIcon::Critical}}));
}

TEST_F(FolderBrowserTest, NaturalOrderFoldersFirstAndEachFileWithItsTypesIcon) {
    const auto root = folder / "Docs";
    for (const char* name : {"File 10.txt", "File 2.txt", "Zeta.pdf", "Ça va.txt", "cobalt.png", "B.txt"})
        folder.write(std::string("Docs/") + name, "x");
    folder.write("Docs/Part 10/a.txt", "x");
    folder.write("Docs/Part 9/a.txt", "x");
    folder.write("Docs/archive/a.txt", "x");
    browser.LoadFolder("Docs", root.string());
    EXPECT_EQ(texts(browser.ListView1), (Texts{"archive", "Part 9", "Part 10", "B.txt", "Ça va.txt", "cobalt.png",
                                               "File 2.txt", "File 10.txt", "Zeta.pdf"}));
    const auto typeOf = [&](const char* name) {
        return itemNamed(browser.ListView1, name)->data(Qt::UserRole + 1).toString().toStdString();
    };
    EXPECT_EQ(typeOf("B.txt"), "text/plain");
    EXPECT_EQ(typeOf("cobalt.png"), "image/png");
    EXPECT_EQ(typeOf("Zeta.pdf"), "application/pdf");
    EXPECT_FALSE(itemNamed(browser.ListView1, "Zeta.pdf")->icon().isNull());
}

TEST_F(FolderBrowserTest, ReturnOpensBackspaceAndAltUpClimbToTheGivenFolderOnly) {
    const auto root = folder / "Tools";
    folder.write("Tools/Manuals/Deep/guide.txt", "x");
    folder.write("Tools/readme.txt", "x");
    browser.show();
    browser.LoadFolder("Tools", root.string());
    QListWidget* list = browser.ListView1;
    list->setFocus();
    // Return on a file opens it; on a subfolder, a further window.
    list->setCurrentItem(itemNamed(list, "readme.txt"));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, (root / "readme.txt").string());
    list->setCurrentItem(itemNamed(list, "Manuals"));
    QTest::keyClick(list, Qt::Key_Enter);
    frmFolderMenu* sub = browser.lastSubfolderWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(texts(sub->ListView1), Texts{"Deep"});

    // Down into Deep in the same window, then back up with Backspace and Alt+Up.
    sub->ListView1->setCurrentItem(sub->ListView1->item(0));
    QTest::keyClick(sub->ListView1, Qt::Key_Return);
    frmFolderMenu* deep = sub->lastSubfolderWindow();
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(texts(deep->ListView1), Texts{"guide.txt"});
    QTest::keyClick(deep->ListView1, Qt::Key_Backspace);
    EXPECT_EQ(deep->windowTitle().toStdString(), "Viewing Folder : Manuals (" + (root / "Manuals").string() + ")");
    EXPECT_EQ(texts(deep->ListView1), Texts{"Deep"});
    EXPECT_EQ(deep->ListView1->currentItem()->text(), "Deep");  // where we came from
    QTest::keyClick(deep->ListView1, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(deep->windowTitle().toStdString(), "Viewing Folder : Tools (" + root.string() + ")");
    EXPECT_EQ(texts(deep->ListView1), (Texts{"Manuals", "readme.txt"}));
    // Not above the catalogued folder.
    QTest::keyClick(deep->ListView1, Qt::Key_Backspace);
    EXPECT_EQ(deep->windowTitle().toStdString(), "Viewing Folder : Tools (" + root.string() + ")");
    EXPECT_TRUE(dialogs.messages().empty());
    deep->close();
    sub->close();
}

TEST_F(FolderBrowserTest, AFileThatCannotBeOpenedIsReportedByOpenFile) {
    folder.write("Docs/report.odt", "x");
    browser.show();
    browser.LoadFolder("Docs", (folder / "Docs").string());
    shell.results.push_back(ShellResult::failure(31, "No application is associated with report.odt"));
    doubleClick(browser.ListView1, browser.ListView1->item(0));
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{
                  {"Unable to execute program : report.odt. Error Follows", "Error", MessageIcon::Exclamation},
                  {"No application is associated with report.odt", "Portico", MessageIcon::Critical}}));
}

class StartUpTest : public LauncherTest {};

TEST_F(StartUpTest, LaunchingByNameTrimsThePathLookupAndKeepsTheArrow) {
    addProgram("xclock", solidPicture(Qt::red), "/usr/bin/xclock", "/tmp", "-digital");
    EXPECT_TRUE(program->launchProgram("  xclock  "));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0], (ShellRequest{"", "/usr/bin/xclock", "-digital", "/tmp", 1}));
    EXPECT_EQ(dialogs.pointer(), MousePointer::Default);
}

TEST_F(StartUpTest, AnUnknownProgramIsAFailureNotASuccess) {
    // Unknown and not granted look alike (a server does not say which): one message, nothing starts.
    EXPECT_FALSE(program->launchProgram("nothing"));
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "nothing is no longer in the catalogue for you, so nothing was started.");
    EXPECT_TRUE(shell.requests.empty());
    EXPECT_EQ(dialogs.pointer(), MousePointer::Default);
}

TEST_F(StartUpTest, SelectThemeTakesTheGivenThemeEvenEmptyOrTheDefault) {
    ASSERT_TRUE(db().CreateTheme("Blue"));
    ASSERT_TRUE(db().setDefaultTheme("Blue"));
    program->selectTheme("ignored", false);
    EXPECT_EQ(program->CurrentTheme(), "Blue");
    program->selectTheme("", true);
    EXPECT_EQ(program->CurrentTheme(), "");
}

TEST_F(StartUpTest, OpenFileUsesTheOpenVerbAndNoParameters) {
    EXPECT_TRUE(program->openFile("notes", "/srv/docs/notes.txt"));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0], (ShellRequest{"Open", "/srv/docs/notes.txt", "", "", 1}));
}

using StartUpDeathTest = StartUpTest;

TEST_F(StartUpDeathTest, SettingsNamingNoCatalogueEndTheProgramWithTheRuntimeError) {
    folder.write("Portico.ini", "[Database]\nDatabasePath=" + folder.str() + "/data/missing.mdb\n");
    EXPECT_EXIT(
        {
            ScriptedDialogService console(false);
            console.onCall = [](const DialogCall& call) { std::fprintf(stderr, "%s|%s\n", call.title.c_str(), call.text.c_str()); };
            guarded([&] { program->start(); });
        },
        ::testing::ExitedWithCode(kFatalExitStatus), "Portico\\|Run-time error '5000':\n\nInvalid Path sent to property");
}

TEST_F(StartUpDeathTest, AMissingFolderPictureEndsTheProgramWhileTheWindowLoads) {
    std::filesystem::remove(folder / "folder.ico");
    EXPECT_EXIT(
        {
            ScriptedDialogService console(false);
            console.onCall = [](const DialogCall& call) { std::fprintf(stderr, "%s|%s\n", call.title.c_str(), call.text.c_str()); };
            program->showMainWindow();
        },
        ::testing::ExitedWithCode(kFatalExitStatus), "Portico\\|Run-time error '53':\n\nFile not found");
}

}  // namespace
}  // namespace portico::test
