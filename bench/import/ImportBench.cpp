// Import of layered RGB RLE PSDs (12 layers, half of them grainy): the whole reader
// as the program calls it (work files written in the background), the same until
// every work file is on disk, the in-memory import alone, and ImageMagick reading
// every layer of the same file (`convert F.psd null:`, one thread, whole process).
// Arguments: 0 the 4000 x 3000 document, 1 the 4096 x 3072 one.

#include "BenchPsd.h"
#include "core/Document.h"
#include "core/FileIo.h"
#include "core/Progress.h"
#include "core/WorkFileWriter.h"
#include "import/LayerReader.h"
#include "import/MappedFile.h"
#include "import/PsdImport.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace deptrix;

std::filesystem::path BenchFile(int which) {
    return which == 0 ? BenchPsdPath() : BenchPsdPath(BenchPsdShape { 4096, 3072, 12 });
}

void ReadWithWorkFiles(benchmark::State& state, bool waitForFiles) {
    const auto psd = BenchFile(static_cast<int>(state.range(0)));
    const auto work = std::filesystem::temp_directory_path() / "deptrix-bench-import" / "work";
    std::filesystem::create_directories(work);
    NullProgress progress;
    for (auto _ : state) {
        Document doc;
        benchmark::DoNotOptimize(ReadPsd(psd, work, doc, progress));
        if (waitForFiles) SharedWorkFileWriter().awaitAll();
        benchmark::DoNotOptimize(doc.LayerBitmaps.data());
    }
    SharedWorkFileWriter().awaitAll();
    state.counters["file MB"] = static_cast<double>(std::filesystem::file_size(psd)) / 1e6;
}

/// Until the document is in memory: the work files are still being written.
void BM_ReadPsdWithWorkFiles(benchmark::State& state) {
    ReadWithWorkFiles(state, false);
}
BENCHMARK(BM_ReadPsdWithWorkFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

/// Until the last work file is written too.
void BM_ReadPsdFilesWritten(benchmark::State& state) {
    ReadWithWorkFiles(state, true);
}
BENCHMARK(BM_ReadPsdFilesWritten)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportInMemory(benchmark::State& state) {
    const MappedFile file(BenchFile(static_cast<int>(state.range(0))));
    NullProgress progress;
    for (auto _ : state) {
        ImportedDocument doc = ImportPsd(file.bytes(), "bench.psd", nullptr, progress);
        benchmark::DoNotOptimize(doc.LayerBitmaps.data());
    }
}
BENCHMARK(BM_ImportInMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MagickReadPsd(benchmark::State& state) {
    if (std::system("convert -version > /dev/null 2>&1") != 0) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    const std::string command = "MAGICK_THREAD_LIMIT=1 convert '"
        + BenchFile(static_cast<int>(state.range(0))).string() + "' null:";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("convert failed");
            return;
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
    }
}
BENCHMARK(BM_MagickReadPsd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
