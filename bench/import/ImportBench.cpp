// Import of a 4000 x 3000 RGB RLE PSD with 12 layers: the whole reader as the
// program calls it (work files included), and the in-memory import alone.

#include "BenchPsd.h"
#include "core/Document.h"
#include "core/FileIo.h"
#include "core/Progress.h"
#include "import/LayerReader.h"
#include "import/MappedFile.h"
#include "import/PsdImport.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

using namespace deptrix;

void BM_ReadPsdWithWorkFiles(benchmark::State& state) {
    const auto psd = BenchPsdPath();
    const auto work = std::filesystem::temp_directory_path() / "deptrix-bench-import" / "work";
    std::filesystem::create_directories(work);
    NullProgress progress;
    for (auto _ : state) {
        Document doc;
        benchmark::DoNotOptimize(ReadPsd(psd, work, doc, progress));
        benchmark::DoNotOptimize(doc.LayerBitmaps.data());
    }
    state.counters["layers"] = 12;
    state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(psd)) / 1e6;
}
BENCHMARK(BM_ReadPsdWithWorkFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportInMemory(benchmark::State& state) {
    const MappedFile file(BenchPsdPath());
    NullProgress progress;
    for (auto _ : state) {
        ImportedDocument doc = ImportPsd(file.bytes(), "bench.psd", nullptr, progress);
        benchmark::DoNotOptimize(doc.LayerBitmaps.data());
    }
}
BENCHMARK(BM_ImportInMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
