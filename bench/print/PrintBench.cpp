// The interlaced print of the import benchmark's 4000 x 3000 PSD of 12 layers at
// 12 x 9 inches, 1440 dpi, H Scale 1, RGB, uncompressed: 17280 x 12960 pixels,
// 672 MB. Beside it, copying a file of the same size on the same disk, so the
// print's time can be read against what the disk allows. Peak memory is the
// process's high-water mark over the export alone (reset after the import).
//
// BM_FramesAgainstSeven prints 20000 x 15000 pixels (13.89 inches at 1440 dpi) with 32
// frames and with the usual 7, one after the other in every iteration, so that both
// see the same load on a shared machine: the counters give the median of the
// per-pair time ratios and the larger print's peak memory.
//
// BM_ThreadsAndCopy prints 20000 x 15000 pixels (900 MB) with one thread and with two,
// and copies a file of that size, in turn in every iteration (the order rotating): the
// counters give the median ratios of one thread to two and of one thread to the copy,
// one thread's CPU time, the peak memory, and the load average over the run. Put the
// temporary folder on a RAM disk (TMPDIR=/dev/shm) to time the work rather than the disk.
//
// BM_InterlaceRows makes the rows of that 20000 x 15000 print from seven 4000 x 3000
// frames of noise held in memory, a strip at a time on one thread, and drops them: the
// interlacer's own cost, without the layers, the compositing or the file. The digest
// counter (FNV-1a of every row, 32 bits) shows whether two builds make the same bytes.

#include "../ProcessMemory.h"
#include "BenchPsd.h"
#include "core/Document.h"
#include "core/TaskPool.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "print/PrintExport.h"
#include "print/PrintRows.h"
#include "print/SourceViews.h"
#include "render/GroupFrames.h"
#include "render/ViewSet.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using namespace deptrix;

namespace fs = std::filesystem;

const fs::path& Folder() {
    static const fs::path folder = fs::temp_directory_path() / "deptrix-bench-print";
    return folder;
}

class Quiet final : public PrintProgress {
public:
    void setPosition(int) override { }
    bool cancelRequested() override { return false; }
};

