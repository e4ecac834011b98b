#include "tests/admin/AdminFixture.h"

#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/frmThemeManage.h"
#include "admin/ucLeftFrame.h"
#include "settings/clsIniFile.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <sqlite3.h>

namespace portico::admin::test {
namespace {

// Everyday administrator actions against catalogues that hold look-alike names
// and against pictures that other programs write meanwhile.
class CatalogueIntegrityTest : public AdminTest {
protected:
    frmSetup& start() {
        EXPECT_TRUE(program->start());
        return *program->loadedSetupWindow();
    }

    // Drops the unique name indexes, as in a catalogue made by the previous release.
    void makeOldCatalogue() {
        sqlite(
            "DROP INDEX Program_Name_Unique; DROP INDEX Theme_Name_Unique; DROP INDEX Folder_Name_Unique;");
    }

    void sqlite(const std::string& script) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(raw, script.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
        sqlite3_close(raw);
    }

    // A program stored behind the data layer's back, as older tools could.
    void insertProgram(const std::string& name, const std::string& path, const std::string& picture) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(catalogue().c_str(), &raw), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(raw, "INSERT INTO Program (Program_Name, Program_Path, Program_Icon) VALUES (?, ?, ?)", -1,
                           &statement, nullptr);
        sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, path.c_str(), -1, SQLITE_TRANSIENT);
        if (picture.empty())
            sqlite3_bind_null(statement, 3);
        else
            sqlite3_bind_blob(statement, 3, picture.data(), static_cast<int>(picture.size()), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
        sqlite3_close(raw);
    }

    static QListWidgetItem* row(frmSetup& setup, int index) { return setup.ucProgramView1->lstView->item(index); }
    static QColor pictureColour(const QListWidgetItem* item) {
        if (item->icon().isNull()) return {};
        return item->icon().pixmap(32, 32).toImage().pixelColor(16, 16);
    }

    std::string iconOfKey(std::int64_t key) {
        auto records = db().loadProgramByKey(key);
        if (!records || records->RecordCount() == 0) return "<no program>";
        const Variant& value = records->Fields("Program_Icon").Value();
        if (value.type() != Variant::Type::Bytes) return "<none>";
        return std::string(value.bytes().begin(), value.bytes().end());
    }
    std::string pathOfKey(std::int64_t key) {
        auto records = db().loadProgramByKey(key);
        if (!records || records->RecordCount() == 0) return "<no program>";
        return records->Fields("Program_Path").Value().toText();
    }

    frmModifyProgram& modifyRow(frmSetup& setup, int index) {
        setup.ucProgramView1->lstView->setCurrentItem(row(setup, index));
        setup.cmdModify->click();
        return *program->loadedModifyProgramWindow();
    }
};

TEST_F(CatalogueIntegrityTest, AddAndModifyRefuseANameAnotherProgramHasInAnyCase) {
    addProgram("Clock", solidPicture(Qt::red), "/usr/bin/xclock");
    addProgram("Ärger", solidPicture(Qt::blue), "/usr/games/aerger");
    frmSetup& setup = start();

    setup.cmdAdd->click();
    frmAddProgram& add = *program->loadedAddProgramWindow();
    add.txtProgramName->setText(" CLOCK ");
    add.txtProgramPath->setText("/usr/bin/oclock");
    add.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"A program named 'Clock' already exists.", "Error",
                                                              MessageIcon::Exclamation}}));
    EXPECT_TRUE(add.isVisible());
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Clock", "Ärger"}));

    dialogs.clear();
    frmModifyProgram& modify = modifyRow(setup, 0);
    ASSERT_EQ(modify.txtProgramName->text(), "Clock");
    modify.txtProgramName->setText("äRGER");
    modify.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"A program named 'Ärger' already exists.", "Error",
                                                              MessageIcon::Exclamation}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Clock", "Ärger"}));

    // Its own name in another case is no clash.
    dialogs.clear();
    modify.txtProgramName->setText("CLOCK");
    modify.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Program Modified", "Sucess", MessageIcon::Information}}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"CLOCK", "Ärger"}));
}

