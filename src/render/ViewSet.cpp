#include "render/ViewSet.h"

#include "core/BmpCodec.h"
#include "core/NumberText.h"
#include "core/TaskPool.h"
#include "core/WorkFileWriter.h"
#include "core/WorkFiles.h"
#include "render/Compositor.h"
#include "render/FrameSet.h"
#include "render/GroupFrames.h"

#include <algorithm>
#include <array>
#include <limits>
#include <mutex>
#include <utility>

namespace deptrix {

namespace {

constexpr int kCentreView = 4;
constexpr std::int32_t kPassSpan = 13;
constexpr int kAnimSteps = 14;

const std::string& CellText(const ViewSetInput& input, int row) {
    static const std::string empty;
    const auto index = static_cast<std::size_t>(row - 1);
    return index < input.offsetCells.size() ? input.offsetCells[index] : empty;
}

/// Pictures whose memory the next pass can draw into instead of fresh memory.
class SparePictures {
public:
    void give(Bitmap picture) {
        if (picture.empty()) return;
        const std::lock_guard lock(m_mutex);
        m_pictures.push_back(std::move(picture));
    }
    Bitmap take() {
        const std::lock_guard lock(m_mutex);
        if (m_pictures.empty()) return {};
        Bitmap picture = std::move(m_pictures.back());
        m_pictures.pop_back();
        return picture;
    }

private:
    std::mutex m_mutex;
    std::vector<Bitmap> m_pictures;
};

/// A view as its pass left it.
struct BuiltView {
    Bitmap picture; ///< in RGB
    Bitmap coverage;
    Bitmap composite; ///< the last view of a CMYK document before its conversion
};

} // namespace

std::int32_t ViewLeftFor(std::int32_t offset, std::int32_t focusOffset, int viewNumber, int centreView,
    Fixed depthFactor, std::int32_t left) {
    return ShiftedLeft(offset, focusOffset, { viewNumber - centreView, 6 }, depthFactor, left);
}

LayerOffsets ReadLayerOffsets(const Document& doc, const ViewSetInput& input) {
    LayerOffsets result;
    result.focusRow = ParseInteger(input.focusText);
    const int count = doc.LayerCount;
    if (result.focusRow >= 1 && result.focusRow <= count)
        result.focusOffset = ParseInteger(CellText(input, result.focusRow));
    result.offsets.resize(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j)
        result.offsets[static_cast<std::size_t>(j)] = ParseInteger(CellText(input, count - j));
    return result;
}

void GenerateViews(Document& doc, const ViewSetInput& input, const std::filesystem::path& workFolder,
    Progress& progress, ViewWorkFiles files, const ViewOutlet& outlet) {
    progress.setPosition(0);
    BuildGroupFrames(doc);
    progress.setPosition(10);

    doc.FocusRow = ParseInteger(input.focusText);
    doc.CentreView = kCentreView;
    doc.ProgressSpan = kPassSpan;

    const int count = doc.LayerCount;
    const LayerOffsets offsets = ReadLayerOffsets(doc, input);
    if (doc.ViewLeft.size() < static_cast<std::size_t>(count))
        doc.ViewLeft.resize(static_cast<std::size_t>(count), 0);

    std::array<std::vector<std::int32_t>, kViewCount> viewLefts;
    for (int i = 0; i < kViewCount; ++i) {
        viewLefts[static_cast<std::size_t>(i)] = doc.ViewLeft;
        for (int j = 0; j < count; ++j) {
            const auto layer = static_cast<std::size_t>(j);
            const std::int32_t left = layer < doc.Layers.size() ? doc.Layers[layer].Left : 0;
            viewLefts[static_cast<std::size_t>(i)][layer] = ViewLeftFor(
                offsets.offsets[layer], offsets.focusOffset, i + 1, doc.CentreView, doc.DepthFactor, left);
        }
    }
    const auto progressBase = [](int i) {
        // 12.857... is 90 / 7: the seven passes spread over 10..100.
        return static_cast<std::int32_t>(Round(i * 12.857142857142857143L) + 10);
    };
    const bool buildCoverage = files == ViewWorkFiles::Write;
    const bool cmyk = doc.ImageMode == 4;
    // Views are built side by side; each pass draws into memory an earlier pass or an
    // earlier preview is done with, and hands its view to this thread, which alone
    // changes the document, reports progress and passes views on, in view order.
    const bool reportLayers = TaskThreads() == 1;
    SparePictures sparePictures;
    SparePictures spareCoverage;
    sparePictures.give(std::move(doc.Composite));
    if (buildCoverage) spareCoverage.give(std::move(doc.Coverage));
    std::array<BuiltView, kViewCount> built;
    const auto produce = [&](int i) {
        BuiltView& view = built[static_cast<std::size_t>(i)];
        view.picture = sparePictures.take();
        if (buildCoverage) view.coverage = spareCoverage.take();
        if (reportLayers) doc.ProgressBase = progressBase(i);
        const ViewPass pass { viewLefts[static_cast<std::size_t>(i)], i, view.picture,
            buildCoverage ? &view.coverage : nullptr };
        CompositeView(doc, pass, workFolder, reportLayers ? &progress : nullptr);
        if (!cmyk) return;
        if (i == kViewCount - 1) view.composite = view.picture;
        CmykToRgb(view.picture);
    };
    const auto finish = [&](int i) {
        const int n = i + 1;
        BuiltView& view = built[static_cast<std::size_t>(i)];
        doc.ProgressBase = progressBase(i);
        if (!reportLayers) progress.setPosition(doc.ProgressBase + kPassSpan);
        Bitmap& slot = doc.Views[static_cast<std::size_t>(n)];
        const bool keep = !outlet.keep || outlet.keep(n);
        if (keep) {
            sparePictures.give(std::exchange(slot, std::move(view.picture)));
        } else {
            slot = Bitmap();
        }
        const Bitmap& picture = keep ? slot : view.picture;
        if (files == ViewWorkFiles::Write) {
            // Written in the background; whoever reads the files waits for them.
            WorkFileWriter& writer = SharedWorkFileWriter();
            writer.save(view.coverage, workFolder / CoverageFileName(n));
            writer.save(picture, workFolder / ViewFileName(n, doc.ImageMode));
        }
        if (outlet.built) outlet.built(n, picture);
        if (n == kViewCount) return; // the document keeps the last view's pictures
        if (!keep) sparePictures.give(std::move(view.picture));
        spareCoverage.give(std::move(view.coverage));
    };
    try {
        ParallelInOrder(kViewCount, produce, finish);
    } catch (...) {
        // The document keeps pictures of its size: the first pass not finished, as it
        // stopped, is the one that failed.
        for (BuiltView& view : built) {
            if (view.picture.empty()) continue;
            doc.Composite = std::move(view.picture);
            if (!view.coverage.empty()) doc.Coverage = std::move(view.coverage);
            break;
        }
        if (doc.Composite.empty()) doc.Composite = sparePictures.take();
        if (doc.Coverage.empty()) doc.Coverage = spareCoverage.take();
        throw;
    }

    // As after one pass per view: the document holds the last view's pass.
    BuiltView& last = built[kViewCount - 1];
    doc.ViewLeft = viewLefts[kViewCount - 1];
    doc.CurrentView = static_cast<std::uint8_t>(kViewCount - 1);
    if (cmyk)
        doc.Composite = std::move(last.composite);
    else if (!doc.Views[kViewCount].empty())
        doc.Composite = doc.Views[kViewCount];
    else
        doc.Composite = std::move(last.picture);
    if (buildCoverage) doc.Coverage = std::move(last.coverage);
}

int NextAnimStep(int animStep) {
    const int next = animStep + 1;
    return next >= 1 && next <= kAnimSteps ? next : 1;
}

int ViewForStep(int animStep) {
    return animStep <= kViewCount ? animStep : 15 - animStep;
}

} // namespace deptrix
