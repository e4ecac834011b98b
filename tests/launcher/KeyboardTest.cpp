#include "gui/ActionLabel.h"
#include "launcher/frmFolderMenu.h"
#include "launcher/frmView.h"
#include "launcher/ucLeftFrame.h"
#include "tests/launcher/LauncherFixture.h"
#include "views/CatalogueDelegate.h"
#include "views/SearchResultModel.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

namespace portico::test {
namespace {

using Texts = std::vector<std::string>;

// The launcher driven from the keyboard alone, as a user without a mouse would.
class KeyboardTest : public LauncherTest {
protected:
    frmView& showMain() {
        frmView& view = program->showMainWindow();
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        return view;
    }
    frmView& view() { return *program->mainWindow(); }
    ucProgramView& list() { return *view().ucProgramView1; }
    QLineEdit* field() { return list().txtSearch; }
    ucLeftFrame& panel() { return *view().ucLeftFrame1; }
    std::vector<std::string> results() {
        std::vector<std::string> shown;
        const auto* model = list().lstResults->model();
        for (int row = 0; row < model->rowCount(); ++row) shown.push_back(model->index(row, 0).data().toString().toStdString());
        return shown;
    }
    std::string launched(std::size_t i = 0) { return i < shell.requests.size() ? shell.requests[i].file : "(nothing)"; }
    void key(QWidget* widget, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(widget, k, modifiers);
    }
    // What has the keyboard focus, by object name.
    static std::string focused() {
        QWidget* widget = QApplication::focusWidget();
        return widget ? widget->objectName().toStdString() : "(none)";
    }
    void addPrograms() {
        addProgram("X Clock", solidPicture(Qt::red), "/usr/bin/xclock");
        addProgram("Xterm", solidPicture(Qt::blue), "/usr/bin/xterm");
        addProgram("Calculator", solidPicture(Qt::green), "/usr/bin/galculator");
        addProgram("Café Menu", solidPicture(Qt::yellow), "/usr/bin/cafe");
        ASSERT_TRUE(db().AddFolder("Clock Manuals", folder.str()));
    }
};

TEST_F(KeyboardTest, TypedSearchFiltersRanksAndReturnStartsTheFirstMatch) {
    addPrograms();
    showMain();
    EXPECT_EQ(focused(), "txtSearch");
    EXPECT_FALSE(list().lstResults->isVisible());

    QTest::keyClicks(field(), "clo");
    EXPECT_TRUE(list().lstResults->isVisible());
    EXPECT_FALSE(list().lstView->isVisible());
    // A name that starts with it, then a word start, then the letters in order.
    EXPECT_EQ(results(), (Texts{"Clock Manuals", "X Clock", "Calculator"}));
    // The matched letters are marked for drawing.
    EXPECT_EQ(list().lstResults->model()->index(1, 0).data(CatalogueDelegate::kHighlightRole).value<QList<int>>(),
              (QList<int>{2, 3, 4}));
    // The first match is what the panel describes and what the actions act on.
    ASSERT_NE(list().selectedItem(), nullptr);
    EXPECT_EQ(list().selectedItem()->text(), "Clock Manuals");
    EXPECT_TRUE(panel().lblLaunch->isVisible());

    field()->clear();
    QTest::keyClicks(field(), "xclk");
    EXPECT_EQ(results(), Texts{"X Clock"});
    EXPECT_EQ(panel().Description(), "About X Clock");
    key(field(), Qt::Key_Return);
    EXPECT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(launched(), "/usr/bin/xclock");

    // Accents and case do not matter; words of the description are searched too.
    field()->clear();
    QTest::keyClicks(field(), "CAFE");
    EXPECT_EQ(results(), Texts{"Café Menu"});
    field()->clear();
    QTest::keyClicks(field(), "about calc");
    EXPECT_EQ(results(), Texts{"Calculator"});
    key(field(), Qt::Key_Enter);
    EXPECT_EQ(launched(1), "/usr/bin/galculator");
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(KeyboardTest, NothingFoundClearsThePanelAndReturnDoesNothing) {
    addPrograms();
    showMain();
    QTest::keyClicks(field(), "xt");
    EXPECT_EQ(panel().Description(), "About Xterm");
    QTest::keyClicks(field(), "qq");
    EXPECT_TRUE(results().empty());
    EXPECT_EQ(list().selectedItem(), nullptr);
    EXPECT_EQ(panel().Description(), "");
    EXPECT_FALSE(panel().lblLaunch->isVisible());
    EXPECT_FALSE(panel().lblProperties->isVisible());
    key(field(), Qt::Key_Return);
    EXPECT_TRUE(shell.requests.empty());
}

TEST_F(KeyboardTest, EscapeClearsTheSearchAndASecondEscapeChangesNothing) {
    addPrograms();
    frmView& main = showMain();
    QTest::keyClicks(field(), "xterm");
    key(field(), Qt::Key_Escape);
    EXPECT_EQ(field()->text(), "");
    EXPECT_TRUE(list().lstView->isVisible());
    EXPECT_FALSE(list().lstResults->isVisible());
    EXPECT_EQ(list().lstView->count(), 5);
    // What was found stays selected in the whole list.
    ASSERT_NE(list().selectedItem(), nullptr);
    EXPECT_EQ(list().selectedItem()->text(), "Xterm");
    key(field(), Qt::Key_Escape);
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(list().selectedItem()->text(), "Xterm");
    EXPECT_EQ(focused(), "txtSearch");
}

TEST_F(KeyboardTest, ArrowsMoveThroughTheListThePanelFollowsAndReturnStarts) {
    addPrograms();
    showMain();
    // The whole list, in the user's order: programs, then folders.
    EXPECT_EQ(texts(list().lstView), (Texts{"Café Menu", "Calculator", "X Clock", "Xterm", "Clock Manuals"}));
    key(field(), Qt::Key_Down);
    EXPECT_EQ(focused(), "lstView");
    EXPECT_EQ(list().selectedItem()->text(), "Café Menu");
    EXPECT_EQ(panel().Description(), "About Café Menu");
    EXPECT_TRUE(panel().lblLaunch->isVisible());
    key(list().lstView, Qt::Key_Right);
    key(list().lstView, Qt::Key_Right);
    EXPECT_EQ(list().selectedItem()->text(), "X Clock");
    EXPECT_EQ(panel().Description(), "About X Clock");
    key(list().lstView, Qt::Key_Return);
    EXPECT_EQ(launched(), "/usr/bin/xclock");

    // Clicked with the mouse, then moved with a key: the panel and "Launch
    // Program" both follow the key.
    const QRect calculator = list().lstView->visualItemRect(itemNamed(list().lstView, "Calculator"));
    QTest::mouseClick(list().lstView->viewport(), Qt::LeftButton, {}, calculator.center());
    EXPECT_EQ(panel().Description(), "About Calculator");
    key(list().lstView, Qt::Key_Left);
    EXPECT_EQ(panel().Description(), "About Café Menu");
    QTest::mouseClick(panel().lblLaunch, Qt::LeftButton);
    EXPECT_EQ(launched(1), "/usr/bin/cafe");

    // Typed in the list, letters search. In the results, Down moves on and Up
    // from the first goes back to the field.
    QTest::keyClicks(list().lstView, "x");
    EXPECT_EQ(focused(), "txtSearch");
    key(field(), Qt::Key_Down);
    EXPECT_EQ(focused(), "lstResults");
    key(list().lstResults, Qt::Key_Down);
    EXPECT_EQ(panel().Description(), "About Xterm");
    key(list().lstResults, Qt::Key_Return);
    EXPECT_EQ(launched(2), "/usr/bin/xterm");
    key(list().lstResults, Qt::Key_Up);
    key(list().lstResults, Qt::Key_Up);
    EXPECT_EQ(focused(), "txtSearch");
}

TEST_F(KeyboardTest, ReturnOnAFolderOpensItsBrowserAndTypingInTheListSearches) {
    addPrograms();
    folder.write("inside.txt", "x");
    frmView& main = showMain();
    key(field(), Qt::Key_Down);
    QTest::keyClicks(list().lstView, "manu");
    EXPECT_EQ(focused(), "txtSearch");
    EXPECT_EQ(field()->text(), "manu");
    EXPECT_EQ(results(), Texts{"Clock Manuals"});
    key(field(), Qt::Key_Return);
    EXPECT_TRUE(main.folderBrowser().isVisible());
    EXPECT_FALSE(main.folderBrowser().isModal());
    EXPECT_NE(itemNamed(main.folderBrowser().ListView1, "inside.txt"), nullptr);
    main.folderBrowser().close();
}

TEST_F(KeyboardTest, MenuKeyAndShiftF10OpenTheContextMenuAtTheItem) {
    addPrograms();
    showMain();
    QMenu* menu = list().mnuPopupmenu;
    key(list().lstView, Qt::Key_Menu);  // nothing selected: no menu
    EXPECT_FALSE(menu->isVisible());

    key(field(), Qt::Key_Down);
    key(list().lstView, Qt::Key_Menu);
    ASSERT_TRUE(menu->isVisible());
    const QRect item = list().lstView->visualItemRect(list().selectedItem());
    const QPoint itemLeft = list().lstView->viewport()->mapToGlobal(QPoint(item.left(), item.center().y()));
    EXPECT_LE((menu->pos() - itemLeft).manhattanLength(), 2);
    menu->hide();

    QTest::keyClicks(field(), "xterm");
    key(field(), Qt::Key_Down);
    key(list().lstResults, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    key(list().lstResults, Qt::Key_F10);  // F10 alone is not the menu
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(KeyboardTest, TabReachesThePanelsActionsAndReturnOrSpaceRunsThem) {
    addPrograms();
    frmView& main = showMain();
    key(field(), Qt::Key_Tab);
    EXPECT_EQ(focused(), "lstView");
    EXPECT_EQ(list().selectedItem()->text(), "Café Menu");  // focus made it current, so selected
    key(list().lstView, Qt::Key_Tab);
    EXPECT_EQ(focused(), "lblLaunch");
    // The focus shows: a frame around the caption, which unfocused has none.
    const auto lightOnTopEdge = [&](QWidget* label) {
        const QImage shot = panel().grab().toImage();
        const QRect edge = label->geometry();
        int light = 0;
        for (int x = edge.left(); x <= edge.right(); ++x) light += shot.pixelColor(x, edge.top()).lightness() > 150;
        return light;
    };
    EXPECT_GT(lightOnTopEdge(panel().lblLaunch), 20);
    EXPECT_EQ(lightOnTopEdge(panel().lblQuit), 0);
    key(panel().lblLaunch, Qt::Key_Return);
    EXPECT_EQ(launched(), "/usr/bin/cafe");
    key(panel().lblLaunch, Qt::Key_Tab);
    EXPECT_EQ(focused(), "lblProperties");
    std::string caption;
    QTimer::singleShot(0, [&] {
        if (auto* shown = QApplication::activeModalWidget()) {
            caption = shown->windowTitle().toStdString();
            main.propertiesWindow().cmdOK->click();
        }
    });
    key(panel().lblProperties, Qt::Key_Space);
    EXPECT_EQ(caption, "Showing Properties For : Café Menu");
    panel().lblQuit->setFocus(Qt::TabFocusReason);
    key(panel().lblQuit, Qt::Key_Space);
    EXPECT_FALSE(main.isVisible());
}

TEST_F(KeyboardTest, ListOrderFollowsTheUserLocaleWithNumbersByValue) {
    for (const char* name : {"Zip", "Ça marche", "cobalt", "Bravo", "File 10", "File 2", "éditeur"})
        addProgram(name, solidPicture(Qt::red));
    showMain();
    EXPECT_EQ(texts(list().lstView),
              (Texts{"Bravo", "Ça marche", "cobalt", "éditeur", "File 2", "File 10", "Zip"}));
}

TEST_F(KeyboardTest, LongNamesShowWholeInTheirTooltipAndPicturelessItemsLineUp) {
    addProgram("Ed", solidPicture(Qt::red));
    addProgram("An Extraordinarily Long Program Name That Cannot Fit", solidPicture(Qt::red));
    sql("UPDATE Program SET Program_Icon = NULL WHERE Program_Name = 'Ed'");
    showMain();
    QListWidget* lst = list().lstView;
    QListWidgetItem* shortItem = itemNamed(lst, "Ed");
    QListWidgetItem* longItem = itemNamed(lst, "An Extraordinarily Long Program Name That Cannot Fit");
    ASSERT_TRUE(shortItem && longItem);
    ASSERT_TRUE(shortItem->icon().isNull());
    const auto tooltipOver = [&](QListWidgetItem* item) {
        QToolTip::hideText();
        const QPoint at = lst->visualItemRect(item).center();
        QHelpEvent help(QEvent::ToolTip, at, lst->viewport()->mapToGlobal(at));
        QApplication::sendEvent(lst->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    };
    EXPECT_EQ(tooltipOver(shortItem), "");
    EXPECT_EQ(tooltipOver(longItem), "An Extraordinarily Long Program Name That Cannot Fit");
    QToolTip::hideText();

    // The item without a picture keeps the picture's room above its name.
    QStyleOptionViewItem option;
    option.initFrom(lst);
    option.widget = lst;
    option.decorationPosition = QStyleOptionViewItem::Top;
    option.displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    auto* delegate = lst->itemDelegate();
    auto* other = lst->item(lst->row(shortItem) == 0 ? 1 : 0);
    other->setText("Ed");
    EXPECT_EQ(delegate->sizeHint(option, lst->model()->index(lst->row(shortItem), 0)),
              delegate->sizeHint(option, lst->model()->index(lst->row(other), 0)));
}

TEST_F(KeyboardTest, EveryActionStaysInSightAtTheSmallestSize) {
    addPrograms();
    frmView& main = showMain();
    main.resize(10, 10);
    QApplication::processEvents();
    EXPECT_GE(main.width(), main.minimumWidth());
    EXPECT_GE(main.height(), main.minimumHeight());
    key(field(), Qt::Key_Down);
    for (QWidget* action : {static_cast<QWidget*>(panel().lblLaunch), static_cast<QWidget*>(panel().lblProperties),
                            static_cast<QWidget*>(panel().lblQuit)}) {
        ASSERT_TRUE(action->isVisible());
        EXPECT_LE(action->geometry().bottom(), panel().height()) << action->objectName().toStdString();
    }
    EXPECT_GE(list().lstView->height(), 60);
}

TEST_F(KeyboardTest, TheWindowComesBackWhereTheUserLeftIt) {
    frmView& main = showMain();
    main.resize(700, 480);
    main.move(40, 30);
    QApplication::processEvents();
    main.close();
    program.reset();
    program = std::make_unique<modMain>(folder / "pictures");
    db().openDatabase(catalogue().string());
    frmView& again = showMain();
    EXPECT_EQ(again.size(), QSize(700, 480));
    // Kept in the user's own settings, not the site's Portico.ini.
    EXPECT_TRUE(std::filesystem::exists(folder / "config" / "portico" / "windows.ini"));
    EXPECT_FALSE(std::filesystem::exists(folder / "Portico.ini"));
}

}  // namespace
}  // namespace portico::test