/// Peak resident memory since the last reset, in MB (Linux; 0 elsewhere).
double PeakMb() {
    return bench::ProcessMemoryMb("VmHWM");
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Imported {
    Document doc;
    LayerOffsets offsets;
};

Imported& Scene() {
    static Imported scene = [] {
        Imported s;
        fs::create_directories(Folder() / "work");
        NullProgress progress;
        s.doc.beginImport(BenchPsdPath().string());
        ReadPsd(BenchPsdPath(), Folder() / "work", s.doc, progress);
        ApplyImportDefaults(s.doc);
        ViewSetInput input;
        for (int r = 1; r <= s.doc.LayerCount; ++r)
            input.offsetCells.push_back(
                std::to_string(Round(s.doc.DefaultOffsets[s.doc.LayerCount - r] / 10000.0L)));
        input.focusText = std::to_string(s.doc.FocusRow);
        s.offsets = ReadLayerOffsets(s.doc, input);
        return s;
    }();
    return scene;
}

PrintSettings BenchPrint() {
    PrintSettings settings;
    settings.lpi = 424775;
    settings.dpi = 14400000;
    settings.widthInches = 12;
    settings.heightInches = 9;
    settings.hScale = 1;
    return settings;
}

void BM_ExportPrint(benchmark::State& state) {
    Imported& scene = Scene();
    const fs::path target = Folder() / "print.tif";
    Quiet progress;
    double peak = 0;
    for (auto _ : state) {
        ResetPeak();
        ExportPrint(scene.doc, scene.offsets, BenchPrint(), Folder() / "work", target, progress);
        peak = std::max(peak, PeakMb());
    }
    const double bytes = static_cast<double>(fs::file_size(target));
    state.counters["file MB"] = bytes / 1e6;
    state.counters["peak MB"] = peak;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_ExportPrint)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

/// The seven source-resolution views alone, composited band by band and dropped:
/// what the views cost against the interlacing and the writing.
void BM_SourceViews(benchmark::State& state) {
    Imported& scene = Scene();
    Document doc = scene.doc;
    BuildGroupFrames(doc);
    const ViewLefts lefts = PreviewViewLefts(doc, scene.offsets.offsets, scene.offsets.focusOffset);
    std::uint64_t sum = 0;
    const auto take = [&sum](int, int, const std::uint8_t* row) { sum += row[0]; };
    for (auto _ : state) {
        SourceViews views(doc, lefts, Folder() / "work");
        for (int y = 0; y < views.height(); y += views.bandRows())
            views.readRows(y, std::min(views.bandRows(), views.height() - y), take);
    }
    benchmark::DoNotOptimize(sum);
    const double pixels = static_cast<double>(doc.SourceWidth) * doc.SourceHeight * 7;
    state.counters["view px/s"] = benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SourceViews)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_FramesAgainstSeven(benchmark::State& state) {
    Imported& scene = Scene();
    const fs::path target = Folder() / "frames.tif";
    Quiet progress;
    PrintSettings settings;
    settings.lpi = 424775;
    settings.dpi = 14400000;
    settings.widthInches = 20000.0L / 1440.0L;
    settings.hScale = 1;
    settings.sourceWidth = scene.doc.SourceWidth;
    settings.sourceHeight = scene.doc.SourceHeight;
    std::vector<double> ratios;
    double peak = 0, seven = 0, many = 0;
    double cpu[2] = {};
    bool sevenFirst = true;
    for (auto _ : state) {
        double seconds[2] = {};
        // Turn about which goes first, so that neither always follows the other's writing.
        const int order[2] = { sevenFirst ? kViewCount : 32, sevenFirst ? 32 : kViewCount };
        sevenFirst = !sevenFirst;
        for (const int frames : order) {
            settings.frames = frames;
            ResetPeak();
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            ExportPrint(scene.doc, scene.offsets, settings, Folder() / "work", target, progress);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            const int slot = frames == kViewCount ? 0 : 1;
            seconds[slot] = took.count();
            cpu[slot] += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            if (frames != kViewCount) peak = std::max(peak, PeakMb());
        }
        seven += seconds[0];
        many += seconds[1];
        ratios.push_back(seconds[1] / seconds[0]);
    }
    std::sort(ratios.begin(), ratios.end());
    const auto n = static_cast<double>(ratios.size());
    state.counters["7 frames s"] = seven / n;
    state.counters["32 frames s"] = many / n;
    state.counters["median ratio"] = ratios[ratios.size() / 2];
    state.counters["CPU ratio"] = cpu[1] / cpu[0];
    state.counters["peak MB 32"] = peak;
    fs::remove(target);
}
BENCHMARK(BM_FramesAgainstSeven)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

double LoadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_ThreadsAndCopy(benchmark::State& state) {
    Imported& scene = Scene();
    const fs::path target = Folder() / "threads.tif";
    const fs::path copy = Folder() / "threads-copy.tif";
    Quiet progress;
    PrintSettings settings = BenchPrint();
    settings.widthInches = 20000.0L / 1440.0L;
    settings.sourceWidth = scene.doc.SourceWidth;
    settings.sourceHeight = scene.doc.SourceHeight;
    const int threadsBefore = TaskThreads();
    std::vector<double> speedups, toCopy;
    double seconds[3] = {}, oneThreadCpu = 0, peak = 0, load = 0;
    int turn = 0;
    for (auto _ : state) {
        load += LoadAverage();
        double took[3] = {};
        for (int k = 0; k < 3; ++k) {
            const int what = (turn + k) % 3; // 0: one thread, 1: two threads, 2: the copy
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            if (what == 2) {
                if (!fs::exists(target))
                    ExportPrint(scene.doc, scene.offsets, settings, Folder() / "work", target, progress);
                const auto copyStart = std::chrono::steady_clock::now();
                fs::copy_file(target, copy, fs::copy_options::overwrite_existing);
                took[2] = std::chrono::duration<double>(std::chrono::steady_clock::now() - copyStart).count();
                fs::remove(copy);
                continue;
            }
            SetTaskThreads(what + 1);
            ResetPeak();
            ExportPrint(scene.doc, scene.offsets, settings, Folder() / "work", target, progress);
            took[what] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (what == 0) oneThreadCpu += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            peak = std::max(peak, PeakMb());
        }
        ++turn;
        for (int k = 0; k < 3; ++k) seconds[k] += took[k];
        speedups.push_back(took[0] / took[1]);
        toCopy.push_back(took[0] / took[2]);
    }
    SetTaskThreads(threadsBefore);
    const auto n = static_cast<double>(speedups.size());
    state.counters["1 thread s"] = seconds[0] / n;
    state.counters["2 threads s"] = seconds[1] / n;
    state.counters["copy s"] = seconds[2] / n;
    state.counters["1 thread CPU s"] = oneThreadCpu / n;
    state.counters["speedup 2"] = Median(speedups);
    state.counters["x copy"] = Median(toCopy);
    state.counters["peak MB"] = peak;
    state.counters["load"] = load / n;
    fs::remove(target);
}
BENCHMARK(BM_ThreadsAndCopy)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

void BM_InterlaceRows(benchmark::State& state) {
    constexpr int kWidth = 4000, kHeight = 3000;
    std::vector<Bitmap> frames;
    std::mt19937 random(3);
    for (int f = 0; f < kViewCount; ++f) {
        Bitmap frame(kWidth, kHeight, PixelFormat::Bgr24, UnfilledPixels {});
        // Smooth noise, so that neighbouring pixels differ as in a picture.
        for (int y = 0; y < kHeight; ++y)
            for (int k = 0; k < kWidth * 3; ++k)
                frame.row(y)[k] = static_cast<std::uint8_t>((k / 3 + y + f * 40) % 256 ^ (random() & 7));
        frames.push_back(std::move(frame));
    }
    std::vector<const Bitmap*> pointers;
    for (const Bitmap& frame : frames) pointers.push_back(&frame);
    BitmapViews views(pointers);
    PrintSettings settings = BenchPrint();
    settings.widthInches = 20000.0L / 1440.0L;
    settings.sourceWidth = kWidth;
    settings.sourceHeight = kHeight;
    const PrintGeometry geometry = MakePrintGeometry(settings);
    std::uint32_t digest = 0;
    for (auto _ : state) {
        const std::unique_ptr<PrintRows> rows = MakeInterlacer(geometry, views);
        constexpr int kStrip = 64;
        const std::size_t rowBytes = rows->rowBytes();
        std::vector<std::uint8_t> strip(rowBytes * kStrip);
        digest = 2166136261u;
        for (std::int64_t first = 0; first < geometry.bledHeight(); first += kStrip) {
            const auto count
                = static_cast<int>(std::min<std::int64_t>(kStrip, geometry.bledHeight() - first));
            rows->makeRows(first, count, strip.data());
            for (std::size_t k = 0; k < rowBytes * static_cast<std::size_t>(count); k += 61)
                digest = (digest ^ strip[k]) * 16777619u;
        }
    }
    state.counters["digest"] = static_cast<double>(digest);
    state.counters["rows"] = static_cast<double>(geometry.bledHeight());
}
BENCHMARK(BM_InterlaceRows)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_CopySameSize(benchmark::State& state) {
    const fs::path source = Folder() / "print.tif";
    const fs::path copy = Folder() / "copy.tif";
    for (auto _ : state) {
        fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
    }
    const double bytes = static_cast<double>(fs::file_size(source));
    state.counters["file MB"] = bytes / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    fs::remove(copy);
}
BENCHMARK(BM_CopySameSize)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
