// N launchers against one throwaway PostgreSQL server (default settings,
// max_connections 100), as a site's morning looks to the server: each launcher
// starts at its moment, spread evenly over SPREAD seconds (connects, loads the
// program names and the first screenful of pictures, lets go), then checks the
// change counter every 2 s, connecting for each check, as Portico does. Once
// every launcher has started, an administrator adds a program. Prints the
// connections at peak, refused connections, start time p50/p95 (from each
// launcher's moment to its list, so waiting for a busy server counts), the time
// until every launcher has seen the change, and the server's CPU time. With
// --pooler, PgBouncer (transaction mode, pool of 20) is started in front of the
// server and the launchers go through it; the administrator does not.
//   build/bench/site_bench [N] [SPREAD_S] [WATCH_S] [--pooler]
#include "database/CatalogueSession.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "settings/MessageSink.h"
#include "settings/PorticoError.h"
#include "tests/support/PostgresTestServer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <pwd.h>
#include <queue>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPrograms = 300;
constexpr int kScreenful = 24;
constexpr auto kWatch = std::chrono::seconds(2);

class CountingSink final : public portico::MessageSink {
public:
    void showMessage(const std::string& text, const std::string&, portico::MessageIcon) override {
        if (text.rfind("8001", 0) == 0) ++refused;
        else ++other;
    }
    std::atomic<int> refused{0}, other{0};
};

// CPU seconds of the server: the postmaster and the backends it has reaped.
double serverCpu(const std::filesystem::path& data) {
    std::ifstream pidFile(data / "postmaster.pid");
    long pid = 0;
    pidFile >> pid;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    std::vector<long> fields;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    while (rest >> field) fields.push_back(std::atol(field.c_str()));
    // Fields from the state (3rd): utime 14, stime 15, cutime 16, cstime 17.
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return fields.size() > 14 ? (fields[11] + fields[12] + fields[13] + fields[14]) / ticks : 0;
}

