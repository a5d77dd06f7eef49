#include "BenchScene.h"
#include "VipsRunner.h"
#include "render/Compositor.h"
#include "render/ViewSet.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace deptrix::bench {
namespace {

const Document& Scene(int imageMode) {
    static const Document rgb = MakeBenchScene(3);
    static const Document cmyk = MakeBenchScene(4);
    return imageMode == 3 ? rgb : cmyk;
}

std::filesystem::path ScratchFolder(const std::string& name) {
    std::string folder = "deptrix-bench-";
    folder += name;
    folder += '-';
    folder += std::to_string(static_cast<long>(::getpid()));
    return std::filesystem::temp_directory_path() / folder;
}

/// Fastest of a few composite passes, in seconds.
double BestPassSeconds(Document& doc, int runs) {
    NullProgress progress;
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        CompositePass(doc, {}, progress);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

void BM_CompositePass(benchmark::State& state) {
    Document doc = Scene(static_cast<int>(state.range(0)));
    NullProgress progress;
    for (auto _ : state) {
        CompositePass(doc, {}, progress);
        benchmark::DoNotOptimize(doc.Composite.bits());
    }
    const auto pixels = static_cast<double>(LayerPixels(doc));
    state.counters["layer_px_per_s"]
        = benchmark::Counter(pixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["layer_px"] = pixels;
    state.SetLabel(state.range(0) == 3 ? "RGB" : "CMYK");
}
BENCHMARK(BM_CompositePass)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

/// Every mask value partly transparent: no run can be skipped or copied.
void BM_CompositePassAllSoft(benchmark::State& state) {
    static const Document soft = MakeBenchScene(3, true);
    Document doc = soft;
    NullProgress progress;
    for (auto _ : state) {
        CompositePass(doc, {}, progress);
        benchmark::DoNotOptimize(doc.Composite.bits());
    }
    state.counters["layer_px_per_s"]
        = benchmark::Counter(static_cast<double>(LayerPixels(doc)) * static_cast<double>(state.iterations()),
            benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CompositePassAllSoft)->Unit(benchmark::kMillisecond);

/// The same twelve layers blending in Multiply and Overlay by turns, the bottom one
/// included: the row-by-row path that blend modes take.
void BM_CompositePassModes(benchmark::State& state) {
    Document doc = Scene(static_cast<int>(state.range(0)));
    for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
        const BlendKey multiply { 'm', 'u', 'l', ' ' };
        const BlendKey overlay { 'o', 'v', 'e', 'r' };
        doc.Layers[i].BlendModeKey = i % 2 == 0 ? multiply : overlay;
    }
    NullProgress progress;
    for (auto _ : state) {
        CompositePass(doc, {}, progress);
        benchmark::DoNotOptimize(doc.Composite.bits());
    }
    const auto pixels = static_cast<double>(LayerPixels(doc));
    state.counters["layer_px_per_s"]
        = benchmark::Counter(pixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(state.range(0) == 3 ? "RGB" : "CMYK");
}
BENCHMARK(BM_CompositePassModes)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

/// The same stack through `vips composite` on one thread. The process's fixed
/// cost is measured on a 2 x 2 stack of as many layers and subtracted; our own
/// pass is timed here too so that the ratio comes from one run.
void BM_VipsComposite(benchmark::State& state) {
    if (!VipsRunner::available()) {
        state.SkipWithError("vips is not installed");
        return;
    }
    Document doc = Scene(3);
    const VipsRunner vips(doc, ScratchFolder("vips"));
    double startup = 1e9;
    for (int i = 0; i < 5; ++i) startup = std::min(startup, vips.runTiny());
    double best = 1e9;
    for (auto _ : state) {
        const double seconds = vips.runFull();
        if (seconds < 0 || startup < 0) {
            state.SkipWithError("vips composite failed");
            return;
        }
        best = std::min(best, seconds);
        state.SetIterationTime(seconds);
    }
    const double ours = BestPassSeconds(doc, 5);
    const double adjusted = best - startup;
    const auto pixels = static_cast<double>(LayerPixels(doc));
    state.counters["vips_raw_ms"] = best * 1e3;
    state.counters["vips_startup_ms"] = startup * 1e3;
    state.counters["vips_adjusted_ms"] = adjusted * 1e3;
    state.counters["vips_adjusted_layer_px_per_s"] = pixels / adjusted;
    state.counters["ours_ms"] = ours * 1e3;
    state.counters["speedup_raw"] = best / ours;
    state.counters["speedup_adjusted"] = adjusted / ours;
}
BENCHMARK(BM_VipsComposite)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

/// All seven views with their coverage and view files, as Preview builds them,
/// around a focus layer in the middle of the stack.
constexpr int kFocusRow = 6;

void BM_GenerateViews(benchmark::State& state) {
    Document doc = Scene(static_cast<int>(state.range(0)));
    ViewSetInput input;
    for (int row = 1; row <= doc.LayerCount; ++row)
        input.offsetCells.push_back(std::to_string(row * 12 - 60));
    input.focusText = std::to_string(kFocusRow);
    const auto folder = ScratchFolder("views");
    std::filesystem::create_directories(folder);
    NullProgress progress;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        GenerateViews(doc, input, folder, progress);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::filesystem::remove_all(folder);
    state.counters["per_view_ms"] = seconds * 1e3 / (static_cast<double>(state.iterations()) * kViewCount);
    state.SetLabel(state.range(0) == 3 ? "RGB" : "CMYK");
}
BENCHMARK(BM_GenerateViews)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace deptrix::bench

BENCHMARK_MAIN();
