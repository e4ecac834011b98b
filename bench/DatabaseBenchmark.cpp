// Figures for the catalogue data layer on catalogues of 1,000 and 10,000
// programs with a 3 KiB picture each. Catalogues are made in $TMPDIR; pictures
// are exported to $PORTICO_BENCH_PICTURES when set (the per-user picture folder
// of a desktop session is usually on tmpfs), else beside the catalogue.
#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "settings/MessageSink.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using portico::Bytes;
using portico::clsDBRoutines;

constexpr std::size_t kPictureSize = 3 * 1024;

Bytes picture() {
    Bytes bytes(kPictureSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 % 251);
    return bytes;
}

std::string programName(int i) { return "Program " + std::to_string(i); }

// A bare connection with the same page cache as the data layer's, so that the
// comparison measures the layer and not the cache.
std::unique_ptr<sqlite3, int (*)(sqlite3*)> openBare(const std::filesystem::path& file) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    sqlite3_exec(db.get(), "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
    return db;
}

// A catalogue file with `count` programs, in a folder removed at exit.
class BenchCatalogue {
public:
    explicit BenchCatalogue(int count) {
        std::string pattern = (std::filesystem::temp_directory_path() / "portico-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        portico::CatalogueFile::create(file());
        sqlite3* raw = nullptr;
        sqlite3_open(file().c_str(), &raw);
        std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
        sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db.get(),
                           "INSERT INTO Program (Program_Name, Program_Desc, Program_Path, Program_StartInDir, "
                           "Program_StartUpParms, Program_Added_Date, Program_Icon) VALUES (?, 'desc', ?, '/tmp', '', "
                           "'2026-01-01', ?)",
                           -1, &insert, nullptr);
        const Bytes icon = picture();
        for (int i = 0; i < count; ++i) {
            const std::string name = programName(i);
            const std::string path = "/usr/bin/program" + std::to_string(i);
            sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, path.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_blob(insert, 3, icon.data(), static_cast<int>(icon.size()), SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
        std::filesystem::path pictures = folder_;
        if (const char* chosen = std::getenv("PORTICO_BENCH_PICTURES"); chosen && *chosen) {
            pictures = std::filesystem::path(chosen) / folder_.filename();
            std::filesystem::create_directories(pictures);
            pictures_ = pictures;
        }
        std::ofstream(pictures / "temp.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
        routines = std::make_unique<clsDBRoutines>(pictures);
        routines->openDatabase(file().string());
    }
    ~BenchCatalogue() {
        routines.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
        if (!pictures_.empty()) std::filesystem::remove_all(pictures_, ec);
    }

    std::filesystem::path file() const { return folder_ / "Portico.mdb"; }
    const std::filesystem::path& folder() const { return folder_; }

    std::unique_ptr<clsDBRoutines> routines;

private:
    std::filesystem::path folder_;
    std::filesystem::path pictures_;
};

BenchCatalogue& catalogue(int count) {
    static std::map<int, std::unique_ptr<BenchCatalogue>> catalogues;
    auto& slot = catalogues[count];
    if (!slot) slot = std::make_unique<BenchCatalogue>(count);
    return *slot;
}

struct ProgramRow {
    std::string name;
    Bytes icon;
    std::string path;
};

// The same query with nothing but sqlite3, copying the same values.
void BM_BareSqliteLoop(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    auto db = openBare(cat.file());
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), "Select Program_Name, Program_Icon, Program_Path from Program Order by Program_Name", -1,
                       &statement, nullptr);
    for (auto _ : state) {
        std::vector<ProgramRow> rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ProgramRow row;
            row.name.assign(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
            const auto* icon = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, 1));
            row.icon.assign(icon, icon + sqlite3_column_bytes(statement, 1));
            row.path.assign(reinterpret_cast<const char*>(sqlite3_column_text(statement, 2)),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, 2)));
            rows.push_back(std::move(row));
        }
        sqlite3_reset(statement);
        benchmark::DoNotOptimize(rows.data());
    }
    sqlite3_finalize(statement);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BareSqliteLoop)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_loadPrograms(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto programs = cat.routines->loadPrograms();
        benchmark::DoNotOptimize(programs->RecordCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_loadPrograms)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// As a program list fills itself: load, then read every row's fields by name.
void BM_loadProgramsAndReadFields(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto programs = cat.routines->loadPrograms();
        std::size_t total = 0;
        for (long i = 0; i < programs->RecordCount(); ++i) {
            total += programs->Fields("Program_Name").Value().toText().size();
            total += programs->Fields("Program_Icon").Value().bytes().size();
            total += programs->Fields("Program_Path").Value().toText().size();
            programs->MoveNext();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_loadProgramsAndReadFields)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_getProgramPath(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) names.push_back(programName(i * 7919 % static_cast<int>(state.range(0))));
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cat.routines->getProgramPath(names[next]));
        next = (next + 1) % names.size();
    }
}
BENCHMARK(BM_getProgramPath)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The floor for a lookup: one prepared statement, reset and bound again.
void BM_BareLookup(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    auto db = openBare(cat.file());
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), "Select Program_Path from Program where Program_Name = ?", -1, &statement, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) names.push_back(programName(i * 7919 % static_cast<int>(state.range(0))));
    std::size_t next = 0;
    for (auto _ : state) {
        sqlite3_bind_text(statement, 1, names[next].c_str(), -1, SQLITE_TRANSIENT);
        std::string path;
        if (sqlite3_step(statement) == SQLITE_ROW)
            path.assign(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_reset(statement);
        benchmark::DoNotOptimize(path);
        next = (next + 1) % names.size();
    }
    sqlite3_finalize(statement);
}
BENCHMARK(BM_BareLookup)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Each call writes one row through a committed transaction, so the figure
// includes the file system's sync; what matters is that it does not grow with
// the catalogue.
void BM_addProgram(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    int next = 0;
    for (auto _ : state) {
        const bool added = cat.routines->addProgram("Added " + std::to_string(next++), "desc", "/usr/bin/added", "");
        benchmark::DoNotOptimize(added);
    }
}
BENCHMARK(BM_addProgram)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Export the picture, then read the file back as a window would.
void BM_GetProgramImageRoundTrip(benchmark::State& state) {
    auto& cat = catalogue(static_cast<int>(state.range(0)));
    const auto file = cat.routines->programImageFile();
    for (auto _ : state) {
        cat.routines->GetProgramImage(programName(42));
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() != kPictureSize) state.SkipWithError("picture changed size");
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_GetProgramImageRoundTrip)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