pid_t startPooler(const std::filesystem::path& folder, const std::string& serverSocket) {
    std::ofstream(folder / "pgbouncer.ini") << "[databases]\n* = host=" << serverSocket << "\n[pgbouncer]\nlisten_addr =\n"
                                            << "unix_socket_dir = " << folder.string() << "\nlisten_port = 6432\n"
                                            << "auth_type = trust\nauth_file = " << (folder / "users.txt").string()
                                            << "\npool_mode = transaction\ndefault_pool_size = 20\nmax_client_conn = 5000\n"
                                            << "ignore_startup_parameters = options\nlogfile = "
                                            << (folder / "pgbouncer.log").string() << "\n";
    std::ofstream(folder / "users.txt") << "\"portico\" \"\"\n";
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string config = (folder / "pgbouncer.ini").string();
        // setpriv becomes pgbouncer, so the signal that stops it reaches it
        // (runuser would wait for its child and keep the signal to itself).
        if (geteuid() == 0)
            execlp("setpriv", "setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "pgbouncer", "-q",
                   config.c_str(), nullptr);
        execlp("pgbouncer", "pgbouncer", "-q", config.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    int launchers = 1000, spread = 60, watch = 60;
    bool pooler = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--pooler") pooler = true;
        else numbers.push_back(std::atoi(argv[i]));
    }
    if (numbers.size() > 0) launchers = numbers[0];
    if (numbers.size() > 1) spread = numbers[1];
    if (numbers.size() > 2) watch = numbers[2];

    CountingSink sink;
    portico::ScopedMessageSink scoped(sink);
    portico::test::PostgresTestServer server;
    const std::string catalogue = server.createCatalogue();
    portico::clsDBRoutines administrator;
    administrator.openDatabase(catalogue);
    std::string picture(3072, '\x42');
    picture[0] = 'B';
    picture[1] = 'M';
    for (int i = 0; i < kPrograms; ++i)
        administrator.addProgramWithPicture("Program " + std::to_string(i), "d", "/usr/bin/p" + std::to_string(i),
                                            portico::Bytes(picture.begin(), picture.end()));

    std::string launcherString = catalogue;
    std::filesystem::path poolFolder;
    pid_t poolPid = -1;
    if (pooler) {
        char pattern[] = "/tmp/portico-pool-XXXXXX";
        poolFolder = mkdtemp(pattern);
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody && chown(poolFolder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return 1;
        }
        poolPid = startPooler(poolFolder, server.folder().string());
        const auto database = catalogue.substr(catalogue.find("dbname="));
        launcherString = "host=" + poolFolder.string() + " port=6432 " + database;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }

    // The counter every launcher compares with; the change moves it.
    std::atomic<long long> changedAt{-1};  // ns since t0
    const auto t0 = Clock::now() + std::chrono::milliseconds(500);
    const auto end = t0 + std::chrono::seconds(spread + watch);
    struct Task {
        Clock::time_point when;
        int launcher;
        bool start;
        bool operator<(const Task& other) const { return when > other.when; }
    };
    std::priority_queue<Task> tasks;
    std::mutex lock;
    std::condition_variable wake;
    for (int i = 0; i < launchers; ++i)
        tasks.push({t0 + std::chrono::milliseconds(static_cast<long>(1000.0 * spread * i / launchers)), i, true});
    std::vector<double> startMs(static_cast<std::size_t>(launchers), -1);
    std::vector<long long> baseline(static_cast<std::size_t>(launchers), -1);
    std::vector<double> seenMs(static_cast<std::size_t>(launchers), -1);
    std::atomic<int> peak{0};
    std::atomic<bool> done{false};

    const auto counter = [](portico::Connection& connection) {
        return connection.engine("bench").run("SELECT counter FROM portico_changes WHERE id = 1", {}).rows.at(0).at(0).toInt64();
    };
    const auto worker = [&] {
        for (;;) {
            Task task;
            {
                std::unique_lock<std::mutex> guard(lock);
                for (;;) {
                    if (done) return;
                    if (!tasks.empty() && tasks.top().when <= Clock::now()) break;
                    if (tasks.empty()) wake.wait_for(guard, std::chrono::milliseconds(50));
                    else wake.wait_until(guard, std::min(tasks.top().when, Clock::now() + std::chrono::milliseconds(50)));
                }
                task = tasks.top();
                tasks.pop();
            }
            const auto index = static_cast<std::size_t>(task.launcher);
            bool ok = false;
            if (task.start) {
                portico::clsDBRoutines launcher;
                launcher.session().setTimeouts(3, 10);
                launcher.openDatabase(launcherString);
                // As Portico does: where the watch starts, read before the list on the same connection.
                try {
                    auto count = launcher.session().openQuery("SELECT counter FROM portico_changes WHERE id = 1", {});
                    baseline[index] = count->Fields("counter").Value().toInt64();
                } catch (const portico::PorticoError&) {
                }
                if (auto names = launcher.loadProgramNames()) {
                    std::vector<std::int64_t> keys;
                    for (; !names->IsEOF() && keys.size() < kScreenful; names->MoveNext())
                        keys.push_back(names->Fields("Program_Key").Value().toInt64());
                    ok = launcher.loadProgramIcons(keys) != nullptr;
                }
                ok = ok && baseline[index] >= 0;
                if (ok) startMs[index] = std::chrono::duration<double, std::milli>(Clock::now() - task.when).count();
            } else {
                try {
                    portico::Connection check;
                    check.setConnectionTimeout(3);
                    check.setConnectionString(launcherString);
                    check.Open();
                    const long long now = counter(check);
                    if (baseline[index] < 0) baseline[index] = now;
                    else if (now != baseline[index] && seenMs[index] < 0 && changedAt >= 0)
                        seenMs[index] = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() - changedAt / 1e6;
                } catch (const portico::PorticoError&) {
                    ++sink.refused;
                }
            }
            std::lock_guard<std::mutex> guard(lock);
            const auto next = (task.start && !ok) ? task.when + std::chrono::seconds(10) : Clock::now() + kWatch;
            if (next < end) tasks.push({next, task.launcher, task.start && !ok});
            wake.notify_one();
        }
    };
    const double cpuBefore = serverCpu(server.folder() / "data");
    std::vector<std::thread> workers;
    for (int i = 0; i < 48; ++i) workers.emplace_back(worker);
    std::thread sampler([&] {
        portico::Connection sampling;
        sampling.setConnectionString(catalogue);
        sampling.Open();
        while (!done) {
            const auto rows = sampling.engine("bench")
                                  .run("SELECT count(*) FROM pg_stat_activity WHERE backend_type = 'client backend' "
                                       "AND pid <> pg_backend_pid()",
                                       {})
                                  .rows;
            peak = std::max<int>(peak, static_cast<int>(rows.at(0).at(0).toInt64()));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::this_thread::sleep_until(t0 + std::chrono::seconds(spread) + std::chrono::seconds(5));
    portico::Bytes bytes(picture.begin(), picture.end());
    changedAt = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t0).count();
    administrator.addProgramWithPicture("Added this morning", "d", "/usr/bin/new", bytes);
    std::this_thread::sleep_until(end);
    done = true;
    wake.notify_all();
    for (auto& thread : workers) thread.join();
    sampler.join();
    // The pooler's server sessions are counted once they have ended.
    if (poolPid > 0) {
        kill(poolPid, SIGINT);
        waitpid(poolPid, nullptr, 0);
        poolPid = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const double cpu = serverCpu(server.folder() / "data") - cpuBefore;

    std::vector<double> starts, seen;
    int notStarted = 0, notSeen = 0;
    for (std::size_t i = 0; i < startMs.size(); ++i) {
        if (startMs[i] < 0) ++notStarted;
        else starts.push_back(startMs[i]);
        if (seenMs[i] < 0) ++notSeen;
        else seen.push_back(seenMs[i]);
    }
    std::printf("site_bench: %d launchers over %d s, watching %d s, %s; server max_connections 100\n", launchers, spread,
                watch, pooler ? "through PgBouncer (transaction mode, pool 20)" : "direct");
    std::printf("  connections at peak      %d\n", peak.load());
    std::printf("  refused connections      %d (launchers never started: %d)\n", sink.refused.load(), notStarted);
    std::printf("  start p50 / p95          %.0f ms / %.0f ms\n", percentile(starts, 0.5), percentile(starts, 0.95));
    std::printf("  every launcher saw the change within %.1f s (%d did not see it)\n",
                seen.empty() ? 0.0 : *std::max_element(seen.begin(), seen.end()) / 1000, notSeen);
    std::printf("  server CPU               %.1f s over %d s\n", cpu, spread + watch);
    if (!poolFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(poolFolder, ignored);
    }
    return 0;
}
