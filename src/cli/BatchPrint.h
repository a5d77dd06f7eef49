#pragma once

#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "print/DepthBudget.h"
#include "print/PitchTest.h"
#include "print/PrintGeometry.h"
#include "render/ViewSet.h"

#include <filesystem>

namespace deptrix {

struct Document;
class SetupFields;

/// --lpi, --dpi, --width and --hscale typed into their fields, through the fields'
/// rules (the width rule gives the height).
void ApplyPrintFieldOptions(const BatchOptions& options, SetupFields& fields);

/// The print the fields describe, with the options the export dialog would give.
/// A field that is not a number throws its conversion message.
PrintSettings BatchPrintSettings(const BatchOptions& options, const SetupFields& fields);

/// The pitch test sheet from the fields, --span, --step and --height.
PitchTestSettings BatchPitchSettings(const BatchOptions& options, const SetupFields& fields);

/// Lens and width the --info movement is measured against: the LPI and Width fields.
LensBudgetSettings BatchBudgetSettings(const SetupFields& fields);

/// Writes the interlaced print of the set-up document. Ctrl+C (or a terminate
/// signal) cancels it without leaving a file behind.
void RunInterlace(const BatchOptions& options, Document& doc, const SetupFields& fields,
    const LayerOffsets& offsets, const std::filesystem::path& workFolder, BatchProgress& progress);

/// Writes the pitch test sheet, cancelled like RunInterlace.
void RunPitchTest(const BatchOptions& options, const SetupFields& fields, BatchProgress& progress);

} // namespace deptrix
