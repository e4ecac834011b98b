#include "tests/admin/AdminFixture.h"

#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/ucLeftFrame.h"
#include "gui/ActionLabel.h"
#include "gui/FatalError.h"
#include "settings/ProgramFolder.h"
#include "settings/clsEnvironment.h"
#include "settings/clsIniFile.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace portico::admin::test {
namespace {

class SetupWindowTest : public AdminTest {
protected:
    frmSetup& start() {
        EXPECT_TRUE(program->start());
        return *program->loadedSetupWindow();
    }

    void select(frmSetup& setup, const std::string& name) {
        const auto found = setup.ucProgramView1->lstView->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        setup.ucProgramView1->lstView->setCurrentItem(found.front());
    }

    std::string iniValue(const std::string& section, const std::string& key) {
        clsIniFile ini;
        ini.setFullPath((folder / "Portico.ini").string());
        ini.setSectionName(section);
        return ini.GetString(key, "<missing>");
    }
};

TEST_F(SetupWindowTest, StartUpShowsTheCatalogueWithTheDefaultThemeAndTheDefaultIcon) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    addProgram("Editor", solidPicture(Qt::cyan));

    frmSetup& setup = start();

    EXPECT_TRUE(setup.isVisible());
    EXPECT_EQ(setup.windowTitle(), "Portico Setup....");
    EXPECT_EQ(program->CurrentTheme(), "Classic");
    EXPECT_EQ(setup.txtDatabaseLocation->text().toStdString(), catalogue().string());
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Calculator", "Editor"}));
    const QPixmap themePicture = setup.ucLeftFrame1->Image1->pixmap();
    ASSERT_FALSE(themePicture.isNull());
    EXPECT_EQ(themePicture.toImage().pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_EQ(db().DefaultIconPath(), (folder / "Default.ico").string());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(SetupWindowTest, ALargeSplashPictureIsShrunkWholeAndTheLocationIsNotTyped) {
    // Left half blue, right half red: a cut picture would lose the red.
    QImage large(800, 100, QImage::Format_RGB32);
    large.fill(Qt::blue);
    for (int y = 0; y < 100; ++y)
        for (int x = 400; x < 800; ++x) large.setPixelColor(x, y, Qt::red);
    ASSERT_TRUE(large.save(QString::fromStdString((folder / "large.png").string())));
    ASSERT_TRUE(db().CreateTheme("Wide", (folder / "large.png").string()));
    ASSERT_TRUE(db().setDefaultTheme("Wide"));

    frmSetup& setup = start();
    const QImage shown = setup.ucLeftFrame1->Image1->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(200, 25));
    EXPECT_EQ(shown.pixelColor(20, 12), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(180, 12), QColor(Qt::red));
    EXPECT_TRUE(setup.txtDatabaseLocation->isReadOnly());
}

TEST_F(SetupWindowTest, ThemeWithoutSplashPictureLeavesThePanelEmptyWithoutMessage) {
    ASSERT_TRUE(db().CreateTheme("Plain", "", (folder / "addremove.bmp").string()));
    ASSERT_TRUE(db().setDefaultTheme("Plain"));

    frmSetup& setup = start();

    EXPECT_TRUE(setup.ucLeftFrame1->Image1->pixmap().isNull());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(SetupWindowTest, ADatabaseThatIsNotThereIsOfferedForCreationWhereTheSettingsSay) {
    const auto missing = folder / "data" / "Missing.mdb";
    folder.write("Portico.ini", "[Database]\nDatabasePath=" + missing.string() + "\n[General]\nDefaultDialogIconPath=" +
                                    folder.str() + "\nDefaultDialogDBPath=" + folder.str() + "\n");
    dialogs.answerMessage(MessageAnswer::Yes);
    frmSetup& setup = start();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("There is no catalogue file at " + missing.string()), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_regular_file(missing));
    EXPECT_EQ(setup.txtDatabaseLocation->text().toStdString(), missing.string());
}

TEST_F(SetupWindowTest, ChangingTheDatabaseLocationRewritesTheSettingsAndResetsTheGeneralValues) {
    frmSetup& setup = start();
    {
        clsIniFile ini;
        ini.IniWrite("General", "RequireLogin", "1", (folder / "Portico.ini").string());
        ini.IniWrite("General", "ShowToolbar", "1", (folder / "Portico.ini").string());
        ini.IniWrite("General", "NumberOfClicks", "5", (folder / "Portico.ini").string());
    }
    const std::string other = (folder / "data" / "Other.mdb").string();
    CatalogueFile::create(other);
    dialogs.answerFile(other);

    setup.cmdBrowse->click();

    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].title, "Select Database...");
    EXPECT_EQ(dialogs.calls[0].startPath, (folder / "data").string());
    EXPECT_EQ(dialogs.messages().back(),
              (ShownMessage{"Database Location has been updated", "Information", MessageIcon::Information}));
    EXPECT_EQ(iniValue("Database", "DatabasePath"), other);
    EXPECT_EQ(iniValue("General", "RequireLogin"), "0");
    EXPECT_EQ(iniValue("General", "ShowToolbar"), "0");
    EXPECT_EQ(iniValue("General", "NumberOfClicks"), "2");
    EXPECT_EQ(iniValue("General", "DefaultIcon"), (folder / "Default.ico").string());
    // The running program stays on the catalogue it opened.
    EXPECT_EQ(setup.txtDatabaseLocation->text().toStdString(), catalogue().string());
    EXPECT_EQ(db().LoadThemes()->RecordCount(), 1);

    // Cancelling afterwards picks nothing: no second save, whatever the dialog remembers.
    dialogs.clear();
    {
        clsIniFile ini;
        ini.IniWrite("General", "NumberOfClicks", "7", (folder / "Portico.ini").string());
    }
    setup.cmdBrowse->click();
    EXPECT_EQ(dialogs.calls.front().startPath, other);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Database is same as selected file", "Same", MessageIcon::Exclamation}}));
    EXPECT_EQ(iniValue("General", "NumberOfClicks"), "7");
}

