// Every truncation and a dense sample of byte changes of small files: each attempt
// either imports a consistent document or throws Error; nothing crashes or reads
// past the data (run under the address and undefined-behaviour sanitizers).

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

/// A small file that reaches most of the parser: folders, a flip group, a user
/// mask, opacity, an off-canvas layer, a hidden layer, Unicode names.
std::vector<std::uint8_t> SmallFile(Compression compression, bool psb) {
    PsdWriterOptions options = RgbOptions(7, 5);
    options.compression = compression;
    options.psb = psb;
    PsdWriter writer(options);
    PsdLayerSpec background = SolidLayer("Hintergrund", { 0, 0, 5, 7 }, { 10, 200, 30 });
    for (std::size_t i = 0; i < background.colour[1].size(); ++i)
        background.colour[1][i] = static_cast<std::uint16_t>(i * 9);
    writer.addLayer(background);
    PsdLayerSpec masked = SolidLayer("m\xC3\xA4sk", { -2, 3, 4, 9 }, { 5, 6, 7 }, 180);
    masked.userMask = PsdMaskSpec { { 1, 2, 3, 6 }, 255, false, { 1, 2, 3, 4, 5, 6, 7, 8 } };
    masked.opacity = 99;
    writer.addLayer(masked);
    writer.beginFolder();
    // Effects: every byte of their descriptor is cut and changed too.
    PsdLayerSpec styled = SolidLayer("a", { 1, 1, 2, 3 }, { 1, 1, 1 }, 255);
    LayerEffect shadow;
    shadow.kind = EffectKind::DropShadow;
    shadow.size = 1;
    shadow.distance = 1;
    LayerEffect ramp;
    ramp.kind = EffectKind::GradientOverlay;
    ramp.gradient.colours = { { 0, 0.5, {} }, { 1, 0.4, { 9, 99, 199 } } };
    styled.effects = LayerStyle {};
    styled.effects->effects = { shadow, ramp };
    writer.addLayer(styled);
    writer.addLayer(SolidLayer("b", { 2, 2, 3, 4 }, { 2, 2, 2 }, 128));
    writer.endFolder("flip");
    PsdLayerSpec hidden = SolidLayer("hidden", { 0, 0, 1, 1 }, { 3, 3, 3 });
    hidden.hidden = true;
    writer.addLayer(hidden);
    return writer.finish();
}

/// Imports and checks what a caller relies on; returns false when refused.
bool ImportsConsistently(const std::vector<std::uint8_t>& bytes) {
    try {
        const ImportedDocument doc = Import(bytes, "damaged.psd");
        EXPECT_FALSE(doc.Layers.empty());
        EXPECT_LE(doc.Layers.size(), 256u);
        EXPECT_EQ(doc.LayerBitmaps.size(), doc.Layers.size());
        EXPECT_EQ(doc.LayerMasks.size(), doc.Layers.size());
        for (std::size_t i = 0; i < doc.LayerBitmaps.size(); ++i) {
            EXPECT_FALSE(doc.LayerBitmaps[i].empty());
            EXPECT_EQ(doc.LayerBitmaps[i].width(), doc.LayerMasks[i].width());
            EXPECT_EQ(doc.LayerBitmaps[i].height(), doc.LayerMasks[i].height());
        }
        return true;
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("damaged.psd: ", 0), 0u) << error.what();
        return false;
    }
}

/// Cuts the file at every length up to `denseUpTo` (headers and layer records
/// live there) and at every `step`-th length after it.
void Truncate(
    const std::vector<std::uint8_t>& file, const std::string& what, std::size_t denseUpTo, std::size_t step) {
    SCOPED_TRACE(what);
    int imported = 0;
    for (std::size_t length = 0; length < file.size(); length += length < denseUpTo ? 1 : step)
        imported += ImportsConsistently(
            std::vector<std::uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(imported, 0) << "a truncated file imported";
    EXPECT_TRUE(ImportsConsistently(file));
}

/// Sets the byte at every position up to `denseUpTo`, and at every `step`-th one
/// after it, to a few telling values in turn.
void ChangeBytes(
    const std::vector<std::uint8_t>& file, const std::string& what, std::size_t denseUpTo, std::size_t step) {
    SCOPED_TRACE(what);
    const std::uint8_t values[] = { 0x00, 0xFF, 0x7F, 0x80, 0x01 };
    for (std::size_t at = 0; at < file.size(); at += at < denseUpTo ? 1 : step) {
        std::vector<std::uint8_t> changed = file;
        for (std::uint8_t v : values) {
            changed[at] = v;
            ImportsConsistently(changed);
        }
        changed[at] = static_cast<std::uint8_t>(file[at] ^ 0x10);
        ImportsConsistently(changed);
    }
}

} // namespace

