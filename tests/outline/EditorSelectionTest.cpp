#include "EditorFixture.h"

namespace deptrix {
namespace {

using test::Box;

class EditorSelection : public test::EditorFixture {
protected:
    /// One line of the worked example: a box 150..250 wide, centred at x = 200.
    void openExample() {
        LineSet lines = EmptyLineSet();
        lines[2] = { Box(150, 50, 250, 100) };
        openWith(lines);
        editor.selectAll();
        editor.freeTransform();
    }
};

TEST_F(EditorSelection, SelectAllListsTheLastOrderFirst) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 20, 20), Box(30, 10, 40, 20) };
    lines[14] = { Box(50, 10, 60, 20) };
    openWith(lines);
    editor.selectTool(EditTool::DrawLine);
    editor.selectAll();
    EXPECT_EQ(editor.selection(), (LineRefs { { 14, 0 }, { 0, 0 }, { 0, 1 } }));
    EXPECT_EQ(editor.tool(), EditTool::MoveLine);
    EXPECT_EQ(editor.checkedButton(), EditTool::MoveLine);
    // The layer shows untinted under the thin outlines.
    EXPECT_EQ(test::PixelAt(editor.display(), 15, 15), (test::Rgb8 { 200, 100, 60 }));
}

TEST_F(EditorSelection, DraggingTheRightBandScalesAboutTheCentreAndCommitsAtRelease) {
    openExample();
    EXPECT_EQ(editor.tool(), EditTool::FreeTransform);
    EXPECT_EQ(editor.selectionBox(), (SelectionBox { 150, 50, 250, 100, 200, 75, false }));
    EXPECT_EQ(editor.move(At(250, 75)).pointer, PointerShape::SizeHorizontal);
    EXPECT_EQ(editor.move(At(150, 50)).pointer, PointerShape::SizeTopLeft);
    EXPECT_EQ(editor.move(At(200, 75)).pointer, PointerShape::NotAllowed); // centre square
    drag({ 250, 75 }, { 275, 75 });
    EXPECT_EQ(order(2)[0], Box(125, 50, 275, 100));
    EXPECT_EQ(editor.selectionBox().right, 275);

    // Across the centre: a mirror image.
    drag({ 275, 75 }, { 125, 75 });
    EXPECT_EQ(order(2)[0], (Line { { 275, 50 }, { 125, 50 }, { 125, 100 }, { 275, 100 } }));

    // The centre square and outside the box change nothing, and add no history step.
    editor.undoEdit();
    EXPECT_EQ(order(2)[0], Box(125, 50, 275, 100));
    editor.redoEdit();
    drag({ 200, 75 }, { 260, 120 });
    drag({ 10, 200 }, { 60, 220 });
    editor.undoEdit();
    EXPECT_EQ(order(2)[0], Box(125, 50, 275, 100));
}

TEST_F(EditorSelection, ShiftOnACornerKeepsTheProportions) {
    openExample();
    // Corner (250, 100), centre (200, 75): x x1.2 and y x2 become 2 on both axes.
    drag({ 250, 100 }, { 260, 125 }, true);
    EXPECT_EQ(order(2)[0], Box(100, 25, 300, 125));
}

TEST_F(EditorSelection, TheOverlayIsRemovedByDrawingItAgain) {
    openExample();
    const Bitmap start = editor.display();
    editor.move(At(200, 60));
    editor.press(At(200, 60));
    EXPECT_FALSE(editor.move(At(230, 90)).repaint.empty());
    EXPECT_FALSE(editor.display().samePixels(start));
    editor.move(At(200, 60));
    EXPECT_TRUE(editor.display().samePixels(start));
}

TEST_F(EditorSelection, DoubleClickOrEnterEndsTheTransformInTheMoveLineState) {
    openExample();
    click(200, 60);
    editor.doubleClick(At(200, 60));
    EXPECT_EQ(editor.tool(), EditTool::None);
    editor.release(At(200, 60));
    EXPECT_EQ(editor.tool(), EditTool::MoveLine);
    EXPECT_EQ(order(2)[0], Box(150, 50, 250, 100));

    editor.freeTransform();
    EXPECT_EQ(editor.checkedButton(), EditTool::None); // no tool button is Free Transform
    // No release follows Enter: it ends straight in Move Line, whose press then acts.
    editor.key(EditorKey::Enter);
    EXPECT_EQ(editor.tool(), EditTool::MoveLine);
    click(200, 60);
    EXPECT_EQ(editor.selection().size(), 1u);
}

TEST_F(EditorSelection, DeleteSelectRemovesLinesOrThePickedPoint) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 40, 40), Box(60, 10, 90, 40), Box(110, 10, 140, 40) };
    openWith(lines);
    editor.selectTool(EditTool::MoveLine);
    click(25, 25);
    click(125, 25, MouseButton::Left, true);
    editor.deleteSelection();
    EXPECT_EQ(order(0), (OrderLines { Box(60, 10, 90, 40) }));
    EXPECT_TRUE(editor.selection().empty());

    editor.selectTool(EditTool::MovePoint);
    click(90, 10);
    editor.deleteSelection();
    editor.deleteSelection();
    EXPECT_EQ(order(0)[0], (Line { { 60, 10 }, { 60, 40 } }));
}

