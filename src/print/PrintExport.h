#pragma once

#include "core/Document.h"
#include "core/Error.h"
#include "core/Progress.h"
#include "print/PrintGeometry.h"
#include "print/TiffWriter.h"
#include "print/ViewRows.h"
#include "render/ViewSet.h"

#include <cstdint>
#include <filesystem>

namespace deptrix {

/// Progress of a print file that the user can cancel.
class PrintProgress : public Progress {
public:
    virtual bool cancelRequested() = 0;
};

/// A print file that was cancelled; nothing was written under its name.
class PrintCancelled : public Error {
public:
    PrintCancelled()
        : Error("the print file was cancelled") { }
};

/// What a print will be, shown before it is written.
struct PrintFacts {
    PrintGeometry geometry;
    TiffLayout layout;
    bool cmyk = false;
    std::uint64_t fileBytes = 0; ///< exact without compression, an upper bound with it
};

/// Checks the settings against the document and says what the file will be.
/// Throws Error for settings that cannot be printed.
PrintFacts DescribePrint(const Document& doc, const PrintSettings& settings);

/// Writes the interlaced print of the document's seven views to `target`: the views
/// are composited at source resolution from the work files in `workFolder` with
/// the layers placed as Preview places them for `offsets` (and the document's
/// DepthFactor and group frames, which this rebuilds), band by band as the print's
/// strips need them. RGB documents give an RGB file, CMYK documents a separated
/// CMYK one; the document's colour profile is embedded.
///
/// Nothing appears under `target` until the file is complete; a failure or a
/// cancel (PrintCancelled) leaves an existing file there untouched. Not enough
/// disk space throws "NAME: cannot write the file: not enough space in FOLDER".
void ExportPrint(Document& doc, const LayerOffsets& offsets, const PrintSettings& settings,
    const std::filesystem::path& workFolder, const std::filesystem::path& target, PrintProgress& progress);

/// Writes a print from views already at hand (tests, and prints of pictures held in
/// memory) the same way; `icc` is embedded when not empty.
void WritePrintFile(ViewRows& views, const PrintGeometry& geometry, const std::vector<std::uint8_t>& icc,
    const std::filesystem::path& target, PrintProgress& progress);

/// Refuses to start a file of `bytes` in the folder of `target` when the disk has
/// less room: "NAME: cannot write the file: not enough space in FOLDER (...)".
void CheckFreeSpace(const std::filesystem::path& target, std::uint64_t bytes);

} // namespace deptrix
