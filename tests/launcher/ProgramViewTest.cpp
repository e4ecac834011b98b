#include "tests/launcher/LauncherFixture.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

namespace portico::test {
namespace {

using Texts = std::vector<std::string>;

class ProgramViewTest : public LauncherTest {
protected:
    ProgramViewTest() { qRegisterMetaType<QListWidgetItem*>(); }

    std::unique_ptr<ucProgramView> makeView(ucProgramView::Variant variant) {
        auto view = std::make_unique<ucProgramView>(db(), variant);
        view->resize(600, 400);
        view->show();
        return view;
    }
    // The colour in the middle of an item's picture, or nothing without one.
    static QColor pictureColour(const QListWidgetItem* item) {
        if (item->icon().isNull()) return {};
        return item->icon().pixmap(32, 32).toImage().pixelColor(16, 16);
    }
};

TEST_F(ProgramViewTest, LauncherListsProgramsWithTheirPicturesThenFolders) {
    addProgram("xeyes", solidPicture(Qt::blue, "ico"));  // an icon in the .bmp file
    addProgram("xclock", solidPicture(Qt::red));
    addProgram("broken", "this is no picture");           // exported, but unreadable
    addProgram("xlogo", solidPicture(Qt::black));
    ASSERT_TRUE(db().AddFolder("Tools", "/opt/tools"));
    ASSERT_TRUE(db().AddFolder("Documents", "/srv/documents"));
    // Stored untrimmed behind the data layer's back: shown and looked up trimmed.
    sql("UPDATE Program SET Program_Name = ? WHERE Program_Name = ?", {"  xlogo  ", "xlogo"});

    auto view = makeView(ucProgramView::Variant::Launcher);
    view->loadView();

    // In the order of the names as shown (the catalogue put "  xlogo  " first).
    EXPECT_EQ(texts(view->lstView), (Texts{"broken", "xclock", "xeyes", "xlogo", "Documents", "Tools"}));
    QListWidgetItem* broken = itemNamed(view->lstView, "broken");
    QListWidgetItem* clock = itemNamed(view->lstView, "xclock");
    QListWidgetItem* eyes = itemNamed(view->lstView, "xeyes");
    QListWidgetItem* tools = itemNamed(view->lstView, "Tools");
    ASSERT_TRUE(broken && clock && eyes && tools);
    // No picture of its own, and never the neighbour's left in the file.
    EXPECT_EQ(ucProgramView::iconIndexOf(broken), 0);
    EXPECT_TRUE(broken->icon().isNull());
    EXPECT_EQ(pictureColour(clock), QColor(Qt::red));
    EXPECT_EQ(pictureColour(eyes), QColor(Qt::blue));
    EXPECT_EQ(view->ImageList1.Key(ucProgramView::iconIndexOf(clock)), "xclock");
    // Folders: the folder picture, last in the image list, and their paths as tags.
    const int folderIndex = view->ImageList1.Count();
    EXPECT_EQ(ucProgramView::iconIndexOf(tools), folderIndex);
    EXPECT_EQ(view->ImageList1.Key(folderIndex), "");
    EXPECT_EQ(ucProgramView::tagOf(tools), "/opt/tools");
    EXPECT_EQ(ucProgramView::tagOf(clock), "");
    EXPECT_FALSE(tools->icon().isNull());
}

TEST_F(ProgramViewTest, ARowWhoseNameIsBytesIsLeftOutAndNamedByItsKey) {
    addProgram("xclock", solidPicture(Qt::red));
    addProgram("bad", solidPicture(Qt::blue));
    addProgram("xeyes", solidPicture(Qt::green));
    // Another tool stored bytes as the name, behind the data layer's back.
    sql("UPDATE Program SET Program_Name = ? WHERE Program_Name = ?", {Bytes{'b', 0, 0xFF}, "bad"});
    const std::int16_t key = 2;

    for (auto variant : {ucProgramView::Variant::Launcher, ucProgramView::Variant::Administration}) {
        auto view = makeView(variant);
        view->loadView();
        EXPECT_EQ(texts(view->lstView), (Texts{"xclock", "xeyes"}));
        EXPECT_EQ(pictureColour(itemNamed(view->lstView, "xeyes")), QColor(Qt::green));
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_NE(dialogs.messages().front().text.find("(key " + std::to_string(key) + ")"), std::string::npos)
            << dialogs.messages().front().text;
        EXPECT_EQ(dialogs.messages().front().icon, MessageIcon::Exclamation);
        dialogs.calls.clear();
    }
}

// Older catalogues may carry a name twice (or in two cases): each row shows
// its own picture, and the administration list knows each row's key.
TEST_F(ProgramViewTest, ProgramsSharingANameEachShowTheirOwnPicture) {
    addProgram("Editor", solidPicture(Qt::green));
    sql("DROP INDEX Program_Name_Unique");
    addProgram("Placeholder", solidPicture(Qt::yellow));
    sql("UPDATE Program SET Program_Name = 'EDITOR' WHERE Program_Name = 'Placeholder'");
    for (auto variant : {ucProgramView::Variant::Launcher, ucProgramView::Variant::Administration}) {
        auto view = makeView(variant);
        view->loadView();
        ASSERT_EQ(view->lstView->count(), 2);
        EXPECT_EQ(pictureColour(view->lstView->item(0)), QColor(Qt::green));
        EXPECT_EQ(pictureColour(view->lstView->item(1)), QColor(Qt::yellow));
        if (variant == ucProgramView::Variant::Administration) {
            EXPECT_EQ(ucProgramView::keyOf(view->lstView->item(0)), 1);
            EXPECT_EQ(ucProgramView::keyOf(view->lstView->item(1)), 2);
            EXPECT_EQ(view->selectedKey(), 0);
            view->lstView->setCurrentItem(view->lstView->item(1));
            EXPECT_EQ(view->selectedKey(), 2);
        }
    }
}

TEST_F(ProgramViewTest, EmptyCatalogueWithFoldersShowsJustTheFolders) {
    ASSERT_TRUE(db().AddFolder("A", "/a"));
    ASSERT_TRUE(db().AddFolder("B", "/b"));
    auto view = makeView(ucProgramView::Variant::Launcher);
    view->loadView();
    EXPECT_EQ(texts(view->lstView), (Texts{"A", "B"}));
    EXPECT_EQ(ucProgramView::iconIndexOf(view->lstView->item(0)), 1);
    EXPECT_EQ(ucProgramView::iconIndexOf(view->lstView->item(1)), 1);
}

TEST_F(ProgramViewTest, LauncherEventsTellProgramsFromFolders) {
    addProgram("xclock", solidPicture(Qt::red));
    ASSERT_TRUE(db().AddFolder("Tools", folder.str()));
    auto view = makeView(ucProgramView::Variant::Launcher);
    view->loadView();
    QSignalSpy programs(view.get(), &ucProgramView::ListDoubleClicked);
    QSignalSpy folders(view.get(), &ucProgramView::ListDoubleFolder);
    QSignalSpy clicks(view.get(), &ucProgramView::ItemClicked);
    QSignalSpy properties(view.get(), &ucProgramView::PropertiesClicked);
    QListWidgetItem* clock = itemNamed(view->lstView, "xclock");
    QListWidgetItem* tools = itemNamed(view->lstView, "Tools");
    QListWidget* list = view->lstView;

    // Right button with nothing selected: no menu, no event.
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(list->viewport()->width() - 2, list->viewport()->height() - 2));
    EXPECT_FALSE(view->mnuPopupmenu->isVisible());
    EXPECT_EQ(clicks.count(), 0);

