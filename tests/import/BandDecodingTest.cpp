// Layers decoded in bands of rows: the same pictures and work-file rows whatever the
// band height, sizes the stored data cannot hold refused before anything is
// decoded, and running out of memory reported with what the import needs.

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "core/Error.h"
#include "import/LayerPixels.h"
#include "import/MappedFile.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <new>

namespace deptrix::test {
namespace {

/// Puts the source rows it is given back together, checking that they come in order.
class AssemblingSink final : public SourceLayerSink {
public:
    void beginLayer(int number, int width, int height, PixelFormat format) override {
        ASSERT_EQ(number, static_cast<int>(layers.size()) + 1);
        layers.push_back({ Bitmap(width, height, format), Bitmap(width, height, PixelFormat::Gray8) });
        m_next = 0;
    }
    void takeRows(
        int number, int firstRow, const Bitmap& colour, const Bitmap& mask, int bandRow, int count) override {
        ASSERT_EQ(number, static_cast<int>(layers.size()));
        ASSERT_EQ(firstRow, m_next);
        LayerPixels& layer = layers.back();
        for (int r = 0; r < count; ++r) {
            std::copy_n(colour.row(bandRow + r), colour.stride(), layer.colour.row(firstRow + r));
            std::copy_n(mask.row(bandRow + r), mask.stride(), layer.mask.row(firstRow + r));
        }
        m_next += count;
        if (failAfterRows > 0 && m_next >= failAfterRows) throw std::bad_alloc();
    }
    void endLayer(int) override { EXPECT_EQ(m_next, layers.back().colour.height()); }

    std::vector<LayerPixels> layers;
    int failAfterRows = 0;

private:
    int m_next = 0;
};

/// Lends rows for the importer to decode into, stored bottom-up as a BMP file holds
/// them, and puts them back together once filled.
class LendingSink final : public SourceLayerSink {
public:
    void beginLayer(int, int width, int height, PixelFormat format) override {
        layers.push_back({ Bitmap(width, height, format), Bitmap(width, height, PixelFormat::Gray8) });
    }
    void takeRows(int, int, const Bitmap&, const Bitmap&, int, int) override {
        ADD_FAILURE() << "rows copied";
    }
    void endLayer(int) override { EXPECT_EQ(m_lent.height(), 0); }
    std::optional<Rows> roomForRows(int, int firstRow, int count) override {
        const LayerPixels& layer = layers.back();
        m_first = firstRow;
        m_lent = Bitmap(layer.colour.width(), count, layer.colour.format());
        m_lentMask = Bitmap(layer.colour.width(), count, PixelFormat::Gray8);
        const auto bottomUp = [count](Bitmap& b) {
            return PixelRows { b.row(count - 1), -static_cast<std::ptrdiff_t>(b.stride()) };
        };
        return Rows { bottomUp(m_lent), bottomUp(m_lentMask) };
    }
    void rowsFilled(int) override {
        LayerPixels& layer = layers.back();
        const int count = m_lent.height();
        for (int r = 0; r < count; ++r) {
            std::copy_n(m_lent.row(count - 1 - r), m_lent.stride(), layer.colour.row(m_first + r));
            std::copy_n(m_lentMask.row(count - 1 - r), m_lentMask.stride(), layer.mask.row(m_first + r));
        }
        m_lent = Bitmap();
        m_lentMask = Bitmap();
    }

