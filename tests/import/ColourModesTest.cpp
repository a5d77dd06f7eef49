// Files in the modes and depths the import converts: indexed, bitmap, duotone and
// 32-bit float documents, and the modes it refuses.

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "core/Error.h"
#include "import/MappedFile.h"
#include "import/SampleDepth.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace deptrix::test {
namespace {

/// The standard transfer curve, straight from its definition.
int SrgbLevel(double linear) {
    const double v = std::clamp(linear, 0.0, 1.0);
    const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return static_cast<int>(std::floor(encoded * 255.0 + 0.5));
}

int Grey(const Bitmap& bitmap, int x, int y) {
    const std::array<int, 3> rgb = Rgb(bitmap, x, y);
    EXPECT_TRUE(rgb[0] == rgb[1] && rgb[1] == rgb[2]) << "not grey at " << x << ", " << y;
    return rgb[0];
}

PsdWriterOptions Options(ColourMode mode, int depth, int width, int height, Compression compression) {
    PsdWriterOptions options = RgbOptions(width, height);
    options.mode = mode;
    options.depth = depth;
    options.compression = compression;
    return options;
}

std::string RefusalOf(const std::vector<std::uint8_t>& bytes) {
    try {
        Import(bytes, "scene.psd");
    } catch (const Error& error) {
        return error.what();
    }
    return "imported";
}

} // namespace

TEST(ColourModes, IndexedColoursAndTheTransparentNumberBecomeRgbAndOpacity) {
    // Colour numbers 0..3 are black, red, green and blue; number 2 stands for
    // transparency. As a merged picture only, as editors write indexed files, and as
    // a layer.
    PsdWriterOptions options = Options(ColourMode::Indexed, 8, 4, 1, Compression::Rle);
    options.colourModeData.assign(768, 0);
    options.colourModeData[1] = 255; // red of 1
    options.colourModeData[256 + 2] = 255; // green of 2
    options.colourModeData[512 + 3] = 255; // blue of 3
    options.transparentIndex = 2;
    const PsdPlane numbers { 3, 2, 1, 0 };
    for (const bool layered : { false, true }) {
        SCOPED_TRACE(layered ? "layer" : "merged picture");
        PsdWriter writer(options);
        writer.setMergedImage({ numbers }, false);
        if (layered) {
            PsdLayerSpec layer;
            layer.name = "indexed";
            layer.box = { 0, 0, 1, 4 };
            layer.colour = { numbers };
            writer.addLayer(layer);
        }
        const ImportedDocument doc = Import(writer.finish());
        ASSERT_EQ(doc.Layers.size(), 1u);
        EXPECT_EQ(doc.ImageMode, 3);
        EXPECT_EQ(doc.SourceMode, 2);
        EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 0, 0), (std::array<int, 3> { 0, 0, 255 }));
        EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 2, 0), (std::array<int, 3> { 255, 0, 0 }));
        EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 3, 0), (std::array<int, 3> { 0, 0, 0 }));
        const std::uint8_t* mask = doc.LayerMasks[0].row(0);
        EXPECT_EQ(std::vector<int>(mask, mask + 4), (std::vector<int> { 255, 0, 255, 255 }));
    }

    // Without its colour table the file cannot be read.
    options.colourModeData.resize(700);
    PsdWriter writer(options);
    writer.setMergedImage({ numbers }, false);
    EXPECT_EQ(RefusalOf(writer.finish()),
        "scene.psd: indexed file without its colour table (700 bytes of colour mode data, 768 needed)");
}

TEST(ColourModes, BitmapFilesAreBlackWhereTheirBitsAreSet) {
    // 11 pixels a row: the second byte of each row is padded. Raw and PackBits rows.
    for (const Compression compression : { Compression::Raw, Compression::Rle }) {
        SCOPED_TRACE(static_cast<int>(compression));
        PsdWriter writer(Options(ColourMode::Bitmap, 1, 11, 2, compression));
        PsdPlane bits(22, 0);
        for (std::size_t x = 0; x < 11; x += 3) bits[x] = 1;
        bits[21] = 1;
        writer.setMergedImage({ bits }, false);
        const ImportedDocument doc = Import(writer.finish());
        ASSERT_EQ(doc.Layers.size(), 1u);
        EXPECT_EQ(doc.SourceMode, 0);
        EXPECT_EQ(doc.SourceDepth, 1);
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(Grey(doc.LayerBitmaps[0], x, 0), x % 3 == 0 ? 0 : 255) << x;
            EXPECT_EQ(Grey(doc.LayerBitmaps[0], x, 1), x == 10 ? 0 : 255) << x;
        }
    }
}

