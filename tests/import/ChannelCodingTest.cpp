// PackBits bounds, pixel interleaving, 16-bit reduction and damaged channel data.

#include "TestPsd.h"
#include "core/Error.h"
#include "import/PackBits.h"
#include "import/PixelPlacement.h"
#include "import/PsdFile.h"

#include <gtest/gtest.h>
#include <random>

namespace deptrix::test {

TEST(PackBits, RoundTripsRowsOfRunsAndNoise) {
    std::mt19937 rng(3);
    for (std::size_t length : { 1u, 2u, 3u, 127u, 128u, 129u, 130u, 257u, 1000u }) {
        std::vector<std::uint8_t> row(length);
        // Stretches of noise and of repeats, so both run kinds and their limits occur.
        for (std::size_t i = 0; i < length; ++i)
            row[i] = (i / 50) % 2 ? 7 : static_cast<std::uint8_t>(rng() % 3);
        std::vector<std::uint8_t> packed;
        PackBitsRow(row, packed);
        EXPECT_LE(packed.size(), PackBitsBound(length));
        std::vector<std::uint8_t> unpacked(length);
        ASSERT_TRUE(UnpackBitsRow(packed, unpacked)) << length;
        EXPECT_EQ(unpacked, row);
    }
}

TEST(PackBits, RunsAreBoundedByTheRowAndByTheInput) {
    std::vector<std::uint8_t> out(4);
    // A repeat of five into a row of four.
    EXPECT_FALSE(UnpackBitsRow(std::vector<std::uint8_t> { 0xFC, 9 }, out));
    // A literal of five into a row of four.
    EXPECT_FALSE(UnpackBitsRow(std::vector<std::uint8_t> { 4, 1, 2, 3, 4, 5 }, out));
    // A literal of four with only three bytes left.
    EXPECT_FALSE(UnpackBitsRow(std::vector<std::uint8_t> { 3, 1, 2, 3 }, out));
    // A repeat header with no byte to repeat.
    EXPECT_FALSE(UnpackBitsRow(std::vector<std::uint8_t> { 2, 1, 2, 3, 0xFF }, out));
    // Input ends before the row is full.
    EXPECT_FALSE(UnpackBitsRow(std::vector<std::uint8_t> { 1, 1, 2 }, out));
    // -128 is skipped; bytes after a full row are ignored.
    ASSERT_TRUE(UnpackBitsRow(std::vector<std::uint8_t> { 0x80, 0xFD, 6, 0x80, 0x00, 7, 0xAA }, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t> { 6, 6, 6, 6 }) /* the repeat already fills it */);
    std::vector<std::uint8_t> five(5);
    ASSERT_TRUE(UnpackBitsRow(std::vector<std::uint8_t> { 0x80, 0xFD, 6, 0x80, 0x00, 7 }, five));
    EXPECT_EQ(five, (std::vector<std::uint8_t> { 6, 6, 6, 6, 7 }));
}

TEST(ChannelDecoding, InterleavedPixelsHoldTheSamePlacesAsOneScatterPerChannel) {
    // Widths around the 16-pixel steps of the fast path, with rows that end exactly at
    // the pixels (no room after the last one).
    std::mt19937 rng(5);
    for (int pixelBytes : { 3, 4 })
        for (int width : { 0, 1, 15, 16, 17, 31, 32, 33, 100 }) {
            std::vector<std::vector<std::uint8_t>> planes(static_cast<std::size_t>(pixelBytes));
            std::vector<const std::uint8_t*> byOffset;
            for (auto& plane : planes) {
                plane.resize(static_cast<std::size_t>(width));
                for (auto& sample : plane) sample = static_cast<std::uint8_t>(rng());
                byOffset.push_back(plane.data());
            }
            const std::size_t bytes = static_cast<std::size_t>(width * pixelBytes);
            std::vector<std::uint8_t> expected(bytes);
            for (int k = 0; k < pixelBytes; ++k)
                ScatterRow(planes[static_cast<std::size_t>(k)].data(), expected.data(), width, pixelBytes, k);
            std::vector<std::uint8_t> row(bytes);
            InterleaveRow(byOffset.data(), row.data(), width, pixelBytes);
            EXPECT_EQ(row, expected) << pixelBytes << " x " << width;
        }
}

TEST(ChannelDecoding, SixteenBitSamplesRoundToTheNearestEightBitValue) {
    // Round(v / 257): 128 / 257 = 0.498 -> 0, 129 / 257 = 0.502 -> 1,
    // 25828 / 257 = 100.498 -> 100, 25829 -> 101, 65535 -> 255, 65406 / 257 = 254.498 -> 254,
    // 65407 -> 255.
    const PsdPlane samples = { 0, 128, 129, 25828, 25829, 65535, 65406, 65407 };
    const std::vector<int> expected = { 0, 0, 1, 100, 101, 255, 254, 255 };
    for (Compression compression :
        { Compression::Raw, Compression::Rle, Compression::Zip, Compression::ZipPredicted }) {
        PsdWriterOptions options = RgbOptions(8, 1);
        options.depth = 16;
        options.compression = compression;
        PsdWriter writer(options);
        PsdLayerSpec layer;
        layer.name = "deep";
        layer.box = { 0, 0, 1, 8 };
        layer.colour = { samples, samples, samples };
        layer.transparency = samples;
        writer.addLayer(layer);
        const ImportedDocument doc = Import(writer.finish());
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(Rgb(doc.LayerBitmaps[0], x, 0)[0], expected[static_cast<std::size_t>(x)]) << x;
            EXPECT_EQ(doc.LayerMasks[0].row(0)[x], expected[static_cast<std::size_t>(x)]) << x;
        }
    }
}

