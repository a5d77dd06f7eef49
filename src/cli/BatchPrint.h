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

/// How many frames a print of the document has: --frames, else the Angles value.
/// Throws Error for an Angles value outside 2..64 without --frames.
int BatchFrames(const BatchOptions& options, const Document& doc);

/// The print the fields describe for the document, with the options the export dialog
/// would give; its height follows the document's proportions. A field that is not a
/// number throws its conversion message.
PrintSettings BatchPrintSettings(const BatchOptions& options, const SetupFields& fields, const Document& doc);

/// The pitch test sheet from the fields, --span, --step and --height.
PitchTestSettings BatchPitchSettings(const BatchOptions& options, const SetupFields& fields);

/// Lens, width and frames the --info movement is measured against: the LPI and Width
/// fields and the print's frames (seven when the Angles value could not be printed).
LensBudgetSettings BatchBudgetSettings(
    const BatchOptions& options, const SetupFields& fields, const Document& doc);

/// Writes the interlaced print of the set-up document. Ctrl+C (or a terminate
/// signal) cancels it without leaving a file behind.
void RunInterlace(const BatchOptions& options, Document& doc, const SetupFields& fields,
    const LayerOffsets& offsets, const std::filesystem::path& workFolder, BatchProgress& progress);

/// Writes the pitch test sheet, cancelled like RunInterlace.
void RunPitchTest(const BatchOptions& options, const SetupFields& fields, BatchProgress& progress);

} // namespace deptrix
