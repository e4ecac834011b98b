// What access rules cost a launcher at start: the list of 1,000 programs of
// which 500 are restricted to groups, loaded by a user in 10 groups, against
// the same catalogue with no grants. Each round opens the catalogue and reads
// what the launcher's window needs first: names, descriptions and the first
// screenful of pictures. On the server the rule is the server's own (row-level
// security); on a file the launcher applies it, with the user's groups given
// here instead of asked of the system.
//   build/bench/access_bench [ROUNDS]
#include "database/CatalogueCopy.h"
#include "database/CatalogueFile.h"
#include "database/CatalogueIdentity.h"
#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "tests/support/PostgresTestServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPrograms = 1000;
constexpr int kGroups = 50;
constexpr int kUserGroups = 10;
constexpr int kFirstScreen = 40;

std::string groupName(int i) { return "bench_g" + std::to_string(i); }

// A catalogue file of kPrograms programs with a 3 KiB picture each; with
// `grants`, every other program is restricted to one of kGroups groups.
void fill(const std::filesystem::path& folder, const std::string& file, bool grants) {
    portico::CatalogueFile::create(file);
    portico::clsDBRoutines db(folder);
    db.openDatabase(file);
    portico::Bytes picture(3 * 1024);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 31 % 251);
    if (grants)
        for (int g = 0; g < kGroups; ++g) db.AddGroup(groupName(g));
    // Grants by the catalogue's own group names: these groups need not exist on this machine.
    for (int i = 0; i < kPrograms; ++i) {
        const std::string name = "Program " + std::to_string(i);
        if (!db.addProgramWithGrants(name, "desc", "/usr/bin/program" + std::to_string(i), picture, "/tmp", "", {}))
            std::abort();
        if (grants && i % 2 == 0 && !db.AddSecurity(groupName(i / 2 % kGroups), 1, name, 2)) std::abort();
    }
}

// Median milliseconds of opening `catalogue` and reading the launcher's first view.
double startMs(const std::filesystem::path& folder, const std::string& catalogue, int rounds, long expected) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        portico::clsDBRoutines db(folder);
        db.applyAccessRule(true);
        db.openDatabase(catalogue);
        auto names = db.loadProgramNames();
        auto descriptions = db.loadProgramDescriptions();
        if (!names || !descriptions || names->RecordCount() != expected) std::abort();
        std::vector<std::int64_t> keys;
        for (; !names->IsEOF() && keys.size() < kFirstScreen; names->MoveNext())
            keys.push_back(names->Fields("Program_Key").Value().toInt64());
        if (!db.loadProgramIcons(keys)) std::abort();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    char pattern[] = "/tmp/portico-access-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::filesystem::path folder = pattern;
    const std::string open = (folder / "open.mdb").string(), restricted = (folder / "restricted.mdb").string();
    fill(folder, open, false);
    fill(folder, restricted, true);

    // The reader is in groups 0 to 9: 500 open programs and 100 of the restricted.
    std::vector<std::string> groups;
    for (int g = 0; g < kUserGroups; ++g) groups.push_back(groupName(g));
    portico::CatalogueIdentity::setProvider([&](const std::string&) { return portico::CatalogueIdentity{"reader", groups}; });
    const long visible = kPrograms / 2 + kPrograms / 2 * kUserGroups / kGroups;

    std::printf("%-8s %22s %22s %8s\n", "engine", "no grants (ms, median)", "500 restricted (ms)", "ratio");
    const double fileOpen = startMs(folder, open, rounds, kPrograms);
    const double fileRestricted = startMs(folder, restricted, rounds, visible);
    std::printf("%-8s %22.2f %22.2f %8.2f\n", "file", fileOpen, fileRestricted, fileRestricted / fileOpen);
    std::fflush(stdout);

    portico::test::PostgresTestServer* server = portico::test::PostgresTestServer::shared();
    if (!server) {
        std::printf("server: not measured (%s)\n", portico::test::PostgresTestServer::unavailableReason().c_str());
        std::filesystem::remove_all(folder);
        return 0;
    }
    std::string roles = "DO $$ BEGIN ";
    for (int g = 0; g < kGroups; ++g)
        roles += "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '" + groupName(g) + "') THEN CREATE ROLE " +
                 groupName(g) + " NOLOGIN; END IF; ";
    std::string memberships = "portico_users";
    for (const auto& name : groups) memberships += ", " + name;
    roles += "IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'bench_reader') THEN CREATE ROLE bench_reader LOGIN IN ROLE " +
             memberships + "; END IF; END $$";
    // The catalogues first: they make the users' role the reader joins.
    const std::string openOnServer = server->createCatalogue(), restrictedOnServer = server->createCatalogue();
    server->execute(roles);
    portico::CatalogueCopy::copy(open, openOnServer, false);
    portico::CatalogueCopy::copy(restricted, restrictedOnServer, false);
    const double serverOpen = startMs(folder, openOnServer + " user=bench_reader", rounds, kPrograms);
    const double serverRestricted = startMs(folder, restrictedOnServer + " user=bench_reader", rounds, visible);
    std::printf("%-8s %22.2f %22.2f %8.2f\n", "server", serverOpen, serverRestricted, serverRestricted / serverOpen);
    std::filesystem::remove_all(folder);
    return 0;
}
