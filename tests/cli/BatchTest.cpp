#include "BatchTestSupport.h"
#include "TestFolder.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/Error.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

using Batch = test::BatchFolderTest;

TEST(BatchOptions, ParsesEveryOption) {
    const BatchOptions o
        = ParseBatchOptions({ "scene.psd", "--views", "out", "--focus", "3", "--depth", "0.5", "--offset",
            "2=-40", "--offset", "5=12", "--gif", "a.gif", "--anaglyph", "a.bmp", "--jps", "a.jps" });
    EXPECT_EQ(o.psdPath, "scene.psd");
    EXPECT_EQ(o.viewsFolder, "out");
    EXPECT_EQ(o.focusText, "3");
    EXPECT_EQ(o.depthText, "0.5");
    EXPECT_EQ(o.offsets, (std::map<int, std::string> { { 2, "-40" }, { 5, "12" } }));
    EXPECT_EQ(o.gifPath, "a.gif");
    EXPECT_TRUE(o.needsViews());
    EXPECT_TRUE(ParseBatchOptions({ "--info", "x.psd" }).info);
    EXPECT_TRUE(ParseBatchOptions({ "--help" }).help);
}

TEST(BatchOptions, RefusesWhatItCannotDo) {
    // Each is a usage error, which the program reports with exit status 2.
    EXPECT_THROW(ParseBatchOptions({}), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd" }), UsageError); // nothing asked for
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--views" }), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--offset", "3" }), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--offset", "a=3" }), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--colour" }), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "y.psd", "--info" }), UsageError);
    // Values the run would refuse are refused with the command line.
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--views", "v", "--depth", "deep" }), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--views", "v", "--focus", "top" }), UsageError);
    EXPECT_THROW(ParseBatchOptions({ "x.psd", "--views", "v", "--offset", "3=4x" }), UsageError);
    for (const char* threads : { "0", "257", "-1", "two" })
        EXPECT_THROW(ParseBatchOptions({ "x.psd", "--views", "v", "--threads", threads }), UsageError)
            << threads;
    try {
        ParseBatchOptions({ "x.psd", "--views", "v", "--threads", "0" });
    } catch (const UsageError& error) {
        EXPECT_STREQ(error.what(), "--threads 0: the thread count must be at least 1 and at most 256");
    }
    EXPECT_EQ(ParseBatchOptions({ "x.psd", "--views", "v", "--threads", "256" }).threads, 256);
}

