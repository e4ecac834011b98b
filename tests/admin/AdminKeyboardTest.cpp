#include "tests/admin/AdminFixture.h"

#include "admin/frmAddProgram.h"
#include "admin/frmAddRemoveFolder.h"
#include "admin/frmFolderDialog.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/frmThemeManage.h"
#include "views/ucProgramView.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace portico::admin::test {
namespace {

const ShownMessage kLoseChanges{"Close this window and lose the changes you made?", "Confirmation",
                                MessageIcon::Question, MessageButtons::YesNo, DefaultButton::Second};

class AdminKeyboardTest : public AdminTest {
protected:
    frmSetup& start() {
        EXPECT_TRUE(program->start());
        return *program->loadedSetupWindow();
    }

    frmAddProgram& openAdd(frmSetup& setup) {
        setup.cmdAdd->click();
        EXPECT_NE(program->loadedAddProgramWindow(), nullptr);
        return *program->loadedAddProgramWindow();
    }

    void select(frmSetup& setup, const std::string& name) {
        const auto found = setup.ucProgramView1->lstView->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        setup.ucProgramView1->lstView->setCurrentItem(found.front());
    }

    std::string currentText(frmSetup& setup) {
        const QListWidgetItem* item = setup.ucProgramView1->lstView->currentItem();
        return item ? item->text().toStdString() : "<none>";
    }

    std::string description(const std::string& name) {
        auto records = db().loadProgram(name);
        if (!records || records->RecordCount() == 0) return "<no program>";
        return records->Fields("Program_Desc").Value().toText();
    }

    static std::size_t fileDialogs(const ScriptedDialogService& service) {
        std::size_t count = 0;
        for (const auto& call : service.calls) count += call.kind == portico::test::DialogCall::Kind::OpenFile;
        return count;
    }
};

TEST_F(AdminKeyboardTest, ReturnInAFieldAddsWhileTheHelperButtonsOpenOnlyWhenTheyHaveTheFocus) {
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    for (QPushButton* helper : {add.cmdExePath, add.cmdStartInFolderButton, add.cmbProgramParmsButton, add.cmdIcon}) {
        EXPECT_FALSE(helper->autoDefault()) << helper->objectName().toStdString();
        EXPECT_FALSE(helper->isDefault()) << helper->objectName().toStdString();
    }
    EXPECT_TRUE(add.cmdAdd->isDefault());

    // Return on the focused "..." is that button's own.
    add.cmdExePath->setFocus();
    dialogs.answerFile(std::nullopt);
    QTest::keyClick(add.cmdExePath, Qt::Key_Return);
    EXPECT_EQ(fileDialogs(dialogs), 1u);
    EXPECT_TRUE(dialogs.messages().empty());

    dialogs.clear();
    add.txtProgramName->setFocus();
    QTest::keyClicks(add.txtProgramName, "Chess");
    add.txtProgramPath->setFocus();
    QTest::keyClicks(add.txtProgramPath, "/bin/sh");
    QTest::keyClick(add.txtProgramPath, Qt::Key_Return);

    EXPECT_EQ(fileDialogs(dialogs), 0u);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Chess"}));
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Chess"}));
}

TEST_F(AdminKeyboardTest, TabLeavesTheDescriptionWithoutTypingATab) {
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    add.txtProgramDescription->setFocus();
    QTest::keyClicks(add.txtProgramDescription, "Plays chess");
    QTest::keyClick(add.txtProgramDescription, Qt::Key_Tab);
    EXPECT_EQ(add.txtProgramDescription->toPlainText(), "Plays chess");
    EXPECT_EQ(add.focusWidget(), add.txtStartInPath);
    QTest::keyClick(add.txtStartInPath, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(add.focusWidget(), add.txtProgramDescription);
}

TEST_F(AdminKeyboardTest, EscapeAsksBeforeLosingTypedChangesAndClosesAtOnceWithout) {
    frmSetup& setup = start();
    // Nothing typed: Escape just closes.
    QTest::keyClick(openAdd(setup).txtProgramName, Qt::Key_Escape);
    processDeletes();
    EXPECT_EQ(program->loadedAddProgramWindow(), nullptr);
    EXPECT_TRUE(dialogs.calls.empty());

    frmAddProgram& add = openAdd(setup);
    add.txtProgramName->setFocus();
    QTest::keyClicks(add.txtProgramName, "Chess");
    dialogs.answerMessage(MessageAnswer::No);
    QTest::keyClick(add.txtProgramName, Qt::Key_Escape);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{kLoseChanges}));
    processDeletes();
    ASSERT_EQ(program->loadedAddProgramWindow(), &add);
    EXPECT_TRUE(add.isVisible());
    EXPECT_EQ(add.txtProgramName->text(), "Chess");

