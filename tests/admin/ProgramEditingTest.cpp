#include "tests/admin/AdminFixture.h"

#include "admin/frmAddProgram.h"
#include "admin/frmExpandTextArea.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "views/ucProgramView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <sqlite3.h>

namespace portico::admin::test {
namespace {

class ProgramEditingTest : public AdminTest {
protected:
    ProgramEditingTest() {
        // Stands in for the icon picker: "selects" the queued picture, if any,
        // and saves it where the real one does.
        program->setIconPicker([this](const std::string& path) -> std::optional<std::string> {
            pickerPaths.push_back(path);
            if (picks.empty()) return std::nullopt;
            std::string picked = picks.front();
            folder.write("pictures/temp.bmp", picked);
            picks.erase(picks.begin());
            return picked;
        });
    }

    frmSetup& start() {
        EXPECT_TRUE(program->start());
        return *program->loadedSetupWindow();
    }

    frmAddProgram& openAdd(frmSetup& setup) {
        setup.cmdAdd->click();
        EXPECT_NE(program->loadedAddProgramWindow(), nullptr);
        return *program->loadedAddProgramWindow();
    }

    frmModifyProgram& openModify(frmSetup& setup, const std::string& name) {
        const auto found = setup.ucProgramView1->lstView->findItems(QString::fromStdString(name), Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1);
        setup.ucProgramView1->lstView->setCurrentItem(found.front());
        setup.cmdModify->click();
        return *program->loadedModifyProgramWindow();
    }

    std::string field(const std::string& name, const std::string& column) {
        auto records = db().loadProgram(name);
        if (!records || records->RecordCount() == 0) return "<no program>";
        const Variant& value = records->Fields(column).Value();
        return value.isNull() ? "<null>" : value.toText();
    }

    std::vector<std::string> picks;
    std::vector<std::string> pickerPaths;
};

TEST_F(ProgramEditingTest, AddValidatesTrimsStoresAndReloadsTheListOnce) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    EXPECT_EQ(add.windowTitle(), "Add A New Runnable Program..");
    EXPECT_EQ(add.Image1->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));

    add.txtProgramName->setText("   ");
    add.txtProgramPath->setText("/bin/sh");
    add.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Please fill all fields in.", "Error", MessageIcon::Exclamation}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Calculator"}));

    dialogs.clear();
    add.txtProgramName->setText("  Chess  ");
    add.txtProgramPath->setText(" /bin/sh ");
    add.txtProgramDescription->setPlainText("  Plays chess  ");
    add.txtStartInPath->setText(" /tmp ");
    add.txtStartInParams->setText(" --level 3 ");
    add.cmdAdd->click();

    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    EXPECT_EQ(field("Chess", "Program_Name"), "Chess");
    EXPECT_EQ(field("Chess", "Program_Path"), "/bin/sh");
    EXPECT_EQ(field("Chess", "Program_Desc"), "Plays chess");
    EXPECT_EQ(field("Chess", "Program_StartInDir"), "/tmp");
    EXPECT_EQ(field("Chess", "Program_StartUpParms"), "--level 3");
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Calculator", "Chess"}));
    processDeletes();
    EXPECT_EQ(program->loadedAddProgramWindow(), nullptr);
}

TEST_F(ProgramEditingTest, RunInATerminalIsStoredByAddAndShownAndChangedByModify) {
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    EXPECT_EQ(add.chkTerminal->text(), "Run in a terminal");
    EXPECT_FALSE(add.chkTerminal->isChecked());
    add.txtProgramName->setText("Top");
    add.txtProgramPath->setText("/bin/sh");
    add.chkTerminal->setChecked(true);
    add.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    EXPECT_TRUE(db().runsInTerminal("Top"));
    processDeletes();

    frmModifyProgram& modify = openModify(setup, "Top");
    EXPECT_TRUE(modify.chkTerminal->isChecked());
    // Unticking is a change that Escape asks about.
    modify.chkTerminal->setChecked(false);
    dialogs.clear();
    QTest::keyClick(&modify, Qt::Key_Escape);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "Close this window and lose the changes you made?");
    modify.cmdAdd->click();
    EXPECT_FALSE(db().runsInTerminal("Top"));
}

