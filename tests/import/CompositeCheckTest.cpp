// The imported layers laid over white paper, compared with the file's own merged
// picture.

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "import/MappedFile.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

/// Plain "over" through each layer's mask onto white (no ink), at source size.
Bitmap CompositeOverWhite(const ImportedDocument& doc, PixelFormat format) {
    Bitmap out(doc.SourceWidth, doc.SourceHeight, format);
    out.fill(255);
    const int channels = out.bytesPerPixel();
    for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
        const LayerRecord& layer = doc.Layers[i];
        const Bitmap& colour = doc.LayerBitmaps[i];
        const Bitmap& mask = doc.LayerMasks[i];
        for (int y = std::max(0, -layer.Top); y < colour.height() && layer.Top + y < out.height(); ++y) {
            const std::uint8_t* src = colour.row(y);
            const std::uint8_t* m = mask.row(y);
            std::uint8_t* dst = out.row(layer.Top + y);
            for (int x = std::max(0, -layer.Left); x < colour.width() && layer.Left + x < out.width(); ++x)
                for (int c = 0; c < channels; ++c) {
                    std::uint8_t& d = dst[(layer.Left + x) * channels + c];
                    d = static_cast<std::uint8_t>(
                        (d * (255 - m[x]) + src[x * channels + c] * m[x] + 127) / 255);
                }
        }
    }
    return out;
}

int MaxDifference(const Bitmap& a, const Bitmap& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * a.bytesPerPixel(); ++x)
            worst = std::max(worst, std::abs(a.row(y)[x] - b.row(y)[x]));
    return worst;
}

} // namespace

// Files whose visible layers are plain pixels blended "normal" (hidden layers and
// folders, masks, disabled masks, opacity, transparency, layers past the canvas,
// 16-bit and grey files among them), so that "over" on white must reproduce the
// merged picture the writing program stored. Files with adjustments, blend modes,
// clipping, effects, text, vector shapes or feathered masks are left out, as are
// files saved without a real merged picture.
TEST(CompositeCheck, LayersOverWhiteReproduceTheFilesMergedPicture) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    const char* files[] = {
        "derived/zip_rgb8.psd",
        "derived/zipp_rgb8.psd",
        "psd-tools/16bit5x5.psd",
        "psd-tools/1layer.psb",
        "psd-tools/2layers.psd",
        "psd-tools/broken-groups.psd",
        "psd-tools/colormodes/4x4_8bit_cmyk.psd",
        "psd-tools/colormodes/4x4_8bit_grayscale.psd",
        "psd-tools/empty-layer.psd",
        "psd-tools/gray0.psd",
        "psd-tools/hidden-groups.psd",
        "psd-tools/mask-disabled.psd",
        "psd-tools/mask.psd",
        "psd-tools/placedLayer.psd",
        "psd-tools/semi-transparent-layers.psd",
        "psd-tools/transparentbg-gimp.psd",
        "psd.rb/empty-layer-subgroups.psd",
        "rust-psd/16x16-rle-partially-opaque.psd",
        "rust-psd/negative-top-left-layer.psd",
        "rust-psd/out-of-bounds-layer.psd",
        "rust-psd/transparent-top-layer-2x1.psd",
        "rust-psd/two-channel-8x8.psd",
        "rust-psd/visibility.psd",
    };
    // The writing program blends in its own precision and rounding; one level of
    // difference is seen, two are allowed. A wrong mask, a missed hidden flag or a
    // misplaced layer shows as tens of levels.
    constexpr int kTolerance = 2;
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::filesystem::path file = FixturesDir() / name;
        const MappedFile mapped(file);
        NullProgress progress;
        const ImportedDocument doc = ImportPsd(mapped.bytes(), "fixture", nullptr, progress);
        ASSERT_GE(doc.Layers.size(), 1u);
        EXPECT_GE(doc.Layers[0].RecordIndex, 0) << "built from layer records, not from the merged picture";
        const PsdFile psd = ParsePsd(mapped.bytes(), "fixture");
        const MergedPicture merged = DecodeMergedImage(psd, std::size_t { 1 } << 31);
        EXPECT_LE(MaxDifference(CompositeOverWhite(doc, merged.colour.format()), merged.colour), kTolerance);
    }
}

} // namespace deptrix::test
