// The batch front end's print files and the movement per view in --info.

#include "cli/BatchPrint.h"

#include "BatchTestSupport.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/Document.h"
#include "core/Error.h"
#include "files/SetupFields.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <tiffio.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

using BatchPrint = test::BatchFolderTest;

struct Facts {
    std::uint32_t width = 0, height = 0;
    std::uint16_t compression = 0;
    float xResolution = 0, yResolution = 0;
};

Facts Read(const fs::path& path) {
    Facts facts;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) {
        ADD_FAILURE() << "cannot read " << path;
        return facts;
    }
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &facts.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &facts.height);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &facts.compression);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &facts.xResolution);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &facts.yResolution);
    TIFFClose(tiff);
    return facts;
}

TEST(BatchPrintOptions, SettingsFollowTheWindowsRules) {
    const BatchOptions o = ParseBatchOptions({ "scene.psd", "--interlace", "p.tif", "--lpi", "40", "--dpi",
        "auto", "--width", "8", "--phase", "-0.2", "--compress", "deflate" });
    Document doc; // the configuration's defaults
    doc.AspectRatio = 13333;
    SetupFields fields(doc);
    ApplyPrintFieldOptions(o, fields);
    const PrintSettings s = BatchPrintSettings(o, fields, doc);
    EXPECT_EQ(s.dpi, 2800000); // auto: LPI x 7
    // The width rule of the fields gives the height: the proportions as a fixed-point 1.3333.
    EXPECT_NEAR(static_cast<double>(s.heightInches), 8 / 1.3333, 1e-12);
    EXPECT_EQ(s.hScale, 4);
    EXPECT_EQ(s.phase, -2000);
    EXPECT_EQ(s.compression, TiffCompression::Deflate);
    // A sheet needs no picture; nothing else goes without one.
    EXPECT_NO_THROW(ParseBatchOptions({ "--pitch-test", "s.tif", "--lpi", "40" }));
    EXPECT_THROW(ParseBatchOptions({ "--interlace", "p.tif" }), Error);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--interlace", "p.tif", "--compress", "zip" }), Error);
}

TEST_F(BatchPrint, InterlaceWritesThePrintAtTheAskedSize) {
    test::QuietProgress progress;
    std::ostringstream out;
    const fs::path target = folder / "print.tif";
    // 4 x 3 inches at 42 LPI x 7 = 294 dpi, rows twice as high.
    RunBatch(ParseBatchOptions({ test::kSample, "--interlace", target.string(), "--lpi", "42", "--dpi",
                 "auto", "--width", "4", "--hscale", "2", "--compress", "lzw" }),
        out, progress);
    const Facts facts = Read(target);
    EXPECT_EQ(facts.width, 1176u);
    EXPECT_EQ(facts.height, 441u);
    EXPECT_EQ(facts.compression, COMPRESSION_LZW);
    EXPECT_FLOAT_EQ(facts.xResolution, 294.0f);
    EXPECT_FLOAT_EQ(facts.yResolution, 147.0f);
    EXPECT_EQ(progress.steps, (std::vector<std::string> { "import", "print" }));

    // A text that is not a number gets the field's message and writes nothing.
    try {
        RunBatch(ParseBatchOptions(
                     { test::kSample, "--interlace", (folder / "bad.tif").string(), "--width", "4in" }),
            out, progress);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'4in' is not a valid floating point value");
    }
    EXPECT_FALSE(fs::exists(folder / "bad.tif"));
}

TEST_F(BatchPrint, InfoGivesEachLayersMovementInLensWidths) {
    test::QuietProgress progress;
    std::ostringstream out;
    // The sample's sky (offset 100) against the focus (offset 0) moves 100 / 6 px per
    // view: 100 / 6 x 10 / 1600 x 40 = 4.1667 lens widths.
    RunBatch(ParseBatchOptions({ "--info", test::kSample, "--lpi", "40", "--width", "10" }), out, progress);
    const std::string json = out.str();
    EXPECT_NE(json.find("\"name\": \"Sky\", \"top\": 0, \"left\": -72, \"width\": 1744, \"height\": 1200, "
                        "\"parallaxPerView\": 4.1667"),
        std::string::npos)
        << json;
    EXPECT_NE(json.find("\"printLpi\": 40"), std::string::npos);
    // Half the depth, half the movement.
    std::ostringstream half;
    RunBatch(ParseBatchOptions({ "--info", test::kSample, "--lpi", "40", "--width", "10", "--depth", "0.5" }),
        half, progress);
    EXPECT_NE(half.str().find("\"parallaxPerView\": 2.0833"), std::string::npos) << half.str();
}

} // namespace
} // namespace deptrix