TEST_F(CatalogueIntegrityTest, InAnOldCatalogueWithLookAlikesEveryActionTakesTheSelectedRow) {
    makeOldCatalogue();
    insertProgram("Clock", "/usr/bin/xclock", solidPicture(Qt::red));
    insertProgram("CLOCK", "/usr/bin/oclock", solidPicture(Qt::blue));
    insertProgram("Clock", "/usr/bin/clock3", solidPicture(Qt::green));
    frmSetup& setup = start();

    // Every row shows, each with its own picture.
    ASSERT_EQ(setup.ucProgramView1->lstView->count(), 3);
    EXPECT_EQ(ucProgramView::keyOf(row(setup, 0)), 1);
    EXPECT_EQ(ucProgramView::keyOf(row(setup, 1)), 2);
    EXPECT_EQ(ucProgramView::keyOf(row(setup, 2)), 3);
    EXPECT_EQ(pictureColour(row(setup, 0)), QColor(Qt::red));
    EXPECT_EQ(pictureColour(row(setup, 1)), QColor(Qt::blue));
    EXPECT_EQ(pictureColour(row(setup, 2)), QColor(Qt::green));

    // Modify of "CLOCK" shows CLOCK's data and saves to CLOCK's row only.
    frmModifyProgram& modify = modifyRow(setup, 1);
    EXPECT_EQ(modify.txtProgramName->text(), "CLOCK");
    EXPECT_EQ(modify.txtProgramPath->text(), "/usr/bin/oclock");
    EXPECT_EQ(modify.Picture2->pixmap().toImage().pixelColor(20, 20), QColor(Qt::blue));
    modify.txtProgramPath->setText("/bin/true");
    modify.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Program Modified", "Sucess", MessageIcon::Information}}));
    EXPECT_EQ(pathOfKey(1), "/usr/bin/xclock");
    EXPECT_EQ(pathOfKey(2), "/bin/true");
    EXPECT_EQ(pathOfKey(3), "/usr/bin/clock3");
    EXPECT_EQ(iconOfKey(1), solidPicture(Qt::red));
    EXPECT_EQ(iconOfKey(2), solidPicture(Qt::blue));

    // Properties of the third row show the third row.
    std::string shownPath;
    QColor shownColour;
    QTimer::singleShot(0, [&] {
        auto& properties = program->propertiesWindow();
        shownPath = properties.lblProgramPath->text().toStdString();
        shownColour = properties.Image1->pixmap().toImage().pixelColor(24, 24);
        properties.close();
    });
    setup.ucProgramView1->lstView->setCurrentItem(row(setup, 2));
    setup.cmdProp->click();
    EXPECT_EQ(shownPath, "/usr/bin/clock3");
    EXPECT_EQ(shownColour, QColor(Qt::green));

    // Delete of the first "Clock" deletes that row and says so truthfully.
    dialogs.clear();
    setup.ucProgramView1->lstView->setCurrentItem(row(setup, 0));
    dialogs.answerMessage(MessageAnswer::Yes);
    setup.cmdDelete->click();
    EXPECT_EQ(dialogs.messages().back(),
              (ShownMessage{"Program has been deleted", "Confirmation", MessageIcon::Information}));
    EXPECT_EQ(pathOfKey(1), "<no program>");
    EXPECT_EQ(pathOfKey(3), "/usr/bin/clock3");
    EXPECT_EQ(programNames(), (std::vector<std::string>{"CLOCK", "Clock"}));
    EXPECT_EQ(setup.ucProgramView1->lstView->count(), 2);
}

