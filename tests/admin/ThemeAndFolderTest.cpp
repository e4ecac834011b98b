#include "tests/admin/AdminFixture.h"

#include "admin/frmAddRemoveFolder.h"
#include "admin/frmCreateTheme.h"
#include "admin/frmFolderDialog.h"
#include "admin/frmThemeManage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace portico::admin::test {
namespace {

std::vector<std::string> treeTexts(const QTreeWidget* tree) {
    std::vector<std::string> result;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) result.push_back(tree->topLevelItem(i)->text(0).toStdString());
    return result;
}

class ThemeTest : public AdminTest {
protected:
    frmThemeManage& openManager() {
        frmThemeManage& manager = program->themeManageWindow();
        program->showModal(manager, nullptr);
        return manager;
    }

    void select(frmThemeManage& manager, const std::string& name) {
        const auto found = manager.lstTheme->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        manager.lstTheme->setCurrentItem(found.front());
    }

    std::string storedPicture(const std::string& theme, const std::string& column) {
        auto records = db().LoadTheme(theme);
        if (!records || records->RecordCount() == 0) return "<no theme>";
        const Variant& value = records->Fields(column).Value();
        if (value.type() != Variant::Type::Bytes) return {};
        return std::string(value.bytes().begin(), value.bytes().end());
    }
};

TEST_F(ThemeTest, ApplyMakesTheSelectedThemeTheDefaultAndTheCurrentOne) {
    ASSERT_TRUE(db().CreateTheme("Autumn", (folder / "splash.bmp").string()));
    frmThemeManage& manager = openManager();
    EXPECT_EQ(treeTexts(manager.lstTheme), (std::vector<std::string>{"Autumn", "Classic"}));
    auto marks = [&] {
        std::vector<std::string> shown;
        for (int i = 0; i < manager.lstTheme->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = manager.lstTheme->topLevelItem(i);
            shown.push_back(item->text(1).toStdString() + (item->font(0).bold() ? " bold" : ""));
        }
        return shown;
    };
    EXPECT_EQ(marks(), (std::vector<std::string>{"", "Current bold"}));

    // No theme selected: nothing to apply.
    manager.cmdApply->click();
    EXPECT_EQ(db().getDefaultTheme(), "Classic");
    EXPECT_TRUE(dialogs.calls.empty());

    select(manager, "Autumn");
    manager.cmdApply->click();
    EXPECT_EQ(db().getDefaultTheme(), "Autumn");
    EXPECT_EQ(program->CurrentTheme(), "Autumn");
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Theme Autumn is now the current theme.", "Theme Manager",
                                                              MessageIcon::Information}}));
    EXPECT_EQ(marks(), (std::vector<std::string>{"Current bold", ""}));
    EXPECT_EQ(manager.lstTheme->currentItem()->text(0), "Autumn");
}

TEST_F(ThemeTest, CreateNamesTheThemeFromThePromptAndStoresTheChosenPicture) {
    frmThemeManage& manager = openManager();
    dialogs.answerInput(std::nullopt);
    manager.cmdCreate->click();
    ASSERT_NE(program->loadedCreateThemeWindow(), nullptr);
    EXPECT_EQ(program->loadedCreateThemeWindow()->windowTitle(), "Creating Theme : Theme 1");
    EXPECT_EQ(dialogs.calls.front().text, "Enter a theme name");
    EXPECT_EQ(dialogs.calls.front().title, "Theme Manager");
    EXPECT_EQ(dialogs.calls.front().defaultText, "Theme 1");
    program->loadedCreateThemeWindow()->close();
    processDeletes();

    dialogs.clear();
    dialogs.answerInput("  Sunset  ");
    manager.cmdCreate->click();
    frmCreateTheme& create = *program->loadedCreateThemeWindow();
    EXPECT_EQ(create.windowTitle(), "Creating Theme : Sunset");
    EXPECT_EQ(create.parentWidget(), &manager);

    create.cmdSave->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Couldn't save, please select a image to use", "Error",
                                                              MessageIcon::Exclamation}}));

    // The add/remove row's dialog is cancelled after a pick in the other row:
    // its field stays empty.
    dialogs.answerFile((folder / "splash.bmp").string());
    create.cmdButtonSplash->click();
    create.cmdAddRemove->click();
    EXPECT_EQ(create.txtSplashScreen->text().toStdString(), (folder / "splash.bmp").string());
    EXPECT_TRUE(create.txtAddRemove->text().isEmpty());
    EXPECT_EQ(dialogs.calls.back().title, "Select a Image");
    EXPECT_EQ(dialogs.calls.back().startPath, (folder / "splash.bmp").string());

    dialogs.clear();
    create.cmdSave->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Created Theme Sunset", "Created Theme", MessageIcon::Information}}));
    EXPECT_EQ(storedPicture("Sunset", "Theme_LogoSplash"), TempFolder::read(folder / "splash.bmp"));
    EXPECT_EQ(storedPicture("Sunset", "Theme_LogoAddRemove"), "");
    EXPECT_EQ(treeTexts(manager.lstTheme), (std::vector<std::string>{"Classic", "Sunset"}));
    processDeletes();
    EXPECT_EQ(program->loadedCreateThemeWindow(), nullptr);
}

