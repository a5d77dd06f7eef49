#include "files/SetupFileWriter.h"

#include "SetupTestSupport.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "files/SetupFileReader.h"

namespace deptrix {
namespace {

// Three layers as a user leaves them: parameters typed into the fields, offsets in
// the table, outline parameters and lines on two layers (one line too short to keep).
void SetUp3Layers(ImportedDocument& d) {
    d.doc.Angles = 9;
    d.doc.FocusRow = 2;
    for (auto [set, text] :
        { std::pair { &SetupTarget::setLpiText, "60" }, { &SetupTarget::setDepthText, "1.5" },
            { &SetupTarget::setDpiText, "(Auto)" }, { &SetupTarget::setWidthText, "10" },
            { &SetupTarget::setHeightText, "7.5" }, { &SetupTarget::setHScaleText, "8" } })
        (d.fields.*set)(text);
    d.fields.setColorModeIndex(1);
    d.fields.setOffsetCell(1, "-8");
    d.fields.setOffsetCell(3, "12");
    d.doc.Layers[1].BaseOrder = 3;
    d.doc.Layers[1].Smooth = 9;
    d.doc.Layers[1].Depth = 25000;
    d.doc.LayerLines.assign(3, LineSet(kOrderCount));
    d.doc.LayerLines[1][0]
        = { { { 10, 10 }, { 50, 10 }, { 30, 40 } }, { { 1, 1 } }, { { -5, 7 }, { 6, -8 } } };
    for (int i = 0; i < 12; ++i)
        d.doc.LayerLines[2][14].resize(1), d.doc.LayerLines[2][14][0].push_back({ 100 + i, -i });
    d.doc.Layers[1].Group = kGroupOutlineStale;
    d.doc.Layers[2].Group = kGroupOutlineBuilt;
}

class SetupFileWriterTest : public FileTest { };

TEST_F(SetupFileWriterTest, WritesTheFullVariantWithFixedRealsAndCrLf) {
    ImportedDocument d(3);
    d.doc.SourceWidth = 1600;
    d.doc.SourceHeight = 1200;
    SetUp3Layers(d);
    EXPECT_EQ(FormatSetupFile(d.doc, d.fields, nullptr),
        "/pictures/shop.psd\r\n"
        " 6.00000000000000E+0001 9 2  1.50000000000000E+0000\r\n"
        "39550 0 0 0\r\nDeptrix 10.0\r\n1600 x 1200\r\n 1.00000000000000E+0000\r\n"
        " 1.00000000000000E+0004  1.00000000000000E+0001  7.50000000000000E+0000 1 8\r\n"
        "12\r\n0\r\n-8\r\n"
        "7 5  1.00000000000000E+0000\r\n3 9  2.50000000000000E+0000\r\n7 5  1.00000000000000E+0000\r\n"
        "1 0 0 2\r\n10 10 50 10 30 40\r\n1 0 2 1\r\n-5 7 6 -8\r\n2 14 0 11\r\n"
        "100 0 101 -1 102 -2 103 -3 104 -4 105 -5 106 -6 107 -7 108 -8 109 -9\r\n110 -10 111 -11\r\n");

    // The set open in the editor takes the place of the stored one; an empty output
    // field stands for the document's value.
    LineSet edited(kOrderCount);
    edited[3] = { { { 1, 2 }, { 3, 4 } } };
    d.doc.SelectedLayer = 2;
    d.doc.OutWidth = 123000;
    d.fields.setWidthText("");
    const std::string text = FormatSetupFile(d.doc, d.fields, &edited);
    EXPECT_NE(text.find("2 3 0 1\r\n1 2 3 4\r\n"), std::string::npos);
    EXPECT_EQ(text.find("2 14 0"), std::string::npos);
    EXPECT_NE(text.find("  1.23000000000000E+0001 "), std::string::npos);
}

TEST_F(SetupFileWriterTest, RealsReadBackToTheSameFixedPointValue) {
    EXPECT_EQ(FormatFileReal(-20000), "-2.00000000000000E+0000");
    EXPECT_EQ(FormatFileReal(1234567890123456789), " 123456789012345.6789"); // beyond 15 digits
    std::mt19937_64 random(12);
    for (int i = 0; i < 20000; ++i) {
        const auto magnitude = static_cast<Fixed>(random() >> (random() % 62 + 2));
        const Fixed value = i % 2 ? magnitude : -magnitude;
        ASSERT_EQ(ToFixed(ParseReal(FormatFileReal(value))), value) << FormatFileReal(value);
    }
}

TEST_F(SetupFileWriterTest, SaveOpenAsProjectAndSaveAgainGivesTheSameFileAndDocument) {
    write("shop.psd", "");
    ImportedDocument first(3, (folder / "shop.psd").string());
    SetUp3Layers(first);
    const auto saved = folder / "shop.tw3d2";
    SaveSetupFile(saved, first.doc, first.fields, nullptr);

    ImportedDocument second(1);
    ASSERT_TRUE(OpenProjectFile(saved, second.doc, second.fields, [&](const std::filesystem::path& image) {
        second.import(3, image.string());
    }).opened);
    SaveSetupFile(folder / "again.tw3d2", second.doc, second.fields, nullptr);
    EXPECT_EQ(read(folder / "again.tw3d2"), read(saved));

    // The same bytes hold every value the file carries; the texts show them alike.
    EXPECT_EQ(second.offsets(), first.offsets());
    EXPECT_EQ(second.fields.widthText(), "10");
    EXPECT_EQ(second.fields.depthText(), "1.5");
    LineSets expected = first.doc.LayerLines;
    expected[1][0][1].clear(); // the one-point line is not stored; the others keep their place
    EXPECT_EQ(second.doc.LayerLines, expected);
    // Layers with lines have their pictures to build in the new session.
    EXPECT_EQ(second.doc.Layers[0].Group, kGroupNone);
    EXPECT_EQ(second.doc.Layers[2].Group, kGroupOutlineStale);

    // A cell that is not a number fails the save whole and leaves the earlier file.
    second.fields.setOffsetCell(2, "4x");
    EXPECT_THROW(SaveSetupFile(saved, second.doc, second.fields, nullptr), ConvertError);
    EXPECT_EQ(read(saved), read(folder / "again.tw3d2"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 3);
}

} // namespace
} // namespace deptrix