    // A left click raises ItemClicked twice: the item click and the button release.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(clock).center());
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0).at(0).value<QListWidgetItem*>(), clock);
    EXPECT_EQ(clicks.at(1).at(0).value<QListWidgetItem*>(), clock);
    EXPECT_EQ(view->selectedItem(), clock);

    doubleClick(list, clock);
    ASSERT_EQ(programs.count(), 1);
    EXPECT_EQ(programs.at(0).at(0).value<QListWidgetItem*>(), clock);
    EXPECT_EQ(folders.count(), 0);

    doubleClick(list, tools);
    ASSERT_EQ(folders.count(), 1);
    EXPECT_EQ(folders.at(0).at(0).value<QListWidgetItem*>(), tools);
    EXPECT_EQ(programs.count(), 1);

    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(clock).center());
    EXPECT_TRUE(view->mnuPopupmenu->isVisible());
    ASSERT_EQ(view->mnuPopupmenu->actions().size(), 4);
    EXPECT_EQ(view->mnuPopupmenu->actions()[3]->text(), "Properties");
    view->mnuPopupmenuProperties->trigger();
    EXPECT_EQ(properties.count(), 1);
    view->mnuPopupmenu->hide();
}

TEST_F(ProgramViewTest, AdministrationVariantListsProgramsWithPathsAndRefills) {
    addProgram("xclock", solidPicture(Qt::red), "/usr/bin/xclock");
    addProgram("xeyes", solidPicture(Qt::blue), "/usr/bin/xeyes");
    ASSERT_TRUE(db().AddFolder("Tools", "/opt/tools"));
    auto view = makeView(ucProgramView::Variant::Administration);
    EXPECT_EQ(view->selectedItemText(), "");
    view->loadView();
    EXPECT_EQ(texts(view->lstView), (Texts{"xclock", "xeyes"}));
    EXPECT_EQ(ucProgramView::tagOf(view->lstView->item(1)), "/usr/bin/xeyes");

    addProgram("xcalc", solidPicture(Qt::green), "/usr/bin/xcalc");
    view->reloadView();
    EXPECT_EQ(texts(view->lstView), (Texts{"xcalc", "xclock", "xeyes"}));
    EXPECT_EQ(view->ImageList1.Count(), 3);
    EXPECT_EQ(pictureColour(view->lstView->item(0)), QColor(Qt::green));

    QStringList menu;
    for (QAction* action : view->mnuPopupmenu->actions()) menu << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(menu, (QStringList{"Add", "Modify", "-", "Delete", "-", "Properties"}));
    QSignalSpy add(view.get(), &ucProgramView::AddMenuClicked);
    QSignalSpy modify(view.get(), &ucProgramView::ModifyMenuClicked);
    QSignalSpy remove(view.get(), &ucProgramView::DeleteMenuClicked);
    view->mnuPopupMenuAdd->trigger();
    view->mnuPopupMenuModify->trigger();
    view->mnuPopupMenuDelete->trigger();
    EXPECT_EQ(add.count() + modify.count() + remove.count(), 3);

    // A double click raises ListDoubleClicked even with nothing selected.
    QSignalSpy doubles(view.get(), &ucProgramView::ListDoubleClicked);
    QSignalSpy clicks(view.get(), &ucProgramView::ItemClicked);
    QListWidget* list = view->lstView;
    const QPoint empty(list->viewport()->width() - 2, list->viewport()->height() - 2);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty);
    ASSERT_EQ(doubles.count(), 1);
    EXPECT_EQ(doubles.at(0).at(0).value<QListWidgetItem*>(), nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(view->selectedItemText(), "xclock");
    EXPECT_GE(clicks.count(), 2);
}