TEST(ColourModes, FloatSamplesTakeTheTransferCurveExactlyAndOpacityLinearly) {
    // Every level's edge from both sides, and values out of range.
    for (int level = 0; level < 256; ++level) {
        for (const double at : { (level - 0.5) / 255.0, (level + 0.5) / 255.0 }) {
            const double linear = at <= 0.04045 ? at / 12.92 : std::pow((at + 0.055) / 1.055, 2.4);
            for (const float f : { std::nextafter(static_cast<float>(linear), 0.0f),
                     std::nextafter(static_cast<float>(linear), 2.0f) })
                ASSERT_EQ(LinearToSrgb8(f), SrgbLevel(f)) << f;
        }
    }
    EXPECT_EQ(LinearToSrgb8(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(LinearToSrgb8(-3.0f), 0);
    EXPECT_EQ(LinearToSrgb8(7.5f), 255);
    EXPECT_EQ(LinearToSrgb8(std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(FractionTo8(0.5f), 128);
    EXPECT_EQ(FractionTo8(0.2f), 51);
    EXPECT_EQ(FractionTo8(-0.1f), 0);
    EXPECT_EQ(FractionTo8(std::numeric_limits<float>::quiet_NaN()), 0);

    // A 32-bit document, its layer in the "Lr32" block: colour through the curve,
    // transparency as a fraction; raw and with ZIP prediction (bytes split into planes).
    const std::vector<float> colour { 0.0f, 0.002f, 0.18f, 0.5f, 1.0f, 4.0f };
    const std::vector<float> alpha { 1.0f, 0.5f, 0.25f, 0.0f, 1.0f, 1.0f };
    for (const Compression compression : { Compression::Raw, Compression::ZipPredicted }) {
        SCOPED_TRACE(static_cast<int>(compression));
        PsdWriter writer(Options(ColourMode::Rgb, 32, 3, 2, compression));
        PsdLayerSpec layer;
        layer.name = "float";
        layer.box = { 0, 0, 2, 3 };
        for (int c = 0; c < 3; ++c) {
            PsdPlane plane;
            for (float v : colour) plane.push_back(FloatSample(c == 1 ? 1.0f - v : v));
            layer.colour.push_back(plane);
        }
        for (float a : alpha) layer.transparency.push_back(FloatSample(a));
        writer.addLayer(layer);
        writer.addLayer(layer);
        const ImportedDocument doc = Import(writer.finish());
        ASSERT_EQ(doc.Layers.size(), 2u);
        EXPECT_EQ(doc.SourceDepth, 32);
        for (int i = 0; i < 6; ++i) {
            const std::array<int, 3> rgb = Rgb(doc.LayerBitmaps[0], i % 3, i / 3);
            EXPECT_EQ(rgb[0], SrgbLevel(colour[static_cast<std::size_t>(i)])) << i;
            EXPECT_EQ(rgb[1], SrgbLevel(1.0 - colour[static_cast<std::size_t>(i)])) << i;
            EXPECT_EQ(doc.LayerMasks[0].row(i / 3)[i % 3], FractionTo8(alpha[static_cast<std::size_t>(i)]));
        }
        // Two layers that overlap blend in 8-bit sRGB: named as approximate.
        ASSERT_EQ(doc.ApproximateLayers.size(), 1u);
        EXPECT_EQ(doc.ApproximateLayers[0].reason, Approximation::LinearLightBlending);
    }
}

TEST(ColourModes, DuotoneReadsAsItsGreyAndSaysSo) {
    PsdWriterOptions options = Options(ColourMode::Duotone, 8, 2, 1, Compression::Rle);
    options.colourModeData.assign(40, 7); // the inks' description, not read
    PsdWriter writer(options);
    PsdLayerSpec layer;
    layer.name = "tone";
    layer.box = { 0, 0, 1, 2 };
    layer.colour = { { 30, 200 } };
    writer.addLayer(layer);
    const ImportedDocument doc = Import(writer.finish(), "duo.psd");
    EXPECT_EQ(Grey(doc.LayerBitmaps[0], 0, 0), 30);
    EXPECT_EQ(Grey(doc.LayerBitmaps[0], 1, 0), 200);
    ASSERT_EQ(doc.ApproximateLayers.size(), 1u);
    EXPECT_EQ(doc.ApproximateLayers[0].name, "duo.psd");
    EXPECT_EQ(ApproximationSummary(doc.ApproximateLayers),
        "Drawn approximately: duotone inks not simulated, shown as the grey the file stores");
}

TEST(ColourModes, LabMultichannelAndImpossibleDepthsAreRefusedWithAWayOut) {
    const auto refusal = [](ColourMode mode, int depth) {
        std::vector<std::uint8_t> bytes = [&] {
            PsdWriter writer(Options(ColourMode::Rgb, depth, 1, 1, Compression::Raw));
            return writer.finish();
        }();
        bytes[25] = static_cast<std::uint8_t>(mode); // the header's mode, low byte
        return RefusalOf(bytes);
    };
    EXPECT_EQ(refusal(ColourMode::Lab, 8),
        "scene.psd: unsupported colour mode Lab; convert the document to RGB (or CMYK) in the image editor "
        "and "
        "save it again");
    EXPECT_EQ(refusal(ColourMode::Multichannel, 16),
        "scene.psd: unsupported colour mode Multichannel; convert the document to RGB (or CMYK) in the image "
        "editor and save it again");
    EXPECT_EQ(refusal(ColourMode::Cmyk, 32), "scene.psd: CMYK with 32 bits per channel is not supported");
    EXPECT_EQ(
        refusal(ColourMode::Indexed, 16), "scene.psd: Indexed with 16 bits per channel is not supported");
}

// The editor's 32-bit copy of a 16-bit document holds the same picture in linear
// light: through the transfer curve its layers come back within a level.
TEST(ColourModes, FloatFileMatchesItsSixteenBitOriginal) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    const MappedFile floats(FixturesDir() / "psd-tools/32bit5x5.psd");
    const MappedFile sixteen(FixturesDir() / "psd-tools/16bit5x5.psd");
    const ImportedDocument a = Import({ floats.bytes().begin(), floats.bytes().end() });
    const ImportedDocument b = Import({ sixteen.bytes().begin(), sixteen.bytes().end() });
    ASSERT_EQ(a.Layers.size(), 3u);
    ASSERT_EQ(b.Layers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(a.LayerBitmaps[i].width(), b.LayerBitmaps[i].width());
        for (int y = 0; y < a.LayerBitmaps[i].height(); ++y)
            for (int x = 0; x < a.LayerBitmaps[i].width() * 3; ++x)
                EXPECT_NEAR(a.LayerBitmaps[i].row(y)[x], b.LayerBitmaps[i].row(y)[x], 1) << i;
        EXPECT_TRUE(a.LayerMasks[i].samePixels(b.LayerMasks[i]));
    }
}

} // namespace deptrix::test