TEST_F(EditorSelection, CutAndPasteCarryLinesToAnotherLayer) {
    LineSet lines = EmptyLineSet();
    lines[3] = { Box(10, 10, 40, 40) };
    lines[9] = { Box(60, 10, 90, 40) };
    openWith(lines);
    EXPECT_FALSE(editor.pasteEnabled());
    editor.selectTool(EditTool::MoveLine);
    click(25, 25);
    editor.cut();
    click(75, 25);
    editor.cut(); // the second cut replaces the first
    EXPECT_EQ(editor.clipboard(), (OrderLines { Box(60, 10, 90, 40) }));
    EXPECT_TRUE(editor.pasteEnabled());
    EXPECT_TRUE(order(3).empty());
    EXPECT_TRUE(order(9).empty());

    editor.close();
    open(1);
    editor.paste();
    EXPECT_EQ(order(9), (OrderLines { Box(60, 10, 90, 40) }));
    EXPECT_EQ(editor.selection(), (LineRefs { { 9, 0 } }));
    EXPECT_FALSE(editor.pasteEnabled());
    EXPECT_TRUE(editor.clipboard().empty());
    EXPECT_EQ(editor.tool(), EditTool::MoveLine);
    // Pastup with nothing to paste empties the selection.
    editor.paste();
    EXPECT_TRUE(editor.selection().empty());

    // Copy fills the clipboard and leaves the lines.
    click(75, 25);
    editor.copy();
    EXPECT_EQ(editor.clipboard().size(), 1u);
    EXPECT_EQ(editor.clipboardOrders(), (std::vector<std::uint8_t> { 9 }));
    EXPECT_EQ(order(9).size(), 1u);
    EXPECT_TRUE(editor.pasteEnabled());
}

TEST_F(EditorSelection, MovingDownAppendsToTheNextOrderAndSelectsFromTheEnd) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 30, 30), Box(40, 10, 60, 30) };
    lines[1] = { Box(10, 100, 20, 110), Box(30, 100, 40, 110), Box(50, 100, 60, 110) };
    openWith(lines);
    editor.selectTool(EditTool::MoveLine);
    click(20, 20);
    click(50, 20, MouseButton::Left, true);
    const EditorResponse moved = editor.moveLinesDown();
    EXPECT_EQ(moved.beeps, 0);
    EXPECT_TRUE(order(0).empty());
    ASSERT_EQ(order(1).size(), 5u);
    EXPECT_EQ(order(1)[3], Box(10, 10, 30, 30));
    EXPECT_EQ(order(1)[4], Box(40, 10, 60, 30));
    EXPECT_EQ(editor.selection(), (LineRefs { { 1, 4 }, { 1, 3 } }));
    EXPECT_EQ(doc.CurOrder, 1);
}

TEST_F(EditorSelection, MovingUpBeepsOnceForALineAlreadyInTheFirstOrder) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 30, 30), Box(100, 100, 120, 120) };
    lines[2] = { Box(40, 10, 60, 30) };
    openWith(lines);
    editor.selectTool(EditTool::MoveLine);
    click(50, 20);
    click(20, 20, MouseButton::Left, true);
    EXPECT_EQ(editor.moveLinesUp().beeps, 1);
    EXPECT_EQ(order(0), (OrderLines { Box(100, 100, 120, 120), Box(10, 10, 30, 30) }));
    EXPECT_EQ(order(1), (OrderLines { Box(40, 10, 60, 30) }));
    EXPECT_TRUE(order(2).empty());
    EXPECT_EQ(editor.selection(), (LineRefs { { 1, 0 }, { 0, 1 } }));
    EXPECT_EQ(doc.CurOrder, 1);
    // Order 15 is the far end.
    lines = EmptyLineSet();
    lines[14] = { Box(10, 10, 30, 30) };
    editor.close();
    openWith(lines);
    editor.selectAll();
    EXPECT_EQ(editor.moveLinesDown().beeps, 1);
    EXPECT_EQ(order(14).size(), 1u);
}

TEST_F(EditorSelection, UndoAndRedoRestoreTheExactPointsOfEachCommand) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 30, 30) };
    lines[6] = { Box(40, 10, 61, 33), Box(100, 100, 140, 150) };
    openWith(lines);
    const LineSet original = doc.EditLines;
    editor.selectAll();
    editor.freeTransform();
    drag({ 140, 150 }, { 171, 190 }); // bottom-right corner: uneven factors
    const LineSet transformed = doc.EditLines;
    EXPECT_NE(transformed, original);
    editor.key(EditorKey::Enter);
    editor.release(At(0, 0));
    editor.selectAll();
    editor.moveLinesDown();
    const LineSet moved = doc.EditLines;
    const LineRefs movedSelection { { 7, 1 }, { 7, 0 }, { 1, 0 } };
    EXPECT_EQ(editor.selection(), movedSelection);
    editor.cut();
    const LineSet cut = doc.EditLines;

    editor.undoEdit();
    EXPECT_EQ(doc.EditLines, moved);
    editor.undoEdit();
    EXPECT_EQ(doc.EditLines, transformed);
    editor.undoEdit();
    EXPECT_EQ(doc.EditLines, original);
    EXPECT_FALSE(editor.canUndoEdit());
    editor.redoEdit();
    editor.redoEdit();
    EXPECT_EQ(doc.EditLines, moved);
    EXPECT_EQ(editor.selection(), movedSelection);
    editor.redoEdit();
    EXPECT_EQ(doc.EditLines, cut);
    EXPECT_FALSE(editor.canRedoEdit());
}

TEST_F(EditorSelection, HistoryKeepsAHundredLinesAndLeavesTheLineBeingDrawnAlone) {
    open();
    editor.selectTool(EditTool::DrawLine);
    for (int i = 0; i < 101; ++i) {
        click(10 + i, 10);
        click(50 + i, 10);
        click(30 + i, 40, MouseButton::Right);
    }
    click(5, 5);
    click(9, 9);
    for (int i = 0; i < 100; ++i) editor.undoEdit();
    EXPECT_EQ(order(0).size(), 1u);
    EXPECT_EQ(editor.drawPoints().size(), 2u);
    editor.undoPoint();
    EXPECT_EQ(editor.drawPoints().size(), 1u);
}

} // namespace
} // namespace deptrix