TEST_F(ProgramViewTest, ReloadWithAnEmptyCatalogueLeavesAnEmptyList) {
    addProgram("xclock", solidPicture(Qt::red));
    auto view = makeView(ucProgramView::Variant::Administration);
    view->loadView();
    ASSERT_TRUE(db().deleteProgram("xclock"));
    view->reloadView();
    EXPECT_EQ(view->lstView->count(), 0);
    EXPECT_EQ(view->ImageList1.Count(), 0);
}

// A list longer than the window: only the rows in sight are fetched before it
// shows; the others come when they are scrolled to, each with its own picture.
TEST_F(ProgramViewTest, PicturesOutOfSightComeWhenShownEachTheirOwn) {
    constexpr int kPrograms = 300;
    const auto colourOf = [](int i) { return QColor(i % 256, 255 - i % 256, i / 256 * 100); };
    for (int i = 0; i < kPrograms; ++i) {
        const QByteArray name = QString::asprintf("Program %03d", i).toUtf8();
        addProgram(name.toStdString(), i == kPrograms - 1 ? "this is no picture" : solidPicture(colourOf(i)));
    }
    for (auto variant : {ucProgramView::Variant::Launcher, ucProgramView::Variant::Administration}) {
        SCOPED_TRACE(variant == ucProgramView::Variant::Launcher ? "launcher" : "administration");
        auto view = makeView(variant);
        view->loadView();
        QListWidget* list = view->lstView;
        ASSERT_EQ(list->count(), kPrograms);
        QListWidgetItem* middle = list->item(200);
        EXPECT_TRUE(view->pictureFetched(list->item(0)));
        EXPECT_FALSE(view->pictureFetched(middle));

        // Asked for by code, a picture out of sight is fetched at once.
        QListWidgetItem* late = list->item(kPrograms - 2);
        EXPECT_EQ(pictureColour(late), colourOf(kPrograms - 2));
        EXPECT_EQ(view->ImageList1.Key(ucProgramView::iconIndexOf(late)), "Program 298");
        // The unreadable one, last and out of sight, shows none, as it always did.
        QListWidgetItem* broken = list->item(kPrograms - 1);
        EXPECT_EQ(ucProgramView::iconIndexOf(broken), 0);
        EXPECT_TRUE(broken->icon().isNull());

        // Scrolled to, it is fetched after the paint that wanted it, and drawn.
        EXPECT_FALSE(view->pictureFetched(middle));
        list->scrollToItem(middle);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->pictureFetched(middle); }, 2000));
        EXPECT_EQ(pictureColour(middle), colourOf(200));
        for (int row : {0, 1, 57, 199, 250}) EXPECT_EQ(pictureColour(list->item(row)), colourOf(row)) << row;
        EXPECT_TRUE(dialogs.messages().empty());
    }
}