// A catalogue that refuses the mark refuses the program with it, and the
// dialog never follows the error with a success.
TEST_F(ProgramEditingTest, AMarkTheCatalogueRefusesSavesNothingAndIsNotCalledASuccess) {
    addProgram("Shell", solidPicture(Qt::yellow), "/bin/sh");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
    for (const char* when : {"INSERT", "UPDATE"}) {
        const std::string trigger = std::string("CREATE TRIGGER refuse_") + when + " BEFORE " + when +
                                    " ON Program WHEN NEW.Program_Terminal IS NOT NULL BEGIN "
                                    "SELECT RAISE(ABORT, 'no terminal programs here'); END";
        ASSERT_EQ(sqlite3_exec(raw, trigger.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    sqlite3_close(raw);
    frmSetup& setup = start();

    frmAddProgram& add = openAdd(setup);
    add.txtProgramName->setText("Top");
    add.txtProgramPath->setText("/bin/sh");
    add.chkTerminal->setChecked(true);
    add.cmdAdd->click();
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_THAT(dialogs.messages()[0].text, ::testing::HasSubstr("no terminal programs here"));
    EXPECT_EQ(dialogs.messages()[1], (ShownMessage{"Unable to add program", "Error", MessageIcon::Critical}));
    EXPECT_EQ(field("Top", "Program_Name"), "<no program>");
    add.close();
    processDeletes();

    frmModifyProgram& modify = openModify(setup, "Shell");
    dialogs.clear();
    modify.txtProgramPath->setText("/bin/bash");
    modify.chkTerminal->setChecked(true);
    modify.cmdAdd->click();
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_THAT(dialogs.messages()[0].text, ::testing::HasSubstr("no terminal programs here"));
    EXPECT_EQ(dialogs.messages()[1], (ShownMessage{"Unable to add program", "Error", MessageIcon::Critical}));
    EXPECT_EQ(field("Shell", "Program_Path"), "/bin/sh");
}

TEST_F(ProgramEditingTest, SavingAProgramWhoseFileOrFolderIsMissingAsksFirst) {
    addProgram("Shell", solidPicture(Qt::yellow), "/bin/sh");
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    add.txtProgramName->setText("Chess");
    add.txtProgramPath->setText("/usr/games/no-such-chess");
    add.txtStartInPath->setText((folder / "gone").c_str());
    add.cmdAdd->click();  // Cancel, the default
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "The program file /usr/games/no-such-chess does not exist.\nThe start-in folder " +
                                         (folder / "gone").string() +
                                         " does not exist.\n\nThe program cannot start until this is put right. "
                                         "Save anyway?");
    EXPECT_EQ(dialogs.calls[0].title, "Warning");
    EXPECT_EQ(dialogs.calls[0].buttons, MessageButtons::SaveAnywayCancel);
    EXPECT_EQ(dialogs.calls[0].defaultButton, DefaultButton::Second);
    EXPECT_EQ(field("Chess", "Program_Name"), "<no program>");

    // A name found on the search path, in an existing folder, is not asked about.
    dialogs.clear();
    add.txtProgramPath->setText("sh");
    add.txtStartInPath->setText(folder.str().c_str());
    add.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    processDeletes();

    frmModifyProgram& modify = openModify(setup, "Shell");
    modify.txtProgramPath->setText("/opt/gone/shell");
    dialogs.clear();
    dialogs.answerMessage(MessageAnswer::Cancel);
    modify.cmdAdd->click();
    EXPECT_EQ(field("Shell", "Program_Path"), "/bin/sh");
    dialogs.answerMessage(MessageAnswer::SaveAnyway);
    modify.cmdAdd->click();
    EXPECT_EQ(field("Shell", "Program_Path"), "/opt/gone/shell");
    ASSERT_EQ(dialogs.messages().size(), 3u);
    EXPECT_EQ(dialogs.messages()[0].text, "The program file /opt/gone/shell does not exist.\n\nThe program cannot "
                                          "start until this is put right. Save anyway?");
    EXPECT_EQ(dialogs.messages()[2].text, "Program Modified");
}

TEST_F(ProgramEditingTest, AProgramAddedWithoutAPickGetsTheDefaultIconNotTheLastExportedOne) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    frmSetup& setup = start();  // the list exported Calculator's icon to the picture file
    frmAddProgram& add = openAdd(setup);
    add.txtProgramName->setText("Chess");
    add.txtProgramPath->setText("/bin/sh");
    add.cmdAdd->click();

    EXPECT_EQ(storedIcon("Chess"), TempFolder::read(folder / "Default.ico"));
}

TEST_F(ProgramEditingTest, ThePickedIconIsStoredEvenWhenTheListExportedPicturesMeanwhile) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    add.txtProgramPath->setText(" /bin/sh");
    const std::string picked = solidPicture(Qt::magenta);
    picks.push_back(picked);
    const QColor before = add.Picture2->pixmap().toImage().pixelColor(20, 20);
    add.cmdIcon->click();
    EXPECT_EQ(pickerPaths, (std::vector<std::string>{" /bin/sh"}));
    // The pick shows at once, where the default icon was.
    EXPECT_NE(before, QColor(Qt::magenta));
    EXPECT_EQ(add.Picture2->pixmap().toImage().pixelColor(20, 20), QColor(Qt::magenta));

    // The setup window stays usable while the add dialog is open.
    setup.ucProgramView1->reloadView();
    // A second look in the picker that ends with Close keeps the first pick.
    add.cmdIcon->click();
    add.txtProgramName->setText("Chess");
    add.cmdAdd->click();

    EXPECT_EQ(storedIcon("Chess"), picked);
}

