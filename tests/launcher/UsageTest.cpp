#include "database/Engine.h"
#include "database/UsageCounter.h"
#include "launcher/frmView.h"
#include "tests/launcher/LauncherFixture.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QScreen>

namespace portico::test {
namespace {

using Texts = std::vector<std::string>;

class UsageTest : public LauncherTest {
protected:
    ucProgramView& view() { return *program->mainWindow()->ucProgramView1; }
    std::string first() { return view().lstView->item(0)->text().toStdString(); }
    std::vector<std::string> results() {
        std::vector<std::string> shown;
        const auto* model = view().lstResults->model();
        for (int row = 0; row < model->rowCount(); ++row) shown.push_back(model->index(row, 0).data().toString().toStdString());
        return shown;
    }
    void selectInList(const char* name) {
        view().lstView->setFocus();
        view().lstView->setCurrentItem(itemNamed(view().lstView, name));
    }
};

TEST_F(UsageTest, TheItemMenuLaunchesAndPinsAndWhatIsUsedComesFirst) {
    addProgram("Calculator", solidPicture(Qt::green), "/usr/bin/galculator");
    addProgram("Clock", solidPicture(Qt::red), "/usr/bin/oclock");
    addProgram("X Logo", solidPicture(Qt::blue), "/usr/bin/xlogo");
    frmView& main = program->showMainWindow();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    EXPECT_EQ(first(), "Calculator");

    // The menu offers the launch first, ready for Return, and shows the pin's key.
    selectInList("X Logo");
    QTest::keyClick(view().lstView, Qt::Key_Menu);
    QMenu* menu = view().mnuPopupmenu;
    ASSERT_TRUE(menu->isVisible());
    Texts items;
    for (QAction* action : menu->actions()) items.push_back(action->text().toStdString());
    EXPECT_EQ(items, (Texts{"Launch Program", "Pin to top", "", "Properties"}));
    EXPECT_EQ(view().mnuPopupmenuPin->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(menu->activeAction(), view().mnuPopupmenuLaunch);
    QTest::keyClick(menu, Qt::Key_Return);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, "/usr/bin/xlogo");
    EXPECT_EQ(first(), "X Logo");  // the empty view starts with what was used

    // After a few launches "o", inside all three names, finds X Logo first.
    ASSERT_TRUE(program->launchProgram("X Logo"));
    ASSERT_TRUE(program->launchProgram("X Logo"));
    QTest::keyClicks(view().txtSearch, "o");
    EXPECT_EQ(results(), (Texts{"X Logo", "Clock", "Calculator"}));
    view().txtSearch->clear();

    // Ctrl+P pins: pinned programs come before the used ones; the menu then offers "Unpin".
    selectInList("Clock");
    QTest::keyClick(view().lstView, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(texts(view().lstView), (Texts{"Clock", "X Logo", "Calculator"}));
    emit menu->aboutToShow();
    EXPECT_EQ(view().mnuPopupmenuPin->text(), "Unpin");
    // Kept for this user: a new start has the same order.
    program->mainWindow()->close();
    program.reset();
    program = std::make_unique<modMain>(folder / "pictures");
    db().openDatabase(catalogue().string());
    program->showMainWindow();
    EXPECT_EQ(texts(view().lstView), (Texts{"Clock", "X Logo", "Calculator"}));
    EXPECT_TRUE(std::filesystem::exists(folder / "state" / "portico" / "usage"));
}

// The catalogue's count, not the user's own ranking: a double click in the
// window is counted while the administrator has counting on, and not after.
TEST_F(UsageTest, ALaunchFromTheWindowIsCountedInTheCatalogueOnlyWhileCountingIsOn) {
    addProgram("Clock", solidPicture(Qt::red), "/usr/bin/oclock");
    Connection connection;
    connection.setConnectionString(catalogue().string());
    connection.Open();
    Engine& engine = connection.engine("test");
    const auto clockCount = [&] {
        const auto report = UsageCounter::report(engine);
        return report.empty() ? -1 : report[0].last7;
    };
    // Started as a user starts it, so the launch queue knows the catalogue.
    folder.write("Portico.ini", "[Database]\nDatabasePath=" + catalogue().string() + "\n");
    program = std::make_unique<modMain>(folder / "pictures");
    program->start();
    ASSERT_NE(program->mainWindow(), nullptr);
    UsageCounter::setRecording(engine, UsageCounter::Recording::Counts);
    doubleClick(view().lstView, itemNamed(view().lstView, "Clock"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return clockCount() == 1; }, 5000)) << clockCount();

    UsageCounter::setRecording(engine, UsageCounter::Recording::Off);
    doubleClick(view().lstView, itemNamed(view().lstView, "Clock"));
    QTest::qWait(500);
    EXPECT_EQ(clockCount(), 1);
    EXPECT_EQ(shell.requests.size(), 2u);
}

TEST_F(UsageTest, LongAndDisguisedNamesStayOnTheScreenAndShowWhatTheyAre) {
    const std::string longName(300, 'W');
    addProgram(longName, solidPicture(Qt::red), "/usr/bin/" + std::string(300, 'p'));
    addProgram("Echo \u202Egnp.exe", solidPicture(Qt::red));
    frmProperties launcher(db(), frmProperties::Variant::Launcher, {});
    launcher.setProgram(longName);
    launcher.show();
    QApplication::processEvents();
    EXPECT_LE(launcher.frameGeometry().width(), launcher.screen()->availableGeometry().width());
    EXPECT_TRUE(launcher.lblProgramName->text().contains(QChar(0x2026)));
    EXPECT_EQ(launcher.lblProgramName->toolTip().toStdString(), longName);
    launcher.close();

    launcher.setProgram("Echo \u202Egnp.exe");
    EXPECT_EQ(launcher.windowTitle(), QStringLiteral("Showing Properties For : Echo \u200Bgnp.exe"));
    frmProperties admin(db(), frmProperties::Variant::Administration, {});
    admin.setProgram("Echo \u202Egnp.exe");
    EXPECT_EQ(admin.lblProgramName->fullText(), QStringLiteral("Echo [U+202E]gnp.exe"));
}

TEST_F(UsageTest, AtTwiceTheScaleAProgramPictureCoversWhatItCoversAtOnce) {
    addProgram("xclock", solidPicture(Qt::red));
    ucProgramView list(db(), ucProgramView::Variant::Launcher);
    list.loadView();
    const QIcon icon = list.lstView->item(0)->icon();
    for (const qreal ratio : {1.0, 2.0}) {
        QImage canvas(QSize(32, 32) * ratio, QImage::Format_ARGB32);
        canvas.setDevicePixelRatio(ratio);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        icon.paint(&painter, QRect(0, 0, 32, 32));
        painter.end();
        // The corners of the 32 logical pixels are the picture's too.
        for (const QPoint corner : {QPoint(0, 0), QPoint(canvas.width() - 1, canvas.height() - 1)})
            EXPECT_EQ(canvas.pixelColor(corner), QColor(Qt::red)) << ratio;
    }
}

}  // namespace
}  // namespace portico::test