TEST_F(ProgramViewTest, IdenticalPicturesAreDecodedOnceAndShared) {
    addProgram("Alpha", solidPicture(Qt::red));
    addProgram("Beta", solidPicture(Qt::red));
    addProgram("Gamma", solidPicture(Qt::blue));
    addProgram("Plain", solidPicture(Qt::red));
    sql("UPDATE Program SET Program_Icon = NULL WHERE Program_Name = 'Plain'");
    db().setDefaultIconPath((folder / "Default.ico").string());
    addProgram("Plain too", solidPicture(Qt::red));
    sql("UPDATE Program SET Program_Icon = NULL WHERE Program_Name = 'Plain too'");
    auto view = makeView(ucProgramView::Variant::Launcher);
    view->loadView();
    const auto picture = [&](const char* name) { return itemNamed(view->lstView, name)->icon().pixmap(32, 32); };
    EXPECT_EQ(picture("Alpha").cacheKey(), picture("Beta").cacheKey());
    EXPECT_NE(picture("Alpha").cacheKey(), picture("Gamma").cacheKey());
    EXPECT_EQ(pictureColour(itemNamed(view->lstView, "Gamma")), QColor(Qt::blue));
    // Rows without a picture share the default icon, read once.
    EXPECT_FALSE(picture("Plain").isNull());
    EXPECT_EQ(picture("Plain").cacheKey(), picture("Plain too").cacheKey());
    EXPECT_NE(picture("Plain").cacheKey(), picture("Alpha").cacheKey());
    // Each row keeps an image of its own, keyed by its name.
    EXPECT_NE(ucProgramView::iconIndexOf(itemNamed(view->lstView, "Alpha")),
              ucProgramView::iconIndexOf(itemNamed(view->lstView, "Beta")));
}

// After a reload a row may sit where another program's did: an icon of the old
// list shows nothing rather than the newcomer's picture.
TEST_F(ProgramViewTest, IconsOfAnEarlierFillShowNothingAfterAReload) {
    addProgram("Beta", solidPicture(Qt::red));
    auto view = makeView(ucProgramView::Variant::Administration);
    view->loadView();
    const QIcon old = view->lstView->item(0)->icon();
    addProgram("Alpha", solidPicture(Qt::green));
    view->reloadView();
    EXPECT_EQ(texts(view->lstView), (Texts{"Alpha", "Beta"}));
    EXPECT_EQ(pictureColour(view->lstView->item(0)), QColor(Qt::green));
    EXPECT_TRUE(old.pixmap(32, 32).isNull());
}

