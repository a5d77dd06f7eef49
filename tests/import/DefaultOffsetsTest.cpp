#include "import/DefaultOffsets.h"

#include "core/Document.h"
#include "import/LayerTable.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

// Layers from the bottom (index 0) up, each with its group code.
Document WithGroups(std::vector<std::uint8_t> groups, std::int32_t sourceWidth) {
    Document doc;
    doc.SourceWidth = sourceWidth;
    for (std::uint8_t g : groups) {
        LayerRecord layer;
        layer.Group = g;
        doc.Layers.push_back(layer);
    }
    doc.LayerCount = static_cast<std::uint16_t>(groups.size());
    ApplyImportDefaults(doc);
    return doc;
}

std::vector<std::string> OffsetColumn(const Document& doc) {
    std::vector<std::string> column;
    for (const LayerTableRow& row : LayerTableRows(doc)) column.push_back(row.offset);
    return column;
}

TEST(DefaultOffsets, AClippedLayerTakesNoStepOfItsOwnAndMovesWithItsBase) {
    // Seven layers, the fourth clipped to the third: the other six ramp as six would.
    Document doc;
    doc.SourceWidth = 1600;
    doc.Layers.resize(7);
    doc.Layers[3].ClipBase = 2;
    doc.LayerCount = 7;
    ApplyImportDefaults(doc);
    EXPECT_EQ(doc.UngroupedCount, 6);
    EXPECT_EQ(OffsetColumn(doc), (std::vector<std::string> { "-67", "-33", "0", "33", "33", "67", "100" }));
    EXPECT_EQ(doc.FocusRow, 3);
}

TEST(DefaultOffsets, SixOrdinaryLayersRampFromFrontToBack) {
    const Document doc = WithGroups({ 0, 0, 0, 0, 0, 0 }, 1600);
    EXPECT_EQ(doc.DepthSpan, 1000000);
    EXPECT_EQ(doc.FocusSlot, 2);
    EXPECT_EQ(doc.FrontStep, 333167);
    EXPECT_EQ(doc.BackStep, 333222);
    EXPECT_EQ(OffsetColumn(doc), (std::vector<std::string> { "-67", "-33", "0", "33", "67", "100" }));
    EXPECT_EQ(doc.FocusRow, 3);
    EXPECT_EQ(LayerTableRows(doc)[2].layer, "3 <F>");
}

TEST(DefaultOffsets, FocusSitsTwoFifthsDownTheOrdinaryLayers) {
    // Ordinary layer count -> focus slot (0 = the top-most ordinary layer).
    const std::pair<int, int> cases[]
        = { { 1, 0 }, { 2, 0 }, { 3, 1 }, { 4, 1 }, { 5, 2 }, { 6, 2 }, { 7, 2 }, { 8, 3 } };
    for (auto [count, slot] : cases) {
        const Document doc = WithGroups(std::vector<std::uint8_t>(static_cast<size_t>(count), 0), 800);
        EXPECT_EQ(doc.FocusSlot, slot) << count;
        EXPECT_EQ(doc.FocusRow, slot + 1) << count;
        EXPECT_EQ(doc.DefaultOffsets[static_cast<size_t>(count - 1 - slot)], 0) << count;
    }
}

TEST(DefaultOffsets, OneLayerIsTheFocusWithOffsetZero) {
    const Document doc = WithGroups({ 0 }, 1000);
    EXPECT_EQ(doc.FocusSlot, 0);
    EXPECT_EQ(doc.FocusRow, 1);
    EXPECT_EQ(OffsetColumn(doc), std::vector<std::string> { "0" });
}

TEST(DefaultOffsets, GroupedLayersKeepZeroAndAreNotCounted) {
    // Bottom to top: ordinary, flip A, flip A, ordinary, ordinary.
    const Document doc = WithGroups({ 0, 1, 1, 0, 0 }, 1600);
    EXPECT_EQ(doc.UngroupedLayers, (std::vector<std::uint8_t> { 4, 3, 0 }));
    EXPECT_EQ(doc.FocusSlot, 1);
    EXPECT_EQ(doc.FocusRow, 2); // layer 3
    const std::vector<LayerTableRow> rows = LayerTableRows(doc);
    EXPECT_EQ(rows[2].group, "A");
    EXPECT_EQ(rows[2].offset, "0");
    EXPECT_EQ(rows[3].offset, "0");
    EXPECT_EQ(rows[0].offset, "-67"); // FrontStep = Round(666666.67 / 1.001)
    EXPECT_EQ(rows[4].offset, "100"); // BackStep = Round(1000000 / 1.001)
}

TEST(DefaultOffsets, AllGroupedLeavesNoFocus) {
    const Document doc = WithGroups({ 1, 1, 2 }, 900);
    EXPECT_EQ(doc.UngroupedCount, 0);
    EXPECT_EQ(doc.FocusSlot, 0);
    EXPECT_EQ(doc.FocusRow, 0);
    for (const LayerTableRow& row : LayerTableRows(doc)) {
        EXPECT_EQ(row.offset, "0");
        EXPECT_EQ(row.layer.find("<F>"), std::string::npos);
    }
    EXPECT_EQ(LayerTableRows(doc)[0].group, "B");
}

TEST(LayerTable, GroupLetters) {
    EXPECT_EQ(GroupLetter(0), "");
    EXPECT_EQ(GroupLetter(1), "A");
    EXPECT_EQ(GroupLetter(26), "Z");
    EXPECT_EQ(GroupLetter(100), "+");
    EXPECT_EQ(GroupLetter(255), "+");
    EXPECT_EQ(GroupLetter(99), "\xC2\xA3"); // character 163
}

} // namespace
} // namespace deptrix
