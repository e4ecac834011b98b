// The launcher as a native Wayland client of a headless weston, started by this
// program's main() before the application; without weston the tests skip.
#include "launcher/SingleInstance.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "tests/launcher/LauncherFixture.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

pid_t compositor = 0;
std::string runtimeFolder;

// Starts weston without a screen in a runtime folder of its own; false when it
// is not installed or does not come up.
bool startWeston() {
    const char* candidates[] = {"/usr/bin/weston", "/usr/local/bin/weston"};
    std::string weston;
    for (const char* candidate : candidates)
        if (::access(candidate, X_OK) == 0) weston = candidate;
    if (weston.empty()) return false;
    std::string pattern = "/tmp/portico-wayland-XXXXXX";
    if (!::mkdtemp(pattern.data())) return false;
    runtimeFolder = pattern;
    ::chmod(runtimeFolder.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtimeFolder.c_str(), 1);
    compositor = ::fork();
    if (compositor == 0) {
        const std::string log = runtimeFolder + "/weston.log";
        if (std::FILE* out = std::freopen(log.c_str(), "w", stdout)) (void)out;
        ::dup2(::fileno(stdout), STDERR_FILENO);
        ::execl(weston.c_str(), weston.c_str(), "--backend=headless-backend.so", "--socket=portico-test",
                "--idle-time=0", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        if (std::filesystem::exists(runtimeFolder + "/portico-test")) {
            ::setenv("WAYLAND_DISPLAY", "portico-test", 1);
            ::setenv("QT_QPA_PLATFORM", "wayland", 1);
            // The compositor has no keyboard: Qt's Wayland input method would
            // look for one on every key the test sends.
            ::setenv("QT_IM_MODULE", "none", 1);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void stopWeston() {
    if (compositor > 0) {
        ::kill(compositor, SIGTERM);
        ::waitpid(compositor, nullptr, 0);
    }
    std::error_code ignored;
    if (!runtimeFolder.empty()) std::filesystem::remove_all(runtimeFolder, ignored);
}

}  // namespace

namespace portico::test {
namespace {

class WaylandTest : public LauncherTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "wayland") GTEST_SKIP() << "no weston to run a Wayland session in";
    }
};

TEST_F(WaylandTest, SearchLaunchAndASecondStartOnAWaylandCompositor) {
    addProgram("X Clock", solidPicture(Qt::red), "/usr/bin/xclock");
    addProgram("Calculator", solidPicture(Qt::green), "/usr/bin/xcalc");
    frmView& view = program->showMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    ucProgramView& list = *view.ucProgramView1;
    list.txtSearch->setFocus();
    QTest::keyClicks(list.txtSearch, "calc");
    QTest::keyClick(list.txtSearch, Qt::Key_Return);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, "/usr/bin/xcalc");

    // A second start finds the first and has it show its window again.
    const QString sockets = QString::fromStdString(folder.str());
    SingleInstance first("Portico", sockets);
    first.setRaiseAction([this] { program->raiseMainWindow(); });
    view.showMinimized();
    view.hide();
    SingleInstance second("Portico", sockets);
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.isVisible() && !view.isMinimized(); }, 3000));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
}

}  // namespace
}  // namespace portico::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no compositor.
    const bool listing = ::testing::GTEST_FLAG(list_tests);
    if (listing || !startWeston()) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName("Portico");
        status = RUN_ALL_TESTS();
    }
    stopWeston();
    return status;
}