TEST_F(ThemeTest, APictureThatCannotBeReadKeepsTheCreationWindowOpen) {
    frmThemeManage& manager = openManager();
    dialogs.answerInput("Broken");
    manager.cmdCreate->click();
    frmCreateTheme& create = *program->loadedCreateThemeWindow();
    create.txtAddRemove->setText(QString::fromStdString((folder / "nothing.bmp").string()));

    create.cmdSave->click();

    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.messages().back(),
              (ShownMessage{"Couldn't Create Theme Broken", "Error", MessageIcon::Exclamation}));
    EXPECT_EQ(storedPicture("Broken", "Theme_LogoSplash"), "<no theme>");
    processDeletes();
    EXPECT_NE(program->loadedCreateThemeWindow(), nullptr);
}

TEST_F(ThemeTest, AFileThatIsNoPictureIsRefusedAndNothingIsStored) {
    frmThemeManage& manager = openManager();
    dialogs.answerInput("Webp");
    manager.cmdCreate->click();
    frmCreateTheme& create = *program->loadedCreateThemeWindow();
    const std::string webp = folder.write("logo.webp", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16)).string();
    create.txtSplashScreen->setText(QString::fromStdString((folder / "splash.bmp").string()));
    create.txtAddRemove->setText(QString::fromStdString(webp));
    dialogs.clear();

    create.cmdSave->click();

    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Couldn't save, " + webp +
                                              " is not a picture that can be shown (use a BMP, JPEG or GIF image)",
                                          "Error", MessageIcon::Exclamation}}));
    EXPECT_EQ(storedPicture("Webp", "Theme_LogoSplash"), "<no theme>");
    processDeletes();
    EXPECT_NE(program->loadedCreateThemeWindow(), nullptr);
}

TEST_F(ThemeTest, DeleteAsksAndDeletesOnlyOnYes) {
    ASSERT_TRUE(db().CreateTheme("Autumn", (folder / "splash.bmp").string()));
    frmThemeManage& manager = openManager();
    select(manager, "Autumn");

    dialogs.answerMessage(MessageAnswer::No);
    manager.cmdDelete->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Are you sure ? ", "Confirmation", MessageIcon::Question,
                                                              MessageButtons::YesNo, DefaultButton::Second}}));
    EXPECT_EQ(treeTexts(manager.lstTheme), (std::vector<std::string>{"Autumn", "Classic"}));

    dialogs.clear();
    dialogs.answerMessage(MessageAnswer::Yes);
    manager.cmdDelete->click();
    EXPECT_EQ(dialogs.messages().back(),
              (ShownMessage{"Theme Autumn, Has Been Deleted", "Deleted", MessageIcon::Information}));
    EXPECT_EQ(treeTexts(manager.lstTheme), (std::vector<std::string>{"Classic"}));
    EXPECT_EQ(db().GetThemeKey("Autumn"), 0);
}