    // Typing back to what was there is no change.
    dialogs.clear();
    QTest::keyClicks(add.txtProgramName, "\b\b\b\b\b");
    ASSERT_EQ(add.txtProgramName->text(), "");
    add.txtProgramDescription->setFocus();
    QTest::keyClicks(add.txtProgramDescription, "x");
    dialogs.answerMessage(MessageAnswer::Yes);
    QTest::keyClick(add.txtProgramDescription, Qt::Key_Escape);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{kLoseChanges}));
    processDeletes();
    EXPECT_EQ(program->loadedAddProgramWindow(), nullptr);
    EXPECT_TRUE(programNames().empty());
}

TEST_F(AdminKeyboardTest, EscapeInTheModifyDialogComparesWithTheProgramAsLoaded) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    frmSetup& setup = start();
    select(setup, "Calculator");
    setup.cmdModify->click();
    frmModifyProgram* modify = program->loadedModifyProgramWindow();
    ASSERT_NE(modify, nullptr);
    ASSERT_EQ(modify->txtProgramName->text(), "Calculator");
    QTest::keyClick(modify->txtProgramName, Qt::Key_Escape);
    processDeletes();
    EXPECT_EQ(program->loadedModifyProgramWindow(), nullptr);
    EXPECT_TRUE(dialogs.calls.empty());

    setup.cmdModify->click();
    modify = program->loadedModifyProgramWindow();
    ASSERT_NE(modify, nullptr);
    modify->txtStartInParams->setFocus();
    QTest::keyClicks(modify->txtStartInParams, "--big");
    dialogs.answerMessage(MessageAnswer::Yes);
    QTest::keyClick(modify->txtStartInParams, Qt::Key_Escape);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{kLoseChanges}));
    processDeletes();
    EXPECT_EQ(program->loadedModifyProgramWindow(), nullptr);
    EXPECT_EQ(description("Calculator"), "About Calculator");

    // Return in a field saves.
    dialogs.clear();
    setup.cmdModify->click();
    modify = program->loadedModifyProgramWindow();
    ASSERT_NE(modify, nullptr);
    modify->txtProgramDescription->setFocus();
    QTest::keyClick(modify->txtProgramDescription, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(modify->txtProgramDescription, " and more");
    modify->txtProgramPath->setFocus();
    QTest::keyClick(modify->txtProgramPath, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Modified", "Sucess", MessageIcon::Information}}));
    EXPECT_EQ(description("Calculator"), "About Calculator and more");
}

TEST_F(AdminKeyboardTest, TheProgramListTakesDeleteReturnAndF5) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    addProgram("Editor", solidPicture(Qt::cyan));
    frmSetup& setup = start();
    QListWidget* list = setup.ucProgramView1->lstView;

    // Nothing selected: the keys have nothing to act on.
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(program->loadedModifyProgramWindow(), nullptr);

    select(setup, "Editor");
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_NE(program->loadedModifyProgramWindow(), nullptr);
    EXPECT_EQ(program->loadedModifyProgramWindow()->txtProgramName->text(), "Editor");
    program->loadedModifyProgramWindow()->close();
    processDeletes();

    const ShownMessage question{"Delete Editor?", "Question", MessageIcon::Question, MessageButtons::YesNo,
                                DefaultButton::Second};
    dialogs.answerMessage(MessageAnswer::No);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{question}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Calculator", "Editor"}));

    dialogs.clear();
    dialogs.answerMessage(MessageAnswer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{question, {"Program has been deleted", "Confirmation", MessageIcon::Information}}));
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Calculator"}));

    // Another administrator's changes show after F5; the current program stays current.
    addProgram("Atlas", solidPicture(Qt::red));
    ASSERT_TRUE(db().addProgram("Viewer", "About Viewer", "/usr/bin/true", "", "", ""));
    select(setup, "Calculator");
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Calculator"}));
    dialogs.clear();
    QTest::keyClick(list, Qt::Key_F5);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Atlas", "Calculator", "Viewer"}));
    EXPECT_EQ(currentText(setup), "Calculator");
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(AdminKeyboardTest, ReturnInTheThemeListAppliesNothing) {
    ASSERT_TRUE(db().CreateTheme("Autumn", (folder / "splash.bmp").string()));
    frmThemeManage& manager = program->themeManageWindow();
    program->showModal(manager, nullptr);
    const auto found = manager.lstTheme->findItems("Autumn", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    manager.lstTheme->setCurrentItem(found.front());
    manager.lstTheme->setFocus();
    QTest::keyClick(manager.lstTheme, Qt::Key_Return);
    QTest::keyClick(manager.lstTheme, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(db().getDefaultTheme(), "Classic");
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(manager.isVisible());

    // The button still applies it.
    manager.cmdApply->setFocus();
    QTest::keyClick(manager.cmdApply, Qt::Key_Return);
    EXPECT_EQ(db().getDefaultTheme(), "Autumn");
}

TEST_F(AdminKeyboardTest, ReturnInTheFolderPickerOpensAndClosesNodesAndOnlyAddAdds) {
    std::filesystem::create_directories(folder / "share" / "Games");
    std::filesystem::create_directories(folder / "share" / "Music");
    frmAddRemoveFolder& list = program->addRemoveFolderWindow();
    program->showModal(list, nullptr);
    list.cmdAdd->click();
    frmFolderDialog* picker = program->loadedFolderDialogWindow();
    ASSERT_NE(picker, nullptr);
    QTreeWidget* tree = picker->ctlFolderList;

    // The drive holding the test folder: the longest mount point above it.
    const std::string target = (folder / "share").string();
    QTreeWidgetItem* node = nullptr;
    std::size_t best = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const std::string mount = frmFolderDialog::nodePath(tree->topLevelItem(i));
        if (target.rfind(mount, 0) == 0 && mount.size() > best) {
            node = tree->topLevelItem(i);
            best = mount.size();
        }
    }
    ASSERT_NE(node, nullptr);
    tree->setFocus();
    for (const auto& part : std::filesystem::path(target.substr(best))) {
        tree->setCurrentItem(node);
        QTest::keyClick(tree, Qt::Key_Return);
        ASSERT_TRUE(node->isExpanded());
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->text(0).toStdString() == part.string()) next = node->child(i);
        ASSERT_NE(next, nullptr) << part;
        node = next;
    }
    tree->setCurrentItem(node);
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_TRUE(node->isExpanded());
    EXPECT_EQ(node->childCount(), 2);
    QTest::keyClick(tree, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(node->isExpanded());
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_TRUE(node->isExpanded());
    EXPECT_EQ(node->childCount(), 2);

    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(db().GetFolders()->RecordCount(), 0);
    EXPECT_TRUE(picker->isVisible());

    picker->cmdOk->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Added Folder : share", "Add Folder", MessageIcon::Information}}));
    EXPECT_EQ(texts(list.ListView1), (std::vector<std::string>{"share"}));
}

}  // namespace
}  // namespace portico::admin::test
