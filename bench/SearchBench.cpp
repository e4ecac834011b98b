// Search-as-you-type over a large catalogue: one refilter per keystroke.
//
//   build/bench/search_bench
#include "ProgramSearch.h"

#include <QStringList>

#include <benchmark/benchmark.h>

#include <random>

using portico::ProgramSearch;

namespace {

// Names and descriptions made of words, as a real catalogue's are, so prefix,
// word-start and subsequence matches all occur.
ProgramSearch catalogue(int programs) {
    static const QStringList words = {
        QStringLiteral("Clock"),   QStringLiteral("Editor"),  QStringLiteral("Café"),    QStringLiteral("Image"),
        QStringLiteral("Viewer"),  QStringLiteral("Terminal"), QStringLiteral("Manager"), QStringLiteral("Player"),
        QStringLiteral("Office"),  QStringLiteral("Writer"),  QStringLiteral("Calc"),    QStringLiteral("Mail"),
        QStringLiteral("Browser"), QStringLiteral("Über"),    QStringLiteral("Studio"),  QStringLiteral("Notes"),
        QStringLiteral("X"),       QStringLiteral("Game"),    QStringLiteral("Scanner"), QStringLiteral("Archive")};
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(words.size()) - 1);
    ProgramSearch search;
    for (int i = 0; i < programs; ++i) {
        const QString name = words[pick(random)] + QLatin1Char(' ') + words[pick(random)] + QLatin1Char(' ') + QString::number(i);
        QString description;
        for (int w = 0; w < 8; ++w) description += words[pick(random)].toLower() + QLatin1Char(' ');
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
BENCHMARK(BM_Prepare)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
