// Search-as-you-type over a large catalogue: one refilter per keystroke, first
// the matching alone, then the launcher's real window (field, results list,
// panel) with 10,000 programs, events processed until the screen is drawn.
//
//   build/bench/search_bench   (QT_QPA_PLATFORM=offscreen is set when missing)
#include "database/CatalogueFile.h"
#include "database/clsDBRoutines.h"
#include "gui/testing/ScriptedDialogService.h"
#include "launcher/frmView.h"
#include "launcher/modMain.h"
#include "settings/ProgramFolder.h"
#include "views/Artwork.h"
#include "views/ProgramSearch.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

using portico::ProgramSearch;
namespace fs = std::filesystem;

namespace {

const QStringList& words() {
    static const QStringList list = {
        QStringLiteral("Clock"),   QStringLiteral("Editor"),  QStringLiteral("Café"),    QStringLiteral("Image"),
        QStringLiteral("Viewer"),  QStringLiteral("Terminal"), QStringLiteral("Manager"), QStringLiteral("Player"),
        QStringLiteral("Office"),  QStringLiteral("Writer"),  QStringLiteral("Calc"),    QStringLiteral("Mail"),
        QStringLiteral("Browser"), QStringLiteral("Über"),    QStringLiteral("Studio"),  QStringLiteral("Notes"),
        QStringLiteral("X"),       QStringLiteral("Game"),    QStringLiteral("Scanner"), QStringLiteral("Archive")};
    return list;
}

// The i-th program of the made-up catalogue: its name and description.
std::pair<QString, QString> madeUpProgram(std::mt19937& random, int i) {
    std::uniform_int_distribution<int> pick(0, static_cast<int>(words().size()) - 1);
    const QString name = words()[pick(random)] + QLatin1Char(' ') + words()[pick(random)] + QLatin1Char(' ') + QString::number(i);
    QString description;
    for (int w = 0; w < 8; ++w) description += words()[pick(random)].toLower() + QLatin1Char(' ');
    return {name, description};
}

// Names and descriptions made of words, as a real catalogue's are, so prefix,
// word-start and subsequence matches all occur.
ProgramSearch catalogue(int programs) {
    std::mt19937 random(42);
    ProgramSearch search;
    for (int i = 0; i < programs; ++i) {
        const auto [name, description] = madeUpProgram(random, i);
        search.add(name, description);
    }
    return search;
}

void BM_Keystroke(benchmark::State& state, const char* typed) {
    const ProgramSearch search = catalogue(static_cast<int>(state.range(0)));
    const QString query = QString::fromUtf8(typed);
    std::size_t found = 0;
    for (auto _ : state) {
        found = search.find(query).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = static_cast<double>(found);
}

// The same keystroke with a user's history: the most entries a history keeps
// (UsageHistory::kMaxEntries) carry a launch weight, which orders each tier.
void BM_KeystrokeWithHistory(benchmark::State& state, const char* typed) {
    ProgramSearch search = catalogue(static_cast<int>(state.range(0)));
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i)
        search.setWeight(static_cast<int>(random() % static_cast<unsigned>(search.size())),
                         static_cast<float>(random() % 1000) / 100.f);
    const QString query = QString::fromUtf8(typed);
    std::size_t found = 0;
    for (auto _ : state) {
        found = search.find(query).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = static_cast<double>(found);
}

void BM_Prepare(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(catalogue(static_cast<int>(state.range(0))).size());
}

}  // namespace

// Each query is one keystroke's refilter; together they type "clock" and an abbreviation.
BENCHMARK_CAPTURE(BM_Keystroke, c, "c")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, clo, "clo")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, clock, "clock")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, xclk, "xclk")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, cafe_accent, "cafe")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, no_match, "qqq")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeystrokeWithHistory, c, "c")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeystrokeWithHistory, clo, "clo")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeystrokeWithHistory, xclk, "xclk")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prepare)->Arg(10000)->Unit(benchmark::kMillisecond);

namespace {

// Typing "clock" letter by letter: each keystroke refines the last one's matches.
void BM_TypingRefines(benchmark::State& state) {
    ProgramSearch search = catalogue(static_cast<int>(state.range(0)));
    const QStringList typed = {"c", "cl", "clo", "cloc", "clock"};
    int step = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(search.refine(typed[step]).size());
        step = (step + 1) % typed.size();
    }
}
BENCHMARK(BM_TypingRefines)->Arg(10000)->Unit(benchmark::kMillisecond);

// ---- the real window

