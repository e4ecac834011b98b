// Start-up of Portico on a large catalogue, and the time from a double click to
// the started program's exec.
//
//   build/bench/launcher_bench   (QT_QPA_PLATFORM=offscreen is set when missing)
#include "bench/BenchFiles.h"
#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "gui/testing/ScriptedDialogService.h"
#include "launcher/SystemShell.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "settings/ProgramFolder.h"
#include "views/Artwork.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QListWidget>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using namespace portico;
using portico::bench::encode;
using portico::bench::writeFile;

namespace {

// A program folder with a catalogue of `programs` programs (3 KiB pictures) and 20 folders.
struct Catalogue {
    fs::path folder;
    fs::path pictures;

    explicit Catalogue(int programs) {
        folder = fs::temp_directory_path() / ("portico-bench-" + std::to_string(::getpid()) + "-" + std::to_string(programs));
        // Pictures go where the programs put them: the per-user runtime folder, a
        // memory file system; the catalogue stays on disk.
        // PORTICO_BENCH_PICTURE_ROOT=/some/disk/folder measures the slower case of
        // a picture folder on disk (~/.cache/portico without XDG_RUNTIME_DIR).
        const char* root = std::getenv("PORTICO_BENCH_PICTURE_ROOT");
        pictures = fs::path(root ? root : fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().c_str()) /
                   ("portico-bench-pictures-" + std::to_string(::getpid()) + "-" + std::to_string(programs));
        fs::remove_all(folder);
        fs::remove_all(pictures);
        fs::create_directories(folder / "data");
        fs::create_directories(pictures);
        writeFile(folder / "folder.ico", encode(artwork::folderIcon(32), "ico"));
        writeFile(folder / "Default.ico", encode(artwork::defaultIcon(32), "ico"));
        CatalogueFile::create(folder / "data" / "Portico.mdb");
        {
            clsDBRoutines db(pictures);
            db.openDatabase((folder / "data" / "Portico.mdb").string());
            for (int i = 0; i < programs; ++i) {
                QImage picture(32, 32, QImage::Format_RGB32);  // a 24-bit bitmap: 3,126 bytes
                picture.fill(QColor::fromHsv(i * 7 % 360, 200, 220));
                writeFile(pictures / "temp.bmp", encode(picture, "bmp"));
                db.addProgram("Program " + std::to_string(100000 + i), "Description", "/bin/true", "", "/tmp", "-x");
            }
            for (int i = 0; i < 20; ++i) db.AddFolder("Folder " + std::to_string(i), "/tmp");
            db.CreateTheme("Theme", "", "");
            db.setDefaultTheme("Theme");
        }
        std::ofstream(folder / "Portico.ini")
            << "[Database]\nDatabasePath=" << (folder / "data" / "Portico.mdb").string()
            << "\n[General]\nNumberOfClicks=2\nDefaultIcon=" << (folder / "Default.ico").string()
            << "\nDefaultDialogIconPath=" << folder.string() << "\nDefaultDialogDBPath=" << folder.string() << "\n";
    }
    ~Catalogue() {
        std::error_code ec;
        fs::remove_all(folder, ec);
        fs::remove_all(pictures, ec);
    }
};

Catalogue& catalogue(int programs) {
    static std::map<int, std::unique_ptr<Catalogue>> made;
    auto& slot = made[programs];
    if (!slot) slot = std::make_unique<Catalogue>(programs);
    return *slot;
}

double peakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// From the start of start-up to the main window shown with its list filled.
void BM_StartUpToFilledWindow(benchmark::State& state) {
    const int programs = static_cast<int>(state.range(0));
    Catalogue& made = catalogue(programs);
    setProgramFolder(made.folder.string());
    test::ScriptedDialogService dialogs;
    for (auto _ : state) {
        modMain program(made.pictures);
        program.start();
        QApplication::processEvents();
        if (program.mainWindow()->ucProgramView1->lstView->count() != programs + 20) state.SkipWithError("list not filled");
        state.PauseTiming();
        program.mainWindow()->close();
        state.ResumeTiming();
    }
    if (!dialogs.messages().empty()) state.SkipWithError(dialogs.messages().front().text.c_str());
    // Inverted rate of "millionths of programs" per second: microseconds per program.
    state.counters["per_program_us"] = benchmark::Counter(
        programs / 1e6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["peak_rss_MB"] = peakMegabytes();
    setProgramFolder("");
}
BENCHMARK(BM_StartUpToFilledWindow)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// A double click's launch: the three look-ups and the detached start, until the
// program has exec'd (the shell returns once exec succeeded).
void BM_LaunchToExec(benchmark::State& state) {
    Catalogue& made = catalogue(1000);
    setProgramFolder(made.folder.string());
    test::ScriptedDialogService dialogs;
    SystemShell systemShell;
    ScopedShell shellGuard(systemShell);
    modMain program(made.pictures);
    program.database().openDatabase((made.folder / "data" / "Portico.mdb").string());
    for (auto _ : state) {
        if (!program.launchProgram("Program 100500")) state.SkipWithError("launch failed");
    }
    setProgramFolder("");
}
BENCHMARK(BM_LaunchToExec)->Unit(benchmark::kMillisecond)->Iterations(200)->UseRealTime();

// The shell alone: fork, exec and the report that exec happened.
void BM_ShellStart(benchmark::State& state) {
    SystemShell systemShell;
    for (auto _ : state) {
        if (!systemShell.execute({"", "/bin/true", "-x", "/tmp", 1}).started) state.SkipWithError("start failed");
    }
}
BENCHMARK(BM_ShellStart)->Unit(benchmark::kMillisecond)->Iterations(200)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
