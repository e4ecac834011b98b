// The cost of the change history on adding and changing programs: each add (a
// row with a 3 KiB picture) and each change (a new path) in a transaction of its
// own, as addProgram and updateProgram write them, with the history recorded and
// without, on a catalogue file and on a throwaway PostgreSQL server (fsync off).
// Without history means: on the file, this connection's triggers paused; on the
// server, a catalogue whose history triggers were dropped. Rounds alternate.
//   build/bench/history_bench [PROGRAMS] [ROUNDS]
#include "database/CatalogueFile.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "tests/support/PostgresTestServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using portico::Bytes;
using portico::Variant;
using Clock = std::chrono::steady_clock;

struct Times {
    std::vector<double> add, update;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Microseconds per add and per change of `count` programs.
void measure(const std::string& catalogue, bool pause, int count, int round, Times& times) {
    portico::Connection connection;
    connection.setConnectionString(catalogue);
    connection.Open();
    portico::Engine& engine = connection.engine("bench");
    if (pause) engine.run("SELECT portico_history_recording(0)", {});
    Bytes picture(3 * 1024);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 31 % 251);
    const std::vector<std::string> columns = {"Program_Name", "Program_Desc", "Program_Path", "Program_StartInDir",
                                              "Program_StartUpParms", "Program_Added_Date", "Program_Icon"};
    std::vector<std::int64_t> keys;
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        connection.BeginTrans();
        keys.push_back(engine.insertRow(
            "Program", columns,
            {Variant("Program " + std::to_string(round) + "." + std::to_string(i)), Variant("desc"),
             Variant("/usr/bin/program" + std::to_string(i)), Variant("/tmp"), Variant(""), Variant::date("2026-01-01"),
             Variant(picture)},
            "Program_Key"));
        connection.CommitTrans();
    }
    times.add.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count);
    start = Clock::now();
    for (int i = 0; i < count; ++i) {
        connection.BeginTrans();
        engine.updateRow("Program", {"Program_Path"}, {Variant("/opt/bin/program" + std::to_string(i))}, "Program_Key",
                         Variant(keys[static_cast<std::size_t>(i)]));
        connection.CommitTrans();
    }
    times.update.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count);
}

void report(const char* engine, const Times& with, const Times& without) {
    for (auto [name, a, b] : {std::tuple{"addProgram", &with.add, &without.add}, {"updateProgram", &with.update, &without.update}}) {
        const double on = median(*a), off = median(*b);
        std::printf("%-7s %-14s without history %8.1f us   with history %8.1f us   ratio %.2fx\n", engine, name, off, on,
                    on / off);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    char pattern[] = "/tmp/portico-history-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::filesystem::path folder = pattern;

    const std::string file = (folder / "Portico.mdb").string();
    portico::CatalogueFile::create(file);
    Times fileWith, fileWithout;
    for (int round = 0; round < rounds; ++round) {
        measure(file, false, count, 2 * round, fileWith);
        measure(file, true, count, 2 * round + 1, fileWithout);
    }
    report("file", fileWith, fileWithout);

    portico::test::PostgresTestServer* server = portico::test::PostgresTestServer::shared();
    if (!server) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", portico::test::PostgresTestServer::unavailableReason().c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const std::string with = server->createCatalogue(), without = server->createCatalogue();
    const auto start = without.find("dbname=") + 7;
    server->execute("DO $$ DECLARE t record; BEGIN FOR t IN SELECT tgname, tgrelid::regclass AS r FROM pg_trigger "
                    "WHERE tgname LIKE 'portico_history_%' LOOP EXECUTE format('DROP TRIGGER %I ON %s', t.tgname, t.r); "
                    "END LOOP; END $$",
                    without.substr(start, without.find(' ', start) - start));
    Times serverWith, serverWithout;
    for (int round = 0; round < rounds; ++round) {
        measure(with, false, count, round, serverWith);
        measure(without, false, count, round, serverWithout);
    }
    report("server", serverWith, serverWithout);
    std::filesystem::remove_all(folder);
    return 0;
}