TEST_F(ProgramEditingTest, TheExecutableDialogFillsThePathAndACancelChangesNothing) {
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    dialogs.answerFile("/usr/games/chess");
    add.cmdExePath->click();
    EXPECT_EQ(add.txtProgramPath->text(), "/usr/games/chess");
    EXPECT_EQ(dialogs.calls.back().title, "Select Program's Executable File..");
    EXPECT_EQ(dialogs.calls.back().startPath, "/usr/bin");

    add.txtProgramPath->setText("/opt/chess/bin/chess");
    add.cmdExePath->click();  // cancelled
    EXPECT_EQ(add.txtProgramPath->text(), "/opt/chess/bin/chess");
    EXPECT_EQ(dialogs.calls.back().startPath, "/usr/games/chess");
}

TEST_F(ProgramEditingTest, TheTypingAreaOpensWithTheFieldsTextAndOnlyOKWritesItBack) {
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    add.txtStartInParams->setText("--geometry 640x480 --title Long");
    add.cmbProgramParmsButton->click();
    frmExpandTextArea* area = qobject_cast<frmExpandTextArea*>(modalWindows.back());
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->parentWidget(), &add);
    EXPECT_EQ(area->windowTitle(), "Program Parameters");
    EXPECT_EQ(area->cmdOK->text(), "OK");
    EXPECT_EQ(area->cmdCancel->text(), "Cancel");
    EXPECT_EQ(area->txtTypingArea->toPlainText(), "--geometry 640x480 --title Long");
    area->txtTypingArea->setPlainText("--title\nShort");
    area->cmdOK->click();
    EXPECT_EQ(add.txtStartInParams->text(), "--title Short");
    processDeletes();

    add.cmdStartInFolderButton->click();
    area = qobject_cast<frmExpandTextArea*>(modalWindows.back());
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->windowTitle(), "Start In Folder");
    area->txtTypingArea->clear();
    area->cmdCancel->click();
    EXPECT_EQ(add.txtStartInPath->text(), "");
    EXPECT_EQ(add.txtStartInParams->text(), "--title Short");
}

