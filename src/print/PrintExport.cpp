#include "print/PrintExport.h"

#include "core/FileIo.h"
#include "core/PendingFile.h"
#include "print/Interlacer.h"
#include "print/SourceViews.h"
#include "render/GroupFrames.h"

#include <algorithm>
#include <vector>

namespace deptrix {

namespace {

TiffLayout LayoutFor(const PrintGeometry& geometry, int channels, const std::vector<std::uint8_t>& icc) {
    TiffLayout layout;
    layout.width = geometry.width;
    layout.height = geometry.height;
    layout.channels = channels;
    layout.xResolution = geometry.xResolution;
    layout.yResolution = geometry.yResolution;
    layout.compression = geometry.settings.compression;
    layout.rowsPerStrip = RowsPerStrip(static_cast<std::size_t>(geometry.width) * channels);
    layout.iccProfile = icc;
    layout.bigTiff = geometry.settings.forceBigTiff || NeedsBigTiff(layout);
    return layout;
}

} // namespace

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

PrintFacts DescribePrint(const Document& doc, const PrintSettings& settings) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4) throw Error("only RGB and CMYK documents can be printed");
    PrintFacts facts;
    facts.geometry = MakePrintGeometry(settings);
    facts.cmyk = doc.ImageMode == 4;
    facts.layout = LayoutFor(facts.geometry, facts.cmyk ? 4 : 3, doc.IccProfile);
    facts.fileBytes = TiffSizeBound(facts.layout);
    return facts;
}

void WritePrintFile(ViewRows& views, const PrintGeometry& geometry, const std::vector<std::uint8_t>& icc,
    const std::filesystem::path& target, PrintProgress& progress) {
    progress.setPosition(0);
    Interlacer interlacer(geometry, views);
    const TiffLayout layout = LayoutFor(geometry, interlacer.channels(), icc);
    // Compressed files may be far smaller; their writes report a full disk.
    if (layout.compression == TiffCompression::None) CheckFreeSpace(target, TiffSizeBound(layout));

    PendingFile file(target);
    TiffStripWriter writer(file.descriptor(), target, layout);
    std::vector<std::uint8_t> strip(interlacer.rowBytes() * static_cast<std::size_t>(layout.rowsPerStrip));
    int reported = 0;
    for (std::int64_t row = 0; row < geometry.height; row += layout.rowsPerStrip) {
        if (progress.cancelRequested()) throw PrintCancelled();
        const int rows = static_cast<int>(std::min<std::int64_t>(layout.rowsPerStrip, geometry.height - row));
        interlacer.makeRows(row, rows, strip.data());
        writer.writeStrip(strip.data(), rows);
        const auto percent = static_cast<int>((row + rows) * 100 / geometry.height);
        if (percent != reported) progress.setPosition(reported = percent);
    }
    if (progress.cancelRequested()) throw PrintCancelled();
    writer.finish();
    file.commit();
}

void ExportPrint(Document& doc, const LayerOffsets& offsets, const PrintSettings& settings,
    const std::filesystem::path& workFolder, const std::filesystem::path& target, PrintProgress& progress) {
    const PrintFacts facts = DescribePrint(doc, settings);
    BuildGroupFrames(doc);
    SourceViews views(doc, PreviewViewLefts(doc, offsets.offsets, offsets.focusOffset), workFolder);
    WritePrintFile(views, facts.geometry, doc.IccProfile, target, progress);
}

} // namespace deptrix