TEST_F(CatalogueIntegrityTest, ModifySavesThePictureItShowedWhateverThePictureFileHoldsAtSave) {
    const std::string eyes = solidPicture(Qt::yellow);
    addProgram("Eyes", eyes, "/usr/bin/xeyes");
    addProgram("Clock", solidPicture(Qt::red), "/usr/bin/xclock");
    frmSetup& setup = start();
    frmModifyProgram& modify = modifyRow(setup, 1);
    ASSERT_EQ(modify.txtProgramName->text(), "Eyes");

    // Another program exports a picture through the shared file meanwhile.
    folder.write("pictures/temp.bmp", solidPicture(Qt::black));
    modify.txtProgramDescription->setPlainText("Eyes that follow the pointer");
    modify.cmdAdd->click();

    EXPECT_EQ(storedIcon("Eyes"), eyes);
    EXPECT_EQ(storedIcon("Clock"), solidPicture(Qt::red));

    // A pick is held by the dialog too.
    frmModifyProgram& again = modifyRow(setup, 1);
    program->setIconPicker([&](const std::string&) -> std::optional<std::string> {
        folder.write("pictures/temp.bmp", solidPicture(Qt::magenta));
        return solidPicture(Qt::magenta);
    });
    again.cmdIcon->click();
    folder.write("pictures/temp.bmp", solidPicture(Qt::black));
    again.cmdAdd->click();
    EXPECT_EQ(storedIcon("Eyes"), solidPicture(Qt::magenta));
}

TEST_F(CatalogueIntegrityTest, AProgramWithoutAPictureShowsTheDefaultIconAndKeepsNone) {
    addProgram("Clock", solidPicture(Qt::red));
    makeOldCatalogue();
    insertProgram("Eyes", "/usr/bin/xeyes", "");
    frmSetup& setup = start();  // the list read Clock's picture last
    frmModifyProgram& modify = modifyRow(setup, 1);
    ASSERT_EQ(modify.txtProgramName->text(), "Eyes");
    EXPECT_EQ(modify.Picture2->pixmap().toImage().pixelColor(20, 20), QColor(Qt::darkGreen));
    modify.cmdAdd->click();
    EXPECT_EQ(iconOfKey(2), "<none>");
}

TEST_F(CatalogueIntegrityTest, AModifyThatOpenedEmptyNeverChangesAnotherProgram) {
    addProgram("Clock", solidPicture(Qt::red), "/usr/bin/xclock");
    frmSetup& setup = start();
    setup.cmdModify->click();
    frmModifyProgram& modify = *program->loadedModifyProgramWindow();
    EXPECT_EQ(modify.ProgramKey(), 0);
    folder.write("pictures/temp.bmp", solidPicture(Qt::black));
    dialogs.clear();
    modify.txtProgramName->setText("Clock");
    modify.txtProgramPath->setText("/tmp/other");
    modify.cmdAdd->click();

    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Couldn't Load Program Information", "Error", MessageIcon::Critical}}));
    EXPECT_EQ(storedIcon("Clock"), solidPicture(Qt::red));
    EXPECT_EQ(pathOfKey(1), "/usr/bin/xclock");
}

TEST_F(CatalogueIntegrityTest, ThemesRefuseLookAlikeNamesAndTheDefaultThemeIsNotDeleted) {
    frmSetup& setup = start();
    (void)setup;
    frmThemeManage& manager = program->themeManageWindow();
    program->showModal(manager, nullptr);

    dialogs.answerInput(" CLASSIC");
    manager.cmdCreate->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"A theme named 'Classic' already exists.", "Error",
                                                              MessageIcon::Exclamation}}));
    EXPECT_EQ(program->loadedCreateThemeWindow(), nullptr);

    dialogs.clear();
    manager.lstTheme->setCurrentItem(manager.lstTheme->topLevelItem(0));
    manager.cmdDelete->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{{"Theme Classic is the default theme and cannot be deleted. Apply another "
                                          "theme first.",
                                          "Error", MessageIcon::Exclamation}}));
    EXPECT_EQ(db().getDefaultTheme(), "Classic");
}

