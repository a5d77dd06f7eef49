#include "GifFrames.h"
#include "MagickGif.h"
#include "SampleViews.h"
#include "SyntheticViews.h"
#include "core/Canvas.h"
#include "core/TaskPool.h"
#include "output/Anaglyph.h"
#include "output/ColourHistogram.h"
#include "output/GifExport.h"
#include "output/GifWriter.h"
#include "output/IndexedFrame.h"
#include "output/StereoPair.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>

namespace deptrix::bench {
namespace {

enum Scene { Sample = 0, Synthetic = 1, SyntheticLarge = 2, Noise = 3 };

std::vector<Bitmap> NoiseViews(int width, int height) {
    std::mt19937 random(99);
    std::vector<Bitmap> views;
    for (int n = 0; n < 7; ++n) {
        Bitmap view(width, height, PixelFormat::Bgr24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width * 3; ++x) view.row(y)[x] = static_cast<std::uint8_t>(random());
        views.push_back(std::move(view));
    }
    return views;
}

std::filesystem::path ScratchFolder(const std::string& name) {
    return std::filesystem::temp_directory_path()
        / ("deptrix-bench-output-" + std::to_string(getpid()) + "-" + name);
}

/// The sample scene's views as a Preview makes them, or those of the work folder that
/// DEPTRIX_BENCH_VIEWS names.
std::vector<Bitmap> SampleViews() {
    const char* folder = std::getenv("DEPTRIX_BENCH_VIEWS");
    if (folder && *folder) return LoadViewFiles(folder);
    const std::filesystem::path work = ScratchFolder("sample");
    std::vector<Bitmap> views = SampleSceneViews(DEPTRIX_SAMPLE_PSD, work);
    std::filesystem::remove_all(work);
    return views;
}

/// The views of a scene, made once; empty when the scene is not available.
const std::vector<Bitmap>& Views(int scene) {
    static std::map<int, std::vector<Bitmap>> cache;
    auto found = cache.find(scene);
    if (found != cache.end()) return found->second;
    std::vector<Bitmap> views;
    switch (scene) {
    case Sample:
        views = SampleViews();
        break;
    case Synthetic:
        views = MakeSyntheticViews(800, 600);
        break;
    case SyntheticLarge:
        views = MakeSyntheticViews(1600, 1200);
        break;
    default:
        views = NoiseViews(800, 600);
        break;
    }
    return cache.emplace(scene, std::move(views)).first->second;
}

const char* SceneName(int scene) {
    switch (scene) {
    case Sample:
        return "sample scene";
    case Synthetic:
        return "views 800x600";
    case SyntheticLarge:
        return "views 1600x1200";
    default:
        return "noise 800x600";
    }
}

std::size_t DistinctColours(const Bitmap& frame) {
    return BuildColourHistogram(frame).keys.size();
}

void BM_EncodeAnimatedGif(benchmark::State& state) {
    const int scene = static_cast<int>(state.range(0));
    const std::vector<Bitmap>& views = Views(scene);
    if (views.empty()) {
        state.SkipWithError("the sample scene is missing");
        return;
    }
    NullProgress progress;
    std::vector<std::uint8_t> gif;
    for (auto _ : state) {
        gif = EncodeAnimatedGif(views, 800, 10, progress);
        benchmark::DoNotOptimize(gif.data());
    }
    const double mae = MeanAbsoluteError(DecodeGifFrames(gif), SweepFrames(views, 800));
    state.counters["mae"] = mae;
    state.counters["kB"] = static_cast<double>(gif.size()) / 1024;
    state.counters["colours"] = static_cast<double>(DistinctColours(SweepFrames(views, 800)[3]));
    state.SetLabel(SceneName(scene));
}

void BM_MagickGif(benchmark::State& state) {
    const int scene = static_cast<int>(state.range(0));
    if (!MagickAvailable()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    if (Views(scene).empty()) {
        state.SkipWithError("the sample scene is missing");
        return;
    }
    const auto folder = ScratchFolder(std::to_string(scene));
    const std::vector<Bitmap> frames = SweepFrames(Views(scene), 800);
    WriteFramePngs(frames, folder);
    std::vector<std::uint8_t> gif;
    // Like for like with BM_EncodeAnimatedGif, which times encoding in memory: the
    // iteration time is the GIF run minus the same run without output (process
    // start-up and PNG reading). The whole process is kept as a counter.
    double whole = 0;
    for (auto _ : state) {
        const double full = RunMagickGif(folder, gif);
        const double reading = RunMagickWithoutOutput(folder);
        whole += full;
        state.SetIterationTime(std::max(full - reading, 1e-6));
    }
    state.counters["whole process ms"] = whole * 1000 / static_cast<double>(state.iterations());
    std::filesystem::remove_all(folder);
    const double mae = MeanAbsoluteError(DecodeGifFrames(gif), frames);
    state.counters["mae"] = mae;
    state.counters["kB"] = static_cast<double>(gif.size()) / 1024;
    state.SetLabel(SceneName(scene));
}

void BM_ReduceFrame(benchmark::State& state) {
    const std::vector<Bitmap>& views = Views(static_cast<int>(state.range(0)));
    if (views.empty()) {
        state.SkipWithError("the sample scene is missing");
        return;
    }
    Bitmap frame(800, 600, PixelFormat::Bgr24);
    StretchNearest(views[3], frame);
    for (auto _ : state) benchmark::DoNotOptimize(ReduceFrame(frame).indices.data());
    state.SetLabel(SceneName(static_cast<int>(state.range(0))));
}

/// The sweep as it was made before each view was reduced once: all fourteen frames
/// stretched, reduced and compressed, one after the other.
std::vector<std::uint8_t> EveryFrameReduced(const std::vector<Bitmap>& views) {
    const GifFrameSize size = GifFrameSizeFor(views[0].width(), views[0].height(), 800);
    GifWriter writer(size.width, size.height);
    for (const int n : { 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1 }) {
        Bitmap frame(size.width, size.height, PixelFormat::Bgr24);
        StretchNearest(views[static_cast<std::size_t>(n - 1)], frame);
        writer.addLoopExtension(0);
        writer.addGraphicControl(10);
        writer.addImage(ReduceFrame(frame));
    }
    return writer.finish();
}

/// The GIF export against the fourteen reductions it used to make, in alternating
/// pairs on one thread, and the export on two threads: median ratios per pair.
void BM_GifOncePerView(benchmark::State& state) {
    const std::vector<Bitmap>& views = Views(static_cast<int>(state.range(0)));
    NullProgress progress;
    const int threadsBefore = TaskThreads();
    std::vector<double> toBaseline, toTwo;
    double seconds[3] = {};
    bool same = true;
    int turn = 0;
    for (auto _ : state) {
        double took[3] = {};
        std::vector<std::uint8_t> gifs[3];
        for (int k = 0; k < 3; ++k) {
            const int what
                = (turn + k) % 3; // 0: once per view, 1: every frame, 2: once per view on two threads
            SetTaskThreads(what == 2 ? 2 : 1);
            const auto start = std::chrono::steady_clock::now();
            gifs[what] = what == 1 ? EveryFrameReduced(views) : EncodeAnimatedGif(views, 800, 10, progress);
            took[what] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        ++turn;
        same = same && gifs[0] == gifs[1] && gifs[0] == gifs[2];
        for (int k = 0; k < 3; ++k) seconds[k] += took[k];
        toBaseline.push_back(took[1] / took[0]);
        toTwo.push_back(took[0] / took[2]);
    }
    SetTaskThreads(threadsBefore);
    if (!same) state.SkipWithError("the GIFs differ");
    std::sort(toBaseline.begin(), toBaseline.end());
    std::sort(toTwo.begin(), toTwo.end());
    const auto n = static_cast<double>(toBaseline.size());
    state.counters["once ms"] = seconds[0] * 1000 / n;
    state.counters["every frame ms"] = seconds[1] * 1000 / n;
    state.counters["two threads ms"] = seconds[2] * 1000 / n;
    state.counters["every/once"] = toBaseline[toBaseline.size() / 2];
    state.counters["speedup 2"] = toTwo[toTwo.size() / 2];
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    state.counters["load"] = load;
    state.SetLabel(SceneName(static_cast<int>(state.range(0))));
}

void BM_Anaglyph(benchmark::State& state) {
    const std::vector<Bitmap>& views = Views(SyntheticLarge);
    for (auto _ : state) benchmark::DoNotOptimize(MakeAnaglyph(views[1], views[5]).bits());
    state.SetLabel(SceneName(SyntheticLarge));
}

void BM_StereoPairJpeg(benchmark::State& state) {
    const std::vector<Bitmap>& views = Views(SyntheticLarge);
    for (auto _ : state) benchmark::DoNotOptimize(EncodeJpeg(SideBySide(views[2], views[5])).data());
    state.SetLabel(SceneName(SyntheticLarge));
}

BENCHMARK(BM_EncodeAnimatedGif)->DenseRange(Sample, Noise)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_MagickGif)
    ->DenseRange(Sample, Noise)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);
BENCHMARK(BM_ReduceFrame)->Arg(Sample)->Arg(Synthetic)->Arg(Noise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifOncePerView)
    ->Arg(Synthetic)
    ->Arg(SyntheticLarge)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);
BENCHMARK(BM_Anaglyph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StereoPairJpeg)->Unit(benchmark::kMillisecond);

/// The console report plus, per scene, the comparison of the two GIF writers.
class ComparingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const auto mae = run.counters.find("mae");
            const double ms = run.GetAdjustedRealTime();
            if (run.run_name.function_name == "BM_EncodeAnimatedGif")
                m_ours[run.run_name.args] = { ms, mae->second };
            if (run.run_name.function_name == "BM_MagickGif")
                m_magick[run.run_name.args] = { ms, mae->second };
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [args, ours] : m_ours) {
            const auto magick = m_magick.find(args);
            if (magick == m_magick.end()) continue;
            std::printf("%-16s encoding only: ours %7.1f ms  mae %.3f | ImageMagick %7.1f ms  mae %.3f | "
                        "speed-up %.1fx\n",
                SceneName(std::stoi(args)), ours.ms, ours.mae, magick->second.ms, magick->second.mae,
                magick->second.ms / ours.ms);
        }
    }

private:
    struct Figures {
        double ms = 0;
        double mae = 0;
    };
    std::map<std::string, Figures> m_ours;
    std::map<std::string, Figures> m_magick;
};

} // namespace
} // namespace deptrix::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    deptrix::bench::ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
