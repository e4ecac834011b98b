// The real Portico program, ended by the signal a session sends at log-out.

#include "database/CatalogueFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace portico::test {
namespace {

namespace fs = std::filesystem;

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(Termination, SigtermAndSighupEndPorticoAsQuitDoes) {
    const fs::path portico = fs::read_symlink("/proc/self/exe").parent_path() / "Portico";
    ASSERT_TRUE(fs::exists(portico)) << portico;
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGHUP");
        TempFolder folder;
        fs::create_directories(folder / "run");
        fs::permissions(folder / "run", fs::perms::owner_all, fs::perm_options::replace);
        CatalogueFile::create(folder / "Portico.mdb");
        folder.write("config/portico/Portico.ini", "[Database]\nDatabasePath=" + (folder / "Portico.mdb").string() + "\n");
        const fs::path socket = folder / "run/portico/Portico.socket";
        const fs::path places = folder / "config/portico/windows.ini";

        std::vector<std::string> environment = {
            "QT_QPA_PLATFORM=offscreen",        "HOME=" + folder.str() + "/home",
            "XDG_CONFIG_HOME=" + folder.str() + "/config", "XDG_CONFIG_DIRS=" + folder.str() + "/none",
            "XDG_RUNTIME_DIR=" + folder.str() + "/run",    "XDG_DATA_HOME=" + folder.str() + "/data",
            "XDG_STATE_HOME=" + folder.str() + "/state",   "XDG_CACHE_HOME=" + folder.str() + "/cache",
            "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char* argv[] = {const_cast<char*>(portico.c_str()), nullptr};
            ::execve(portico.c_str(), argv, envp.data());
            ::_exit(127);
        }
        int status = 0;
        const bool listening = waitFor([&] { return fs::exists(socket) || ::waitpid(child, &status, WNOHANG) == child; },
                                       std::chrono::seconds(30));
        if (!listening || !fs::exists(socket)) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "Portico did not start";
        }
        EXPECT_FALSE(fs::exists(places));
        ASSERT_EQ(::kill(child, signal), 0);
        const bool ended = waitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(30));
        if (!ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "Portico did not end";
        }
        EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
        EXPECT_FALSE(fs::exists(socket)) << "the single-instance socket is removed";
        ASSERT_TRUE(fs::exists(places)) << "the window's place is saved";
        EXPECT_NE(TempFolder::read(places).find("geometry="), std::string::npos);
    }
}

}  // namespace
}  // namespace portico::test
