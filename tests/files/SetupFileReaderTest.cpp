#include "files/SetupFileReader.h"

#include "SetupTestSupport.h"
#include "core/Error.h"

namespace deptrix {
namespace {

const std::string kExample = "D:\\work\\shop.psd\r\n42.4775 7 2 1.5\r\n3099 12 0 -8\r\n"
                             "7 5 1.0\r\n7 5 2.0\r\n7 5 1.0\r\n1 0 0 2\r\n10 10 50 10 30 40\r\n";

class SetupFileReaderTest : public FileTest {
protected:
    void open(const std::string& text, ImportedDocument& d) {
        OpenSettingsFile(write("s.tw3d2", text), d.doc, d.fields);
    }
    std::string refusal(const std::string& text, ImportedDocument& d) {
        try {
            open(text, d);
        } catch (const Error& error) {
            return error.what();
        }
        return "no error";
    }
    ProjectOpenResult openProject(const std::string& text, ImportedDocument& d, int layers) {
        return OpenProjectFile(write("p.tw3d2", text), d.doc, d.fields,
            [&](const std::filesystem::path& image) { d.import(layers, image.string()); });
    }
};

TEST_F(SetupFileReaderTest, TheExampleFillsTableLayersAndLinesAndOpensTheSameTwice) {
    ImportedDocument d(3);
    d.doc.Lpi = 755500;
    d.doc.SelectedLayer = 1;
    d.doc.Layers[2].Group = kGroupOutlineBuilt; // its dropped lines leave the code alone
    d.doc.LayerLines.assign(3, LineSet(kOrderCount));
    d.doc.LayerLines[2][4].push_back({ { 1, 1 }, { 2, 2 }, { 3, 3 } });
    for (int pass = 0; pass < 2; ++pass) {
        open(kExample, d);
        EXPECT_EQ(d.offsets(), (std::vector<std::string> { "-8", "0", "12" }));
        EXPECT_EQ(d.doc.Layers[1].Depth, 20000);
        EXPECT_EQ(d.doc.LayerLines[1][0], (OrderLines { Points { { 10, 10 }, { 50, 10 }, { 30, 40 } } }));
        EXPECT_TRUE(d.doc.LayerLines[2][4].empty());
        EXPECT_EQ(d.doc.EditLines, d.doc.LayerLines[1]);
    }
    EXPECT_EQ(d.doc.Layers[1].Group, kGroupOutlineStale);
    EXPECT_EQ(d.doc.Layers[2].Group, kGroupOutlineBuilt);
    EXPECT_EQ(d.fields.groupCell(2), "+");
    EXPECT_EQ(d.fields.lpiText(), "75.55"); // the file's LPI is not applied by settings
    EXPECT_EQ(d.fields.focusText(), "2");
    EXPECT_EQ(d.doc.DepthFactor, 15000);
    EXPECT_EQ(d.fields.caption(), "Deptrix 10.0   shop.psd    s.tw3d2");
}

TEST_F(SetupFileReaderTest, OffsetsOnlyFilesFillEveryRowAndOnlyProjectsScaleTheirPoints) {
    const std::string text = "C:\\elsewhere\\five.psd\r\n42.4775 7 3 1\r\n39300 12 8 4 rest\r\n0\r\n-6\r\n2 "
                             "4 1 2\r\n7 14 1 1 0 0\r\n";
    ImportedDocument settings(5);
    open(text, settings);
    EXPECT_EQ(settings.offsets(), (std::vector<std::string> { "-6", "0", "4", "8", "12" }));
    EXPECT_EQ(settings.doc.LayerLines[2][4], (OrderLines { {}, Points { { 7, 14 }, { 1, 1 }, { 0, 0 } } }));

    write("five.psd", ""); // the folder named on line 1 is never used
    ImportedDocument project(1);
    ASSERT_TRUE(openProject(text, project, 5).opened);
    EXPECT_EQ(project.doc.PsdPath, (folder / "five.psd").string());
    EXPECT_EQ(project.offsets(), settings.offsets());
    EXPECT_EQ(project.doc.LayerLines[2][4], (OrderLines { {}, Points { { 12, 24 }, { 2, 2 }, { 0, 0 } } }));
    EXPECT_EQ(project.fields.caption(), "Deptrix10.0    five.psd    p.tw3d2");
    EXPECT_EQ(project.fields.beeps(), 1);
}

TEST_F(SetupFileReaderTest, RecordsSetTheirOrdersLengthSkipShortOnesAndSpreadOverLines) {
    // No body: line 3 heads the first record, kept even without points.
    ImportedDocument d(3);
    open("shop.psd\r\n42.4775 7 1 1\r\n0 3 0 -1\r\n"
         "2 0 0 1\r\n1 1 2 2\r\n2 0 1 2\r\n3\r\n3 4 4 5\n5\r\n"
         "2 1 1 1\r\n9 9 9 9\r\n2 1 0 1 words\r\n8 8 8 8\r\n"
         "2 2 0 1\r\n1 1 1 1\r\n0 4 7 0\r\n2 2 2 1\r\n2 2 2 2\r\n\r\n",
        d);
    const LineSets& lines = d.doc.LayerLines;
    EXPECT_EQ(lines[0][3], (OrderLines { Line {} }));
    EXPECT_TRUE(lines[0][4].empty()); // a header with P = 0 stores nothing
    EXPECT_EQ(
        lines[2][0], (OrderLines { Points { { 1, 1 }, { 2, 2 } }, Points { { 3, 3 }, { 4, 4 }, { 5, 5 } } }));
    EXPECT_EQ(lines[2][1], (OrderLines { Points { { 8, 8 }, { 8, 8 } } }));
    EXPECT_EQ(lines[2][2], (OrderLines { Points { { 1, 1 }, { 1, 1 } }, {}, Points { { 2, 2 }, { 2, 2 } } }));
    EXPECT_EQ(d.doc.Layers[0].Group, kGroupOutlineStale);
    EXPECT_EQ(d.doc.Layers[1].Group, kGroupNone);

    // A first record with P = 0 keeps its point; points missing at the end read as 0.
    open("shop.psd\n1 7 0 1\n1 0 0 0\n4 4\n1 1 0 2\n5 6 7", d);
    EXPECT_EQ(d.doc.LayerLines[1][0], (OrderLines { Points { { 4, 4 } } }));
    EXPECT_EQ(d.doc.LayerLines[1][1], (OrderLines { Points { { 5, 6 }, { 7, 0 }, { 0, 0 } } }));

    // A file that ends after line 2 has no first record to read as zeros.
    ImportedDocument bare(3);
    open("shop.psd\n1 7 0 1\n\r\n", bare);
    EXPECT_EQ(bare.doc.Layers[0].Group, kGroupNone);
    EXPECT_TRUE(bare.doc.LayerLines[0][0].empty());
}

TEST_F(SetupFileReaderTest, OutputValuesAndDepthGoThroughTheFieldRules) {
    ImportedDocument d(3);
    open("shop.psd\r\n60 9 3 20\r\n39550 0 0 0\r\ntext\r\ntext\r\n1.5\r\n10000 10 5 1 20\r\n1\r\n2\r\n3\r\n"
         "263 -1 0.5\r\n7 5 1\r\n7 5 1\r\n",
        d);
    EXPECT_EQ(d.fields.dpiText(), "(Auto)");
    EXPECT_EQ(d.fields.heightText(), "5");
    EXPECT_EQ(d.fields.colorModeIndex(), 1);
    EXPECT_EQ(d.fields.hScaleText(), "20");
    EXPECT_EQ(d.offsets(), (std::vector<std::string> { "3", "2", "1" }));
    EXPECT_EQ(d.doc.Layers[0].BaseOrder, 7); // the low 8 bits of 263
    EXPECT_EQ(d.doc.Layers[0].Smooth, 255);
    EXPECT_EQ(d.fields.depthText(), "20"); // shown as read, while the rule makes the factor 2.0
    EXPECT_EQ(d.doc.DepthFactor, 20000);

    ImportedDocument project(3);
    write("shop.psd", "");
    ASSERT_TRUE(
        openProject("x\\shop.psd\n60 9 3 1\n99100 0 0 0\na\nb\nc\nd\n720 4 2 3 8\n1\n2\n3\n", project, 3)
            .opened);
    EXPECT_EQ(project.fields.dpiText(), "720");
    EXPECT_EQ(project.fields.colorModeIndex(), -1);
    EXPECT_EQ(project.offsets(), (std::vector<std::string> { "3", "2", "1" }));
    EXPECT_EQ(project.fields.lpiText(), "60"); // shown, not yet in effect
    EXPECT_EQ(project.doc.Lpi, 424775);

    // Without its picture in the project's folder, only the depth text has changed.
    project.fields.setDepthText("3");
    EXPECT_FALSE(openProject("C:\\pics\\lost.psd\n61 9 1 1\n", project, 3).opened);
    EXPECT_EQ(project.fields.depthText(), "1.0");
    EXPECT_EQ(project.fields.lpiText(), "60");
}

TEST_F(SetupFileReaderTest, WhatTheDocumentCannotHoldIsRefusedAndWhatCameBeforeStays) {
    const std::string head = kExample.substr(kExample.find("\r\n") + 2);
    const std::pair<std::string, std::string> cases[] = {
        { "7 0 0 2\r\n1 1 2 2 3 3\r\n",
            "s.tw3d2, line 9: the line record names layer 7, but the picture has 3" },
        { "-1 0 0 2\r\n", "names layer -1" },
        { "1 15 0 2\r\n", "order index 15" },
        { "1 0 -1 2\r\n", "negative line index -1" },
        { "1 0 100000000 1\r\n1 1 2 2\r\n", "line index 100000000 is more than the file can hold" },
        { "1 0 1 2000000000\r\n1 1 2 2\r\n", "2000000001 points, more than the file holds" },
        { "1 0 1 2\r\n1 1 x 2 3 3\r\n", "s.tw3d2, line 10: Invalid numeric input" },
        { "1 0 1 4294967296\r\n", "line 9: Invalid numeric input" },
    };
    for (const auto& [records, message] : cases) {
        ImportedDocument d(3);
        d.doc.SelectedLayer = 1;
        const std::string error = refusal("shop.psd\r\n" + head + records, d);
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(d.offsets(), (std::vector<std::string> { "-8", "0", "12" }));
        EXPECT_EQ(d.doc.LayerLines.at(1)[0].size(), 1u) << records;
        EXPECT_EQ(d.doc.EditLines, d.doc.LayerLines[1]);
        EXPECT_EQ(d.fields.caption(), "Deptrix 10.0   shop.psd");
    }

    ImportedDocument two(2);
    EXPECT_EQ(refusal("x\n60 7 1 1\n39300 1 2 3\n", two),
        "s.tw3d2, line 3: variant 39300 gives offsets of three layers, but the picture has 2");
    EXPECT_EQ(two.doc.FocusRow, 1);
    EXPECT_NE(
        refusal("x\n60 7 1 1\n99100 0 0 0\n", two).find("line 3: this is a project file"), std::string::npos);
    EXPECT_NE(refusal("x\n60 7 1 1\n1 0 0 -2\n", two).find("below -1"), std::string::npos);
    two.doc.LayerLines.assign(2, LineSet(kOrderCount));
    two.doc.LayerLines[0][0].push_back({ { 1, 2 }, { 3, 4 } });
    EXPECT_EQ(refusal("x\n42,4775 7 1 1\n", two), "s.tw3d2, line 2: Invalid numeric input");
    EXPECT_EQ(two.doc.EditLines, two.doc.LayerLines[0]); // the store was not reset yet

    Document nothing;
    SetupFields fields(nothing);
    EXPECT_THROW(OpenSettingsFile(write("d.tw3d2", kExample), nothing, fields), Error);
    EXPECT_EQ(fields.depthText(), "1");
}

} // namespace
} // namespace deptrix
