#pragma once

#include "core/Document.h"
#include "core/Fixed.h"
#include "core/Progress.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace deptrix {

/// What the window hands over: the Offset column texts, row r = 1..LayerCount at
/// index r - 1, and the text of the focus ("Layer 0:") field. A row without a text
/// counts as an empty cell.
struct ViewSetInput {
    std::vector<std::string> offsetCells;
    std::string focusText;
};

/// The depth offsets the views are built from, read as Preview reads them.
struct LayerOffsets {
    std::int32_t focusRow = 0; ///< the focus text as an integer
    std::int32_t focusOffset = 0; ///< the focus row's offset, 0 when the row is outside the table
    std::vector<std::int32_t> offsets; ///< per layer, index 0 the bottom layer (row LayerCount)
};

/// Parses the focus text and every layer's Offset cell. A text that is not an
/// integer throws ConvertError ("'<text>' is not a valid integer value").
LayerOffsets ReadLayerOffsets(const Document& doc, const ViewSetInput& input);

/// ViewLeft of a layer in view n: Round(d / 6 x depthFactor / 10000) + left with
/// d = (offset - focusOffset) x (n - centreView) in 32-bit integer arithmetic, which
/// wraps around on overflow. A result beyond the 32-bit range is held at its limit.
std::int32_t ViewLeftFor(std::int32_t offset, std::int32_t focusOffset, int viewNumber, int centreView,
    Fixed depthFactor, std::int32_t left);

/// Whether a view set leaves its pictures in the work folder as well.
enum class ViewWorkFiles : std::uint8_t {
    Write, ///< the view and coverage files, for whoever looks or reads them later
    Skip, ///< a private folder only this run uses: views in memory only, no coverage
};

/// Where finished views go besides the document. `built` sees each view (1..7, in RGB)
/// as soon as it is finished; the document keeps in Views[n] only the views `keep`
/// accepts (all of them when it is not set), and the memory of the others serves the
/// next pass instead of fresh memory for each.
struct ViewOutlet {
    std::function<void(int n, const Bitmap& view)> built;
    std::function<bool(int n)> keep;
};

/// Builds the seven views of a preview into Views[1..7]: the group frame step
/// (progress 0, then 10), FocusRow := the focus text, CentreView := 4, ProgressSpan :=
/// 13, then per view index i (view n = i + 1) ProgressBase := Round(i x 90 / 7) + 10,
/// every layer's ViewLeft from its offset relative to the focus row's offset (0 when
/// FocusRow is outside 1..LayerCount), CurrentView := i and a composite pass.
/// Views[n] takes the pass's picture (Composite holds the last view afterwards). With
/// ViewWorkFiles::Write, Coverage is handed to the shared WorkFileWriter as
/// CoverageFileName(n) and the view, converted to RGB for CMYK documents, as
/// ViewFileName(n, ImageMode) in `workFolder` as soon as it is built; the files are
/// written in the background, and a write that fails is reported by whatever reads
/// the file next. A view the outlet does not keep leaves Views[n] empty.
///
/// A text that is not an integer throws ConvertError ("'<text>' is not a valid integer
/// value"). The views finished before stay. AppStage and the playback state are the caller's.
void GenerateViews(Document& doc, const ViewSetInput& input, const std::filesystem::path& workFolder,
    Progress& progress, ViewWorkFiles files = ViewWorkFiles::Write, const ViewOutlet& outlet = {});

/// Playback: AnimStep runs 1..14 and wraps to 1 (a value outside that range restarts at 1).
int NextAnimStep(int animStep);

/// The view shown at step k: k for k <= 7, 15 - k above, so the views sweep
/// 1..7, 7..1 with each end view shown twice.
int ViewForStep(int animStep);

} // namespace deptrix