class FolderTest : public AdminTest {
protected:
    frmAddRemoveFolder& openFolderList() {
        frmAddRemoveFolder& list = program->addRemoveFolderWindow();
        program->showModal(list, nullptr);
        return list;
    }

    frmFolderDialog& openPicker(frmAddRemoveFolder& list) {
        list.cmdAdd->click();
        EXPECT_NE(program->loadedFolderDialogWindow(), nullptr);
        return *program->loadedFolderDialogWindow();
    }

    static void doubleClick(frmFolderDialog& picker, QTreeWidgetItem* node) {
        picker.ctlFolderList->setCurrentItem(node);
        emit picker.ctlFolderList->itemDoubleClicked(node, 0);
    }

    static QTreeWidgetItem* child(QTreeWidgetItem* node, const std::string& text) {
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->text(0).toStdString() == text) return node->child(i);
        return nullptr;
    }

    // Opens the tree down to `path` as a user would: the drive that holds it,
    // then one double-click a folder.
    QTreeWidgetItem* openDownTo(frmFolderDialog& picker, const std::filesystem::path& path) {
        QTreeWidgetItem* drive = nullptr;
        std::size_t best = 0;
        for (int i = 0; i < picker.ctlFolderList->topLevelItemCount(); ++i) {
            QTreeWidgetItem* node = picker.ctlFolderList->topLevelItem(i);
            const std::string mount = frmFolderDialog::nodePath(node);
            if (path.string().rfind(mount, 0) == 0 && mount.size() > best) {
                drive = node;
                best = mount.size();
            }
        }
        if (!drive) return nullptr;
        doubleClick(picker, drive);
        QTreeWidgetItem* node = drive;
        for (const auto& part : std::filesystem::path(path.string().substr(best))) {
            if (part.empty()) continue;
            node = child(node, part.string());
            if (!node) return nullptr;
            doubleClick(picker, node);
        }
        return node;
    }
};

TEST_F(FolderTest, TheListShowsTheCataloguedFoldersAndDeletesTheSelectedOne) {
    ASSERT_TRUE(db().AddFolder("Music", "/srv/music/"));
    ASSERT_TRUE(db().AddFolder("Documents", "/srv/documents/"));
    frmAddRemoveFolder& list = openFolderList();
    EXPECT_EQ(list.windowTitle(), "Add/Remove Folder(Menu)");
    EXPECT_EQ(texts(list.ListView1), (std::vector<std::string>{"Documents", "Music"}));
    EXPECT_EQ(list.ListView1->item(1)->toolTip(), "/srv/music/");

    list.cmdDelete->click();
    EXPECT_TRUE(dialogs.calls.empty());

    list.ListView1->setCurrentRow(1);
    list.cmdDelete->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Folder : Music. Has been removed", "Deleted Folder",
                                                              MessageIcon::Information}}));
    EXPECT_EQ(texts(list.ListView1), (std::vector<std::string>{"Documents"}));
}

TEST_F(FolderTest, ThePickerAddsTheDoubleClickedFolderWithItsPathEndingInASlash) {
    std::filesystem::create_directories(folder / "share" / "Games" / "Chess");
    std::filesystem::create_directories(folder / "share" / "Music");
    frmAddRemoveFolder& list = openFolderList();
    frmFolderDialog& picker = openPicker(list);
    EXPECT_EQ(picker.windowTitle(), "Select A Folder");
    for (int i = 0; i < picker.ctlFolderList->topLevelItemCount(); ++i)
        EXPECT_TRUE(frmFolderDialog::nodePath(picker.ctlFolderList->topLevelItem(i)).ends_with('/'));

    QTreeWidgetItem* share = openDownTo(picker, folder / "share");
    ASSERT_NE(share, nullptr);
    ASSERT_EQ(share->childCount(), 2);
    // A second double-click reads nothing again.
    doubleClick(picker, share);
    EXPECT_EQ(share->childCount(), 2);
    QTreeWidgetItem* games = child(share, "Games");
    ASSERT_NE(games, nullptr);
    doubleClick(picker, games);
    EXPECT_EQ(picker.SelectedFolder(), "Games");
    EXPECT_EQ(picker.SelectedPath(), (folder / "share" / "Games").string() + "/");
    EXPECT_EQ(games->childCount(), 1);

    picker.cmdOk->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Added Folder : Games", "Add Folder", MessageIcon::Information}}));
    auto folders = db().GetFolders();
    ASSERT_EQ(folders->RecordCount(), 1);
    EXPECT_EQ(folders->Fields("Folder_Name").Value().toText(), "Games");
    EXPECT_EQ(folders->Fields("Folder_Path").Value().toText(), (folder / "share" / "Games").string() + "/");
    EXPECT_EQ(texts(list.ListView1), (std::vector<std::string>{"Games"}));
    processDeletes();
    EXPECT_EQ(program->loadedFolderDialogWindow(), nullptr);
}

