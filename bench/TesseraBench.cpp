// loadPrograms and a lookup by name, on a catalogue of 1,000 programs with a
// 3 KiB picture each: through libTessera's interface, and on the in-process
// class of the same build of the data layer.
//
//   build/bin/tessera_bench --benchmark_min_time=0.5
#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "tessera/Tessera.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPrograms = 1000;
constexpr std::size_t kPictureBytes = 3 * 1024;

class Catalogue {
public:
    Catalogue() {
        folder_ = std::filesystem::temp_directory_path() / ("tessera-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        file_ = folder_ / "Portico.mdb";
        std::filesystem::remove(file_);
        portico::CatalogueFile::create(file_);
        fill();
    }
    ~Catalogue() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::filesystem::path& file() const { return file_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    void fill() {
        sqlite3* db = nullptr;
        if (sqlite3_open(file_.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open the catalogue");
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO Program (Program_Name, Program_Desc, Program_Path, Program_StartInDir, "
                           "Program_StartUpParms, Program_Added_Date, Program_Icon) VALUES (?, ?, ?, '', '', "
                           "'2026-01-01', ?)",
                           -1, &insert, nullptr);
        std::string picture(kPictureBytes, '\0');
        for (int i = 0; i < kPrograms; ++i) {
            for (std::size_t b = 0; b < picture.size(); ++b) picture[b] = static_cast<char>((b + i) & 0xFF);
            const std::string name = programName(i);
            const std::string path = "/usr/bin/program" + std::to_string(i);
            sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, "A catalogued program", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, path.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_blob(insert, 4, picture.data(), static_cast<int>(picture.size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

public:
    static std::string programName(int i) {
        char text[32];
        std::snprintf(text, sizeof text, "Program %04d", i);
        return text;
    }

private:
    std::filesystem::path folder_;
    std::filesystem::path file_;
};

Catalogue& catalogue() {
    static Catalogue instance;
    return instance;
}

_clsDBRoutines* openThroughInterface() {
    TesseraClassFactory* factory = nullptr;
    DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory, reinterpret_cast<void**>(&factory));
    _clsDBRoutines* db = nullptr;
    factory->lpVtbl->CreateInstance(factory, nullptr, &TESSERA_IID__clsDBRoutines, reinterpret_cast<void**>(&db));
    factory->lpVtbl->Release(factory);
    TesseraVariant ignored;
    db->lpVtbl->openDatabase(db, catalogue().file().c_str(), &ignored);
    return db;
}

void loadProgramsInProcess(benchmark::State& state) {
    portico::clsDBRoutines db(portico::CatalogueCaller::Library, catalogue().folder());
    db.openDatabase(catalogue().file().string());
    for (auto _ : state) {
        auto programs = db.loadPrograms();
        if (!programs || programs->RecordCount() != kPrograms) state.SkipWithError("loadPrograms failed");
        benchmark::DoNotOptimize(programs);
    }
}

void loadProgramsThroughInterface(benchmark::State& state) {
    _clsDBRoutines* db = openThroughInterface();
    for (auto _ : state) {
        TesseraRecordset* programs = nullptr;
        db->lpVtbl->loadPrograms(db, &programs);
        std::int32_t count = 0;
        if (!programs || programs->lpVtbl->get_RecordCount(programs, &count) != TESSERA_S_OK || count != kPrograms)
            state.SkipWithError("loadPrograms failed");
        if (programs) programs->lpVtbl->Release(programs);
    }
    db->lpVtbl->Release(db);
}

void nameLookupInProcess(benchmark::State& state) {
    portico::clsDBRoutines db(portico::CatalogueCaller::Library, catalogue().folder());
    db.openDatabase(catalogue().file().string());
    const std::string name = Catalogue::programName(kPrograms / 2);
    for (auto _ : state) {
        auto path = db.getProgramPath(name);
        if (path.empty()) state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(path);
    }
}

void nameLookupThroughInterface(benchmark::State& state) {
    _clsDBRoutines* db = openThroughInterface();
    const std::string name = Catalogue::programName(kPrograms / 2);
    for (auto _ : state) {
        char* path = nullptr;
        db->lpVtbl->getProgramPath(db, name.c_str(), &path);
        if (!path || !*path) state.SkipWithError("lookup failed");
        TesseraFreeString(path);
    }
    db->lpVtbl->Release(db);
}

}  // namespace

BENCHMARK(loadProgramsInProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(loadProgramsThroughInterface)->Unit(benchmark::kMicrosecond);
BENCHMARK(nameLookupInProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(nameLookupThroughInterface)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
