#include "gui/ActionLabel.h"
#include "launcher/WindowGeometry.h"
#include "launcher/frmFolderMenu.h"
#include "launcher/frmView.h"
#include "launcher/ucLeftFrame.h"
#include "tests/launcher/LauncherFixture.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QScreen>

#include <sys/stat.h>

namespace portico::test {
namespace {

class LauncherSafetyTest : public LauncherTest {
protected:
    frmView& showMain() { return program->showMainWindow(); }
    QListWidget* list() { return program->mainWindow()->ucProgramView1->lstView; }
    static std::vector<QWidget*> shownWindows() {
        std::vector<QWidget*> shown;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible()) shown.push_back(window);
        return shown;
    }
};

TEST_F(LauncherSafetyTest, QuitClosesEveryWindowAndASecondStartShowsTheMainWindow) {
    folder.write("Tools/Sub/a.txt", "x");
    ASSERT_TRUE(db().AddFolder("Tools", (folder / "Tools").string()));
    frmView& view = showMain();
    doubleClick(list(), itemNamed(list(), "Tools"));
    frmFolderMenu& browser = view.folderBrowser();
    doubleClick(browser.ListView1, itemNamed(browser.ListView1, "Sub"));
    frmFolderMenu* sub = browser.lastSubfolderWindow();
    ASSERT_NE(sub, nullptr);
    // Subfolder windows open beside the one they came from, not over it.
    EXPECT_NE(sub->frameGeometry().topLeft(), browser.frameGeometry().topLeft());

    // A second start while only a folder window shows brings the main window.
    view.hide();
    program->raiseMainWindow();
    EXPECT_TRUE(view.isVisible());

    QTest::mouseClick(view.ucLeftFrame1->lblQuit, Qt::LeftButton);
    EXPECT_EQ(shownWindows(), std::vector<QWidget*>{});
}

TEST_F(LauncherSafetyTest, AProgramInAFolderRunsOnlyWhenTheUserSaysRun) {
    const auto tool = folder.write("Shared/tool.sh", "#!/bin/sh\n");
    ::chmod(tool.c_str(), 0755);
    const auto plain = folder.write("Shared/notes.sh", "#!/bin/sh\n");
    frmView& view = showMain();
    frmFolderMenu& browser = view.folderBrowser();
    browser.show();
    browser.LoadFolder("Shared", (folder / "Shared").string());
    const ShownMessage question{"\"tool.sh\" is a program. Do you want to run it, or open it with the application "
                                "associated with its type?",
                                "Run or Open", MessageIcon::Question, MessageButtons::RunOpenCancel,
                                DefaultButton::Second};
    const struct {
        std::optional<MessageAnswer> answer;  // none: the box's default
        std::vector<ShellRequest> requests;
    } cases[] = {
        {std::nullopt, {{"Open", tool.string(), "", "", 1}}},
        {MessageAnswer::Run, {{"", tool.string(), "", (folder / "Shared").string(), 1}}},
        {MessageAnswer::Cancel, {}},
    };
    for (const auto& expected : cases) {
        shell.requests.clear();
        dialogs.clear();
        if (expected.answer) dialogs.answerMessage(*expected.answer);
        browser.ListView1->setCurrentItem(itemNamed(browser.ListView1, "tool.sh"));
        QTest::keyClick(browser.ListView1, Qt::Key_Return);
        EXPECT_EQ(dialogs.messages(), std::vector<ShownMessage>{question});
        EXPECT_EQ(shell.requests, expected.requests);
    }
    // Without the execute bit a file is a document: opened, nothing asked.
    shell.requests.clear();
    dialogs.clear();
    browser.ListView1->setCurrentItem(itemNamed(browser.ListView1, "notes.sh"));
    QTest::keyClick(browser.ListView1, Qt::Key_Return);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shell.requests, (std::vector<ShellRequest>{{"Open", plain.string(), "", "", 1}}));
    browser.close();
}

TEST_F(LauncherSafetyTest, ARememberedPlaceIsKeptWithinTheScreens) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        QWidget huge;
        huge.setGeometry(0, 0, 20000, 20000);
        WindowGeometry::save(huge, "frmView");
    }
    frmView& view = showMain();
    EXPECT_LE(view.width(), screen.width());
    EXPECT_LE(view.height(), screen.height());

    const QList<QRect> screens{{0, 0, 1280, 800}, {1280, 0, 1920, 1080}};
    const struct {
        QRect frame, place;
    } cases[] = {
        {{100, 100, 700, 500}, {100, 100, 700, 500}},          // fits: kept
        {{1400, 50, 800, 600}, {1400, 50, 800, 600}},          // on the second screen
        {{5000, 4000, 700, 500}, {580, 300, 700, 500}},        // on a screen since unplugged
        {{-50, 0, 20000, 20000}, {1280, 0, 1920, 1080}},       // larger than any screen: the one it covers most
        {{1200, 10, 300, 200}, {1280, 10, 300, 200}},          // mostly on the second
    };
    for (const auto& expected : cases)
        EXPECT_EQ(WindowGeometry::clamped(expected.frame, screens), expected.place) << expected.frame.x();
}

}  // namespace
}  // namespace portico::test