TEST_F(FolderTest, SubfoldersComeInNaturalOrderTypingFindsOneAndAPathCanBeTyped) {
    for (const char* name : {"Disc 10", "disc 2", "alpha", "Beta"})
        std::filesystem::create_directories(folder / "share" / name);
    frmAddRemoveFolder& list = openFolderList();
    frmFolderDialog& picker = openPicker(list);
    QTreeWidgetItem* share = openDownTo(picker, folder / "share");
    ASSERT_NE(share, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < share->childCount(); ++i) names.push_back(share->child(i)->text(0).toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "disc 2", "Disc 10"}));

    QTest::keyClicks(picker.ctlFolderList, "di");
    ASSERT_NE(picker.ctlFolderList->currentItem(), nullptr);
    EXPECT_EQ(picker.ctlFolderList->currentItem()->text(0), "disc 2");
    EXPECT_EQ(picker.txtPath->text().toStdString(), (folder / "share" / "disc 2").string() + "/");

    picker.txtPath->setText("/no/such/place");
    picker.cmdOk->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"The folder /no/such/place does not exist.", "Error",
                                                              MessageIcon::Exclamation}}));
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(db().GetFolders()->RecordCount(), 0);

    dialogs.clear();
    picker.txtPath->setText(QString::fromStdString((folder / "share" / "Beta").string()));
    picker.cmdOk->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Added Folder : Beta", "Add Folder", MessageIcon::Information}}));
    auto folders = db().GetFolders();
    ASSERT_EQ(folders->RecordCount(), 1);
    EXPECT_EQ(folders->Fields("Folder_Path").Value().toText(), (folder / "share" / "Beta").string() + "/");
}

TEST_F(FolderTest, AFolderNameTakenInAnyCaseIsRefusedWithItsReport) {
    std::filesystem::create_directories(folder / "share" / "games");
    ASSERT_TRUE(db().AddFolder("GAMES", "/srv/games/"));
    frmAddRemoveFolder& list = openFolderList();
    frmFolderDialog& picker = openPicker(list);
    QTreeWidgetItem* games = openDownTo(picker, folder / "share" / "games");
    ASSERT_NE(games, nullptr);
    picker.cmdOk->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"3022, A folder named 'GAMES' already exists.", "Portico", MessageIcon::Critical},
                                         {"Couldn't Add Folder : games", "Error", MessageIcon::Exclamation}}));
    auto folders = db().GetFolders();
    ASSERT_EQ(folders->RecordCount(), 1);
    EXPECT_EQ(folders->Fields("Folder_Path").Value().toText(), "/srv/games/");
}

TEST_F(FolderTest, CancelAndAddWithoutSelectionAddNothing) {
    frmAddRemoveFolder& list = openFolderList();
    frmFolderDialog& picker = openPicker(list);
    picker.cmdOk->click();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(picker.isVisible());

    doubleClick(picker, picker.ctlFolderList->topLevelItem(0));
    picker.cmdCancel->click();
    EXPECT_TRUE(picker.Cancelled());
    EXPECT_TRUE(picker.SelectedPath().empty());
    EXPECT_TRUE(picker.SelectedFolder().empty());
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(db().GetFolders()->RecordCount(), 0);
}

}  // namespace
}  // namespace portico::admin::test
