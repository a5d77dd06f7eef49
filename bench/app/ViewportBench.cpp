// Repainting the view area of the bundled 1600 x 1200 sample at the fitted size and
// at the largest zoom, and the memory that zooming all the way in takes.
//
// Run on Qt's offscreen platform (set by main unless QT_QPA_PLATFORM says otherwise);
// the view area is 1000 x 700 pixels, about what a 1024 x 768 screen leaves it.

#include "../ProcessMemory.h"
#include "app/PictureControl.h"
#include "app/Viewport.h"
#include "core/Document.h"
#include "core/Progress.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <charconv>
#include <fstream>
#include <string>

namespace {

using namespace deptrix;

// Resident memory of this process in MB, from the kernel's accounting.
double ResidentMb() {
    return bench::ProcessMemoryMb("VmRSS");
}

// The sample as the window shows it after an import: its composite.
const QImage& SamplePicture() {
    static const QImage picture = [] {
        QTemporaryDir work;
        Document doc;
        NullProgress progress;
        ReadPsd(
            std::string(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", work.path().toStdString(), doc, progress);
        ApplyImportDefaults(doc);
        BuildGroupFrames(doc);
        CompositePass(doc, work.path().toStdString(), progress);
        CmykToRgb(doc.Composite);
        return PictureControl::ToImage(doc.Composite);
    }();
    return picture;
}

// Counts the picture control's paint events, so a repaint that painted nothing shows.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

struct View {
    Viewport viewport;
    PaintCounter counter;
    int fittedWidth = 0;
    View() {
        viewport.picture()->installEventFilter(&counter);
        viewport.resize(1000, 700);
        viewport.show();
        viewport.picture()->showImage(SamplePicture());
        viewport.fit(SamplePicture().width(), SamplePicture().height());
        fittedWidth = viewport.picture()->width();
        QApplication::processEvents();
    }
    int zoomAllTheWayIn() {
        int steps = 0;
        for (int before = -1; before != viewport.picture()->width(); ++steps) {
            before = viewport.picture()->width();
            viewport.enlarge(SamplePicture().height());
        }
        return steps - 1;
    }
    // Moves the view so each repaint shows other picture pixels, as panning does.
    void repaintAt(int i) {
        QScrollBar* h = viewport.horizontalScrollBar();
        QScrollBar* v = viewport.verticalScrollBar();
        h->setValue(h->maximum() > 0 ? (i * 97) % h->maximum() : 0);
        v->setValue(v->maximum() > 0 ? (i * 61) % v->maximum() : 0);
        viewport.picture()->repaint(); // paints what of it is visible, at once
    }
};

void BM_RepaintFitted(benchmark::State& state) {
    View view;
    int i = 0;
    view.counter.paints = 0;
    for (auto _ : state) view.repaintAt(i++);
    state.counters["control px"] = view.viewport.picture()->width();
    state.counters["paints per repaint"] = static_cast<double>(view.counter.paints) / state.iterations();
}
BENCHMARK(BM_RepaintFitted)->Unit(benchmark::kMillisecond);

void BM_RepaintAtTheLargestZoom(benchmark::State& state) {
    View view;
    const double before = ResidentMb();
    const int steps = view.zoomAllTheWayIn();
    int i = 0;
    view.counter.paints = 0;
    for (auto _ : state) view.repaintAt(i++);
    state.counters["paints per repaint"] = static_cast<double>(view.counter.paints) / state.iterations();
    state.counters["zoom steps"] = steps;
    state.counters["control px"] = view.viewport.picture()->width();
    state.counters["zoom x fitted"]
        = static_cast<double>(view.viewport.picture()->width()) / view.fittedWidth;
    state.counters["RSS growth MB"] = ResidentMb() - before;
    state.counters["cache MB"] = static_cast<double>(view.viewport.picture()->cachedBytes()) / (1 << 20);
}
BENCHMARK(BM_RepaintAtTheLargestZoom)->Unit(benchmark::kMillisecond);

// Every step in and out again, repainting after each, as a user clicking the buttons.
void BM_ZoomInAndOutStepByStep(benchmark::State& state) {
    View view;
    const double before = ResidentMb();
    for (auto _ : state) {
        for (int step = 0; step < 8; ++step) {
            view.viewport.enlarge(SamplePicture().height());
            view.viewport.picture()->repaint();
        }
        for (int step = 0; step < 8; ++step) {
            view.viewport.reduce(SamplePicture().height());
            view.viewport.picture()->repaint();
        }
    }
    state.counters["RSS growth MB"] = ResidentMb() - before;
}
BENCHMARK(BM_ZoomInAndOutStepByStep)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SamplePicture();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
