// Import of layered RGB RLE PSDs (12 layers, half of them grainy): the whole reader
// as the program calls it (work files written in the background), the same until
// every work file is on disk, the in-memory import alone, and ImageMagick reading
// every layer of the same file (`convert F.psd null:`, one thread, whole process).
// Arguments: 0 the 4000 x 3000 document, 1 the 4096 x 3072 one; a second, where
// given, is the thread count layers are decoded on.

#include "BenchPsd.h"
#include "core/Document.h"
#include "core/FileIo.h"
#include "core/Progress.h"
#include "core/TaskPool.h"
#include "core/WorkFileWriter.h"
#include "import/LayerReader.h"
#include "import/MappedFile.h"
#include "import/PageRelease.h"
#include "import/PsdImport.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using namespace deptrix;

std::filesystem::path BenchFile(int which) {
    return which == 0 ? BenchPsdPath() : BenchPsdPath(BenchPsdShape { 4096, 3072, 12 });
}

/// Sets the thread count from argument `index` for the benchmark's lifetime.
class BenchThreads {
public:
    BenchThreads(benchmark::State& state, int index)
        : m_before(TaskThreads()) {
        if (state.range(index) > 0) SetTaskThreads(static_cast<int>(state.range(index)));
        state.counters["threads"] = TaskThreads();
    }
    ~BenchThreads() { SetTaskThreads(m_before); }
    BenchThreads(const BenchThreads&) = delete;
    BenchThreads& operator=(const BenchThreads&) = delete;

private:
    int m_before;
};

void ReadWithWorkFiles(benchmark::State& state, bool waitForFiles) {
    const BenchThreads threads(state, 1);
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
BENCHMARK(BM_ReadPsdWithWorkFiles)
    ->Args({ 0, 0 })
    ->Args({ 1, 1 })
    ->Args({ 1, 2 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

/// Until the last work file is written too.
void BM_ReadPsdFilesWritten(benchmark::State& state) {
    ReadWithWorkFiles(state, true);
}
BENCHMARK(BM_ReadPsdFilesWritten)
    ->Args({ 0, 0 })
    ->Args({ 1, 1 })
    ->Args({ 1, 2 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_ImportInMemory(benchmark::State& state) {
    const BenchThreads threads(state, 1);
    const MappedFile file(BenchFile(static_cast<int>(state.range(0))));
    NullProgress progress;
    for (auto _ : state) {
        ImportedDocument doc = ImportPsd(file.bytes(), "bench.psd", nullptr, progress);
        benchmark::DoNotOptimize(doc.LayerBitmaps.data());
    }
}
BENCHMARK(BM_ImportInMemory)
    ->Args({ 0, 0 })
    ->Args({ 1, 1 })
    ->Args({ 1, 2 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

/// The cost of the work files as the ratio of an import with them to one without, in
/// pairs run back to back, which comes first taking turns (this machine's speed
/// drifts within seconds): until the document is in memory, and until the last file
/// is written too. Medians of the pairs.
void BM_WorkFilesOverInMemory(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    const auto psd = BenchFile(static_cast<int>(state.range(0)));
    const auto work = std::filesystem::temp_directory_path() / "deptrix-bench-import" / "work";
    std::filesystem::create_directories(work);
    NullProgress progress;
    const auto withoutFiles = [&] {
        // ReadPsd without the work files: mapped afresh, pages let go once decoded.
        const auto start = Clock::now();
        const MappedFile mapped(psd);
        ImportLimits limits;
        limits.releaseDecoded = ReleaseMappedPages;
        ImportedDocument doc = ImportPsd(mapped.bytes(), "bench.psd", nullptr, progress, limits);
        benchmark::DoNotOptimize(doc.LayerBitmaps.data());
        // Timed like the import with files: until the document is there, not its release.
        return Seconds(Clock::now() - start).count();
    };
    const auto withFiles = [&] {
        const auto start = Clock::now();
        Document doc;
        benchmark::DoNotOptimize(ReadPsd(psd, work, doc, progress));
        const auto loaded = Clock::now();
        SharedWorkFileWriter().awaitAll();
        return std::pair { Seconds(loaded - start).count(), Seconds(Clock::now() - start).count() };
    };
    std::vector<double> inMemory;
    std::vector<double> written;
    bool filesFirst = false;
    for (auto _ : state) {
        std::pair<double, double> with;
        double without = 0;
        if (filesFirst) {
            with = withFiles();
            without = withoutFiles();
        } else {
            without = withoutFiles();
            with = withFiles();
        }
        filesFirst = !filesFirst;
        inMemory.push_back(with.first / without);
        written.push_back(with.second / without);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    state.counters["x in memory"] = median(inMemory);
    state.counters["x written"] = median(written);
}
BENCHMARK(BM_WorkFilesOverInMemory)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(40);

/// Layer effects as the ratio of the 4096 x 3072 document with a drop shadow and a
/// stroke on each of its 12 layers to the same document without, imported as the
/// program does (until the document is in memory), in pairs taking turns. Median of
/// the pairs, with the one-minute load average beside it. Argument: the thread count.
void BM_EffectsOverPlain(benchmark::State& state) {
    const BenchThreads threads(state, 0);
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    const auto plain = BenchPsdPath(BenchPsdShape { 4096, 3072, 12 });
    const auto styled = BenchPsdPath(BenchPsdShape { 4096, 3072, 12, Compression::Rle, false, true });
    const auto work = std::filesystem::temp_directory_path() / "deptrix-bench-import" / "work";
    std::filesystem::create_directories(work);
    NullProgress progress;
    const auto read = [&](const std::filesystem::path& psd) {
        const auto start = Clock::now();
        Document doc;
        benchmark::DoNotOptimize(ReadPsd(psd, work, doc, progress));
        const double seconds = Seconds(Clock::now() - start).count();
        SharedWorkFileWriter().awaitAll();
        return seconds;
    };
    std::vector<double> ratios;
    std::vector<double> plainTimes;
    bool styledFirst = false;
    for (auto _ : state) {
        double with = 0, without = 0;
        if (styledFirst) {
            with = read(styled);
            without = read(plain);
        } else {
            without = read(plain);
            with = read(styled);
        }
        styledFirst = !styledFirst;
        ratios.push_back(with / without);
        plainTimes.push_back(without);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    state.counters["x effects"] = median(ratios);
    state.counters["plain s"] = median(plainTimes);
    double load = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    state.counters["load"] = load;
}
BENCHMARK(BM_EffectsOverPlain)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(6);

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
