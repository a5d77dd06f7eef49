// Print files read back through libtiff: tags, photometric and ink set, profile,
// strips, compression, BigTIFF; and what a cancelled or failed file leaves.

#include "PrintTestSupport.h"
#include "TestFolder.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/PendingFile.h"
#include "print/Interlacer.h"
#include "print/PitchTest.h"
#include "print/PrintExport.h"
#include "print/ViewRows.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <tiffio.h>

namespace deptrix {
namespace {

using test::Folder;
using test::ReadTiff;
using test::TestProgress;

std::vector<Bitmap> NoiseViews(PixelFormat format, int width, int height) {
    std::mt19937 random(7);
    std::vector<Bitmap> views;
    for (int v = 0; v < 7; ++v) {
        Bitmap view(width, height, format);
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < width * view.bytesPerPixel(); ++i)
                view.row(y)[i] = static_cast<std::uint8_t>(random());
        views.push_back(std::move(view));
    }
    return views;
}

/// The print in memory, to compare with what the file holds.
std::vector<std::uint8_t> InMemory(std::vector<Bitmap>& views, const PrintGeometry& geometry) {
    BitmapViews source(test::Pointers(views));
    Interlacer interlacer(geometry, source);
    std::vector<std::uint8_t> pixels(interlacer.rowBytes() * static_cast<std::size_t>(geometry.height));
    interlacer.makeRows(0, static_cast<int>(geometry.height), pixels.data());
    return pixels;
}

PrintSettings SmallPrint() {
    // 1 x 0.5 inch at 720 dpi with H Scale 2: 720 x 180 rows, 360 rows per inch.
    PrintSettings settings;
    settings.lpi = 424775;
    settings.dpi = 7200000;
    settings.widthInches = 1;
    settings.heightInches = 0.5L;
    settings.hScale = 2;
    return settings;
}

TEST(PrintFile, RgbFilesReadBackWithEveryCompression) {
    Folder folder;
    std::vector<Bitmap> views = NoiseViews(PixelFormat::Bgr24, 40, 30);
    std::vector<std::uint8_t> icc(333); // odd length
    for (std::size_t i = 0; i < icc.size(); ++i) icc[i] = static_cast<std::uint8_t>(i * 7);
    const std::pair<TiffCompression, int> kinds[] = { { TiffCompression::None, COMPRESSION_NONE },
        { TiffCompression::Lzw, COMPRESSION_LZW }, { TiffCompression::Deflate, COMPRESSION_ADOBE_DEFLATE } };
    for (const auto& [compression, tag] : kinds) {
        PrintSettings settings = SmallPrint();
        settings.compression = compression;
        const PrintGeometry geometry = MakePrintGeometry(settings);
        const auto path = folder / ("print" + std::to_string(tag) + ".tif");
        BitmapViews source(test::Pointers(views));
        TestProgress progress;
        WritePrintFile(source, geometry, icc, path, progress);

        const test::TiffFile file = ReadTiff(path);
        EXPECT_EQ(file.width, 720u);
        EXPECT_EQ(file.height, 180u);
        EXPECT_EQ(file.samples, 3);
        EXPECT_EQ(file.bits, 8);
        EXPECT_EQ(file.photometric, PHOTOMETRIC_RGB);
        EXPECT_EQ(file.compression, tag);
        EXPECT_EQ(file.predictor, compression == TiffCompression::None ? 0 : PREDICTOR_HORIZONTAL);
        EXPECT_EQ(file.resolutionUnit, RESUNIT_INCH);
        EXPECT_FLOAT_EQ(file.xResolution, 720.0f);
        EXPECT_FLOAT_EQ(file.yResolution, 360.0f);
        EXPECT_EQ(file.rowsPerStrip, 64u);
        EXPECT_EQ(file.strips, 3u);
        EXPECT_FALSE(file.bigTiff);
        EXPECT_EQ(file.icc, icc);
        EXPECT_EQ(file.pixels, InMemory(views, geometry)) << "compression " << tag;
        EXPECT_EQ(progress.positions.back(), 100);
    }
}

// Threads write uncompressed strips where libtiff will enter them; the file must be
// the one libtiff writes strip after strip, for classic TIFF and BigTIFF.
TEST(PrintFile, StripsPlacedOutOfOrderGiveTheFileWrittenInTurn) {
    Folder folder;
    for (const bool big : { false, true }) {
        TiffLayout layout;
        layout.width = 37; // odd rows: the strips' places are not rounded
        layout.height = 150;
        layout.rowsPerStrip = 64;
        layout.bigTiff = big;
        layout.iccProfile = { 1, 2, 3 };
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(layout.width * layout.height * 3));
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31 + i / 7);
        const std::size_t stripBytes = static_cast<std::size_t>(layout.width * 3 * layout.rowsPerStrip);
        const auto write = [&](const std::filesystem::path& path, bool placed) {
            PendingFile file(path);
            TiffStripWriter writer(file.descriptor(), path, layout);
            ASSERT_TRUE(writer.placesStrips());
            const int rows[] = { 64, 64, 22 };
            if (placed)
                for (int strip = 2; strip >= 0; --strip)
                    writer.placeStrip(static_cast<std::uint32_t>(strip),
                        pixels.data() + static_cast<std::size_t>(strip) * stripBytes, rows[strip]);
            for (int strip = 0; strip < 3; ++strip) {
                const std::uint8_t* at = pixels.data() + static_cast<std::size_t>(strip) * stripBytes;
                if (placed)
                    writer.enterPlacedStrip(rows[strip]);
                else
                    writer.writeStrip(at, rows[strip]);
            }
            writer.finish();
            file.commit();
        };
        write(folder / "in-turn.tif", false);
        write(folder / "placed.tif", true);
        SCOPED_TRACE(big ? "BigTIFF" : "classic TIFF");
        EXPECT_EQ(ReadFileBytes(folder / "placed.tif"), ReadFileBytes(folder / "in-turn.tif"));
        EXPECT_EQ(ReadTiff(folder / "placed.tif").pixels, pixels);
    }
}

