#pragma once

#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/Progress.h"

#include <filesystem>
#include <iosfwd>

namespace deptrix {

struct Document;
class SetupFields;
struct ViewSetInput;

/// Brings the document to where the window would have it: the PSD imported, or the
/// project opened, then the settings applied with the depth maps kept beside them;
/// `fields` show what the window's fields and layer table would. A depth map that
/// cannot be used goes to progress.note(). Throws Error on failure (a project whose
/// image is not in its folder included).
void SetUpBatchDocument(const BatchOptions& options, const std::filesystem::path& workFolder, Document& doc,
    SetupFields& fields, BatchProgress& progress);

/// --offset, --focus and --depth typed into the layer table and the fields, as a user
/// would before Preview: the saved set-up and --info then hold them too. Throws
/// UsageError for a row the table lacks.
void ApplyCommandLineFields(const BatchOptions& options, SetupFields& fields);

/// What Preview reads from the fields: the Offset column, the focus text, and the depth
/// text, which DepthFactor takes without the field's range rule ("1.0" for an empty
/// text).
ViewSetInput PreviewInput(Document& doc, const SetupFields& fields);

/// The --info keys a settings or project file adds: at the top level angles (the line
/// ends with a comma), and per layer baseOrder, smooth, depth and lines (each key
/// preceded by ", ").
void WriteSetupTopLevelJson(const Document& doc, std::ostream& out);
void WriteSetupLayerJson(const Document& doc, size_t layer, std::ostream& out);

/// The layer's offset as the layer table shows it, a number when the cell holds one.
std::string OffsetCellJson(const SetupFields& fields, int row);

} // namespace deptrix
