// A 6000 x 4000 layer given its depth by a 16-bit PNG map of its size, against the same
// layer with outlines: each synthesis from the files to the seven views' files, the
// map's decoding included. Pairs run back to back, which comes first taking turns, and
// the counter is the median ratio of map to outlines. On a virtual machine that hands
// freed memory back to its host, a synthesis now and then waits a few hundred ms for
// fresh memory while it loads the layer's files; eight pairs make the median steadier
// than six did, though a run hit by several such waits can still come out high.

#include "SevenViewWarps.h"
#include "core/BmpCodec.h"
#include "core/TaskPool.h"
#include "core/WorkFiles.h"
#include "depth/DepthMapFit.h"
#include "depth/DepthQuantities.h"
#include "depth/DepthRaster.h"
#include "depth/LineLayerSynthesis.h"
#include "depth/ViewWarp.h"
#include "depth/WarpLayerViews.h"
#include "import/GreyPictureReader.h"

#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace deptrix::bench {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

struct LargeScene {
    std::filesystem::path folder;
    std::filesystem::path map;
    Document doc;
    LineSet lines = LineSet(kOrderCount);

    LargeScene() {
        folder = std::filesystem::temp_directory_path()
            / ("deptrix-bench-depth-map-" + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(folder);
        doc.ImageMode = 3;
        doc.SourceWidth = kWidth;
        doc.SourceHeight = kHeight;
        doc.WorkScale = Round(2048.0L / kWidth * 10000.0L);
        doc.ImageWidth = static_cast<int>(Round(kWidth * doc.WorkScale / 10000.0L));
        doc.ImageHeight = static_cast<int>(Round(kHeight * doc.WorkScale / 10000.0L));
        doc.SourceDpi = 300 * kFixedOne;
        doc.DocumentLoaded = true;
        LayerRecord layer;
        layer.Width = kWidth;
        layer.Height = kHeight;
        layer.BaseOrder = 7;
        layer.Smooth = 5;
        layer.Depth = kFixedOne;
        doc.Layers.push_back(layer);
        doc.LayerCount = 1;

        std::mt19937 random(7);
        Bitmap picture(kWidth, kHeight, PixelFormat::Bgr24);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = picture.row(y);
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x / 24 + random() % 16);
                row[3 * x + 1] = static_cast<std::uint8_t>(y / 16 + random() % 16);
                row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 40);
            }
        }
        Bitmap mask(kWidth, kHeight, PixelFormat::Gray8);
        mask.fill(255);
        SaveBmp(picture, folder / LayerFileName(1));
        SaveBmp(mask, folder / LayerMaskFileName(1));

        // A depth model's kind of map: smooth hills with fine noise, all 16 bits used.
        QImage depth(kWidth, kHeight, QImage::Format_Grayscale16);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<std::uint16_t*>(depth.scanLine(y));
            for (int x = 0; x < kWidth; ++x) {
                const double hills
                    = 0.5 + 0.25 * std::sin(x / 700.0) + 0.2 * std::cos(y / 500.0 + x / 1900.0);
                row[x] = static_cast<std::uint16_t>(std::clamp(hills * 60000 + random() % 512, 0.0, 65535.0));
            }
        }
        map = folder / "depth.png";
        depth.save(QString::fromStdString(map.string()), "PNG");

        // 30 outlines of 24 points each, as the outline benchmark draws them.
        for (int n = 0; n < 30; ++n) {
            const double cx = random() % doc.ImageWidth, cy = random() % doc.ImageHeight;
            const double rx = 40 + random() % 300, ry = 40 + random() % 250;
            Line line;
            for (int p = 0; p < 24; ++p) {
                const double angle = p * 2 * M_PI / 24;
                line.push_back({ static_cast<int>(cx + rx * std::cos(angle)),
                    static_cast<int>(cy + ry * std::sin(angle)) });
            }
            lines[static_cast<std::size_t>(n % kOrderCount)].push_back(line);
        }
    }
    ~LargeScene() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

LargeScene& TheLargeScene() {
    static LargeScene scene;
    return scene;
}