TEST(PrintFile, CmykDocumentsGiveSeparatedInk) {
    Folder folder;
    std::vector<Bitmap> views = NoiseViews(PixelFormat::Cmyk32, 20, 10);
    const PrintGeometry geometry = MakePrintGeometry(SmallPrint());
    BitmapViews source(test::Pointers(views));
    TestProgress progress;
    WritePrintFile(source, geometry, {}, folder / "cmyk.tif", progress);
    const test::TiffFile file = ReadTiff(folder / "cmyk.tif");
    EXPECT_EQ(file.samples, 4);
    EXPECT_EQ(file.photometric, PHOTOMETRIC_SEPARATED);
    EXPECT_EQ(file.inkSet, INKSET_CMYK);
    EXPECT_TRUE(file.icc.empty());
    EXPECT_EQ(file.pixels, InMemory(views, geometry));
}

TEST(PrintFile, BigTiffWhenForcedOrWhenTheSizeDemandsIt) {
    Folder folder;
    std::vector<Bitmap> views = NoiseViews(PixelFormat::Bgr24, 8, 8);
    PrintSettings settings = SmallPrint();
    settings.forceBigTiff = true;
    const PrintGeometry geometry = MakePrintGeometry(settings);
    BitmapViews source(test::Pointers(views));
    TestProgress progress;
    WritePrintFile(source, geometry, {}, folder / "big.tif", progress);
    const test::TiffFile file = ReadTiff(folder / "big.tif");
    EXPECT_TRUE(file.bigTiff);
    EXPECT_EQ(file.pixels, InMemory(views, geometry));

    // 36 x 36 inches at 1440 dpi is 51840 x 51840 x 3 bytes, 8 GB: a BigTIFF. The
    // classic limit is near for an uncompressed 36000 x 36000 print. With LZW, which
    // may expand what it cannot pack, the file starts classic all the same and
    // becomes a BigTIFF only if what it writes shows it must.
    Document doc;
    doc.ImageMode = 3;
    PrintSettings large;
    large.lpi = 400000;
    large.dpi = 14400000;
    large.widthInches = large.heightInches = 36;
    EXPECT_TRUE(DescribePrint(doc, large).layout.bigTiff);
    large.widthInches = large.heightInches = 25;
    EXPECT_FALSE(DescribePrint(doc, large).layout.bigTiff);
    large.compression = TiffCompression::Lzw;
    EXPECT_TRUE(NeedsBigTiff(DescribePrint(doc, large).layout));
    EXPECT_FALSE(DescribePrint(doc, large).layout.bigTiff);
}

