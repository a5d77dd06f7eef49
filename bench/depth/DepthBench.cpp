// Synthesis of one outline layer: a 3000 x 2000 RGB layer filling a 3000 x 2000
// document at 300 dpi (working grid 2048 x 1365), 30 lines, Smooth 5, depth and depth
// factor 1.0, work files included. The whole synthesis is measured, and each of its
// parts on its own: drawing the raster, smoothing, the row passes of the seven views,
// and the files (loading and widening the layer, stretching and writing the views).

#include "SevenViewWarps.h"
#include "core/BmpCodec.h"
#include "core/Canvas.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "depth/DepthRaster.h"
#include "depth/LineLayerSynthesis.h"
#include "depth/ViewWarp.h"
#include "depth/WarpLayerViews.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace deptrix::bench {
namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

struct Scene {
    std::filesystem::path folder;
    Document doc;
    LineSet lines = LineSet(kOrderCount);

    Scene() {
        folder = std::filesystem::temp_directory_path()
            / ("deptrix-bench-depth-" + std::to_string(static_cast<long>(::getpid())));
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

        // A photograph-like layer: smooth gradients with noise, fully opaque.
        std::mt19937 random(7);
        Bitmap picture(kWidth, kHeight, PixelFormat::Bgr24);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = picture.row(y);
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x / 12 + random() % 16);
                row[3 * x + 1] = static_cast<std::uint8_t>(y / 8 + random() % 16);
                row[3 * x + 2] = static_cast<std::uint8_t>((x + y) / 20);
            }
        }
        Bitmap mask(kWidth, kHeight, PixelFormat::Gray8);
        mask.fill(255);
        SaveBmp(picture, folder / LayerFileName(1));
        SaveBmp(mask, folder / LayerMaskFileName(1));

        // 30 outlines of 24 points each, ellipse-like with jitter, over all orders.
        for (int n = 0; n < 30; ++n) {
            const double cx = random() % doc.ImageWidth, cy = random() % doc.ImageHeight;
            const double rx = 40 + random() % 300, ry = 40 + random() % 250;
            Line line;
            for (int p = 0; p < 24; ++p) {
                const double angle = p * 2 * M_PI / 24;
                const double jitter = 0.85 + (random() % 30) / 100.0;
                line.push_back({ static_cast<int>(cx + rx * jitter * std::cos(angle)),
                    static_cast<int>(cy + ry * jitter * std::sin(angle)) });
            }
            lines[static_cast<std::size_t>(n % kOrderCount)].push_back(line);
        }
    }
    ~Scene() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void BM_SynthesiseLineLayer(benchmark::State& state) {
    Scene& scene = TheScene();
    NullProgress progress;
    for (auto _ : state) SynthesiseLineLayer(scene.doc, 0, scene.lines, scene.folder, progress);
}
BENCHMARK(BM_SynthesiseLineLayer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DrawDepthRaster(benchmark::State& state) {
    Scene& scene = TheScene();
    const LayerRecord& layer = scene.doc.Layers[0];
    for (auto _ : state) {
        Bitmap raster = BuildDepthRaster(
            scene.doc, layer, scene.lines, OutlineMargin(scene.doc.SourceDpi, layer.Depth));
        benchmark::DoNotOptimize(raster.bits());
    }
}
BENCHMARK(BM_DrawDepthRaster)->Unit(benchmark::kMillisecond)->UseRealTime();

Bitmap SceneRaster() {
    Scene& scene = TheScene();
    const LayerRecord& layer = scene.doc.Layers[0];
    return BuildDepthRaster(scene.doc, layer, scene.lines, OutlineMargin(scene.doc.SourceDpi, layer.Depth));
}

void BM_SmoothDepth(benchmark::State& state) {
    const Bitmap raster = SceneRaster();
    const std::int64_t step = SmoothingStep(kWidth, 5);
    for (auto _ : state) {
        state.PauseTiming();
        Bitmap copy = raster;
        state.ResumeTiming();
        SmoothDepth(copy, step);
        benchmark::DoNotOptimize(copy.bits());
    }
}
BENCHMARK(BM_SmoothDepth)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WarpSevenViews(benchmark::State& state) {
    Scene& scene = TheScene();
    Bitmap raster = SceneRaster();
    SmoothDepth(raster, SmoothingStep(kWidth, 5));
    TimeSevenViewWarps(state, scene.folder, scene.doc.SourceDpi, kWidth, raster);
}
BENCHMARK(BM_WarpSevenViews)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WorkFiles(benchmark::State& state) {
    Scene& scene = TheScene();
    const std::int64_t margin = OutlineMargin(scene.doc.SourceDpi, kFixedOne);
    for (auto _ : state) {
        const Bitmap picture = PadColumns(LoadBmp(scene.folder / LayerFileName(1)), margin, 0);
        const Bitmap mask = PadColumns(LoadBmp(scene.folder / LayerMaskFileName(1)), margin, 0);
        const int width = static_cast<int>(Round(picture.width() * scene.doc.WorkScale / 10000.0L));
        const int height = static_cast<int>(Round(picture.height() * scene.doc.WorkScale / 10000.0L));
        Bitmap scaled(width, height, PixelFormat::Bgr24);
        Bitmap scaledMask(width, height, PixelFormat::Gray8);
        for (int v = 0; v < kViewCount; ++v) {
            SaveBmp(picture, scene.folder / WarpedViewFileName(1, v));
            SaveBmp(mask, scene.folder / WarpedViewMaskFileName(1, v));
            StretchNearest(picture, scaled);
            StretchNearest(mask, scaledMask);
            SaveBmp(scaled, scene.folder / OutlineViewFileName(1, v));
            SaveBmp(scaledMask, scene.folder / OutlineViewMaskFileName(1, v));
        }
    }
}
BENCHMARK(BM_WorkFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace deptrix::bench

BENCHMARK_MAIN();
