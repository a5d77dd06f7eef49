#include "print/PrintExport.h"

#include "core/FileIo.h"
#include "core/TaskPool.h"
#include "print/PrintBands.h"
#include "print/PrintRows.h"
#include "print/SourceViews.h"
#include "render/FrameSet.h"
#include "render/GroupFrames.h"

#include <algorithm>
#include <cerrno>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace deptrix {

namespace {

/// How much larger than the rate so far a compressed file may still grow.
constexpr long double kGrowthAllowance = 1.05L;

/// Thrown when the strips written so far show that the file has to be a BigTIFF.
struct StartAgain { };

[[noreturn]] void ExplainUnwritableFolder(const std::filesystem::path& target) {
    const std::filesystem::path folder
        = target.has_parent_path() ? target.parent_path() : std::filesystem::current_path();
    const std::string name = DisplayName(target) + ": cannot write the file: ";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        throw Error(name + "the folder " + DisplayFolder(target) + " does not exist");
    struct statvfs system { };
    const bool readOnly = ::statvfs(folder.c_str(), &system) == 0
        && ((system.f_flag & ST_RDONLY) != 0 || system.f_blocks == 0);
    if (readOnly || (::access(folder.c_str(), W_OK) != 0 && errno == EROFS))
        throw Error(name + DisplayFolder(target) + " is read-only");
    if (::access(folder.c_str(), W_OK) != 0)
        throw Error(name + "no permission to write in " + DisplayFolder(target));
    throw;
}

} // namespace

PendingFile StartOutputFile(const std::filesystem::path& target) {
    try {
        return PendingFile(target);
    } catch (const Error&) {
        ExplainUnwritableFolder(target);
    }
}

void CheckFreeSpace(const std::filesystem::path& target, std::uint64_t bytes) {
    const std::filesystem::path folder
        = target.has_parent_path() ? target.parent_path() : std::filesystem::current_path();
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(folder, error);
    if (error || space.available >= bytes) return; // unknown room: the writes will tell
    throw Error(DisplayName(target) + ": cannot write the file: not enough space in " + DisplayFolder(target)
        + " (" + std::to_string((bytes + 999999) / 1000000) + " MB needed, "
        + std::to_string(space.available / 1000000) + " MB free)");
}

TiffLayout PrintLayout(const PrintGeometry& geometry, int channels, const std::vector<std::uint8_t>& icc) {
    TiffLayout layout;
    layout.width = geometry.pageWidth();
    layout.height = geometry.pageHeight();
    layout.channels = channels;
    layout.xResolution = geometry.xResolution;
    layout.yResolution = geometry.yResolution;
    layout.compression = geometry.settings.compression;
    layout.rowsPerStrip
        = RowsPerStrip(static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(channels));
    layout.iccProfile = icc;
    // A compressed file is usually far smaller than its bound: it starts as a classic
    // TIFF, which every program reads, and becomes a BigTIFF only when it has to.
    layout.bigTiff = geometry.settings.forceBigTiff
        || (layout.compression == TiffCompression::None && NeedsBigTiff(layout));
    return layout;
}

PrintFacts DescribePrint(const Document& doc, const PrintSettings& settings) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4) throw Error("only RGB and CMYK documents can be printed");
    PrintFacts facts;
    facts.geometry = MakePrintGeometry(settings);
    facts.cmyk = doc.ImageMode == 4;
    facts.layout = PrintLayout(facts.geometry, facts.cmyk ? 4 : 3, doc.IccProfile);
    facts.fileBytes = TiffSizeBound(facts.layout);
    return facts;
}