TEST(Robustness, WriterFilesSurviveTruncationAndByteChanges) {
    for (Compression compression : { Compression::Rle, Compression::Zip })
        for (bool psb : { false, true }) {
            const auto file = SmallFile(compression, psb);
            const std::string what
                = std::string(compression == Compression::Rle ? "RLE" : "ZIP") + (psb ? " PSB" : " PSD");
            Truncate(file, what, file.size(), 1);
            ChangeBytes(file, what, file.size(), 1);
        }
}

TEST(Robustness, ConvertedModesAndArtboardsSurviveTruncationAndByteChanges) {
    // 32-bit float layers with a mask (predicted ZIP), an indexed file with its colour
    // table and transparent number, a bitmap in PackBits rows, and an artboard.
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    {
        PsdWriterOptions options = RgbOptions(5, 3);
        options.depth = 32;
        options.compression = Compression::ZipPredicted;
        PsdWriter writer(options);
        PsdLayerSpec layer = SolidLayer("float", { 0, 0, 3, 5 }, { 0, 0, 0 });
        for (std::size_t c = 0; c < 3; ++c)
            for (std::size_t i = 0; i < 15; ++i)
                layer.colour[c][i] = FloatSample(static_cast<float>(i + c) / 9.0f);
        layer.userMask = PsdMaskSpec { { 1, 1, 3, 4 }, 0, false, PsdPlane(6, FloatSample(0.5f)) };
        writer.addLayer(layer);
        files.emplace_back("32-bit", writer.finish());
    }
    {
        PsdWriterOptions options = RgbOptions(4, 2);
        options.mode = ColourMode::Indexed;
        for (int i = 0; i < 768; ++i) options.colourModeData.push_back(static_cast<std::uint8_t>(i * 5));
        options.transparentIndex = 3;
        PsdWriter writer(options);
        writer.setMergedImage({ { 0, 3, 9, 200, 3, 4, 5, 6 } }, false);
        files.emplace_back("indexed", writer.finish());
    }
    {
        PsdWriterOptions options = RgbOptions(13, 3);
        options.mode = ColourMode::Bitmap;
        options.depth = 1;
        PsdWriter writer(options);
        PsdPlane bits(39);
        for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = i % 3 == 0 ? 1 : 0;
        writer.setMergedImage({ bits }, false);
        files.emplace_back("bitmap", writer.finish());
    }
    {
        PsdWriter writer(RgbOptions(6, 4));
        writer.beginFolder();
        writer.addLayer(SolidLayer("inside", { 1, 1, 3, 8 }, { 1, 2, 3 }, 200));
        PsdFolderSpec board;
        board.name = "board";
        board.artboard = PsdArtboardSpec { { 0, 0, 4, 5 }, 4, { 10, 20, 30 } };
        writer.endFolder(board);
        files.emplace_back("artboard", writer.finish());
    }
    for (const auto& [what, file] : files) {
        Truncate(file, what, file.size(), 1);
        ChangeBytes(file, what, file.size(), 1);
    }
}

TEST(Robustness, RealFilesSurviveTruncationAndByteChanges) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    for (const char* name : { "psd-tools/2layers.psd", "psd-tools/1layer.psb", "rust-psd/luni.psd",
             "psd-tools/16bit5x5.psd", "psd-tools/32bit5x5.psd", "rust-psd/visibility.psd",
             "rust-psd/groups/rle-compressed-empty-channel.psd" }) {
        const auto file = ReadFileBytes(FixturesDir() / name);
        // Small files are cut and changed at every byte, larger ones densely in
        // their first 4 KiB and sparsely after it.
        const bool small = file.size() <= 8192;
        Truncate(file, name, small ? file.size() : 4096, 11);
        ChangeBytes(file, name, small ? file.size() : 4096, 37);
    }
}

} // namespace deptrix::test
