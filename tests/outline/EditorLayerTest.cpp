// What belongs to the layer being edited: its selection, working copies and picked
// points, and its history with the layer record's outline fields.

#include "EditorFixture.h"

#include <climits>

namespace deptrix {
namespace {

using test::Box;

class EditorLayer : public test::EditorFixture {
protected:
    /// Both layers hold one line at the same place, so a reference made on one names
    /// a line of the other as well.
    void storeTwinLayers() {
        LineSet lines = EmptyLineSet();
        lines[0] = { Box(10, 10, 40, 40), Box(60, 10, 90, 40) };
        doc.LayerLines.assign(2, lines);
    }
};

TEST_F(EditorLayer, TheSelectionAndTheTransformDoNotFollowIntoAnotherLayer) {
    storeTwinLayers();
    open(0);
    editor.selectTool(EditTool::MoveLine);
    click(25, 25);
    ASSERT_EQ(editor.selection(), (LineRefs { { 0, 0 } }));
    editor.close();
    open(1);
    EXPECT_TRUE(editor.selection().empty());
    editor.deleteSelection();
    EXPECT_EQ(order(0).size(), 2u);

    // Free Transform started on layer 1 ends when layer 0 opens: a drag where the box
    // was moves nothing.
    editor.selectAll();
    editor.freeTransform();
    editor.close();
    open(0);
    EXPECT_EQ(editor.tool(), EditTool::MoveLine);
    EXPECT_EQ(editor.checkedButton(), EditTool::MoveLine);
    drag({ 50, 30 }, { 150, 130 });
    EXPECT_EQ(order(0)[0], Box(10, 10, 40, 40));
    EXPECT_EQ(order(0)[1], Box(60, 10, 90, 40));

    // The same layer opened again keeps its selection; the clipboard goes anywhere.
    click(75, 25);
    editor.close();
    open(0);
    EXPECT_EQ(editor.selection(), (LineRefs { { 0, 1 } }));
    editor.cut();
    editor.close();
    open(1);
    editor.paste();
    EXPECT_EQ(order(0).size(), 3u);
}

TEST_F(EditorLayer, PickedPointsBelongToTheLineTheyWerePickedOn) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 40, 40), Box(60, 10, 90, 40) };
    openWith(lines);
    editor.selectTool(EditTool::MovePoint);
    click(10, 40); // point 3 of the first line
    ASSERT_EQ(editor.pickedPoints(), (std::vector<std::uint32_t> { 3 }));
    editor.selectTool(EditTool::MoveLine);
    click(75, 25);
    editor.selectTool(EditTool::MovePoint);
    editor.deleteSelection();
    EXPECT_EQ(order(0)[1], Box(60, 10, 90, 40));
    // Back on the first line, the old pick is gone too: Del needs a new one.
    editor.selectTool(EditTool::MoveLine);
    click(25, 25);
    editor.selectTool(EditTool::MovePoint);
    editor.deleteSelection();
    EXPECT_EQ(order(0)[0], Box(10, 10, 40, 40));
}

TEST_F(EditorLayer, UndoingDeleteAllRestoresTheLayerRecordOrderAndCount) {
    LineSet lines = EmptyLineSet();
    lines[2] = { Box(10, 10, 40, 40) };
    lines[14] = { Box(60, 10, 90, 40), Box(100, 10, 130, 40) };
    openWith(lines);
    LayerRecord& record = doc.Layers[0];
    record.Group = kGroupOutlineBuilt;
    record.Depth = 25000;
    record.Smooth = 3;
    record.BaseOrder = 4;
    editor.selectAll();
    editor.moveLinesUp();
    ASSERT_EQ(editor.lastLineCount(), 0u); // what is left in the last order
    editor.setCurrentOrder(6);
    editor.selectTool(EditTool::DrawLine);
    click(200, 100);
    click(260, 100);
    click(230, 150, MouseButton::Right);
    ASSERT_EQ(editor.lastLineCount(), 1u);
    const LineSet shown = doc.EditLines;

    editor.setCurrentOrder(9);
    EditorResponse response = editor.deleteAll({ kFixedOne, 5, 7 });
    EXPECT_TRUE(response.layerChanged);
    EXPECT_EQ(record.Group, kGroupNone);
    EXPECT_EQ(record.Depth, kFixedOne);

    response = editor.undoEdit();
    EXPECT_TRUE(response.layerChanged);
    EXPECT_EQ(doc.EditLines, shown);
    EXPECT_EQ(doc.LayerLines[0], shown);
    EXPECT_EQ(record.Group, kGroupOutlineBuilt);
    EXPECT_EQ(record.Depth, 25000);
    EXPECT_EQ(record.Smooth, 3);
    EXPECT_EQ(record.BaseOrder, 4);
    EXPECT_EQ(doc.CurOrder, 9);
    editor.redoEdit();
    EXPECT_EQ(record.Group, kGroupNone);
    EXPECT_EQ(doc.EditLines, EmptyLineSet());
    editor.undoEdit();

    // Undoing a plain line edit leaves the record as a later preview made it, and
    // brings back the order and count from before the line.
    record.Group = kGroupOutlineStale;
    response = editor.undoEdit();
    EXPECT_FALSE(response.layerChanged);
    EXPECT_EQ(record.Group, kGroupOutlineStale);
    EXPECT_TRUE(order(6).empty());
    EXPECT_EQ(doc.CurOrder, 6);
    EXPECT_EQ(editor.lastLineCount(), 0u);
}

TEST_F(EditorLayer, ADragFarPastTheLeftEdgeStopsAtTheEndOfTheRange) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 40, 40) };
    openWith(lines);
    editor.selectTool(EditTool::MoveLine);
    editor.move(At(20, 20));
    editor.press(At(20, 20));
    // A view reduced so far that the pointer lies below the smallest coordinate.
    editor.setViewMapping({ Fixed { 100000000 }, 0, 0, 320, 240 });
    editor.move(At(-1000000, 0));
    editor.release(At(-1000000, 0));
    // 20 pixels to the left of the press: the left side stops at the end of the range.
    EXPECT_EQ(order(0)[0], Box(INT32_MIN, -10, INT32_MIN + 20, 20));
}

} // namespace
} // namespace deptrix