// Looking at a long line and leaving with Escape or the close box loses nothing.
TEST_F(ProgramEditingTest, EscapeAndTheCloseBoxLeaveTheFieldAsItWas) {
    frmSetup& setup = start();
    frmAddProgram& add = openAdd(setup);
    add.txtStartInParams->setText("-geometry 200x200");

    add.cmbProgramParmsButton->click();
    QPointer<frmExpandTextArea> area = qobject_cast<frmExpandTextArea*>(modalWindows.back());
    ASSERT_NE(area, nullptr);
    area->show();
    area->txtTypingArea->setPlainText("typed, then thought better of it");
    EXPECT_TRUE(area->close());
    EXPECT_FALSE(area->isVisible());
    EXPECT_EQ(add.txtStartInParams->text(), "-geometry 200x200");
    processDeletes();
    EXPECT_TRUE(area.isNull());

    add.cmbProgramParmsButton->click();
    area = qobject_cast<frmExpandTextArea*>(modalWindows.back());
    ASSERT_NE(area, nullptr);
    area->show();
    area->txtTypingArea->clear();
    QTest::keyClick(area->txtTypingArea, Qt::Key_Escape);
    EXPECT_FALSE(area->isVisible());
    EXPECT_EQ(add.txtStartInParams->text(), "-geometry 200x200");
}

TEST_F(ProgramEditingTest, ModifyRenamesTheProgramAndKeepsItsPicture) {
    const std::string icon = solidPicture(Qt::yellow);
    addProgram("Calculator", icon, "/usr/bin/bc");
    addProgram("Editor", solidPicture(Qt::cyan));
    frmSetup& setup = start();
    frmModifyProgram& modify = openModify(setup, "Calculator");
    EXPECT_EQ(modify.windowTitle(), "Modify A Runnable Program..");
    EXPECT_EQ(modify.Program(), "Calculator");
    EXPECT_EQ(modify.txtProgramName->text(), "Calculator");
    EXPECT_EQ(modify.txtProgramDescription->toPlainText(), "About Calculator");
    EXPECT_EQ(modify.Picture2->pixmap().toImage().pixelColor(20, 20), QColor(Qt::yellow));

    modify.txtProgramName->setText(" Desk Calculator ");
    dialogs.clear();
    modify.cmdAdd->click();

    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Program Modified", "Sucess", MessageIcon::Information}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Desk Calculator", "Editor"}));
    EXPECT_EQ(field("Desk Calculator", "Program_Path"), "/usr/bin/bc");
    EXPECT_EQ(storedIcon("Desk Calculator"), icon);
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Desk Calculator", "Editor"}));
}

TEST_F(ProgramEditingTest, ModifyStoresANewlyPickedIconAndOffersTheTypingArea) {
    addProgram("Calculator", solidPicture(Qt::yellow), "/usr/bin/bc");
    frmSetup& setup = start();
    frmModifyProgram& modify = openModify(setup, "Calculator");
    const std::string picked = solidPicture(Qt::magenta);
    picks.push_back(picked);
    modify.cmdIcon->click();
    EXPECT_EQ(pickerPaths, (std::vector<std::string>{"/usr/bin/bc"}));
    EXPECT_EQ(modify.Picture2->pixmap().toImage().pixelColor(20, 20), QColor(Qt::magenta));

    modify.cmbProgramParmsButton->click();
    auto* area = qobject_cast<frmExpandTextArea*>(modalWindows.back());
    ASSERT_NE(area, nullptr);
    area->txtTypingArea->setPlainText("-l");
    area->cmdOK->click();
    modify.cmdAdd->click();

    EXPECT_EQ(storedIcon("Calculator"), picked);
    EXPECT_EQ(field("Calculator", "Program_StartUpParms"), "-l");
}

}  // namespace
}  // namespace portico::admin::test