namespace {

/// A 40 x 30 one-layer file and the file offset of its first channel's data.
std::pair<std::vector<std::uint8_t>, std::size_t> OneLayerFile(Compression compression) {
    PsdWriterOptions options = RgbOptions(40, 30);
    options.compression = compression;
    PsdWriter writer(options);
    PsdLayerSpec layer = SolidLayer("layer", { 0, 0, 30, 40 }, { 1, 2, 3 }, 200);
    for (std::size_t i = 0; i < layer.colour[0].size(); ++i)
        layer.colour[0][i] = static_cast<std::uint16_t>(i * 7 % 256);
    writer.addLayer(layer);
    std::vector<std::uint8_t> bytes = writer.finish();
    const auto offset
        = static_cast<std::size_t>(ParsePsd(bytes, "layer.psd").records[0].channels[0].data.offset);
    return { bytes, offset };
}

std::string ImportError(const std::vector<std::uint8_t>& bytes) {
    try {
        Import(bytes, "spoilt.psd");
    } catch (const Error& error) {
        return error.what();
    }
    return "imported";
}

} // namespace

TEST(ChannelDecoding, DamagedChannelDataIsRefusedNamingTheFile) {
    {
        auto [bytes, channel] = OneLayerFile(Compression::Zip);
        bytes[channel + 6] ^= 0xFF; // inside the deflate stream
        EXPECT_EQ(ImportError(bytes), "spoilt.psd: corrupt ZIP data in layer record 0");
    }
    {
        auto [bytes, channel] = OneLayerFile(Compression::Rle);
        bytes[channel + 2] = 0xFF; // first row count far beyond the data
        EXPECT_EQ(ImportError(bytes), "spoilt.psd: RLE row counts exceed the channel data in layer record 0");
    }
    {
        auto [bytes, channel] = OneLayerFile(Compression::Rle);
        bytes[channel + 2] = 0; // first row count 1: the row ends after one byte
        bytes[channel + 3] = 1;
        EXPECT_EQ(ImportError(bytes), "spoilt.psd: corrupt RLE data (row 0) in layer record 0");
    }
    {
        auto [bytes, channel] = OneLayerFile(Compression::Raw);
        bytes[channel + 1] = 7;
        EXPECT_EQ(ImportError(bytes), "spoilt.psd: unknown compression 7 in layer record 0");
    }
}

} // namespace deptrix::test
