#include "tests/admin/AdminFixture.h"

#include "admin/clsQueryStatus.h"
#include "admin/frmWait.h"
#include "settings/PorticoError.h"

#include <QProgressBar>

namespace portico::admin::test {
namespace {

using QueryStatusTest = AdminTest;

TEST_F(QueryStatusTest, StatusTextIsAlwaysTwentyFiveCharacters) {
    clsQueryStatus status(*program);
    EXPECT_EQ(status.StatusText(), std::string(25, ' '));
    EXPECT_EQ(status.ProgressMax(), 100);
    EXPECT_EQ(status.ProgressValue(), 0);
    EXPECT_EQ(program->loadedWaitWindow(), nullptr);

    status.setStatusText("  Loading  ");
    EXPECT_EQ(status.StatusText(), "Loading" + std::string(18, ' '));
    status.setStatusText("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(status.StatusText(), "abcdefghijklmnopqrstuvwxy");
    // Characters, not bytes: an accented text is cut between characters.
    status.setStatusText(std::string(30, 'a') + "\xC3\xA9");
    EXPECT_EQ(status.StatusText(), std::string(25, 'a'));
    status.setStatusText("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(status.StatusText(), "\xC3\xA9t\xC3\xA9" + std::string(22, ' '));
}

TEST_F(QueryStatusTest, TheProgressBarFollowsTheStatusUntilTheWindowIsShown) {
    clsQueryStatus status(*program);
    status.setStatusText("Reading icons");
    status.setProgressMax(40);
    status.showProgress();
    frmWait* wait = program->loadedWaitWindow();
    ASSERT_NE(wait, nullptr);
    EXPECT_FALSE(wait->isVisible());
    EXPECT_EQ(wait->windowTitle(), "Loading Resources.....");
    EXPECT_EQ(wait->prgbar->maximum(), 40);
    EXPECT_EQ(wait->prgbar->toolTip().toStdString(), "Reading icons" + std::string(12, ' '));

    status.setProgressValue(25);
    EXPECT_EQ(wait->prgbar->value(), 25);
    EXPECT_THROW(status.setProgressValue(41), PorticoError);
    EXPECT_EQ(wait->prgbar->value(), 25);

    wait->show();
    status.setProgressMax(90);
    status.setStatusText("Other");
    status.showProgress();
    EXPECT_EQ(wait->prgbar->maximum(), 40);
    EXPECT_EQ(wait->prgbar->toolTip().toStdString(), "Reading icons" + std::string(12, ' '));

    status.hideProgress();
    EXPECT_EQ(program->loadedWaitWindow(), nullptr);
}

TEST_F(QueryStatusTest, EndingTheStatusUnloadsAVisibleWaitWindow) {
    {
        clsQueryStatus status(*program);
        status.setProgressValue(3);
        program->waitWindow().show();
    }
    EXPECT_EQ(program->loadedWaitWindow(), nullptr);
}

}  // namespace
}  // namespace portico::admin::test
