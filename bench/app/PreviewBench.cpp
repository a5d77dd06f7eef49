// The preview until its first frame is on screen, 2048 x 1536, 12 layers: the seven
// views are built, taken for playback and the first one drawn at the fitted size of a
// 1000 x 700 view area. "Copies" takes the views as converted copies, the way the
// window did before, as the baseline of the same run; "Views" shows them where they lie.
//
// Run on Qt's offscreen platform (set by main unless QT_QPA_PLATFORM says otherwise).

#include "../import/BenchPsd.h"
#include "app/PictureControl.h"
#include "app/Viewport.h"
#include "core/Document.h"
#include "core/Progress.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "render/ViewSet.h"

#include <QApplication>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>

namespace {

using namespace deptrix;

struct Scene {
    QTemporaryDir work;
    Document doc;
    ViewSetInput input;
    Scene() {
        BenchPsdShape shape;
        shape.width = 2048;
        shape.height = 1536;
        NullProgress progress;
        ReadPsd(BenchPsdPath(shape), work.path().toStdString(), doc, progress);
        ApplyImportDefaults(doc);
        for (int row = 1; row <= doc.LayerCount; ++row) input.offsetCells.push_back(std::to_string(row * 10));
        input.focusText = std::string(1, '1'); // not from a literal: GCC 12 warns wrongly of an overlap there
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void FirstFrame(benchmark::State& state, bool copies) {
    Scene& scene = TheScene();
    Viewport viewport;
    viewport.resize(1000, 700);
    viewport.show();
    NullProgress progress;
    for (auto _ : state) {
        viewport.picture()->clearPicture();
        GenerateViews(scene.doc, scene.input, scene.work.path().toStdString(), progress, ViewWorkFiles::Skip);
        std::array<QImage, kViewCount + 1> pictures;
        for (int n = 1; n <= kViewCount; ++n)
            pictures[static_cast<size_t>(n)] = copies
                ? PictureControl::ToImage(scene.doc.Views[static_cast<size_t>(n)])
                : PictureControl::ViewOf(scene.doc.Views[static_cast<size_t>(n)]);
        viewport.picture()->showImage(pictures[1]);
        viewport.fit(scene.doc.ImageWidth, scene.doc.ImageHeight);
        viewport.picture()->repaint();
    }
    state.counters["control px"] = viewport.picture()->width();
}

void BM_FirstFrameFromCopies(benchmark::State& state) {
    FirstFrame(state, true);
}
BENCHMARK(BM_FirstFrameFromCopies)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FirstFrameFromViews(benchmark::State& state) {
    FirstFrame(state, false);
}
BENCHMARK(BM_FirstFrameFromViews)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TheScene();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
