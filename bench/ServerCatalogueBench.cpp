// loadPrograms, loadProgramList and a name lookup on catalogues of 1,000 and
// 10,000 programs with a 3 KiB picture each: a catalogue file against the same
// catalogue on a throwaway PostgreSQL server reached over its Unix socket, in one
// run. Both engines hand every row and every picture byte to the caller. The
// server runs with fsync off (it is thrown away), which only the filling feels.
// The machine's load is printed first: the server's figures, which take two
// processes taking turns, suffer more from a busy machine than the file's.
// The server's own time is mostly its sending: PostgreSQL 15 writes a reply
// 8 KiB at a time, so a list of a thousand 3 KiB pictures takes it some 380
// socket writes (about 2 ms here), whatever the client does with them.
//   build/bench/server_catalogue_bench [REPEATS]
#include "database/CatalogueCopy.h"
#include "database/CatalogueFile.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/clsDBRoutines.h"
#include "settings/MessageSink.h"
#include "tests/support/PostgresTestServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using portico::Bytes;
using portico::Variant;
using Clock = std::chrono::steady_clock;

// Median wall time of `repeats` runs of `work`, in microseconds.
double medianMicroseconds(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A catalogue file with `count` programs, written in one transaction.
void fill(const std::string& file, int count) {
    portico::CatalogueFile::create(file);
    auto connection = std::make_shared<portico::Connection>();
    connection->setConnectionString(file);
    connection->Open();
    Bytes picture(3 * 1024);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 31 % 251);
    auto& engine = connection->engine("bench");
    connection->BeginTrans();
    const std::vector<std::string> columns = {"Program_Name", "Program_Desc", "Program_Path", "Program_StartInDir",
                                              "Program_StartUpParms", "Program_Added_Date", "Program_Icon"};
    for (int i = 0; i < count; ++i) {
        engine.insertRow("Program", columns,
                         {Variant("Program " + std::to_string(i)), Variant("desc"),
                          Variant("/usr/bin/program" + std::to_string(i)), Variant("/tmp"), Variant(""),
                          Variant::date("2026-01-01"), Variant(picture)},
                         "");
    }
    connection->CommitTrans();
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    portico::test::PostgresTestServer* server = portico::test::PostgresTestServer::shared();
    if (!server) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", portico::test::PostgresTestServer::unavailableReason().c_str());
        return 1;
    }
    char pattern[] = "/tmp/portico-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::filesystem::path folder = pattern;

    if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
        char text[128] = {};
        if (std::fgets(text, sizeof text, load)) std::printf("load average: %s", text);
        std::fclose(load);
    }
    std::printf("%-10s %-22s %14s %14s %8s\n", "programs", "operation", "SQLite (us)", "PostgreSQL (us)", "ratio");
    for (const int count : {1000, 10000}) {
        const std::string file = (folder / ("catalogue-" + std::to_string(count) + ".mdb")).string();
        fill(file, count);
        const std::string database = server->createCatalogue();
        portico::CatalogueCopy::copy(file, database, false);

        portico::clsDBRoutines onFile(folder), onServer(folder);
        onFile.openDatabase(file);
        onServer.openDatabase(database);
        const std::string name = "Program " + std::to_string(count / 2);
        const auto load = [&](portico::clsDBRoutines& db) {
            return [&db, count] {
                auto programs = db.loadPrograms();
                if (!programs || programs->RecordCount() != count) std::abort();
            };
        };
        const auto list = [&](portico::clsDBRoutines& db) {
            return [&db, count] {
                auto programs = db.loadProgramList();
                if (!programs || programs->RecordCount() != count) std::abort();
            };
        };
        const auto lookup = [&](portico::clsDBRoutines& db) {
            return [&db, &name] {
                if (db.getProgramPath(name).empty()) std::abort();
            };
        };
        const double fileLoad = medianMicroseconds(repeats, load(onFile));
        const double serverLoad = medianMicroseconds(repeats, load(onServer));
        const double fileList = medianMicroseconds(repeats, list(onFile));
        const double serverList = medianMicroseconds(repeats, list(onServer));
        const double fileLookup = medianMicroseconds(repeats * 20, lookup(onFile));
        const double serverLookup = medianMicroseconds(repeats * 20, lookup(onServer));
        std::printf("%-10d %-22s %14.0f %14.0f %7.2fx\n", count, "loadPrograms", fileLoad, serverLoad,
                    serverLoad / fileLoad);
        std::printf("%-10d %-22s %14.0f %14.0f %7.2fx\n", count, "loadProgramList", fileList, serverList,
                    serverList / fileList);
        std::printf("%-10d %-22s %14.1f %14.1f %7.2fx\n", count, "getProgramPath (name)", fileLookup, serverLookup,
                    serverLookup / fileLookup);
    }
    std::printf("targets: loadPrograms on the server <= 3x the file; a lookup <= 200 us\n");
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
