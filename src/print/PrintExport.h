#pragma once

#include "core/Document.h"
#include "core/Error.h"
#include "core/PendingFile.h"
#include "core/Progress.h"
#include "print/PrintGeometry.h"
#include "print/TiffWriter.h"
#include "print/ViewRows.h"
#include "render/ViewSet.h"

#include <cstdint>
#include <filesystem>
#include <functional>

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
    TiffLayout layout; ///< a compressed print starts as a classic TIFF (see WriteTiffFile)
    bool cmyk = false;
    std::uint64_t fileBytes = 0; ///< exact without compression, an upper bound with it
};

/// Checks the settings against the document and says what the file will be.
/// Throws Error for settings that cannot be printed.
PrintFacts DescribePrint(const Document& doc, const PrintSettings& settings);

/// The file's layout for a print of `geometry` with `channels` channels: its page.
/// Uncompressed files that may pass 4 GiB, and every file when forced, are BigTIFFs.
TiffLayout PrintLayout(const PrintGeometry& geometry, int channels, const std::vector<std::uint8_t>& icc);

/// Writes the interlaced print of the document's frames (settings.frames of them) to
/// `target`: the frames are composited at source resolution from the work files in
/// `workFolder` with the layers placed for `offsets` (and the document's DepthFactor
/// and group frames, which this rebuilds), band by band as the print's strips need
/// them. RGB documents give an RGB file, CMYK documents a separated CMYK one; the
/// document's colour profile is embedded.
///
/// Nothing appears under `target` until the file is complete; a failure or a
/// cancel (PrintCancelled) leaves an existing file there untouched. A folder that
/// takes no files or has too little room is reported as such (StartOutputFile,
/// CheckFreeSpace).
void ExportPrint(Document& doc, const LayerOffsets& offsets, const PrintSettings& settings,
    const std::filesystem::path& workFolder, const std::filesystem::path& target, PrintProgress& progress);

/// Writes a print from frames already at hand (tests, and prints of pictures held in
/// memory) the same way; `icc` is embedded when not empty.
void WritePrintFile(ViewRows& views, const PrintGeometry& geometry, const std::vector<std::uint8_t>& icc,
    const std::filesystem::path& target, PrintProgress& progress);

/// Makes rows `first` .. `first` + `count` - 1 of a TIFF into `out`, one after the other.
using TiffRows = std::function<void(std::int64_t first, int count, std::uint8_t* out)>;

/// Writes the TIFF `layout` describes to `target`, strip by strip from the rows that
/// `start()` returns. A compressed file that is not a BigTIFF starts as a classic TIFF;
/// when the strips written so far show that it may pass the classic limit, it starts
/// again as a BigTIFF (calling `start()` again). Same file safety as ExportPrint.
void WriteTiffFile(const std::filesystem::path& target, TiffLayout layout,
    const std::function<TiffRows()>& start, PrintProgress& progress);

/// The rows of a TIFF in bands that several threads make side by side: band i holds
/// rows from i x bandRows on, made by make(i % workers, first, count, out). Up to
/// `workers` bands are under way at once, on up to `threads` threads; a worker makes
/// one band at a time, its bands in increasing order.
struct TiffBands {
    int threads = 1;
    int workers = 1; ///< at least `threads`
    int bandRows = 1; ///< a whole number of strips (rounded up to one strip)
    std::function<void(int worker, std::int64_t first, int count, std::uint8_t* out)> make;
};

/// WriteTiffFile from bands made on up to `threads` threads (TaskThreads()), written in
/// order on the calling thread, which alone reports progress and is asked to cancel.
/// The file is the same whatever the number of threads.
void WriteTiffBands(const std::filesystem::path& target, TiffLayout layout,
    const std::function<TiffBands()>& start, PrintProgress& progress);

/// Starts the file that will become `target`. When the folder takes no new file, says
/// why: "NAME: cannot write the file: FOLDER is read-only" (also a file system that
/// holds no files, such as /proc), "... no permission to write in FOLDER" or "... the
/// folder FOLDER does not exist"; otherwise the system's reason.
PendingFile StartOutputFile(const std::filesystem::path& target);

/// Refuses to start a file of `bytes` in the folder of `target` when the disk has
/// less room: "NAME: cannot write the file: not enough space in FOLDER (...)".
void CheckFreeSpace(const std::filesystem::path& target, std::uint64_t bytes);

} // namespace deptrix