class PropertiesTest : public LauncherTest {
protected:
    std::unique_ptr<frmProperties> makeWindow(frmProperties::Variant variant) {
        return std::make_unique<frmProperties>(
            db(), variant, [this](const std::string& name) { return program->launchProgram(name); });
    }
};

TEST_F(PropertiesTest, ShowsTheProgramFoundByItsTrimmedName) {
    addProgram("xclock", solidPicture(Qt::red), "/usr/bin/xclock");
    auto window = makeWindow(frmProperties::Variant::Launcher);
    window->setProgram("  xclock ");
    EXPECT_FALSE(window->refused());
    EXPECT_EQ(window->Program(), "xclock");
    EXPECT_EQ(window->windowTitle(), "Showing Properties For : xclock");
    EXPECT_EQ(window->lblProgramName->text(), "xclock");
    EXPECT_EQ(window->lblProgramPath->text(), "/usr/bin/xclock");
    EXPECT_FALSE(window->lblDateAdded->text().isEmpty());
    EXPECT_NE(window->lblDateAdded->text(), "DateAdded");
    ASSERT_FALSE(window->Image1->pixmap().isNull());
    EXPECT_EQ(window->Image1->pixmap().toImage().pixelColor(24, 24), QColor(Qt::red));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(PropertiesTest, NullDateAndUnreadablePictureStillOpenTheWindow) {
    addProgram("xclock", solidPicture(Qt::red));
    addProgram("odd", "not a picture");
    sql("UPDATE Program SET Program_Added_Date = NULL WHERE Program_Name = 'odd'");
    auto window = makeWindow(frmProperties::Variant::Launcher);
    window->setProgram("xclock");
    window->setProgram("odd");
    EXPECT_FALSE(window->refused());
    EXPECT_EQ(window->lblDateAdded->text(), "");
    EXPECT_TRUE(window->Image1->pixmap().isNull());  // not xclock's picture
}

TEST_F(PropertiesTest, RefusesBlankAndUnknownNamesAndDoesNotOpen) {
    ASSERT_TRUE(db().AddFolder("Tools", "/opt/tools"));
    auto window = makeWindow(frmProperties::Variant::Launcher);
    window->setProgram("   ");
    EXPECT_TRUE(window->refused());
    EXPECT_FALSE(window->showModal());
    window->setProgram(" Tools ");
    EXPECT_TRUE(window->refused());
    EXPECT_FALSE(window->showModal());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Invalid Program Name", "Error", MessageIcon::Information},
                                         {"No Properties Found For : Tools", "Closing Property Window",
                                          MessageIcon::Critical}}));
}

TEST_F(PropertiesTest, LaunchStartsTheProgramAndClosesEvenWhenTheStartFails) {
    addProgram("xclock", solidPicture(Qt::red), "/usr/bin/xclock", "/tmp", "-digital -update 1");
    auto window = makeWindow(frmProperties::Variant::Launcher);
    ASSERT_NE(window->cmdLaunch, nullptr);
    window->setProgram("xclock");
    shell.results.push_back(ShellResult::failure(2, "File not found: /usr/bin/xclock"));
    QTimer::singleShot(0, [&] { window->cmdLaunch->click(); });
    EXPECT_TRUE(window->showModal());
    EXPECT_FALSE(window->isVisible());
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0], (ShellRequest{"", "/usr/bin/xclock", "-digital -update 1", "/tmp", 1}));
    EXPECT_EQ(dialogs.messages().size(), 2u);  // the launch routine's own two
}

TEST_F(PropertiesTest, AdministrationVariantHasNoLaunchAndRunsItsLoadStepEachTime) {
    addProgram("xclock", solidPicture(Qt::red));
    auto window = makeWindow(frmProperties::Variant::Administration);
    int loads = 0;
    window->setLoadStep([&](QWidget& w) {
        EXPECT_EQ(&w, window.get());
        ++loads;
    });
    EXPECT_EQ(window->cmdLaunch, nullptr);
    EXPECT_EQ(window->findChild<QPushButton*>("cmdLaunch"), nullptr);
    window->setProgram("xclock");
    window->setProgram("xclock");
    EXPECT_EQ(loads, 2);
}

}  // namespace
}  // namespace portico::test
