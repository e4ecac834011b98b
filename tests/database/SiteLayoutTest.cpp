#include "database/Connection.h"
#include "database/Engine.h"
#include "tests/database/CatalogueFixture.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace portico::test {
namespace {

using ::testing::StartsWith;

// A folder for a helper server, which runs as "nobody" when the tests run as root.
class HelperFolder {
public:
    HelperFolder() {
        std::string pattern = "/tmp/portico-site-XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        path_ = pattern;
        if (geteuid() == 0) {
            const passwd* user = getpwnam("nobody");
            if (!user || chown(path_.c_str(), user->pw_uid, user->pw_gid) != 0)
                throw std::runtime_error("cannot hand the folder to nobody");
        }
    }
    ~HelperFolder() {
        for (auto [pid, signal] : children_) {
            kill(pid, signal);
            // A helper that does not stop within ten seconds is killed, never awaited for ever.
            int waited = 0;
            while (waitpid(pid, nullptr, WNOHANG) == 0) {
                if (++waited == 100) kill(pid, SIGKILL);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    HelperFolder(const HelperFolder&) = delete;
    HelperFolder& operator=(const HelperFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

    // Runs `command` (as nobody when root); waits for it unless `background`.
    // `stopSignal` ends a background helper: a fast shutdown for PostgreSQL,
    // SIGTERM for PgBouncer (whose SIGINT waits for its clients).
    pid_t run(std::vector<std::string> command, bool background, int stopSignal = SIGTERM) {
        // The child takes nobody's identity itself rather than through runuser,
        // which would stand between the signal below and the server.
        const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
        const pid_t pid = fork();
        if (pid == 0) {
            if (nobody && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
                _exit(126);
            const std::string log = (path_ / "helper.log").string();
            if (std::FILE* out = std::freopen(log.c_str(), "a", stdout)) (void)out;
            dup2(fileno(stdout), STDERR_FILENO);
            std::vector<char*> argv;
            for (auto& word : command) argv.push_back(word.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        if (background) {
            children_.emplace_back(pid, stopSignal);
        } else {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_EQ(status, 0) << command.back();
        }
        return pid;
    }

private:
    std::filesystem::path path_;
    std::vector<std::pair<pid_t, int>> children_;
};

std::filesystem::path postgresBinaries() {
    for (int version = 20; version >= 12; --version) {
        const std::filesystem::path bin = "/usr/lib/postgresql/" + std::to_string(version) + "/bin";
        if (std::filesystem::exists(bin / "postgres")) return bin;
    }
    return {};
}

bool answers(const std::string& connection) {
    try {
        Connection probe;
        probe.setConnectionString(connection + " connect_timeout=1");
        probe.Open();
        return true;
    } catch (const PorticoError&) {
        return false;
    }
}

bool waitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 50; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::string databaseOf(const std::string& connection) {
    const auto start = connection.find("dbname=") + 7;
    return connection.substr(start, connection.find(' ', start) - start);
}

// The catalogue behind a pooler and on a standby, as a site lays it out.
class SiteLayoutTest : public CatalogueTest {
protected:
    PostgresTestServer& server() { return *PostgresTestServer::shared(); }
};
PORTICO_ON_SERVER(SiteLayoutTest);

TEST_P(SiteLayoutTest, TwoProgramsThroughAPoolerInTransactionModeSeeEachOthersChangesAndNoFailure) {
    if (std::system("command -v pgbouncer >/dev/null") != 0) GTEST_SKIP() << "pgbouncer is not installed";
    HelperFolder pooler;
    const auto file = pooler.path() / "pgbouncer.ini";
    std::ofstream(file) << "[databases]\n* = host=" << server().folder().string() << "\n[pgbouncer]\nlisten_addr =\n"
                        << "unix_socket_dir = " << pooler.path().string() << "\nlisten_port = 6432\n"
                        << "auth_type = trust\nauth_file = " << (pooler.path() / "users.txt").string()
                        << "\npool_mode = transaction\ndefault_pool_size = 2\n"
                        << "ignore_startup_parameters = options\n";
    std::ofstream(pooler.path() / "users.txt") << "\"portico\" \"\"\n";
    pooler.run({"pgbouncer", file.string()}, true);
    const std::string pooled =
        "host=" + pooler.path().string() + " port=6432 dbname=" + databaseOf(connectionString()) + " user=portico";
    ASSERT_TRUE(waitUntil([&] { return answers(pooled); }));

    clsDBRoutines first(pictures()), second(pictures());
    first.openDatabase(pooled);
    second.openDatabase(pooled);
    for (int i = 0; i < 10; ++i) {
        const std::string name = "Program " + std::to_string(i);
        pickIcon("BM-icon");
        ASSERT_TRUE(first.addProgram(name, "d", "/bin/p" + std::to_string(i), ""));
        EXPECT_EQ(second.getProgramPath(name), "/bin/p" + std::to_string(i));
        ASSERT_TRUE(second.updateProgram(name, name, "d", "/bin/q" + std::to_string(i)));
        EXPECT_EQ(first.getProgramPath(name), "/bin/q" + std::to_string(i));
        ASSERT_TRUE(first.AddFolder("Folder " + std::to_string(i), "/srv"));
        auto programs = second.loadPrograms();
        ASSERT_NE(programs, nullptr);
        EXPECT_EQ(programs->RecordCount(), i + 1);
    }
    ASSERT_TRUE(second.deleteProgram("Program 0"));
    EXPECT_EQ(first.getProgramPath("Program 0"), "");
    EXPECT_TRUE(sink.messages.empty()) << ::testing::PrintToString(texts());
}

TEST_P(SiteLayoutTest, LaunchersReadFromAStandbyAndKeepStartingWhenThePrimaryStops) {
    const auto binaries = postgresBinaries();
    if (binaries.empty()) GTEST_SKIP() << "no PostgreSQL binaries";
    addProgram("Mail");
    HelperFolder standby;
    standby.run({(binaries / "pg_basebackup").string(), "-D", (standby.path() / "data").string(), "-R", "-X", "stream", "-c", "fast",
                 "-h", server().folder().string(), "-U", "portico"},
                false);
    standby.run({(binaries / "postgres").string(), "-D", (standby.path() / "data").string(), "-k",
                 standby.path().string(), "-p", "5433", "-c", "listen_addresses=", "-c", "fsync=off"},
                true, SIGINT);
    const std::string database = " dbname=" + databaseOf(connectionString()) + " user=portico";
    const std::string hosts = "host=" + server().folder().string() + "," + standby.path().string() + " port=5432,5433";
    const std::string launchers = hosts + database + " target_session_attrs=prefer-standby";
    const std::string administrators = hosts + database + " target_session_attrs=read-write";
    ASSERT_TRUE(waitUntil([&] { return answers("host=" + standby.path().string() + " port=5433" + database); }));

    // The administrator writes to the primary; the launcher reads it back from the standby.
    clsDBRoutines administrator(pictures());
    administrator.openDatabase(administrators);
    pickIcon("BM-icon");
    ASSERT_TRUE(administrator.addProgram("Clock", "d", "/usr/bin/clock", ""));
    Connection reader;
    reader.setConnectionString(launchers);
    reader.Open();
    EXPECT_TRUE(reader.engine("test").run("SELECT pg_is_in_recovery()::int", {}).rows.at(0).at(0).toInt64() == 1);
    reader.Close();
    ASSERT_TRUE(waitUntil([&] {
        clsDBRoutines launcher(pictures());
        launcher.openDatabase(launchers);
        return launcher.getProgramPath("Clock") == "/usr/bin/clock";
    }));

    struct Restart {
        PostgresTestServer& server;
        ~Restart() { server.start(); }
    } restart{server()};
    server().stop();
    clsDBRoutines launcher(pictures());
    launcher.openDatabase(launchers);
    EXPECT_EQ(launcher.getProgramPath("Mail"), "/usr/bin/true");
    EXPECT_EQ(launcher.getProgramPath("Clock"), "/usr/bin/clock");
    EXPECT_TRUE(sink.messages.empty()) << ::testing::PrintToString(texts());
    clsDBRoutines refused(pictures());
    refused.openDatabase(administrators);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_THAT(sink.messages[0].text, StartsWith("8001, Cannot connect to the catalogue server: "));
}

}  // namespace
}  // namespace portico::test