/// Sets the thread count for one benchmark and restores it after.
class BenchThreads {
public:
    explicit BenchThreads(std::int64_t threads)
        : m_before(TaskThreads()) {
        SetTaskThreads(static_cast<int>(threads));
    }
    ~BenchThreads() { SetTaskThreads(m_before); }
    BenchThreads(const BenchThreads&) = delete;
    BenchThreads& operator=(const BenchThreads&) = delete;

private:
    int m_before;
};

void BM_DepthMapOverOutlines(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    LargeScene& scene = TheLargeScene();
    NullProgress progress;
    const BenchThreads threads(state.range(0));
    const auto withMap = [&] {
        const auto start = Clock::now();
        Document doc = scene.doc;
        doc.setDepthMap(0, MakeLayerDepthMap(ReadGreyPicture(scene.map), scene.map, {}, {}));
        SynthesiseLineLayer(doc, 0, {}, scene.folder, progress);
        return Seconds(Clock::now() - start).count();
    };
    const auto withOutlines = [&] {
        const auto start = Clock::now();
        Document doc = scene.doc;
        SynthesiseLineLayer(doc, 0, scene.lines, scene.folder, progress);
        return Seconds(Clock::now() - start).count();
    };
    std::vector<double> ratios;
    bool mapFirst = false;
    for (auto _ : state) {
        double map = 0;
        double outlines = 0;
        if (mapFirst) {
            map = withMap();
            outlines = withOutlines();
        } else {
            outlines = withOutlines();
            map = withMap();
        }
        mapFirst = !mapFirst;
        ratios.push_back(map / outlines);
        state.counters["map s"] = map;
        state.counters["outlines s"] = outlines;
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["x map/outlines"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
}
// Both sides on the same number of threads: one, then two.
BENCHMARK(BM_DepthMapOverOutlines)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

// The parts on their own, where the two sides differ: decoding the map, the depth
// raster from the map or from the outlines, and the views' row passes over either.

void BM_ReadDepthMap(benchmark::State& state) {
    LargeScene& scene = TheLargeScene();
    const BenchThreads threads(state.range(0));
    for (auto _ : state) {
        const LayerDepthMap map = MakeLayerDepthMap(ReadGreyPicture(scene.map), scene.map, {}, {});
        benchmark::DoNotOptimize(map.darkest);
    }
}
BENCHMARK(BM_ReadDepthMap)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

Bitmap LargeSceneRaster(bool fromMap) {
    LargeScene& scene = TheLargeScene();
    const LayerRecord& layer = scene.doc.Layers[0];
    if (!fromMap) return SmoothedDepthRaster(scene.doc, layer, scene.lines);
    const LayerDepthMap map = MakeLayerDepthMap(ReadGreyPicture(scene.map), scene.map, {}, {});
    return DepthMapRaster(scene.doc, layer, map, OutlineMargin(scene.doc.SourceDpi, layer.Depth));
}

void BM_MapRaster(benchmark::State& state) {
    LargeScene& scene = TheLargeScene();
    const BenchThreads threads(state.range(0));
    const LayerRecord& layer = scene.doc.Layers[0];
    const LayerDepthMap map = MakeLayerDepthMap(ReadGreyPicture(scene.map), scene.map, {}, {});
    for (auto _ : state) {
        const Bitmap raster
            = DepthMapRaster(scene.doc, layer, map, OutlineMargin(scene.doc.SourceDpi, layer.Depth));
        benchmark::DoNotOptimize(raster.bits());
    }
}
BENCHMARK(BM_MapRaster)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OutlineRaster(benchmark::State& state) {
    const BenchThreads threads(state.range(0));
    for (auto _ : state) {
        const Bitmap raster = LargeSceneRaster(false);
        benchmark::DoNotOptimize(raster.bits());
    }
}
BENCHMARK(BM_OutlineRaster)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WarpOverRaster(benchmark::State& state) {
    LargeScene& scene = TheLargeScene();
    const BenchThreads threads(state.range(0));
    const Bitmap raster = LargeSceneRaster(state.range(1) != 0);
    TimeSevenViewWarps(state, scene.folder, scene.doc.SourceDpi, kWidth, raster);
}
BENCHMARK(BM_WarpOverRaster)
    ->ArgNames({ "threads", "map" })
    ->ArgsProduct({ { 1, 2 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace deptrix::bench
