#include "render/ViewSet.h"

#include "core/BmpCodec.h"
#include "core/NumberText.h"
#include "core/WorkFileWriter.h"
#include "core/WorkFiles.h"
#include "render/Compositor.h"
#include "render/FrameSet.h"
#include "render/GroupFrames.h"

#include <algorithm>
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

/// View n from the pass just done. A view kept becomes Views[n] and the next pass
/// draws into the buffer Views[n] held before; the last one stays the composite as
/// well. A view not kept stays in Composite, whose memory the next pass reuses.
const Bitmap& FinishView(Document& doc, int n, bool keep, Bitmap& rgbCopy) {
    Bitmap& slot = doc.Views[static_cast<std::size_t>(n)];
    if (!keep) {
        slot = Bitmap();
        if (doc.ImageMode != 4) return doc.Composite;
        rgbCopy = doc.Composite;
        CmykToRgb(rgbCopy);
        return rgbCopy;
    }
    if (n < kViewCount)
        std::swap(slot, doc.Composite);
    else
        slot = doc.Composite;
    if (doc.ImageMode == 4) CmykToRgb(slot);
    return slot;
}

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

    Bitmap rgbCopy; // a CMYK document's view that is not kept
    for (int i = 0; i < kViewCount; ++i) {
        const int n = i + 1;
        // 12.857... is 90 / 7: the seven passes spread over 10..100.
        doc.ProgressBase = static_cast<std::int32_t>(Round(i * 12.857142857142857143L) + 10);
        for (int j = 0; j < count; ++j) {
            const auto layer = static_cast<std::size_t>(j);
            const std::int32_t left = layer < doc.Layers.size() ? doc.Layers[layer].Left : 0;
            doc.ViewLeft[layer] = ViewLeftFor(
                offsets.offsets[layer], offsets.focusOffset, n, doc.CentreView, doc.DepthFactor, left);
        }
        doc.CurrentView = static_cast<std::uint8_t>(i);
        CompositePass(doc, workFolder, progress,
            files == ViewWorkFiles::Write ? CoveragePlane::Build : CoveragePlane::Skip);

        const Bitmap& view = FinishView(doc, n, !outlet.keep || outlet.keep(n), rgbCopy);
        if (files == ViewWorkFiles::Write) {
            // Written in the background; whoever reads the files waits for them.
            WorkFileWriter& writer = SharedWorkFileWriter();
            writer.save(doc.Coverage, workFolder / CoverageFileName(n));
            writer.save(view, workFolder / ViewFileName(n, doc.ImageMode));
        }
        if (outlet.built) outlet.built(n, view);
    }
}

int NextAnimStep(int animStep) {
    const int next = animStep + 1;
    return next >= 1 && next <= kAnimSteps ? next : 1;
}

int ViewForStep(int animStep) {
    return animStep <= kViewCount ? animStep : 15 - animStep;
}

} // namespace deptrix
