#include "import/PsdSummary.h"

#include "core/Error.h"
#include "core/FileIo.h"
#include "import/AreaReduce.h"
#include "import/LayerStack.h"
#include "import/MappedFile.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"
#include "import/PsdHeader.h"
#include "import/PsdImport.h"

#include <algorithm>

namespace deptrix {

namespace {

Bitmap ReducedPicture(MergedPicture merged, int maxSide) {
    const int longer = std::max(merged.colour.width(), merged.colour.height());
    if (longer <= maxSide) return std::move(merged.colour);
    LayerPixels pixels;
    pixels.colour = std::move(merged.colour);
    if (merged.alpha.empty()) {
        pixels.mask = Bitmap(pixels.colour.width(), pixels.colour.height(), PixelFormat::Gray8);
        pixels.mask.fill(255);
    } else {
        pixels.mask = std::move(merged.alpha);
    }
    const Fixed scale = std::max<Fixed>(1, Round(static_cast<long double>(maxSide) / longer * 10000.0L));
    return std::move(ReduceLayer(pixels, 0, 0, scale).colour);
}

} // namespace

PsdSummary SummarisePsd(std::span<const std::uint8_t> bytes, const std::string& fileName, int maxSide,
    std::size_t maxPictureBytes) {
    const PsdFile file = ParsePsd(bytes, fileName);
    PsdSummary summary;
    summary.width = file.header.width;
    summary.height = file.header.height;
    summary.depth = file.header.depth;
    summary.mode = file.header.mode;
    summary.importedMode = ImportedColourMode(file.header.mode);
    for (const PsdLayerRecord& record : file.records)
        if (record.isFolder() && record.artboard) ++summary.artboardCount;
    summary.largeDocument = file.header.isPsb();
    summary.resolutionPpi = EffectivePpi(file.resolutionPpi);
    const std::size_t selected = SelectLayers(file.records, fileName).layers.size();
    summary.layerCount = selected > 0 ? static_cast<int>(selected) : file.mergedImage.length > 0 ? 1 : 0;

    if (file.mergedImage.length == 0) {
        summary.pictureProblem = "the file holds no merged picture";
        return summary;
    }
    try {
        summary.picture = ReducedPicture(DecodeMergedImage(file, maxPictureBytes), std::max(1, maxSide));
    } catch (const Error& error) {
        // The layers may still import; only the preview is lost.
        summary.pictureProblem = error.what();
    }
    return summary;
}

PsdSummary SummarisePsdFile(const std::filesystem::path& path, int maxSide) {
    const MappedFile file(path);
    return SummarisePsd(file.bytes(), DisplayName(path), maxSide);
}

} // namespace deptrix
