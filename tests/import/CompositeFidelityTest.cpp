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
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>

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

/// Mean absolute difference of every channel value of `ours` from `theirs`.
double MeanError(const Bitmap& ours, const Bitmap& theirs) {
    double sum = 0;
    const int values = ours.width() * ours.bytesPerPixel();
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < values; ++x) sum += std::abs(ours.row(y)[x] - theirs.row(y)[x]);
    return sum / (static_cast<double>(values) * ours.height());
}

/// Mean error per file before layer effects were drawn, and now. Files the editor
/// saved with a placeholder instead of the merged picture are left out
/// (effects/effects-enabled.psd stores plain white).
struct Recorded {
    const char* name;
    double before;
    double now;
};
constexpr Recorded kRecorded[] = {
    { "derived/zip_rgb8.psd", 0.077, 0.077 },
    { "derived/zipp_rgb8.psd", 0.077, 0.077 },
    { "psd-tools/2layer_8ele_tblocks.psd", 255.000, 255.000 },
    { "psd-tools/2layers.psd", 0.077, 0.077 },
    { "psd-tools/adjustment-fillers.psd", 0.829, 0.829 },
    { "psd-tools/adjustments/curves_cmyk.psd", 58.549, 58.549 },
    { "psd-tools/adjustments/posterize_16bits_rgb.psd", 15.159, 15.159 },
    { "psd-tools/artboard-bgcolor.psd", 66.824, 66.824 },
    { "psd-tools/artboard.psd", 0.147, 0.147 },
    { "psd-tools/blend-modes/cmyk-blend-modes.psd", 0.182, 0.182 },
    { "psd-tools/blend-modes/color-burn.psd", 0.013, 0.013 },
    { "psd-tools/blend-modes/color-dodge.psd", 0.011, 0.011 },
    { "psd-tools/blend-modes/color.psd", 0.222, 0.222 },
    { "psd-tools/blend-modes/darken.psd", 0.010, 0.010 },
    { "psd-tools/blend-modes/darker-color.psd", 0.006, 0.006 },
    { "psd-tools/blend-modes/difference.psd", 0.006, 0.006 },
    { "psd-tools/blend-modes/dissolve.psd", 74.403, 74.403 },
    { "psd-tools/blend-modes/divide.psd", 0.061, 0.061 },
    { "psd-tools/blend-modes/exclusion.psd", 0.007, 0.007 },
    { "psd-tools/blend-modes/hard-light.psd", 0.070, 0.070 },
    { "psd-tools/blend-modes/hard-mix.psd", 0.013, 0.013 },
    { "psd-tools/blend-modes/hue.psd", 0.166, 0.166 },
    { "psd-tools/blend-modes/lighten.psd", 0.007, 0.007 },
    { "psd-tools/blend-modes/lighter-color.psd", 0.008, 0.008 },
    { "psd-tools/blend-modes/linear-burn.psd", 0.010, 0.010 },
    { "psd-tools/blend-modes/linear-dodge.psd", 0.006, 0.006 },
    { "psd-tools/blend-modes/linear-light.psd", 0.177, 0.177 },
    { "psd-tools/blend-modes/luminosity.psd", 0.177, 0.177 },
    { "psd-tools/blend-modes/multiply.psd", 0.010, 0.010 },
    { "psd-tools/blend-modes/normal.psd", 0.005, 0.005 },
    { "psd-tools/blend-modes/overlay.psd", 0.007, 0.007 },
    { "psd-tools/blend-modes/pass-through.psd", 0.005, 0.005 },
    { "psd-tools/blend-modes/pin-light.psd", 0.012, 0.012 },
    { "psd-tools/blend-modes/saturation.psd", 0.116, 0.116 },
    { "psd-tools/blend-modes/screen.psd", 0.007, 0.007 },
    { "psd-tools/blend-modes/soft-light.psd", 0.113, 0.113 },
    { "psd-tools/blend-modes/subtract.psd", 0.001, 0.001 },
    { "psd-tools/blend-modes/vivid-light.psd", 0.005, 0.005 },
    { "psd-tools/colormodes/4x4_8bit_cmyk.psd", 0.125, 0.125 },
    { "psd-tools/colormodes/4x4_8bit_grayscale.psd", 0.438, 0.438 },
    { "psd-tools/colormodes/4x4_8bit_rgba.psd", 0.146, 0.146 },
    { "psd-tools/effect-stroke-gradient.psd", 24.844, 12.881 },
    { "psd-tools/effects/double-stroke-effects.psd", 24.961, 0.003 },
    { "psd-tools/effects/shape-fx2.psd", 63.622, 1.442 },
    { "psd-tools/effects/stroke-composite.psd", 21.469, 6.471 },
    { "psd-tools/effects/stroke-effect-transparent-shape.psd", 40.441, 0.000 },
    { "psd-tools/effects/stroke-effects.psd", 40.927, 27.735 },
    { "psd-tools/layer-name-emoji.psd", 128.000, 128.000 },
    { "psd-tools/layer_effects.psd", 107.958, 0.489 },
    { "psd-tools/layer_mask_data.psd", 19.560, 19.560 },
    { "psd-tools/layers-minimal/pixel-layer.psd", 47.021, 47.021 },
    { "psd-tools/layers-minimal/smartobject-layer.psd", 26.066, 26.066 },
    { "psd-tools/layers-minimal/type-layer.psd", 26.066, 26.066 },
    { "psd-tools/masks.psd", 1.158, 0.123 },
    { "psd.rb/example.psd", 0.012, 0.012 },
    { "rust-psd/out-of-bounds-layer.psd", 0.001, 0.001 },
    { "rust-psd/two-channel-8x8.psd", 0.125, 0.125 },
};

