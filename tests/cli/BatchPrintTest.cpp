// The batch front end's print files and the movement per view in --info.

#include "cli/BatchPrint.h"

#include "BatchTestSupport.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/Document.h"
#include "core/Error.h"
#include "core/FileIo.h"
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

TEST(BatchPrintOptions, FramesLensMarksAndBleedWithTheirRanges) {
    const auto refusal = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), { "scene.psd", "--interlace", "p.tif" });
        try {
            ParseBatchOptions(arguments);
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(
        refusal({ "--frames", "65" }), "--frames 65: the frame count must be at least 2 and at most 64");
    EXPECT_EQ(refusal({ "--frames", "1" }), "--frames 1: the frame count must be at least 2 and at most 64");
    EXPECT_EQ(refusal({ "--frames", "x" }), "'x' is not a valid integer value");
    EXPECT_EQ(refusal({ "--lens", "diagonal" }), "--lens takes vertical or horizontal, not 'diagonal'");
    EXPECT_EQ(refusal({ "--marks", "3" }), "--marks 3: the margin must be at least 0.1 and at most 2 inches");
    EXPECT_EQ(
        refusal({ "--bleed", "0.6" }), "--bleed 0.6: the bleed must be at least 0 and at most 0.5 inches");
    EXPECT_EQ(refusal({ "--marks", "--bleed", "0.2" }),
        "--bleed 0.2: the bleed must be at least 0 and at most 0.125 inches, half the margin, to leave room "
        "for "
        "the marks");
    EXPECT_EQ(
        refusal({ "--marks", "0.5", "--bleed", "0.2", "--frames", "2", "--lens", "horizontal" }), "accepted");

    // The margin after --marks is optional: what follows may be the PSD.
    const BatchOptions o = ParseBatchOptions({ "--interlace", "p.tif", "--marks", "scene.psd", "--frames",
        "12", "--lens", "horizontal", "--bleed", "0.1" });
    EXPECT_EQ(o.psdPath, "scene.psd");
    Document doc;
    doc.SourceWidth = 1600;
    doc.SourceHeight = 1200;
    doc.AspectRatio = 13333;
    SetupFields fields(doc);
    PrintSettings s = BatchPrintSettings(o, fields, doc);
    EXPECT_EQ(s.frames, 12);
    EXPECT_EQ(s.lens, LensOrientation::Horizontal);
    EXPECT_TRUE(s.marks);
    EXPECT_EQ(s.marginInches, 0.25L);
    EXPECT_EQ(s.bleedInches, 0.1L);
    EXPECT_EQ(s.sourceHeight, 1200);
    // Without --frames the Angles value counts; one no print can have is refused.
    doc.Angles = 9;
    EXPECT_EQ(
        BatchPrintSettings(ParseBatchOptions({ "scene.psd", "--interlace", "p.tif" }), fields, doc).frames,
        9);
    doc.Angles = 100;
    EXPECT_THROW(
        BatchPrintSettings(ParseBatchOptions({ "scene.psd", "--interlace", "p.tif" }), fields, doc), Error);
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

TEST_F(BatchPrint, FramesLensesAndMarksShapeThePage) {
    test::QuietProgress progress;
    std::ostringstream out;
    // 2 inches at 20 LPI x 12 frames = 240 dpi: 480 columns, 360 rows from 1600 x 1200;
    // horizontal lenses with H Scale 2 compress the columns to 240; a margin of 0.2 inch
    // adds 24 columns and 48 rows a side.
    const fs::path target = folder / "frames.tif";
    RunBatch(
        ParseBatchOptions({ test::kSample, "--interlace", target.string(), "--lpi", "20", "--dpi", "auto",
            "--width", "2", "--hscale", "2", "--frames", "12", "--lens", "horizontal", "--marks", "0.2" }),
        out, progress);
    const Facts facts = Read(target);
    EXPECT_EQ(facts.width, 240u + 2 * 24);
    EXPECT_EQ(facts.height, 360u + 2 * 48);
    EXPECT_FLOAT_EQ(facts.xResolution, 120.0f);
    EXPECT_FLOAT_EQ(facts.yResolution, 240.0f);
}

TEST_F(BatchPrint, PitchTestWithoutAPictureTakesTheLensAndSize) {
    test::QuietProgress progress;
    std::ostringstream out;
    const fs::path target = folder / "pitch.tif";
    RunBatch(
        ParseBatchOptions({ "--pitch-test", target.string(), "--lpi", "60", "--dpi", "600", "--width", "4" }),
        out, progress);
    const Facts facts = Read(target);
    EXPECT_EQ(facts.width, 2400u);
    EXPECT_EQ(facts.height, 2400u); // no picture: the height is the width
    EXPECT_FLOAT_EQ(facts.xResolution, 600.0f);
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
    // Thirteen frames share the views' parallax in twelve steps: half the movement.
    std::ostringstream frames;
    RunBatch(ParseBatchOptions({ "--info", test::kSample, "--lpi", "40", "--width", "10", "--frames", "13" }),
        frames, progress);
    EXPECT_NE(frames.str().find("\"parallaxPerView\": 2.0833"), std::string::npos) << frames.str();
}

// A run that only prints leaves the layers off the working grid, and one that only
// makes views writes no work files; neither may change what it writes. Real editors'
// files with clipped layers, blend modes, effects and CMYK, and the sample.
TEST_F(BatchPrint, RunsThatSkipAFormOfTheLayersWriteTheSameFiles) {
    const fs::path fixtures = DEPTRIX_FIXTURES_DIR;
    std::vector<std::string> pictures { test::kSample };
    for (const char* name : { "psd-tools/clipping-mask.psd", "psd-tools/blend-modes/cmyk-blend-modes.psd",
             "psd-tools/layer_effects.psd", "psd-tools/effects/stroke-composite.psd" })
        if (fs::is_regular_file(fixtures / name)) pictures.push_back((fixtures / name).string());
    test::QuietProgress progress;
    std::ostringstream out;
    for (const std::string& picture : pictures) {
        SCOPED_TRACE(picture);
        const auto run = [&](const std::vector<std::string>& outputs) {
            std::vector<std::string> arguments { picture, "--lpi", "40", "--dpi", "auto", "--width", "2" };
            arguments.insert(arguments.end(), outputs.begin(), outputs.end());
            RunBatch(ParseBatchOptions(arguments), out, progress);
        };
        run({ "--interlace", (folder / "both.tif").string(), "--views", (folder / "both").string() });
        run({ "--interlace", (folder / "print.tif").string() });
        run({ "--views", (folder / "views").string() });
        EXPECT_EQ(ReadFileBytes(folder / "print.tif"), ReadFileBytes(folder / "both.tif"));
        for (int n = 1; n <= 7; ++n) {
            const std::string view = "view" + std::to_string(n) + ".bmp";
            EXPECT_EQ(ReadFileBytes(folder / "views" / view), ReadFileBytes(folder / "both" / view)) << view;
        }
    }
}

} // namespace
} // namespace deptrix
