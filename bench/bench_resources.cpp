// Listing and decoding the icons of a large executable: the reader touches only
// headers, directories and icon data, so the time should not grow with the file.
// Run: build/bin/bench_resources
#include "resource_viewer/IconDecoder.h"
#include "resource_viewer/PeFile.h"
#include "tests/resource_viewer/PeWriter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

using portico::ResourceId;

std::filesystem::path makeExecutable(std::uint64_t sizeMb, int icons) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("portico-bench-" + std::to_string(::getpid()) + "-" + std::to_string(sizeMb) + ".exe");
    portico::test::PeWriter writer(true);
    for (int i = 1; i <= icons; ++i)
        writer.add(ResourceId::integer(3), ResourceId::integer(static_cast<std::uint16_t>(i)),
                   portico::test::makeSolidIcon(i % 2 ? 32 : 48, 0xFF336699U, 0xFFFF0000U));
    // The resources sit at the end of a file of the given size, as in a large
    // installer; everything before them is a hole.
    writer.setResourceFileOffset(sizeMb << 20);
    writer.writeFile(path);
    return path;
}

void ListAndDecodeIcons(benchmark::State& state) {
    const auto path = makeExecutable(static_cast<std::uint64_t>(state.range(0)), 50);
    std::size_t decoded = 0;
    for (auto _ : state) {
        const auto file = portico::PeFile::open(path);
        file->enumerateNames(ResourceId::integer(3), [&](const ResourceId& name) {
            const auto bytes = file->readResource(ResourceId::integer(3), name);
            if (bytes && portico::IconDecoder::decode(*bytes)) ++decoded;
            return true;
        });
    }
    if (decoded != 50 * static_cast<std::size_t>(state.iterations())) state.SkipWithError("icons not decoded");
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path) >> 20);
    std::filesystem::remove(path);
}
BENCHMARK(ListAndDecodeIcons)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