/// Files whose composite already matched to within rounding.
constexpr const char* kExact[] = {
    "psd-tools/0layers.psd",
    "psd-tools/16bit5x5.psd",
    "psd-tools/1layer.psb",
    "psd-tools/1layer.psd",
    "psd-tools/broken-groups.psd",
    "psd-tools/clipping-mask.psd",
    "psd-tools/colormodes/4x4_16bit_cmyk.psd",
    "psd-tools/colormodes/4x4_16bit_rgb.psd",
    "psd-tools/effects/shape-fx.psd",
    "psd-tools/effects/stroke-without-vector-mask.psd",
    "psd-tools/empty-group.psd",
    "psd-tools/empty-layer.psd",
    "psd-tools/gray0.psd",
    "psd-tools/group.psd",
    "psd-tools/hidden-groups.psd",
    "psd-tools/layers-minimal/shape-layer.psd",
    "psd-tools/mask-disabled.psd",
    "psd-tools/mask.psd",
    "psd-tools/placedLayer.psd",
    "psd-tools/semi-transparent-layers.psd",
    "psd-tools/transparentbg-gimp.psd",
    "psd.rb/empty-layer-subgroups.psd",
    "psd.rb/example.psb",
    "rust-psd/16x16-rle-partially-opaque.psd",
    "rust-psd/groups/green-1x1-one-group-with-two-subgroups.psd",
    "rust-psd/groups/rle-compressed-empty-channel.psd",
    "rust-psd/luni.psd",
    "rust-psd/negative-top-left-layer.psd",
    "rust-psd/one-channel-1x1.psd",
    "rust-psd/transparent-top-layer-2x1.psd",
    "rust-psd/visibility.psd",
};

} // namespace

// Every fixture with a stored merged picture, composited as the preview does, against
// that picture: no file may come out worse than before effects were drawn.
TEST(CompositeFidelity, NoFixtureComesOutWorseThanRecorded) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    for (const Recorded& r : kRecorded) EXPECT_LE(r.now, r.before) << r.name;
    std::map<std::string, double> limits;
    for (const Recorded& r : kRecorded) limits[r.name] = r.now + 0.01;
    for (const char* name : kExact) limits[name] = 0.005;
    int compared = 0;
    for (const auto& [name, limit] : limits) {
        SCOPED_TRACE(name);
        const MappedFile mapped(FixturesDir() / name);
        Document doc;
        NullProgress progress;
        ImportPsd(mapped.bytes(), name, nullptr, progress).moveInto(doc);
        ApplyImportDefaults(doc);
        BuildGroupFrames(doc);
        CompositePass(doc, {}, progress);
        const Bitmap merged
            = DecodeMergedImage(ParsePsd(mapped.bytes(), name), std::size_t { 1 } << 31).colour;
        ASSERT_EQ(doc.Composite.width(), merged.width());
        ASSERT_EQ(doc.Composite.bytesPerPixel(), merged.bytesPerPixel());
        const double error = MeanError(doc.Composite, merged);
        EXPECT_LE(error, limit);
        std::printf("  %-58s %8.3f\n", name.c_str(), error);
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(limits.size()));
}

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
