#include "tests/admin/AdminFixture.h"

#include "admin/GrantEditor.h"
#include "admin/frmAccess.h"
#include "admin/frmAddProgram.h"
#include "admin/frmModifyProgram.h"
#include "admin/frmSetup.h"
#include "admin/ucLeftFrame.h"
#include "gui/ActionLabel.h"
#include "tests/support/PostgresTestServer.h"
#include "views/CatalogueDelegate.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace portico::admin::test {
namespace {

class AccessAdministrationTest : public AdminTest {
protected:
    frmSetup& start() {
        EXPECT_TRUE(program->start());
        return *program->loadedSetupWindow();
    }
    QListWidgetItem* select(frmSetup& setup, const char* name) {
        const auto found = setup.ucProgramView1->lstView->findItems(name, Qt::MatchExactly);
        if (found.size() != 1) return nullptr;
        setup.ucProgramView1->lstView->setCurrentItem(found.front());
        return found.front();
    }
};

// root is a user and a group on every machine; nobody is not in the group root.
TEST_F(AccessAdministrationTest, GrantsAreEditedCheckedMarkedListedAndAnswerWhoSeesWhat) {
    addProgram("Calculator", solidPicture(Qt::yellow));
    frmSetup& setup = start();
    setup.cmdAdd->click();
    frmAddProgram& add = *program->loadedAddProgramWindow();
    GrantEditor& grants = *add.grantEditor;
    EXPECT_EQ(grants.title(), "Who may see this program");
    EXPECT_TRUE(grants.optEveryone->isChecked());
    add.txtProgramName->setText("Payroll");
    add.txtProgramPath->setText("/usr/bin/true");
    grants.optOnlyThese->setChecked(true);
    add.cmdAdd->click();  // nobody named yet
    grants.cboKind->setCurrentIndex(0);
    grants.txtName->setText("no-such-user-here");
    grants.cmdAddName->click();
    grants.cboKind->setCurrentIndex(1);
    grants.txtName->setText(" root ");
    grants.cmdAddName->click();
    EXPECT_EQ(dialogs.messages(),
              (std::vector<ShownMessage>{
                  {"Name at least one user or group who may see this program, or choose Everyone.",
                   "Who may see this program", MessageIcon::Exclamation},
                  {"There is no user named 'no-such-user-here'. Only known users and groups may be named.",
                   "Who may see this program", MessageIcon::Exclamation}}));
    EXPECT_EQ(texts(grants.lstGrants), (std::vector<std::string>{"Group: root"}));
    EXPECT_EQ(programNames(), (std::vector<std::string>{"Calculator"}));

    dialogs.clear();
    add.cmdAdd->click();
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"Program Added", "Sucess", MessageIcon::Information}}));
    const std::int64_t key = db().getProgramKey("Payroll");
    EXPECT_EQ(db().grantsOf(key), (clsDBRoutines::Grants{{2, "root"}}));
    EXPECT_TRUE(select(setup, "Payroll")->data(CatalogueDelegate::kRestrictedRole).toBool());
    EXPECT_FALSE(select(setup, "Calculator")->data(CatalogueDelegate::kRestrictedRole).toBool());

    // Properties runs its own loop: read it from inside.
    QString shownAccess;
    QTimer::singleShot(0, [&] {
        shownAccess = program->propertiesWindow().lblAccess->text();
        program->propertiesWindow().close();
    });
    select(setup, "Payroll");
    setup.cmdProp->click();
    EXPECT_EQ(shownAccess, "Only members of root");

    setup.cmdAccess->click();
    frmAccess& access = *setup.findChild<frmAccess*>();
    for (const auto& [user, visible] : {std::pair{"root", std::vector<std::string>{"Calculator", "Payroll"}},
                                        std::pair{"nobody", std::vector<std::string>{"Calculator"}}}) {
        access.txtUser->setText(user);
        access.cmdShow->click();
        EXPECT_EQ(texts(access.lstPrograms), visible) << user;
    }
    access.close();

    // Everyone again: the grant goes with the save.
    select(setup, "Payroll");
    setup.cmdModify->click();
    frmModifyProgram& modify = *program->loadedModifyProgramWindow();
    EXPECT_TRUE(modify.grantEditor->optOnlyThese->isChecked());
    EXPECT_EQ(texts(modify.grantEditor->lstGrants), (std::vector<std::string>{"Group: root"}));
    modify.grantEditor->optEveryone->setChecked(true);
    modify.cmdAdd->click();
    EXPECT_TRUE(db().grantsOf(key).empty());
    EXPECT_FALSE(select(setup, "Payroll")->data(CatalogueDelegate::kRestrictedRole).toBool());
}

// A role that may only read the server's catalogue is told so once, and no changing action is offered.
TEST_F(AccessAdministrationTest, AReadingOnlySessionSaysSoAndOffersNoChanges) {
    auto* server = portico::test::PostgresTestServer::shared();
    if (!server) GTEST_SKIP() << portico::test::PostgresTestServer::unavailableReason();
    const std::string catalogue = server->createCatalogue();
    server->execute(
        "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'reader') THEN "
        "CREATE ROLE reader LOGIN IN ROLE portico_users; END IF; END $$");
    std::string database = catalogue.substr(catalogue.find("dbname=") + 7);
    database = database.substr(0, database.find(' '));
    db().openDatabase(server->connectionString(database, "reader"));
    frmSetup setup(*program);
    EXPECT_EQ(dialogs.messages(), (std::vector<ShownMessage>{{"You may read this catalogue but not change it",
                                                              "Portico Setup", MessageIcon::Information}}));
    for (QWidget* action : std::initializer_list<QWidget*>{setup.cmdAdd, setup.cmdModify, setup.cmdDelete,
                                                           setup.cmdImportPrograms, setup.ucLeftFrame1->lblThemes,
                                                           setup.ucLeftFrame1->lblFolders})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_TRUE(setup.cmdProp->isEnabled());
    setup.ucProgramView1->AddMenuClicked();
    EXPECT_EQ(program->loadedAddProgramWindow(), nullptr);
}

}  // namespace
}  // namespace portico::admin::test