void WriteTiffBands(const std::filesystem::path& target, TiffLayout layout,
    const std::function<TiffBands()>& start, PrintProgress& progress) {
    progress.setPosition(0);
    PendingFile file = StartOutputFile(target);
    // Compressed files may be far smaller; their writes report a full disk.
    if (layout.compression == TiffCompression::None) CheckFreeSpace(target, TiffSizeBound(layout));

    const std::size_t rowBytes
        = static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.channels);
    const int stripRows = layout.rowsPerStrip;
    for (;;) {
        const TiffBands bands = start();
        const int threads = std::max(bands.threads, 1);
        const int workers = std::max(bands.workers, threads);
        const std::int64_t bandRows = std::max<std::int64_t>(bands.bandRows / stripRows, 1) * stripRows;
        const auto bandCount = static_cast<int>((layout.height + bandRows - 1) / bandRows);
        const auto rowsOf = [&](int band) {
            const std::int64_t first = band * bandRows;
            return std::pair { first, static_cast<int>(std::min(bandRows, layout.height - first)) };
        };
        // A band's rows live from its making until its strips are written; the bands
        // under way at once have different workers, so each worker has one buffer. The
        // band is made in full: pixel memory, not zero-filled first.
        std::vector<std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>> buffers(
            static_cast<std::size_t>(workers));
        bool again = false;
        {
            TiffStripWriter writer(file.descriptor(), target, layout);
            const bool watch = !layout.bigTiff && layout.compression != TiffCompression::None;
            const std::uint64_t directory = TiffDirectoryBytes(layout);
            const std::uint64_t nextStrip = TiffStripBound(layout);
            int reported = 0;
            // Uncompressed strips are written by the thread that made them, at their
            // place in the file; the strips are then entered into the TIFF in order.
            const bool placed = writer.placesStrips();
            // A placed band is made and written a strip at a time, each strip going to
            // the file while it is still in the processor's cache.
            const auto make = [&](int band) {
                const auto [first, count] = rowsOf(band);
                auto& rows = buffers[static_cast<std::size_t>(band % workers)];
                if (!placed) {
                    rows.resize(rowBytes * static_cast<std::size_t>(count));
                    bands.make(band % workers, first, count, rows.data());
                    return;
                }
                rows.resize(rowBytes * static_cast<std::size_t>(std::min(stripRows, count)));
                for (int at = 0; at < count; at += stripRows) {
                    const int strip = std::min(stripRows, count - at);
                    bands.make(band % workers, first + at, strip, rows.data());
                    writer.placeStrip(
                        static_cast<std::uint32_t>((first + at) / stripRows), rows.data(), strip);
                }
            };
            const auto write = [&](int band) {
                const auto [first, count] = rowsOf(band);
                const std::uint8_t* rows = buffers[static_cast<std::size_t>(band % workers)].data();
                for (int at = 0; at < count; at += stripRows) {
                    if (progress.cancelRequested()) throw PrintCancelled();
                    const int strip = std::min(stripRows, count - at);
                    if (placed)
                        writer.enterPlacedStrip(strip);
                    else
                        writer.writeStrip(rows + static_cast<std::size_t>(at) * rowBytes, strip);
                    const std::int64_t done = first + at + strip;
                    const auto percent = static_cast<int>(done * 100 / layout.height);
                    if (percent != reported) progress.setPosition(reported = percent);
                    if (!watch || done == layout.height) continue;
                    // The file at the rate of the strips so far, and with one more strip at
                    // its worst: either past the limit, and it has to be a BigTIFF.
                    const std::uint64_t written = writer.fileBytes();
                    const long double projected = static_cast<long double>(written)
                            * static_cast<long double>(layout.height) / static_cast<long double>(done)
                            * kGrowthAllowance
                        + static_cast<long double>(directory);
                    if (projected > static_cast<long double>(layout.classicLimit)
                        || written + nextStrip + directory > layout.classicLimit)
                        throw StartAgain {};
                }
            };
            try {
                ParallelInOrder(bandCount, make, write, threads, workers);
            } catch (const StartAgain&) {
                again = true;
            }
            if (!again) {
                if (progress.cancelRequested()) throw PrintCancelled();
                writer.finish();
            }
        }
        if (!again) break;
        layout.bigTiff = true;
        if (::ftruncate(file.descriptor(), 0) != 0 || ::lseek(file.descriptor(), 0, SEEK_SET) != 0)
            ThrowWriteError(target, errno);
        progress.setPosition(0);
    }
    file.commit();
}

void WriteTiffFile(const std::filesystem::path& target, TiffLayout layout,
    const std::function<TiffRows()>& start, PrintProgress& progress) {
    WriteTiffBands(
        target, layout,
        [&]() {
            return TiffBands { 1, 1, layout.rowsPerStrip,
                [rows = start()](
                    int, std::int64_t first, int count, std::uint8_t* out) { rows(first, count, out); } };
        },
        progress);
}

void WritePrintFile(ViewRows& views, const PrintGeometry& geometry, const std::vector<std::uint8_t>& icc,
    const std::filesystem::path& target, PrintProgress& progress) {
    const TiffLayout layout = PrintLayout(geometry, CheckedChannels(geometry, views), icc);
    PrintBands bands(views, geometry, layout);
    // Each attempt from the first row, with fresh caches.
    WriteTiffBands(
        target, layout, [&bands] { return bands.start(); }, progress);
}

void ExportPrint(Document& doc, const LayerOffsets& offsets, const PrintSettings& settings,
    const std::filesystem::path& workFolder, const std::filesystem::path& target, PrintProgress& progress) {
    const PrintFacts facts = DescribePrint(doc, settings);
    BuildGroupFrames(doc);
    SourceViews views(
        doc, FrameLefts(doc, offsets.offsets, offsets.focusOffset, FrameSet(settings.frames)), workFolder);
    WritePrintFile(views, facts.geometry, doc.IccProfile, target, progress);
}

} // namespace deptrix
