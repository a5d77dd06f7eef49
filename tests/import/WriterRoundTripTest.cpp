// Files made by the project's writer, read back: every colour mode, depth,
// compression and file version at awkward sizes, pixel for pixel.

#include "TestPsd.h"
#include "import/PsdFile.h"

#include <gtest/gtest.h>
#include <random>

namespace deptrix::test {
namespace {

PsdPlane Noise(std::int64_t count, int depth, std::mt19937& rng) {
    PsdPlane plane(static_cast<std::size_t>(count));
    const unsigned top = depth == 16 ? 65535u : 255u;
    for (auto& v : plane) v = static_cast<std::uint16_t>(rng() % (top + 1));
    return plane;
}

/// What a stored sample becomes: 16-bit v reads as Round(v / 257).
int Expected8(std::uint16_t v, int depth) {
    return depth == 16 ? static_cast<int>((v + 128.5) / 257) : v;
}

struct Variant {
    ColourMode mode;
    int depth;
    Compression compression;
    bool psb;
};

std::string Describe(const Variant& v) {
    return "mode " + std::to_string(static_cast<int>(v.mode)) + " depth " + std::to_string(v.depth)
        + " compression " + std::to_string(static_cast<int>(v.compression)) + (v.psb ? " PSB" : " PSD");
}

/// Byte of the document bitmap that holds colour channel c.
int PixelByte(ColourMode mode, int c) {
    return mode == ColourMode::Rgb ? 2 - c : c;
}

} // namespace

TEST(WriterRoundTrip, EveryModeDepthCompressionAndVersionAtAwkwardSizes) {
    const std::pair<int, int> sizes[] = { { 1, 1 }, { 1, 7 }, { 7, 1 }, { 11, 13 }, { 301, 17 } };
    std::mt19937 rng(20240611);
    for (ColourMode mode : { ColourMode::Rgb, ColourMode::Cmyk, ColourMode::Grayscale })
        for (int depth : { 8, 16 })
            for (Compression compression :
                { Compression::Raw, Compression::Rle, Compression::Zip, Compression::ZipPredicted })
                for (bool psb : { false, true })
                    for (auto [w, h] : sizes) {
                        const Variant variant { mode, depth, compression, psb };
                        SCOPED_TRACE(Describe(variant) + " " + std::to_string(w) + "x" + std::to_string(h));
                        PsdWriterOptions options;
                        options.width = w + 3;
                        options.height = h + 2;
                        options.mode = mode;
                        options.depth = depth;
                        options.compression = compression;
                        options.psb = psb;
                        PsdWriter writer(options);
                        PsdLayerSpec layer;
                        layer.name = "Noise";
                        // Partly off the canvas on the left and top.
                        layer.box = { -1, -2, h - 1, w - 2 };
                        const int channels = mode == ColourMode::Cmyk ? 4
                            : mode == ColourMode::Grayscale           ? 1
                                                                      : 3;
                        for (int c = 0; c < channels; ++c) layer.colour.push_back(Noise(w * h, depth, rng));
                        layer.transparency = Noise(w * h, depth, rng);
                        writer.addLayer(layer);

                        const ImportedDocument doc = Import(writer.finish());
                        EXPECT_EQ(doc.ImageMode, mode == ColourMode::Cmyk ? 4 : 3);
                        ASSERT_EQ(doc.Layers.size(), 1u);
                        EXPECT_EQ(doc.Layers[0].Left, -2);
                        EXPECT_EQ(doc.Layers[0].Top, -1);
                        const Bitmap& colour = doc.LayerBitmaps[0];
                        const Bitmap& mask = doc.LayerMasks[0];
                        ASSERT_EQ(colour.width(), w);
                        ASSERT_EQ(colour.height(), h);
                        int wrong = 0;
                        for (int y = 0; y < h; ++y)
                            for (int x = 0; x < w; ++x) {
                                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                                const std::uint8_t* p = colour.row(y) + x * colour.bytesPerPixel();
                                if (mode == ColourMode::Grayscale) {
                                    const int grey = Expected8(layer.colour[0][i], depth);
                                    wrong += p[0] != grey || p[1] != grey || p[2] != grey;
                                } else {
                                    for (int c = 0; c < channels; ++c)
                                        wrong
                                            += p[PixelByte(mode, c)] != Expected8(layer.colour[c][i], depth);
                                }
                                wrong += mask.row(y)[x] != Expected8(layer.transparency[i], depth);
                            }
                        EXPECT_EQ(wrong, 0);
                    }
}

TEST(WriterRoundTrip, NamesOffsetsOpacityAndTheRecordFieldsSurvive) {
    PsdWriter writer(RgbOptions(20, 10));
    writer.addLayer(SolidLayer("Background", { 0, 0, 10, 20 }, { 1, 2, 3 }));
    PsdLayerSpec sign = SolidLayer("Schild \xE2\x80\x9E"
                                   "eins\xE2\x80\x9C \xF0\x9F\x90\xA6",
        { -3, 15, 4, 30 }, { 200, 100, 50 }, 255);
    sign.opacity = 51;
    writer.addLayer(sign);
    const ImportedDocument doc = Import(writer.finish());
    ASSERT_EQ(doc.Layers.size(), 2u);
    const LayerRecord& layer = doc.Layers[1];
    EXPECT_EQ(layer.UnicodeName, sign.name); // the Unicode name, surrogate pair included
    EXPECT_EQ(layer.StoredName, "Schild ?eins? ?"); // the legacy name as stored
    EXPECT_EQ(layer.displayName(), sign.name);
    EXPECT_EQ(layer.Top, -3);
    EXPECT_EQ(layer.Left, 15);
    EXPECT_EQ(layer.Bottom, 4); // bottom
    EXPECT_EQ(layer.Right, 30); // right, past the canvas
    EXPECT_EQ(layer.Width, 15);
    EXPECT_EQ(layer.Height, 7);
    EXPECT_EQ(layer.Opacity, 51);
    EXPECT_EQ(layer.ChannelIds, (std::vector<std::int32_t> { -1, 0, 1, 2 }));
    EXPECT_EQ(layer.RecordIndex, 1);
    EXPECT_EQ(layer.Group, 0);
    EXPECT_EQ(layer.BaseOrder, 0); // the caller fills the defaults
    EXPECT_EQ(layer.Smooth, 0);
    EXPECT_EQ(layer.Depth, 0);
    // Opacity 51 of 255 scales the opaque layer: Round(255 x 51 / 255) = 51.
    EXPECT_EQ(doc.LayerMasks[1].row(0)[0], 51);
    EXPECT_EQ(Rgb(doc.LayerBitmaps[1], 14, 6), (std::array<int, 3> { 200, 100, 50 }));
}

TEST(WriterRoundTrip, ParsedStructureMatchesWhatWasWritten) {
    PsdWriterOptions options = RgbOptions(6, 4);
    options.psb = true;
    options.resolutionPpi = 300;
    PsdWriter writer(options);
    writer.beginFolder();
    writer.addLayer(SolidLayer("inside", { 0, 0, 2, 2 }, { 9, 9, 9 }));
    writer.endFolder("Folder", true);
    const auto bytes = writer.finish();
    const PsdFile file = ParsePsd(bytes, "structure.psb");
    EXPECT_EQ(file.header.version, 2);
    EXPECT_EQ(file.resolutionPpi, 300.0);
    ASSERT_EQ(file.records.size(), 3u);
    EXPECT_EQ(file.records[0].folder, FolderMark::EndOfFolder);
    EXPECT_EQ(file.records[1].folder, FolderMark::None);
    EXPECT_EQ(file.records[2].folder, FolderMark::OpenFolder);
    EXPECT_TRUE(file.records[2].hidden);
    EXPECT_EQ(file.records[2].name(), "Folder");
    EXPECT_EQ(file.layerAndMask.end(), file.mergedImage.offset);
    EXPECT_EQ(file.mergedImage.end(), bytes.size());
}

} // namespace deptrix::test