TEST_F(CatalogueIntegrityTest, DeletingOneOfTwoLookAlikeThemesDeletesThatOneOnly) {
    makeOldCatalogue();
    sqlite("INSERT INTO Theme (Theme_Name) VALUES ('classic');");
    frmSetup& setup = start();
    (void)setup;
    frmThemeManage& manager = program->themeManageWindow();
    program->showModal(manager, nullptr);
    ASSERT_EQ(manager.lstTheme->topLevelItemCount(), 2);
    for (int i = 0; i < 2; ++i)
        if (manager.lstTheme->topLevelItem(i)->text(0) == "classic")
            manager.lstTheme->setCurrentItem(manager.lstTheme->topLevelItem(i));
    dialogs.answerMessage(MessageAnswer::Yes);
    manager.cmdDelete->click();
    EXPECT_EQ(dialogs.messages().back(),
              (ShownMessage{"Theme classic, Has Been Deleted", "Deleted", MessageIcon::Information}));
    EXPECT_EQ(db().getDefaultTheme(), "Classic");
    EXPECT_EQ(db().LoadThemes()->RecordCount(), 1);
}

TEST_F(CatalogueIntegrityTest, ACatalogueWhoseDefaultThemeHasGoneOpensWithoutBoxesOrThemePicture) {
    sqlite("DELETE FROM Theme;");
    frmSetup& setup = start();
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(program->CurrentTheme(), "");
    EXPECT_TRUE(setup.ucLeftFrame1->Image1->pixmap().isNull());
    setup.cmdAdd->click();
    EXPECT_TRUE(program->loadedAddProgramWindow()->Image1->pixmap().isNull());
    EXPECT_TRUE(dialogs.messages().empty());
}

class DatabaseLocationTest : public CatalogueIntegrityTest {
protected:
    std::string iniValue(const std::string& key) {
        clsIniFile ini;
        ini.setFullPath((folder / "Portico.ini").string());
        ini.setSectionName("Database");
        return ini.GetString(key, "<missing>");
    }
};

TEST_F(DatabaseLocationTest, AFileThatIsNoCatalogueIsRefusedAndNothingIsWritten) {
    frmSetup& setup = start();
    const std::string before = TempFolder::read(folder / "Portico.ini");
    const auto notes = folder.write("hostname", "workstation-12\n");
    const auto empty = folder.write("empty.mdb", "");
    const auto otherDatabase = folder / "other.sqlite";
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(otherDatabase.c_str(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE Program (x)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);

    for (const auto& file : {notes, empty, otherDatabase, folder / "data"}) {
        dialogs.clear();
        dialogs.answerFile(file.string());
        setup.cmdBrowse->click();
        EXPECT_EQ(dialogs.messages(),
                  (std::vector<ShownMessage>{{"The file " + file.string() +
                                                  " is not a Portico catalogue. The database location is unchanged.",
                                              "Error", MessageIcon::Exclamation}}));
    }
    EXPECT_EQ(TempFolder::read(folder / "Portico.ini"), before);
}

TEST_F(DatabaseLocationTest, TheCatalogueInUseCanBePickedAgainAfterAChange) {
    frmSetup& setup = start();
    const auto other = folder / "data" / "Other.mdb";
    CatalogueFile::create(other);
    dialogs.answerFile(other.string());
    setup.cmdBrowse->click();
    EXPECT_EQ(iniValue("DatabasePath"), other.string());

    // The settings now name Other.mdb: picking it again changes nothing...
    dialogs.clear();
    dialogs.answerFile(other.string());
    setup.cmdBrowse->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{
                                      {"Database is same as selected file", "Same", MessageIcon::Exclamation}}));

    // ...and the catalogue still in use (shown in the box) can be picked back.
    dialogs.clear();
    dialogs.answerFile(catalogue().string());
    setup.cmdBrowse->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Database Location has been updated", "Information",
                                                              MessageIcon::Information}}));
    EXPECT_EQ(iniValue("DatabasePath"), catalogue().string());
}

}  // namespace
}  // namespace portico::admin::test