TEST(PrintFile, CompressedFilesStayClassicUnlessWhatTheyWriteMayPassTheLimit) {
    Folder folder;
    // Flat views pack to almost nothing, noise hardly at all; the limit is lowered to
    // lie between what the two make of a 720 x 180 print.
    std::vector<Bitmap> flat(7, test::Flat(40, 30, PixelFormat::Bgr24, { 10, 200, 90 }));
    std::vector<Bitmap> noise = NoiseViews(PixelFormat::Bgr24, 40, 30);
    PrintSettings settings = SmallPrint();
    settings.compression = TiffCompression::Lzw;
    const PrintGeometry geometry = MakePrintGeometry(settings);
    for (auto* views : { &flat, &noise }) {
        TiffLayout layout = PrintLayout(geometry, 3, {});
        layout.classicLimit = 300000;
        ASSERT_TRUE(NeedsBigTiff(layout));
        ASSERT_FALSE(layout.bigTiff);
        BitmapViews source(test::Pointers(*views));
        std::unique_ptr<Interlacer> interlacer;
        int starts = 0;
        TestProgress progress;
        WriteTiffFile(
            folder / "print.tif", layout,
            [&]() -> TiffRows {
                ++starts;
                interlacer = std::make_unique<Interlacer>(geometry, source);
                return [&](std::int64_t first, int count, std::uint8_t* out) {
                    interlacer->makeRows(first, count, out);
                };
            },
            progress);
        const test::TiffFile file = ReadTiff(folder / "print.tif");
        const bool packs = views == &flat;
        EXPECT_EQ(file.bigTiff, !packs);
        EXPECT_EQ(starts, packs ? 1 : 2);
        EXPECT_EQ(file.compression, COMPRESSION_LZW);
        EXPECT_EQ(file.pixels, InMemory(*views, geometry));
        EXPECT_EQ(test::TestFolder::NamesIn(folder.path()).size(), 1u);
    }
}

TEST(PrintFile, AFolderThatTakesNoFilesIsReportedAsSuch) {
    std::vector<Bitmap> views = NoiseViews(PixelFormat::Bgr24, 8, 8);
    const PrintGeometry geometry = MakePrintGeometry(SmallPrint());
    BitmapViews source(test::Pointers(views));
    TestProgress progress;
    const auto refusal = [&](const std::filesystem::path& target) {
        try {
            WritePrintFile(source, geometry, {}, target, progress);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("written");
    };
    // A file system that holds no files, not one whose space is used up.
    EXPECT_EQ(refusal("/proc/print.tif"), "print.tif: cannot write the file: /proc is read-only");
    Folder folder;
    EXPECT_EQ(refusal(folder / "gone" / "print.tif"),
        "print.tif: cannot write the file: the folder " + (folder / "gone").string() + " does not exist");
}

/// Views that fail after a number of rows, as a full disk or a vanished work file would.
class FailingViews final : public ViewRows {
public:
    int width() const override { return 10; }
    int height() const override { return 100; }
    PixelFormat format() const override { return PixelFormat::Bgr24; }
    int bandRows() const override { return 4; }
    void readRows(int y0, int count, const ViewRowConsumer& take) override {
        if (y0 > 40) throw Error("broken.gjs: cannot read the file");
        std::vector<std::uint8_t> row(30, 128);
        for (int y = y0; y < y0 + count; ++y)
            for (int v = 0; v < 7; ++v) take(v, y, row.data());
    }
};

TEST(PrintFile, CancelledOrFailedFilesLeaveTheOldFileAndNoTemporary) {
    Folder folder;
    const auto target = folder / "print.tif";
    const std::vector<std::uint8_t> old { 'o', 'l', 'd' };
    WriteFileAtomically(target, old);
    std::vector<Bitmap> views = NoiseViews(PixelFormat::Bgr24, 8, 8);
    PrintSettings settings = SmallPrint();
    settings.heightInches = 2; // several strips
    const PrintGeometry geometry = MakePrintGeometry(settings);

    BitmapViews source(test::Pointers(views));
    TestProgress cancelling(2);
    EXPECT_THROW(WritePrintFile(source, geometry, {}, target, cancelling), PrintCancelled);
    EXPECT_EQ(ReadFileBytes(target), old);

    FailingViews failing;
    TestProgress progress;
    EXPECT_THROW(WritePrintFile(failing, geometry, {}, target, progress), Error);
    EXPECT_EQ(ReadFileBytes(target), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

    // A finished file replaces it, with the permissions of any new file.
    WritePrintFile(source, geometry, {}, target, progress);
    EXPECT_EQ(ReadTiff(target).height, geometry.height);
    struct stat info { };
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(PrintFile, AFullDiskIsReportedAsSuchNamingTheFolder) {
    Folder folder;
    const auto target = folder / "print.tif";
    const std::string full
        = "print.tif: cannot write the file: not enough space in " + folder.path().string();
    try {
        CheckFreeSpace(target, std::uint64_t { 1 } << 62);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(full + " (", 0), 0u) << e.what();
    }
    try {
        ThrowWriteError(target, ENOSPC);
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), full);
    }
    EXPECT_FALSE(std::filesystem::exists(target));
}