TEST_F(SetupWindowTest, PickingTheDatabaseInUseWritesNothing) {
    frmSetup& setup = start();
    const std::string before = TempFolder::read(folder / "Portico.ini");
    dialogs.answerFile(catalogue().string());

    setup.changeDatabaseLocation();

    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Database is same as selected file", "Same", MessageIcon::Exclamation}}));
    EXPECT_EQ(TempFolder::read(folder / "Portico.ini"), before);
}

TEST_F(SetupWindowTest, ASettingsFileThatHasGoneIsReportedInsteadOfEndingTheProgram) {
    frmSetup& setup = start();
    std::filesystem::remove(folder / "Portico.ini");
    CatalogueFile::create(folder / "data" / "Other.mdb");
    dialogs.answerFile((folder / "data" / "Other.mdb").string());

    setup.changeDatabaseLocation();

    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Unable to save settings", "Error", MessageIcon::Critical}}));
    EXPECT_FALSE(std::filesystem::exists(folder / "Portico.ini"));
}

TEST_F(SetupWindowTest, DeleteAsksAndDeletesOnlyOnYes) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    addProgram("Editor", solidPicture(Qt::cyan));
    frmSetup& setup = start();

    // Nothing selected: nothing to ask about, nothing reported.
    setup.cmdDelete->click();
    EXPECT_TRUE(dialogs.calls.empty());

    select(setup, "Calculator");
    dialogs.answerMessage(MessageAnswer::No);
    setup.cmdDelete->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Delete Calculator?", "Question", MessageIcon::Question,
                                                              MessageButtons::YesNo, DefaultButton::Second}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Calculator", "Editor"}));

    dialogs.clear();
    dialogs.answerMessage(MessageAnswer::Yes);
    emit setup.ucProgramView1->DeleteMenuClicked();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Delete Calculator?", "Question", MessageIcon::Question, MessageButtons::YesNo,
                                          DefaultButton::Second},
                                         {"Program has been deleted", "Confirmation", MessageIcon::Information}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Editor"}));
    EXPECT_EQ(texts(setup.ucProgramView1->lstView), (std::vector<std::string>{"Editor"}));
}

TEST_F(SetupWindowTest, QuitClosesTheSetupWindowAndTheOpenAddDialog) {
    frmSetup& setup = start();
    setup.cmdAdd->click();
    ASSERT_NE(program->loadedAddProgramWindow(), nullptr);
    EXPECT_TRUE(program->loadedAddProgramWindow()->isVisible());
    EXPECT_TRUE(setup.isVisible());

    QTest::mouseClick(setup.ucLeftFrame1->lblQuit, Qt::LeftButton);
    processDeletes();

    EXPECT_EQ(program->loadedSetupWindow(), nullptr);
    EXPECT_EQ(program->loadedAddProgramWindow(), nullptr);
}

TEST_F(SetupWindowTest, ModifyAndPropertiesOpenForTheSelectedProgram) {
    addProgram("Calculator", solidPicture(Qt::yellow), "/usr/bin/bc");
    frmSetup& setup = start();
    select(setup, "Calculator");

    setup.cmdModify->click();
    frmModifyProgram* modify = program->loadedModifyProgramWindow();
    ASSERT_NE(modify, nullptr);
    EXPECT_EQ(modalWindows, (std::vector<QDialog*>{modify}));
    EXPECT_EQ(modify->parentWidget(), &setup);
    EXPECT_EQ(modify->txtProgramPath->text(), "/usr/bin/bc");
    modify->close();

    std::string shownName;
    QTimer::singleShot(0, [&] {
        auto& properties = program->propertiesWindow();
        shownName = properties.lblProgramName->text().toStdString();
        properties.close();
    });
    setup.cmdProp->click();
    EXPECT_EQ(shownName, "Calculator");
}

TEST_F(SetupWindowTest, ModifyWithNothingSelectedReportsAndOpensEmpty) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    frmSetup& setup = start();

    emit setup.ucProgramView1->ModifyMenuClicked();

    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Couldn't Load Program Information", "Error", MessageIcon::Critical}}));
    ASSERT_NE(program->loadedModifyProgramWindow(), nullptr);
    EXPECT_TRUE(program->loadedModifyProgramWindow()->isVisible());
    EXPECT_TRUE(program->loadedModifyProgramWindow()->txtProgramName->text().isEmpty());
}

}  // namespace
}  // namespace portico::admin::test
