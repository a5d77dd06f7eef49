// Feeds arbitrary bytes through the whole import: parsing, layer selection, channel
// decoding, mask combination, reduction to the working grid and the BMP encoding of
// the work files (kept in memory).

#include "core/BmpCodec.h"
#include "core/Error.h"
#include "import/PsdImport.h"

#include <cstdint>
#include <cstdlib>

namespace {

class DiscardingSink final : public deptrix::SourceLayerSink {
public:
    void takeLayer(int, const deptrix::Bitmap& colour, const deptrix::Bitmap& mask) override {
        if (colour.width() != mask.width() || colour.height() != mask.height()) std::abort();
        volatile std::size_t bytes = deptrix::EncodeBmp(colour).size() + deptrix::EncodeBmp(mask).size();
        (void)bytes;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    deptrix::NullProgress progress;
    deptrix::ImportLimits limits;
    limits.maxPictureBytes = std::size_t { 64 } << 20;
    DiscardingSink sink;
    try {
        const deptrix::ImportedDocument doc
            = deptrix::ImportPsd({ data, size }, "fuzz.psd", &sink, progress, limits);
        // A successful import must leave arrays a caller can trust.
        if (doc.Layers.empty() || doc.Layers.size() > 256 || doc.LayerBitmaps.size() != doc.Layers.size()
            || doc.LayerMasks.size() != doc.Layers.size())
            std::abort();
        for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
            const auto& bitmap = doc.LayerBitmaps[i];
            const auto& mask = doc.LayerMasks[i];
            if (bitmap.empty() || bitmap.width() != mask.width() || bitmap.height() != mask.height())
                std::abort();
        }
    } catch (const deptrix::Error&) {
        // A refused file is a correct outcome.
    }
    return 0;
}
