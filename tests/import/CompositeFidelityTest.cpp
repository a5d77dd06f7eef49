// Files that use blend modes and clipping, imported and composited as the preview
// does, compared with the picture their editor stored (flattened onto white).

#include "FixtureOracle.h"
#include "core/Document.h"
#include "import/DefaultOffsets.h"
#include "import/MappedFile.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"
#include "import/PsdImport.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

/// How far our composite is from the editor's, per channel in levels.
struct Difference {
    std::array<double, 4> mean {}; ///< mean absolute difference
    std::array<int, 4> max {};
    double shareOver8 = 0; ///< share of pixels with some channel more than 8 levels off
    int channels = 0;

    double worstMean() const { return *std::max_element(mean.begin(), mean.begin() + channels); }
    int worstMax() const { return *std::max_element(max.begin(), max.begin() + channels); }
};

Difference Compare(const Bitmap& ours, const Bitmap& theirs) {
    Difference d;
    d.channels = ours.bytesPerPixel();
    std::array<double, 4> sum {};
    std::int64_t over8 = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            bool far = false;
            for (std::size_t c = 0; c < static_cast<std::size_t>(d.channels); ++c) {
                const std::size_t at = static_cast<std::size_t>(x * d.channels) + c;
                const int diff = ours.row(y)[at] - theirs.row(y)[at];
                sum[c] += std::abs(diff);
                d.max[c] = std::max(d.max[c], std::abs(diff));
                far = far || std::abs(diff) > 8;
            }
            over8 += far;
        }
    const double pixels = static_cast<double>(ours.width()) * ours.height();
    for (std::size_t c = 0; c < static_cast<std::size_t>(d.channels); ++c) d.mean[c] = sum[c] / pixels;
    d.shareOver8 = static_cast<double>(over8) / pixels;
    return d;
}

/// The import and the composite pass as the window runs them. The fixtures are small
/// enough to be imported on their own grid, so the pictures compare pixel by pixel.
Difference CompositeAgainstMerged(const std::string& name, Document& doc) {
    const MappedFile mapped(FixturesDir() / name);
    NullProgress progress;
    ImportPsd(mapped.bytes(), name, nullptr, progress).moveInto(doc);
    EXPECT_EQ(doc.WorkScale, kFixedOne);
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    CompositePass(doc, {}, progress);
    const PsdFile psd = ParsePsd(mapped.bytes(), name);
    return Compare(doc.Composite, DecodeMergedImage(psd, std::size_t { 1 } << 31).colour);
}

} // namespace

// Three half-opaque discs in one mode over a transparent document: where they overlap
// the mode blends with what lies below, and where a disc lies over nothing it shows
// as itself. The editor's 8-bit arithmetic differs from ours by a level here and there.
TEST(CompositeFidelity, EveryBlendModeMatchesTheEditorsPicture) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    constexpr double kMean = 0.5;
    constexpr int kMax = 2;
    const char* modes[] = { "normal", "darken", "multiply", "color-burn", "linear-burn", "darker-color",
        "lighten", "screen", "color-dodge", "linear-dodge", "lighter-color", "overlay", "soft-light",
        "hard-light", "vivid-light", "linear-light", "pin-light", "hard-mix", "difference", "exclusion",
        "subtract", "divide", "hue", "saturation", "color", "luminosity", "pass-through" };
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        Document doc;
        const Difference d
            = CompositeAgainstMerged(std::string("psd-tools/blend-modes/") + mode + ".psd", doc);
        EXPECT_LE(d.worstMean(), kMean);
        EXPECT_LE(d.worstMax(), kMax);
    }
}

// Dissolve shows each pixel fully or not at all, at random with the layer's opacity,
// so no pixel can be compared with the editor's; it is drawn as Normal, and noted as
// approximate.
TEST(CompositeFidelity, DissolveIsDrawnAsNormal) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    Document dissolve;
    Document normal;
    CompositeAgainstMerged("psd-tools/blend-modes/dissolve.psd", dissolve);
    CompositeAgainstMerged("psd-tools/blend-modes/normal.psd", normal);
    EXPECT_TRUE(dissolve.Composite.samePixels(normal.Composite));
    ASSERT_EQ(dissolve.ApproximateLayers.size(), 3u);
    EXPECT_EQ(dissolve.ApproximateLayers[0].name, "Ellipse 3");
    EXPECT_EQ(dissolve.ApproximateLayers[0].reason, Approximation::Dissolve);
    EXPECT_TRUE(normal.ApproximateLayers.empty());
}

TEST(CompositeFidelity, ClippedLayerShowsOnlyThroughItsBase) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    Document doc;
    const Difference clipped = CompositeAgainstMerged("psd-tools/clipping-mask.psd", doc);
    EXPECT_LE(clipped.worstMean(), 0.5);
    EXPECT_LE(clipped.worstMax(), 2);

    // The same file with the clipping ignored is far off, so the match above is the
    // clipping's doing; and the clipped layer moves with its base.
    const auto it = std::find_if(
        doc.Layers.begin(), doc.Layers.end(), [](const LayerRecord& layer) { return layer.ClipBase >= 0; });
    ASSERT_NE(it, doc.Layers.end());
    const auto clippedIndex = static_cast<std::size_t>(it - doc.Layers.begin());
    EXPECT_EQ(doc.DefaultOffsets[clippedIndex], doc.DefaultOffsets[static_cast<std::size_t>(it->ClipBase)]);
    it->ClipBase = -1;
    NullProgress progress;
    CompositePass(doc, {}, progress);
    const MappedFile mapped(FixturesDir() / "psd-tools/clipping-mask.psd");
    const Difference unclipped = Compare(
        doc.Composite, DecodeMergedImage(ParsePsd(mapped.bytes(), "clip"), std::size_t { 1 } << 31).colour);
    EXPECT_GT(unclipped.worstMax(), 100);
}

// Every mode again, in CMYK, over and under a gradient. Most pixels agree within a
// level or two; the exceptions are dissolve's scattered pixels, a few dozen pixels of
// the dividing modes (colour dodge and burn, divide, vivid light, hard mix) where a
// nearly white or black source divides by a tiny number, so that one level of
// difference in the input becomes tens in the result, and near-ties of darker and
// lighter colour, where the other whole pixel is chosen.
TEST(CompositeFidelity, CmykModesActOnTheAdditiveValues) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    Document doc;
    const Difference d = CompositeAgainstMerged("psd-tools/blend-modes/cmyk-blend-modes.psd", doc);
    EXPECT_LE(d.worstMean(), 0.5);
    EXPECT_LE(d.shareOver8, 0.0025);
}

} // namespace deptrix::test
