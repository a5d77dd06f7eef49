#include "BatchTestSupport.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "cli/LineRecordFile.h"
#include "core/BmpCodec.h"
#include "core/Error.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

class LineRecords : public test::BatchFolderTest {
protected:
    fs::path write(const std::string& text) {
        const fs::path path = folder / "lines.txt";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string refusal(const std::string& text, int layerCount = 3) {
        try {
            ReadLineRecords(write(text), layerCount);
        } catch (const Error& e) {
            const std::string message = e.what();
            const std::string prefix = (folder / "lines.txt").string() + ", ";
            return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : "unnamed: " + message;
        }
        return "accepted";
    }
};

TEST_F(LineRecords, ReadAsASettingsFileHoldsThem) {
    const auto records = ReadLineRecords(write("2 0 1 2 trailing words\r\n"
                                               "10 10 50 10\r\n"
                                               "30 40\r\n"
                                               "1 4 0 0\r\n" // no points: skipped
                                               "2 0 0 3 7 8 9 10\n" // the rest of a header is ignored
                                               "11 12 -13 -14\n5 6\n\n7 8\n"),
        3);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].layer, 2);
    EXPECT_EQ(records[0].line, 1);
    EXPECT_EQ(records[0].points, (Line { { 10, 10 }, { 50, 10 }, { 30, 40 } }));
    EXPECT_EQ(records[1].points, (Line { { 11, 12 }, { -13, -14 }, { 5, 6 }, { 7, 8 } }));

    // Each record sets its order's length to its line index + 1.
    Document doc;
    doc.LayerCount = 3;
    doc.Layers.resize(3);
    doc.SelectedLayer = 2;
    ApplyLineRecords(doc, records);
    ASSERT_EQ(doc.LayerLines.size(), 3u);
    EXPECT_EQ(doc.LayerLines[0].size(), 15u);
    EXPECT_EQ(doc.LayerLines[2][0].size(), 1u); // index 1 cut off by the later index 0
    EXPECT_EQ(doc.Layers[2].Group, kGroupOutlineStale);
    EXPECT_EQ(doc.Layers[1].Group, kGroupNone); // its record had no points
    EXPECT_EQ(doc.EditLines, doc.LayerLines[2]);
    ApplyLineRecords(doc, { records[1], records[0] });
    ASSERT_EQ(doc.LayerLines[2][0].size(), 2u);
    EXPECT_TRUE(doc.LayerLines[2][0][1] == records[0].points);
}

TEST_F(LineRecords, RefusesBadRecordsNamingTheFileAndTheLine) {
    EXPECT_EQ(refusal("0 0 0 2\n1 1 2 2 3 3\n3 0 0 2\n1 1 2 2 3 3\n"),
        "line 3: layer index 3 is out of range (0..2)");
    EXPECT_EQ(refusal("0 15 0 2 1 1 2 2 3 3\n"), "line 1: order index 15 is out of range (0..14)");
    EXPECT_EQ(refusal("0 0 10000 2 1 1 2 2 3 3\n"), "line 1: line index 10000 is out of range (0..9999)");
    EXPECT_EQ(refusal("\n0 0 0 4000000000\n1 1\n"),
        "line 2: last point index 4000000000 is out of range (1..999999)");
    EXPECT_EQ(refusal("0 0 0 5\n1 1 2 2\n"), "line 1: the file ends inside the record (a point missing)");
    EXPECT_EQ(refusal("0 0 0 2\n1 1\n2 x 3 3\n"), "line 3: Invalid numeric input");
    EXPECT_EQ(refusal("0 0 0 2 1 1 2 2 3 3\n", 0), "line 1: the document has no layers to give lines to");
    EXPECT_EQ(refusal(""), "accepted");
    EXPECT_THROW(ReadLineRecords(folder / "missing.txt", 3), Error);
}

TEST_F(LineRecords, BatchGivesTheLayerDepthFromItsLinesBeforeBuildingTheViews) {
    // Layer index 5 ("House", 252 x 412 at 409, 510; 150 dpi): a near roof over a far door.
    const fs::path lines = write("5 0 0 2\n420 620 535 515 650 620\n"
                                 "5 12 0 3\n480 800 590 800 590 920 480 920\n");
    std::ostringstream out;
    test::QuietProgress progress;
    RunBatch(ParseBatchOptions({ test::kSample, "--views", (folder / "plain").string() }), out, progress);
    RunBatch(ParseBatchOptions({ test::kSample, "--lines", lines.string(), "--layer-depth", "6=7,2,2.0",
                 "--depthmap", "6", (folder / "house.bmp").string(), "--work", (folder / "work").string(),
                 "--views", (folder / "deep").string() }),
        out, progress);
    EXPECT_EQ(
        progress.steps, (std::vector<std::string> { "import", "views", "import", "outlines", "views" }));

    // Depth 2.0 at 150 dpi: margins of 75 columns.
    const Bitmap map = LoadBmp(folder / "house.bmp");
    EXPECT_EQ(map.format(), PixelFormat::Gray8);
    EXPECT_EQ(map.width(), 252 + 2 * 75);
    EXPECT_EQ(map.height(), 412);
    EXPECT_EQ(map.row(60)[75 + 126], 255); // inside the roof
    EXPECT_EQ(map.row(350)[75 + 126], 75); // the door, Order 13
    EXPECT_EQ(map.row(200)[75 + 20], 30);

    EXPECT_TRUE(fs::exists(folder / "work/ly6.gjs"));
    for (int v = 1; v <= 7; ++v)
        EXPECT_TRUE(fs::exists(folder / "work" / ("6xgx" + std::to_string(v) + ".gjs")));
    // The centre view is unchanged; the outer views show the house warped.
    EXPECT_TRUE(LoadBmp(folder / "deep/view4.bmp").samePixels(LoadBmp(folder / "plain/view4.bmp")));
    EXPECT_FALSE(LoadBmp(folder / "deep/view1.bmp").samePixels(LoadBmp(folder / "plain/view1.bmp")));

    try {
        RunBatch(ParseBatchOptions({ test::kSample, "--lines", write("11 0 0 2 1 1 2 2 3 3\n").string(),
                     "--depthmap", "1", (folder / "x.bmp").string() }),
            out, progress);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), lines.string() + ", line 1: layer index 11 is out of range (0..10)");
    }
    for (const char* bad : { "6=16,5,1", "6=7,0,1", "6=7,5,deep", "0=7,5,1", "6=7,5" })
        EXPECT_THROW(
            ParseBatchOptions({ test::kSample, "--depthmap", "1", "m.bmp", "--layer-depth", bad }), Error)
            << bad;
    EXPECT_THROW(RunBatch(ParseBatchOptions({ test::kSample, "--layer-depth", "12=7,5,1", "--depthmap", "1",
                              (folder / "x.bmp").string() }),
                     out, progress),
        Error);
}

} // namespace
} // namespace deptrix