    std::vector<LayerPixels> layers;

private:
    int m_first = 0;
    Bitmap m_lent;
    Bitmap m_lentMask;
};

struct Imported {
    ImportedDocument doc;
    std::vector<LayerPixels> source;
};

/// Imports through a Sink that collects the source rows (AssemblingSink, or
/// LendingSink for rows decoded in place).
template <class Sink = AssemblingSink>
Imported ImportInBands(std::span<const std::uint8_t> bytes, int bandRows) {
    NullProgress progress;
    ImportLimits limits;
    limits.bandRows = bandRows;
    Sink sink;
    Imported out;
    out.doc = ImportPsd(bytes, "bands.psd", &sink, progress, limits);
    out.source = std::move(sink.layers);
    return out;
}

void ExpectSame(const Imported& a, const Imported& b, const std::string& what) {
    ASSERT_EQ(a.doc.LayerBitmaps.size(), b.doc.LayerBitmaps.size()) << what;
    for (std::size_t i = 0; i < a.doc.LayerBitmaps.size(); ++i) {
        EXPECT_TRUE(a.doc.LayerBitmaps[i].samePixels(b.doc.LayerBitmaps[i])) << what << " layer " << i;
        EXPECT_TRUE(a.doc.LayerMasks[i].samePixels(b.doc.LayerMasks[i])) << what << " mask " << i;
    }
    ASSERT_EQ(a.source.size(), b.source.size()) << what;
    for (std::size_t i = 0; i < a.source.size(); ++i) {
        EXPECT_TRUE(a.source[i].colour.samePixels(b.source[i].colour)) << what << " source " << i;
        EXPECT_TRUE(a.source[i].mask.samePixels(b.source[i].mask)) << what << " source mask " << i;
    }
}

/// A canvas wider than the working grid, so layers are reduced as their bands
/// arrive: a ZIP layer with transparency, a user mask over part of it and a
/// partial opacity.
std::vector<std::uint8_t> ReducedFile(Compression compression) {
    PsdWriterOptions options = RgbOptions(2300, 61);
    options.compression = compression;
    PsdWriter writer(options);
    writer.addLayer(SolidLayer("paper", { 0, 0, 61, 2300 }, { 250, 240, 230 }));
    PsdLayerSpec layer = SolidLayer("shape", { -3, 17, 58, 2211 }, { 10, 20, 30 }, 0);
    const int w = 2194;
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            layer.colour[0][i] = static_cast<std::uint16_t>((x * 7 + y * 3) % 256);
            layer.colour[1][i] = static_cast<std::uint16_t>((x ^ y) % 256);
            layer.transparency[i] = static_cast<std::uint16_t>((x + 5 * y) % 256);
        }
    PsdMaskSpec mask { { 10, 100, 40, 1500 }, 0, false, Flat(30 * 1400, 0), 200 };
    for (std::size_t i = 0; i < mask.samples.size(); ++i)
        mask.samples[i] = static_cast<std::uint16_t>(i % 251);
    layer.userMask = mask;
    layer.opacity = 180;
    writer.addLayer(layer);
    return writer.finish();
}

TEST(BandDecoding, AnyBandHeightGivesTheSamePicturesAsTheWholeLayer) {
    for (Compression compression :
        { Compression::Raw, Compression::Rle, Compression::Zip, Compression::ZipPredicted }) {
        const std::vector<std::uint8_t> bytes = ReducedFile(compression);
        const Imported whole = ImportInBands(bytes, 1 << 20);
        EXPECT_NE(whole.doc.WorkScale, kFixedOne);
        for (int band : { 1, 2, 7, 0 }) {
            const std::string what
                = "compression " + std::to_string(int(compression)) + ", band " + std::to_string(band);
            ExpectSame(whole, ImportInBands(bytes, band), what);
            // Decoded into the sink's own memory, rows bottom-up, and reduced from there.
            ExpectSame(whole, ImportInBands<LendingSink>(bytes, band), what + " in place");
        }
    }
}

TEST(BandDecoding, FixtureFilesImportAlikeInBandsAndWhole) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    int compared = 0;
    for (const auto& file : FixtureFiles()) {
        const MappedFile mapped(file);
        Imported whole;
        try {
            whole = ImportInBands(mapped.bytes(), 1 << 20);
        } catch (const Error&) {
            continue; // refused files are another test's
        }
        ExpectSame(whole, ImportInBands(mapped.bytes(), 1), file.string());
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

/// Rewrites the first layer record's box (stored as top, left, bottom, right) to
/// `box`; the record is found by its old box.
void SetLayerBox(std::vector<std::uint8_t>& bytes, PsdRect from, PsdRect to) {
    auto be = [](std::int64_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        return std::vector<std::uint8_t> { std::uint8_t(u >> 24), std::uint8_t(u >> 16), std::uint8_t(u >> 8),
            std::uint8_t(u) };
    };
    std::vector<std::uint8_t> old;
    std::vector<std::uint8_t> now;
    for (std::int64_t v : { from.top, from.left, from.bottom, from.right }) {
        const auto b = be(v);
        old.insert(old.end(), b.begin(), b.end());
    }
    for (std::int64_t v : { to.top, to.left, to.bottom, to.right }) {
        const auto b = be(v);
        now.insert(now.end(), b.begin(), b.end());
    }
    const auto at = std::search(bytes.begin(), bytes.end(), old.begin(), old.end());
    ASSERT_NE(at, bytes.end());
    std::copy(now.begin(), now.end(), at);
}

TEST(BandDecoding, ASizeTheStoredDataCannotHoldIsRefusedBeforeDecoding) {
    for (Compression compression : { Compression::Raw, Compression::Rle, Compression::Zip }) {
        PsdWriterOptions options = RgbOptions(40, 30);
        options.compression = compression;
        PsdWriter writer(options);
        writer.addLayer(SolidLayer("small", { 0, 0, 30, 40 }, { 1, 2, 3 }, 200));
        std::vector<std::uint8_t> bytes = writer.finish();
        SetLayerBox(bytes, { 0, 0, 30, 40 }, { 0, 0, 16000, 16000 });
        NullProgress progress;
        AssemblingSink sink;
        try {
            ImportPsd(bytes, "huge.psd", &sink, progress);
            FAIL() << "imported";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "huge.psd: truncated channel data in layer record 0, channel 0");
        }
        EXPECT_TRUE(sink.layers.empty()) << "decoding began for compression " << int(compression);
    }
}

TEST(BandDecoding, InflatingStopsAtTheLayersSize) {
    // The same stream declared one row shorter holds more than the layer: refused
    // instead of inflated past the rows asked for.
    PsdWriterOptions options = RgbOptions(40, 31);
    options.compression = Compression::Zip;
    PsdWriter writer(options);
    writer.addLayer(SolidLayer("layer", { 0, 0, 31, 40 }, { 1, 2, 3 }, 200));
    std::vector<std::uint8_t> bytes = writer.finish();
    SetLayerBox(bytes, { 0, 0, 31, 40 }, { 0, 0, 30, 40 });
    try {
        ImportInBands(bytes, 4);
        FAIL() << "imported";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "bands.psd: corrupt ZIP data in layer record 0");
    }
}

TEST(BandDecoding, RunningOutOfMemorySaysWhatTheImportNeeds) {
    const std::vector<std::uint8_t> bytes = ReducedFile(Compression::Zip);
    NullProgress progress;
    ImportLimits limits;
    limits.bandRows = 8;
    AssemblingSink sink;
    sink.failAfterRows = 20; // an allocation fails while the first layer is decoded
    try {
        ImportPsd(bytes, "big.psd", &sink, progress, limits);
        FAIL() << "imported";
    } catch (const Error& e) {
        // Two working layers of 2048 x 54 and 1954 x 54 (4 bytes a pixel), a band
        // and the composite: a few MB.
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("not enough memory to import big.psd (needs about ", 0), 0u) << text;
        EXPECT_EQ(text.substr(text.size() - 4), " MB)") << text;
        const int mb
            = std::stoi(text.substr(std::string("not enough memory to import big.psd (needs about ").size()));
        EXPECT_GE(mb, 1);
        EXPECT_LE(mb, 10);
    }
}

} // namespace
} // namespace deptrix::test
