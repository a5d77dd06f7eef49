// The outline editor's two costs: the display refresh (tint plus the pick map the tool
// reads), done after every committed edit, and one pointer move during a drag, which
// only redraws the reversible feedback. Targets on a 2048 x 1536 layer holding 60
// lines of 200 points: under 25 ms per refresh and under 1 ms per move.

#include "outline/OutlineEditor.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <random>

namespace deptrix::bench {
namespace {

constexpr int kWidth = 2048;
constexpr int kHeight = 1536;
constexpr int kLines = 60;
constexpr int kPoints = 200;

/// A wavy closed outline of kPoints points around (cx, cy).
Line WavyLine(double cx, double cy, double radius, double phase) {
    Line line;
    for (int k = 0; k < kPoints; ++k) {
        const double angle = 2 * M_PI * k / kPoints;
        const double r = radius * (1 + 0.2 * std::sin(7 * angle + phase));
        line.push_back({ static_cast<std::int32_t>(cx + r * std::cos(angle)),
            static_cast<std::int32_t>(cy + r * std::sin(angle)) });
    }
    return line;
}

/// A photographic-looking layer picture and 60 lines spread over the orders, as an
/// open DrawLine tab shows them at a fitted zoom (a 1024 x 768 control).
struct Scene {
    Document doc;
    OutlineEditor editor { doc };

    Scene() {
        doc.LayerCount = 1;
        doc.Layers.resize(1);
        doc.ImageWidth = kWidth;
        doc.ImageHeight = kHeight;
        doc.Composite = Bitmap(kWidth, kHeight, PixelFormat::Bgr24);
        std::mt19937 random(7);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = doc.Composite.row(y);
            for (int x = 0; x < kWidth * 3; ++x)
                row[x] = static_cast<std::uint8_t>((x / 3 + y) / 16 + static_cast<int>(random() % 32));
        }
        LineSet lines(kOrderCount);
        for (int i = 0; i < kLines; ++i) {
            const double cx = 150 + (i % 10) * 190;
            const double cy = 200 + (i / 10) * 220;
            lines[static_cast<size_t>(i % kOrderCount)].push_back(WavyLine(cx, cy, 90 + i % 5 * 10, i));
        }
        doc.LayerLines = { lines };
        editor.open(0, kWidth / 2, kHeight / 2);
    }
};

/// What follows an edit: the lines rasterised again, the tint redone and the tool's
/// pick map repainted.
void Refresh(benchmark::State& state, EditTool tool) {
    Scene scene;
    scene.editor.selectTool(tool);
    for (auto _ : state) {
        scene.editor.linesReplaced();
        benchmark::DoNotOptimize(scene.editor.pickMap().codeAt(0, 0));
    }
}

void BM_RefreshWithLineMap(benchmark::State& state) {
    Refresh(state, EditTool::MoveLine);
}
BENCHMARK(BM_RefreshWithLineMap)->Unit(benchmark::kMillisecond);

void BM_RefreshWithPointMap(benchmark::State& state) {
    Refresh(state, EditTool::DeletePoint);
}
BENCHMARK(BM_RefreshWithPointMap)->Unit(benchmark::kMillisecond);

/// Client position of working pixel (x, y) at the scene's zoom (2 working px per client px).
PointerInput At(int x, int y) {
    return { x / 2, y / 2, MouseButton::Left, false };
}

void BM_DragOneLine(benchmark::State& state) {
    Scene scene;
    OutlineEditor& editor = scene.editor;
    editor.selectTool(EditTool::MoveLine);
    const LinePoint centre { 150, 200 }; // inside the first line
    editor.move(At(centre.x, centre.y));
    editor.press(At(centre.x, centre.y));
    int step = 0;
    for (auto _ : state) {
        ++step;
        benchmark::DoNotOptimize(editor.move(At(centre.x + 2 * (step % 40), centre.y + 2 * (step % 30))));
    }
    editor.release(At(centre.x, centre.y));
}
BENCHMARK(BM_DragOneLine)->Unit(benchmark::kMicrosecond);

void BM_TransformAllLines(benchmark::State& state) {
    Scene scene;
    OutlineEditor& editor = scene.editor;
    editor.selectAll();
    editor.freeTransform();
    const SelectionBox box = editor.selectionBox();
    const PointerInput corner = At(box.right, box.bottom);
    editor.move(corner);
    editor.press(corner);
    int step = 0;
    for (auto _ : state) {
        ++step;
        benchmark::DoNotOptimize(
            editor.move({ corner.x - step % 50, corner.y - step % 40, MouseButton::Left, false }));
    }
    editor.release(corner);
}
BENCHMARK(BM_TransformAllLines)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace deptrix::bench

BENCHMARK_MAIN();
