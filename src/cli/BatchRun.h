#pragma once

#include "cli/BatchOptions.h"
#include "core/Progress.h"
#include "print/DepthBudget.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace deptrix {

struct Document;
class SetupFields;

/// Progress of a batch run, told which step it is in.
class BatchProgress : public Progress {
public:
    virtual void beginStep(const char* step) = 0;
    /// Something the run passed over without failing (a depth map a project could not
    /// find), told where the window would say it in its status bar.
    virtual void note(const std::string& text) { (void)text; }
};

/// Imports the PSD into `doc` as the window's import does (reader, defaults, group
/// frames, first composite converted to RGB), using `workFolder` for the work files.
void ImportForBatch(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder,
    Document& doc, Progress& progress);

/// The layer table's Offset column after the import with the given overrides, row 1
/// first, as the window would hold it.
std::vector<std::string> OffsetCells(const Document& doc, const std::map<int, std::string>& overrides);

/// Everything the options ask for; --info goes to `out`. Throws Error on failure.
void RunBatch(const BatchOptions& options, std::ostream& out, BatchProgress& progress);

/// Each layer's movement between neighbouring views (lens widths, index 0 the bottom
/// layer) at a lens and print width.
struct ParallaxInfo {
    LensBudgetSettings lens;
    std::vector<double> perLayer;
};

/// The --info object; with `setup`, also the parameters, the layer table's offsets, the
/// outline parameters and the lines that a settings or project file set up; with
/// `parallax`, printLpi, printWidth and each layer's parallaxPerView.
void WriteInfoJson(const Document& doc, std::ostream& out, const SetupFields* setup = nullptr,
    const ParallaxInfo* parallax = nullptr);

} // namespace deptrix