// Both print writers against a folder where another user planted links at the target
// and at the names the temporary files will get, and against a disk that fills up
// halfway through the strips.
TEST(PrintFile, PlantedLinksAndAFullDiskNeitherRedirectNorTruncateTheFile) {
    std::vector<Bitmap> views = NoiseViews(PixelFormat::Bgr24, 8, 8);
    PrintSettings print = SmallPrint();
    print.heightInches = 2; // several strips
    const PrintGeometry geometry = MakePrintGeometry(print);
    PitchTestSettings pitch;
    pitch.lpi = 400000;
    pitch.dpi = 3600000;
    pitch.widthInches = 2;
    pitch.heightInches = 2;
    const std::vector<std::pair<std::string, std::function<void(const std::filesystem::path&)>>> writers {
        { "print.tif",
            [&](const std::filesystem::path& target) {
                BitmapViews source(test::Pointers(views));
                TestProgress progress;
                WritePrintFile(source, geometry, {}, target, progress);
            } },
        { "pitch.tif",
            [&](const std::filesystem::path& target) {
                TestProgress progress;
                WritePitchTestSheet(pitch, target, progress);
            } },
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        Folder folder, elsewhere;
        test::WriteText(elsewhere / "victim", "precious");
        const auto target = folder / name;
        std::filesystem::create_symlink(elsewhere / "victim", target);
        std::filesystem::create_symlink(elsewhere / "victim", test::TemporaryOf(target, "t1"));
        std::filesystem::create_symlink(elsewhere / "new-file", test::TemporaryOf(target, "t2"));
        {
            const test::ScopedFileIoHooks tags(test::CountingTags());
            write(target);
        }
        EXPECT_EQ(test::ReadText(elsewhere / "victim"), "precious");
        EXPECT_FALSE(std::filesystem::exists(elsewhere / "new-file"));
        EXPECT_GT(ReadTiff(target).height, 0u); // a file of its own replaced the link
        EXPECT_EQ(test::TestFolder::NamesIn(folder.path()).size(), 3u);

        const std::vector<std::uint8_t> before = ReadFileBytes(target);
        const test::ScopedFileIoHooks full(test::FillingDisk(ENOSPC, 20000, name));
        try {
            write(target);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                name + ": cannot write the file: not enough space in " + folder.path().string());
        }
        EXPECT_EQ(ReadFileBytes(target), before);
        EXPECT_EQ(test::TestFolder::NamesIn(folder.path()).size(), 3u); // no temporary left
    }
}

} // namespace
} // namespace deptrix
