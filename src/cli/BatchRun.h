#pragma once

#include "cli/BatchOptions.h"
#include "core/Fixed.h"
#include "core/Progress.h"
#include "import/LayerReader.h"
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
/// With WorkFilesOnly (a run that only prints) neither the layers without effects nor
/// the composite are made on the working grid.
void ImportForBatch(const std::filesystem::path& psdPath, const std::filesystem::path& workFolder,
    Document& doc, Progress& progress, LayerPictures pictures = LayerPictures::WorkingGridAndFiles);

/// Everything the options ask for; --info goes to `out`. Throws Error on failure.
void RunBatch(const BatchOptions& options, std::ostream& out, BatchProgress& progress);

/// Each layer's movement between neighbouring views (lens widths, index 0 the bottom
/// layer) at a lens and print width.
struct ParallaxInfo {
    LensBudgetSettings lens;
    std::vector<double> perLayer;
};

/// What --info reports of the run: the values the views are built with, whether or not
/// they are.
struct InfoSetUp {
    const SetupFields* fields = nullptr; ///< the layer table's offsets
    bool fromFile = false; ///< a settings or project file: angles, outline parameters and lines too
    std::int32_t focusRow = 0;
    Fixed depthFactor = kFixedOne;
    Fixed lpi = 0;
    ParallaxInfo parallax;
};

/// The --info object: the picture and its layers; with `setUp` also focusRow, lpi,
/// depthFactor, printLpi, printWidth, each layer's parallaxPerView and offset as the run
/// uses them (and what a settings or project file adds).
void WriteInfoJson(const Document& doc, std::ostream& out, const InfoSetUp* setUp = nullptr);

} // namespace deptrix
