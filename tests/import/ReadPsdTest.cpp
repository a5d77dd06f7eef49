// The reader entry: document fields, work files at source resolution, progress,
// and the fields it must leave alone.

#include "TaskThreads.h"
#include "TestPsd.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFileWriter.h"
#include "core/WorkFiles.h"
#include "import/LayerReader.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

class RecordingProgress final : public Progress {
public:
    void setPosition(int percent) override { positions.push_back(percent); }
    std::vector<int> positions;
};

class TempFolder {
public:
    explicit TempFolder(const std::string& suffix = "")
        : m_path(std::filesystem::temp_directory_path()
            / ("deptrix-import-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix)) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace

TEST(ReadPsd, FillsTheReaderFieldsAndWritesWorkFilesAtSourceResolution) {
    TempFolder folder;
    // 2500 x 40 canvas: the working grid is reduced (WorkScale 8192), the work files
    // are not.
    PsdWriterOptions options = RgbOptions(2500, 40);
    options.resolutionPpi = 254;
    PsdWriter writer(options);
    writer.addLayer(SolidLayer("back", { 0, 0, 40, 2500 }, { 9, 8, 7 }));
    PsdLayerSpec front = SolidLayer("front", { 3, 100, 23, 1100 }, { 200, 150, 100 }, 90);
    writer.addLayer(front);
    const auto psd = folder.path() / "scene.psd";
    WriteFileAtomically(psd, writer.finish());

    Document doc;
    doc.Lpi = 123;
    doc.FocusRow = 5;
    doc.ViewLeft = { 42 };
    doc.PsdPath = "kept";
    RecordingProgress progress;
    EXPECT_EQ(ReadPsd(psd, folder.path(), doc, progress), 60);

    EXPECT_EQ(doc.LayerCount, 2);
    EXPECT_EQ(doc.Layers.size(), 2u);
    EXPECT_EQ(doc.ImageMode, 3);
    EXPECT_EQ(doc.SourceWidth, 2500);
    EXPECT_EQ(doc.SourceHeight, 40);
    EXPECT_EQ(doc.WorkScale, 8192);
    EXPECT_EQ(doc.ImageWidth, 2048);
    EXPECT_EQ(doc.ImageHeight, 33); // Round(32.768)
    EXPECT_EQ(doc.SourceDpi, 2540000);
    EXPECT_EQ(doc.SourceWidthCm, 250000); // 2500 px at 254 ppi: 25 cm
    EXPECT_EQ(doc.SourceHeightCm, 4000);
    EXPECT_EQ(doc.LayerBitmaps[1].width(), 819); // Round(1100 x 0.8192) - Round(100 x 0.8192) = 901 - 82
    EXPECT_TRUE(doc.consistent());
    // Everything else is the caller's.
    EXPECT_EQ(doc.Lpi, 123);
    EXPECT_EQ(doc.FocusRow, 5);
    EXPECT_EQ(doc.ViewLeft, (std::vector<std::int32_t> { 42 }));
    EXPECT_EQ(doc.PsdPath, "kept");

    const Bitmap layer = LoadBmp(folder.path() / LayerFileName(2));
    const Bitmap mask = LoadBmp(folder.path() / LayerMaskFileName(2));
    EXPECT_EQ(layer.format(), PixelFormat::Bgr24);
    EXPECT_EQ(layer.width(), 1000);
    EXPECT_EQ(layer.height(), 20);
    EXPECT_EQ(mask.format(), PixelFormat::Gray8);
    EXPECT_EQ(mask.width(), 1000);
    EXPECT_EQ(Rgb(layer, 999, 19), (std::array<int, 3> { 200, 150, 100 }));
    EXPECT_EQ(mask.row(0)[0], 90);
    EXPECT_EQ(LoadBmp(folder.path() / LayerFileName(1)).width(), 2500);

    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.front(), 0);
    EXPECT_EQ(progress.positions.back(), 60);
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
}

TEST(ReadPsd, WorkFilesOfAReducedDocumentHoldEverySourceRow) {
    // 2300 x 600: the working grid is reduced and each layer arrives in several
    // bands, decoded straight into the work files' memory (large enough to bypass the
    // page cache where the disk allows it).
    TempFolder folder;
    const int w = 2300;
    const int h = 600;
    PsdWriter writer(RgbOptions(w, h));
    PsdLayerSpec layer = SolidLayer("grain", { 0, 0, h, w }, { 0, 0, 0 }, 0);
    Bitmap colour(w, h, PixelFormat::Bgr24);
    Bitmap mask(w, h, PixelFormat::Gray8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
            const std::uint8_t rgb[3]
                = { std::uint8_t(x * 7 + y * 3), std::uint8_t(x ^ y), std::uint8_t(x * y) };
            for (int c = 0; c < 3; ++c) {
                layer.colour[static_cast<std::size_t>(c)][i] = rgb[c];
                colour.row(y)[3 * x + 2 - c] = rgb[c];
            }
            layer.transparency[i] = static_cast<std::uint8_t>(x + 5 * y);
            mask.row(y)[x] = static_cast<std::uint8_t>(x + 5 * y);
        }
    writer.addLayer(layer);
    const std::vector<std::uint8_t> bytes = writer.finish();
    const auto psd = folder.path() / "grain.psd";
    WriteFileAtomically(psd, bytes);

    Document doc;
    NullProgress progress;
    ReadPsd(psd, folder.path(), doc, progress);
    EXPECT_NE(doc.WorkScale, kFixedOne);
    // The files are written in the background: wait for them, as every reader does.
    AwaitWorkFile(folder.path() / LayerFileName(1));
    AwaitWorkFile(folder.path() / LayerMaskFileName(1));
    EXPECT_EQ(ReadFileBytes(folder.path() / LayerFileName(1)), EncodeBmp(colour));
    EXPECT_EQ(ReadFileBytes(folder.path() / LayerMaskFileName(1)), EncodeBmp(mask));
    // The working layers are those of an import without work files.
    const ImportedDocument plain = Import(bytes);
    EXPECT_TRUE(doc.LayerBitmaps[0].samePixels(plain.LayerBitmaps[0]));
    EXPECT_TRUE(doc.LayerMasks[0].samePixels(plain.LayerMasks[0]));
}

TEST(ReadPsd, LayersDecodedSideBySideComeOutAsDecodedOneAtATime) {
    // Layers of different sizes, some with effects, on a reduced grid: on several
    // threads each layer, its work files and their order are those of one thread.
    const int w = 2200;
    const int h = 300;
    PsdWriter writer(RgbOptions(w, h));
    LayerStyle style;
    LayerEffect shadow;
    shadow.kind = EffectKind::DropShadow;
    shadow.distance = 9;
    shadow.size = 14;
    LayerEffect stroke;
    stroke.kind = EffectKind::Stroke;
    stroke.size = 4;
    stroke.colour = { 250, 240, 10 };
    style.effects = { shadow, stroke };
    for (int k = 0; k < 7; ++k) {
        const PsdRect box { 10 * k, 150 * k, 120 + 20 * k, 700 + 190 * k };
        PsdLayerSpec layer = SolidLayer("layer " + std::to_string(k), box, { 0, 0, 0 }, 0);
        const std::int64_t lw = box.width();
        for (std::size_t i = 0; i < layer.transparency.size(); ++i) {
            const auto x = static_cast<std::int64_t>(i) % lw, y = static_cast<std::int64_t>(i) / lw;
            for (std::size_t c = 0; c < 3; ++c)
                layer.colour[c][i] = static_cast<std::uint16_t>((x * (c + 2) + y * k) & 255);
            layer.transparency[i] = static_cast<std::uint16_t>(x % 97 < 60 ? 255 : (x + y) & 255);
        }
        if (k % 2 == 1) layer.effects = style;
        writer.addLayer(layer);
    }
    const std::vector<std::uint8_t> bytes = writer.finish();
    const auto read = [&](int threads, const TempFolder& folder) {
        const ScopedTaskThreads scoped(threads);
        const auto psd = folder.path() / "layers.psd";
        WriteFileAtomically(psd, bytes);
        Document doc;
        RecordingProgress progress;
        ReadPsd(psd, folder.path(), doc, progress);
        SharedWorkFileWriter().awaitAll();
        return std::pair { std::move(doc), progress.positions };
    };
    TempFolder oneFolder;
    const auto [one, oneProgress] = read(1, oneFolder);
    TempFolder manyFolder(".many");
    const auto [many, manyProgress] = read(3, manyFolder);
    ASSERT_EQ(one.Layers.size(), 7u);
    ASSERT_EQ(many.Layers.size(), 7u);
    EXPECT_EQ(oneProgress, manyProgress);
    for (std::size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(many.Layers[i].StoredName, one.Layers[i].StoredName);
        EXPECT_EQ(many.Layers[i].Left, one.Layers[i].Left);
        EXPECT_EQ(many.Layers[i].Width, one.Layers[i].Width);
        EXPECT_TRUE(many.LayerBitmaps[i].samePixels(one.LayerBitmaps[i]));
        EXPECT_TRUE(many.LayerMasks[i].samePixels(one.LayerMasks[i]));
        const int n = static_cast<int>(i) + 1;
        for (const std::string& name : { LayerFileName(n), LayerMaskFileName(n) })
            EXPECT_EQ(ReadFileBytes(manyFolder.path() / name), ReadFileBytes(oneFolder.path() / name));
    }
}

TEST(ReadPsd, CmykLayersKeepTheirStoredBytes) {
    TempFolder folder;
    PsdWriterOptions options = RgbOptions(3, 1);
    options.mode = ColourMode::Cmyk;
    PsdWriter writer(options);
    PsdLayerSpec layer;
    layer.name = "ink";
    layer.box = { 0, 0, 1, 3 };
    layer.colour = { { 0, 255, 10 }, { 255, 0, 20 }, { 255, 255, 30 }, { 255, 128, 40 } };
    writer.addLayer(layer);
    WriteFileAtomically(folder.path() / "ink.psd", writer.finish());
    Document doc;
    NullProgress progress;
    ReadPsd(folder.path() / "ink.psd", folder.path(), doc, progress);
    EXPECT_EQ(doc.ImageMode, 4);
    const Bitmap& bitmap = doc.LayerBitmaps[0];
    ASSERT_EQ(bitmap.format(), PixelFormat::Cmyk32);
    EXPECT_EQ(std::vector<int>(bitmap.row(0), bitmap.row(0) + 12),
        (std::vector<int> { 0, 255, 255, 255, 255, 0, 255, 128, 10, 20, 30, 40 }));
    const Bitmap file = LoadBmp(folder.path() / LayerFileName(1));
    EXPECT_TRUE(file.samePixels(bitmap));
}

TEST(ReadPsd, AMissingOrForeignFileIsRefusedNamingIt) {
    TempFolder folder;
    Document doc;
    NullProgress progress;
    try {
        ReadPsd(folder.path() / "absent.psd", folder.path(), doc, progress);
        FAIL() << "read a missing file";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("absent.psd: cannot open the file", 0), 0u) << error.what();
    }
    const std::vector<std::uint8_t> text = { 'h', 'e', 'l', 'l', 'o' };
    WriteFileAtomically(folder.path() / "notes.psd", text);
    try {
        ReadPsd(folder.path() / "notes.psd", folder.path(), doc, progress);
        FAIL() << "read a text file";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "notes.psd: truncated file header");
    }
    EXPECT_EQ(doc.LayerCount, 0);
}

TEST(ReadPsd, TheBundledSampleSceneImports) {
    TempFolder folder;
    Document doc;
    NullProgress progress;
    ReadPsd(std::filesystem::path(DEPTRIX_SOURCE_DIR) / "sample" / "scene.psd", folder.path(), doc, progress);
    EXPECT_EQ(doc.SourceWidth, 1600);
    EXPECT_EQ(doc.SourceHeight, 1200);
    EXPECT_EQ(doc.SourceDpi, 1500000);
    ASSERT_EQ(doc.LayerCount, 11);
    int flipMembers = 0;
    int soft = 0;
    for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
        flipMembers += doc.Layers[i].Group == 1;
        EXPECT_LE(doc.Layers[i].Group, 1);
        const Bitmap& mask = doc.LayerMasks[i];
        bool partial = false;
        for (int y = 0; y < mask.height() && !partial; ++y)
            for (int x = 0; x < mask.width() && !partial; ++x)
                partial = mask.row(y)[x] > 0 && mask.row(y)[x] < 255;
        soft += partial;
    }
    EXPECT_EQ(flipMembers, 3);
    EXPECT_EQ(doc.Layers.back().Group, 1);
    EXPECT_GE(soft, 6);
}

} // namespace deptrix::test
