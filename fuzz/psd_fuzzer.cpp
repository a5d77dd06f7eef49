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
    void beginLayer(int, int width, int height, deptrix::PixelFormat) override {
        m_width = width;
        m_height = height;
        m_next = 0;
    }
    void takeRows(int, int firstRow, const deptrix::Bitmap& colour, const deptrix::Bitmap& mask, int bandRow,
        int count) override {
        // Bands arrive in order, inside the layer and inside the pictures handed over.
        if (colour.width() != m_width || mask.width() != m_width || firstRow != m_next || count <= 0
            || bandRow + count > colour.height() || bandRow + count > mask.height())
            std::abort();
        m_next += count;
        volatile std::size_t bytes = deptrix::EncodeBmp(colour).size() + deptrix::EncodeBmp(mask).size();
        (void)bytes;
    }
    void endLayer(int) override {
        if (m_next != m_height) std::abort();
    }

private:
    int m_width = 0;
    int m_height = 0;
    int m_next = 0;
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
