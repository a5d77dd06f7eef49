#pragma once

#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "print/DepthBudget.h"
#include "print/PitchTest.h"
#include "print/PrintGeometry.h"
#include "render/ViewSet.h"

#include <filesystem>
#include <vector>

namespace deptrix {

struct Document;

/// The print settings the options ask for over the document's (the configuration's)
/// output settings; the height keeps the picture's proportions.
PrintSettings BatchPrintSettings(const BatchOptions& options, const Document& doc);

/// The pitch test sheet's settings from the options over the document's defaults.
PitchTestSettings BatchPitchSettings(const BatchOptions& options, const Document& doc);

/// Lens and width the --info movement is measured against.
LensBudgetSettings BatchBudgetSettings(const BatchOptions& options, const Document& doc);

/// Writes the interlaced print of the imported document. Ctrl+C (or a terminate
/// signal) cancels it without leaving a file behind.
void RunInterlace(const BatchOptions& options, Document& doc, const LayerOffsets& offsets,
    const std::filesystem::path& workFolder, BatchProgress& progress);

/// Writes the pitch test sheet, cancelled like RunInterlace.
void RunPitchTest(const BatchOptions& options, const Document& doc, BatchProgress& progress);

} // namespace deptrix