// A program folder with a catalogue of `programs` made-up programs (one small
// picture each) and 20 folders, opened by the launcher's window.
struct Launcher {
    fs::path folder;
    std::unique_ptr<portico::test::ScriptedDialogService> dialogs;
    std::unique_ptr<portico::modMain> program;

    explicit Launcher(int programs) {
        // A memory file system when there is one: 10,000 inserts are not what is measured.
        folder = fs::path(fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().c_str()) /
                 ("portico-search-bench-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "data");
        fs::create_directories(folder / "pictures");
        const auto write = [](const fs::path& file, const QImage& image, const char* format) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, format).write(image);
            std::ofstream(file, std::ios::binary).write(bytes.constData(), bytes.size());
        };
        write(folder / "folder.ico", portico::artwork::folderIcon(32), "ico");
        write(folder / "pictures" / "temp.bmp", portico::artwork::defaultIcon(32), "bmp");
        const fs::path data = folder / "data" / "Portico.mdb";
        portico::CatalogueFile::create(data);
        portico::setProgramFolder(folder.string());
        dialogs = std::make_unique<portico::test::ScriptedDialogService>();
        program = std::make_unique<portico::modMain>(folder / "pictures");
        program->database().openDatabase(data.string());
        std::mt19937 random(42);
        for (int i = 0; i < programs; ++i) {
            const auto [name, description] = madeUpProgram(random, i);
            program->database().addProgram(name.toStdString(), description.toStdString(), "/bin/true", "", "", "");
        }
        for (int i = 0; i < 20; ++i) program->database().AddFolder("Folder " + std::to_string(i), "/tmp");
        program->showMainWindow();
        QApplication::processEvents();
    }
    ~Launcher() {
        program.reset();
        portico::setProgramFolder("");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    portico::ucProgramView& view() { return *program->mainWindow()->ucProgramView1; }
};

Launcher& launcher() {
    static Launcher made(10000);
    return made;
}

// One keystroke in the window: the text changes, the matches are found, the
// results list and the panel are updated and everything is drawn.
struct Keystroke {
    double searchMs;  // the text set: matching, the results' rows, the panel
    double screenMs;  // the events that follow: the list's layout and drawing
    double total() const { return searchMs + screenMs; }
};

Keystroke keystroke(Launcher& made, const QString& text) {
    const auto start = std::chrono::steady_clock::now();
    made.view().txtSearch->setText(text);
    const auto searched = std::chrono::steady_clock::now();
    QApplication::processEvents();
    const auto drawn = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(searched - start).count(),
            std::chrono::duration<double, std::milli>(drawn - searched).count()};
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_WindowKeystroke(benchmark::State& state, std::vector<const char*> typed) {
    Launcher& made = launcher();
    if (made.view().lstView->count() != 10020) state.SkipWithError("list not filled");
    keystroke(made, "warm");  // builds the search index once
    keystroke(made, "");
    std::vector<double> totals, searches, screens;
    std::size_t step = 0;
    for (auto _ : state) {
        const Keystroke k = keystroke(made, QString::fromUtf8(typed[step]));
        state.SetIterationTime(k.total() / 1000.0);
        totals.push_back(k.total());
        searches.push_back(k.searchMs);
        screens.push_back(k.screenMs);
        step = (step + 1) % typed.size();
    }
    state.counters["median_ms"] = median(totals);
    state.counters["search_median_ms"] = median(searches);
    state.counters["screen_median_ms"] = median(screens);
    state.counters["max_ms"] = *std::max_element(totals.begin(), totals.end());
}

}  // namespace

// Typing "clock", then Escape back to the whole list, again and again.
BENCHMARK_CAPTURE(BM_WindowKeystroke, type_clock_then_escape, std::vector<const char*>{"c", "cl", "clo", "cloc", "clock", ""})
    ->UseManualTime()->Iterations(600)->Unit(benchmark::kMillisecond);
// The first letter alone: the widest search (almost every program) from the whole list.
BENCHMARK_CAPTURE(BM_WindowKeystroke, first_letter_c, std::vector<const char*>{"c", ""})
    ->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
// Letters only, never back to the whole list: the results list alone.
BENCHMARK_CAPTURE(BM_WindowKeystroke, letters_only, std::vector<const char*>{"x", "xc", "xcl", "xclk", "c", "ca", "caf", "cafe"})
    ->UseManualTime()->Iterations(800)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WindowKeystroke, abbreviation_xclk, std::vector<const char*>{"x", "xc", "xcl", "xclk", ""})
    ->UseManualTime()->Iterations(500)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