// Each message quotes the value as typed and states the values accepted, with ends
// that are or are not part of them.
TEST(BatchOptions, RangeMessagesQuoteTheValueAndStateTheRange) {
    const auto message = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "--pitch-test");
        arguments.insert(arguments.begin() + 1, "p.tif");
        try {
            ParseBatchOptions(arguments);
        } catch (const UsageError& error) {
            return std::string(error.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_EQ(message({ "--lpi", "0.00001" }),
        "--lpi 0.00001: the LPI must be above 0 and at most 1000 (it is kept as 0)");
    EXPECT_EQ(message({ "--lpi", "1000" }), "(accepted)");
    EXPECT_EQ(message({ "--dpi", "0" }), "--dpi 0: the DPI must be above 0 and at most 100000");
    EXPECT_EQ(message({ "--width", "-2" }), "--width -2: the print width in inches must be above 0");
    EXPECT_EQ(message({ "--height", "0" }), "--height 0: the sheet height in inches must be above 0");
    EXPECT_EQ(message({ "--hscale", "33" }), "--hscale 33: H Scale must be at least 1 and at most 32");
    EXPECT_EQ(
        message({ "--phase", "-0.51" }), "--phase -0.51: the phase must be at least -0.5 and at most 0.5");
    EXPECT_EQ(message({ "--phase", "0.5" }), "(accepted)");
    EXPECT_EQ(message({ "--step", "0" }), "--step 0: the pitch step must be above 0");
    EXPECT_EQ(message({ "--span", "-1" }), "--span -1: the pitch span must be at least 0");
    EXPECT_EQ(message({ "--depthmap", "0", "m.bmp" }),
        "--depthmap 0: the layer must be at least 1 (layers are numbered from 1 at the bottom)");
    EXPECT_EQ(message({ "--layer-depth", "2=16,5,1" }),
        "--layer-depth 2=16,5,1: the base order must be at least 0 and at most 15");
    EXPECT_EQ(message({ "--depth-image", "0=a.png" }),
        "--depth-image 0=a.png: the layer must be at least 1 (layers are numbered from 1 at the bottom)");
    EXPECT_EQ(message({ "--depth-image", "2=a.png", "--depth-range", "2=0,255.5" }),
        "--depth-range 2=0,255.5: the white point must be at least 0 and at most 255");
}

TEST_F(Batch, InfoDescribesThePictureAndItsLayers) {
    BatchOptions options = ParseBatchOptions({ "--info", test::kSample });
    std::ostringstream out;
    test::QuietProgress progress;
    RunBatch(options, out, progress);
    const std::string json = out.str();
    for (const char* field : { "\"width\": 1600", "\"height\": 1200", "\"imageMode\": 3",
             "\"layerCount\": 11", "\"workScale\": 1", "\"imageWidth\": 1600", "\"dpi\": 150",
             "\"focusRow\": 7", "{\"index\": 0, \"name\": \"Sky\"", "\"group\": 1, \"offset\": 0}" })
        EXPECT_NE(json.find(field), std::string::npos) << field << "\n" << json;
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(progress.steps, std::vector<std::string> { "import" });
}

TEST(BatchInfo, NamesAConvertedColourModeAndArtboardsOnlyWhenThereAreAny) {
    Document doc;
    doc.SourceMode = 3;
    const auto info = [&doc] {
        std::ostringstream out;
        WriteInfoJson(doc, out);
        return out.str();
    };
    EXPECT_EQ(info().find("colourMode"), std::string::npos);
    EXPECT_EQ(info().find("artboards"), std::string::npos);
    doc.SourceMode = 2;
    doc.ArtboardCount = 2;
    EXPECT_NE(info().find("\"colourMode\": {\"stored\": \"Indexed 8-bit\", \"imported\": \"RGB 8-bit\"}"),
        std::string::npos)
        << info();
    EXPECT_NE(info().find("\"artboards\": 2"), std::string::npos);
    doc.SourceMode = 1;
    doc.SourceDepth = 32;
    EXPECT_NE(info().find("{\"stored\": \"Grayscale 32-bit\", \"imported\": \"Grayscale 8-bit\"}"),
        std::string::npos)
        << info();
}

TEST_F(Batch, DumpWritesTheCompositeAndEveryLayerInWorkingPixels) {
    BatchOptions options = ParseBatchOptions({ test::kSample, "--dump", (folder / "dump").string() });
    std::ostringstream out;
    test::QuietProgress progress;
    RunBatch(options, out, progress);
    const Bitmap composite = LoadBmp(folder / "dump/composite.bmp");
    EXPECT_EQ(composite.width(), 1600);
    EXPECT_EQ(composite.format(), PixelFormat::Bgr24);
    for (int n = 1; n <= 11; ++n) {
        const Bitmap layer = LoadBmp(folder / ("dump/layer" + std::to_string(n) + ".bmp"));
        const Bitmap mask = LoadBmp(folder / ("dump/layer" + std::to_string(n) + "-mask.bmp"));
        EXPECT_EQ(layer.width(), mask.width()) << n;
        EXPECT_EQ(mask.format(), PixelFormat::Gray8);
    }
}

TEST_F(Batch, OffsetsFocusAndDepthChangeTheViews) {
    std::ostringstream out;
    test::QuietProgress progress;
    RunBatch(ParseBatchOptions({ test::kSample, "--views", (folder / "a").string() }), out, progress);
    RunBatch(ParseBatchOptions(
                 { test::kSample, "--views", (folder / "b").string(), "--offset", "9=0", "--depth", "1.0" }),
        out, progress);
    RunBatch(ParseBatchOptions({ test::kSample, "--views", (folder / "c").string(), "--depth", "0" }), out,
        progress);
    const Bitmap a1 = LoadBmp(folder / "a/view1.bmp");
    const Bitmap a4 = LoadBmp(folder / "a/view4.bmp");
    // The clouds (row 9) at offset 0 instead of 50 change view 1 but not the centre view.
    EXPECT_FALSE(LoadBmp(folder / "b/view1.bmp").samePixels(a1));
    EXPECT_TRUE(LoadBmp(folder / "b/view4.bmp").samePixels(a4));
    // Depth 0: no layer moves, only the flip group changes.
    EXPECT_TRUE(LoadBmp(folder / "c/view1.bmp").samePixels(LoadBmp(folder / "c/view2.bmp")));
    EXPECT_EQ(progress.steps.back(), "views");
}

TEST_F(Batch, OutputsAreWrittenAndBadInputIsRefused) {
    std::ostringstream out;
    test::QuietProgress progress;
    RunBatch(ParseBatchOptions({ test::kSample, "--gif", (folder / "s.gif").string(), "--anaglyph",
                 (folder / "s.bmp").string(), "--jps", (folder / "s.jps").string() }),
        out, progress);
    EXPECT_GT(fs::file_size(folder / "s.gif"), 1000u);
    EXPECT_EQ(LoadBmp(folder / "s.bmp").width(), 1600);
    std::ifstream jps(folder / "s.jps", std::ios::binary);
    EXPECT_EQ(jps.get(), 0xFF);
    EXPECT_EQ(jps.get(), 0xD8);

    try {
        RunBatch(ParseBatchOptions({ test::kSample, "--views", (folder / "x").string(), "--offset", "12=3" }),
            out, progress);
        FAIL();
    } catch (const UsageError& e) {
        EXPECT_STREQ(e.what(), "--offset 12=3: the row of the layer table must be at least 1 and at most 11");
    }
    try {
        RunBatch(ParseBatchOptions({ test::kSample, "--views", (folder / "x").string(), "--offset", "3=4x" }),
            out, progress);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'4x' is not a valid integer value");
    }
    std::ofstream(folder / "broken.psd") << "8BPS";
    EXPECT_THROW(
        RunBatch(ParseBatchOptions({ (folder / "broken.psd").string(), "--info" }), out, progress), Error);
}

std::string ErrorOf(const BatchOptions& options) {
    std::ostringstream out;
    test::QuietProgress progress;
    try {
        RunBatch(options, out, progress);
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

// The disk fills while the third view is written: no view may be left behind, and a
// view of an earlier run keeps its content. The GIF likewise, written last.
TEST(BatchOutputs, AFullDiskLeavesNoPartialSetAndNoPartialGif) {
    test::TestFolder folder;
    const fs::path views = folder / "views";
    fs::create_directory(views);
    test::WriteText(views / "view1.bmp", "an earlier run");
    const std::size_t viewBytes = EncodeBmp(Bitmap(1600, 1200, PixelFormat::Bgr24)).size();
    {
        const test::ScopedFileIoHooks full(test::FillingDisk(ENOSPC, 2 * viewBytes + 100, views.string()));
        EXPECT_EQ(ErrorOf(ParseBatchOptions({ test::kSample, "--views", views.string() })),
            "view3.bmp: cannot write the file: not enough space in " + views.string());
    }
    EXPECT_EQ(test::TestFolder::NamesIn(views), std::set<std::string> { "view1.bmp" });
    EXPECT_EQ(test::ReadText(views / "view1.bmp"), "an earlier run");

    const test::ScopedFileIoHooks full(test::FillingDisk(EDQUOT, 1000, "s.gif"));
    EXPECT_EQ(ErrorOf(ParseBatchOptions({ test::kSample, "--gif", (folder / "s.gif").string() })),
        "s.gif: cannot write the file: not enough space in " + folder.path().string());
    EXPECT_EQ(folder.names(), std::set<std::string> { "views" });
}

// Each output meets a link planted at the first temporary name it tries.
TEST(BatchOutputs, LinksPlantedAtTemporaryNamesAreNotFollowed) {
    test::TestFolder folder, elsewhere;
    test::WriteText(elsewhere / "victim", "precious");
    const fs::path views = folder / "views";
    fs::create_directory(views);
    // With tags t1, t2, ... in order, view n first tries t(2n-1), then takes t(2n).
    for (int n = 1; n <= 7; ++n)
        fs::create_symlink(elsewhere / "victim",
            test::TemporaryOf(
                views / ("view" + std::to_string(n) + ".bmp"), "t" + std::to_string(2 * n - 1)));
    fs::create_symlink(elsewhere / "victim", test::TemporaryOf(folder / "s.gif", "t15"));
    const test::ScopedFileIoHooks tags(test::CountingTags());
    EXPECT_EQ(ErrorOf(ParseBatchOptions(
                  { test::kSample, "--views", views.string(), "--gif", (folder / "s.gif").string() })),
        "(no error)");
    EXPECT_EQ(test::ReadText(elsewhere / "victim"), "precious");
    EXPECT_GT(fs::file_size(folder / "s.gif"), 1000u);
    EXPECT_EQ(test::TestFolder::NamesIn(views).size(), 14u); // seven views, seven planted links
    EXPECT_EQ(LoadBmp(views / "view7.bmp").width(), 1600);
}

} // namespace
} // namespace deptrix
