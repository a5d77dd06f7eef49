#include "EditorFixture.h"

namespace deptrix {
namespace {

using test::Box;
using test::PixelAt;
using test::Rgb8;

class EditorDrawing : public test::EditorFixture { };

TEST_F(EditorDrawing, LeftClicksPlacePointsAndARightClickFinishesTheLine) {
    open();
    editor.selectTool(EditTool::DrawLine);
    doc.CurOrder = 2;
    click(10, 10);
    click(50, 10);
    click(30, 40, MouseButton::Right);
    ASSERT_EQ(order(2).size(), 1u);
    EXPECT_EQ(order(2)[0], (Line { { 10, 10 }, { 50, 10 }, { 30, 40 } }));
    EXPECT_EQ(editor.selection(), (LineRefs { { 2, 0 } }));
    EXPECT_EQ(editor.lastLineCount(), 1u);
    EXPECT_TRUE(editor.drawPoints().empty());
    // The finished line is tinted with its order's level, 130 for Order 3.
    EXPECT_EQ(PixelAt(editor.display(), 30, 20), (Rgb8 { 102, 51, 60 }));

    // Two points are not a line: nothing is stored and the points are gone.
    click(100, 100);
    click(120, 100, MouseButton::Right);
    EXPECT_EQ(order(2).size(), 1u);
    EXPECT_TRUE(editor.drawPoints().empty());
}

TEST_F(EditorDrawing, ADiscardedLineLeavesNoSelectionOfALineThatIsGone) {
    open();
    editor.selectTool(EditTool::DrawLine);
    click(10, 10);
    click(50, 10);
    click(30, 40, MouseButton::Right);
    editor.deleteLine();
    click(100, 100, MouseButton::Right);
    EXPECT_TRUE(editor.selection().empty());
    EXPECT_TRUE(order(0).empty());
}

TEST_F(EditorDrawing, ALineClosedWhollyUnderANearerShownLineIsReportedHidden) {
    LineSet lines = EmptyLineSet();
    lines[1] = { Box(50, 50, 250, 200) };
    openWith(lines);
    editor.selectTool(EditTool::DrawLine);
    const auto closeTriangle = [&](int order, int x) {
        editor.setCurrentOrder(order);
        click(x, 100);
        click(x + 50, 100);
        editor.press(At(x + 25, 150, MouseButton::Right));
        return editor.release(At(x + 25, 150, MouseButton::Right)).finishedLineHidden;
    };
    EXPECT_TRUE(closeTriangle(4, 100)); // Order 5 inside Order 2
    EXPECT_FALSE(closeTriangle(1, 100)); // the same order is not nearer
    EXPECT_FALSE(closeTriangle(0, 100)); // nearer: drawn over it
    EXPECT_FALSE(closeTriangle(4, 230)); // reaching out of it
    EXPECT_TRUE(closeTriangle(4, 170));
    editor.setOrderVisible(1, false);
    EXPECT_FALSE(closeTriangle(4, 170));
}

TEST_F(EditorDrawing, EscapeAbandonsTheLineBeingDrawnAndUndoTakesBackOnePoint) {
    open();
    const Bitmap untouched = editor.display();
    editor.selectTool(EditTool::DrawLine);
    click(10, 10);
    click(60, 10);
    editor.move(At(80, 70));
    EXPECT_FALSE(editor.display().samePixels(untouched));
    editor.key(EditorKey::Escape);
    EXPECT_TRUE(editor.drawPoints().empty());
    EXPECT_TRUE(editor.display().samePixels(untouched));
    editor.release(At(5, 5)); // no press since: no point
    EXPECT_TRUE(editor.drawPoints().empty());

    editor.undoPoint(); // nothing placed: nothing changes
    EXPECT_TRUE(editor.drawPoints().empty());
    click(10, 10);
    click(60, 10);
    click(60, 60);
    editor.undoPoint();
    EXPECT_EQ(editor.drawPoints(), (Line { { 10, 10 }, { 60, 10 } }));
    click(20, 60, MouseButton::Right);
    EXPECT_EQ(order(0)[0], (Line { { 10, 10 }, { 60, 10 }, { 20, 60 } }));
}

TEST_F(EditorDrawing, MoveLineDragsThePickedLineAndShiftTogglesTheSelection) {
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 40, 40) };
    lines[4] = { Box(100, 10, 140, 50) };
    openWith(lines);
    editor.selectTool(EditTool::MoveLine);
    EXPECT_EQ(editor.move(At(25, 25)).pointer, PointerShape::Move);
    EXPECT_EQ(editor.move(At(70, 70)).pointer, PointerShape::NotAllowed);

    drag({ 25, 25 }, { 35, 45 });
    EXPECT_EQ(order(0)[0], Box(20, 30, 50, 60));
    EXPECT_EQ(editor.selection(), (LineRefs { { 0, 0 } }));

    // Shift adds the other line without dragging it; a press on a selected line then
    // drags both, and the current order follows the first selected line.
    drag({ 120, 30 }, { 150, 60 }, true);
    EXPECT_EQ(order(4)[0], Box(100, 10, 140, 50));
    EXPECT_EQ(editor.selection(), (LineRefs { { 0, 0 }, { 4, 0 } }));
    doc.CurOrder = 9;
    drag({ 120, 30 }, { 110, 30 });
    EXPECT_EQ(order(0)[0], Box(10, 30, 40, 60));
    EXPECT_EQ(order(4)[0], Box(90, 10, 130, 50));
    EXPECT_EQ(doc.CurOrder, 0);

    // Shift on a selected line takes it out and drags nothing.
    drag({ 25, 45 }, { 60, 45 }, true);
    EXPECT_EQ(editor.selection(), (LineRefs { { 4, 0 } }));
    EXPECT_EQ(order(0)[0], Box(10, 30, 40, 60));

    click(300, 200);
    EXPECT_TRUE(editor.selection().empty());
    EXPECT_TRUE(editor.workingCopies().empty());
}

TEST_F(EditorDrawing, AddPointInsertsOnTheSegmentUnderThePointer) {
    LineSet lines = EmptyLineSet();
    lines[1] = { Line { { 20, 20 }, { 80, 20 }, { 80, 60 }, { 50, 80 }, { 20, 60 } } };
    openWith(lines);
    editor.selectTool(EditTool::AddPoint);
    EXPECT_EQ(editor.move(At(50, 50)).pointer, PointerShape::NotAllowed);
    // The closing segment: the point is appended as point 5.
    EXPECT_EQ(editor.move(At(20, 40)).pointer, PointerShape::Cross);
    editor.press(At(20, 40));
    EXPECT_EQ(order(1)[0].size(), 6u);
    EXPECT_EQ(order(1)[0][5], (LinePoint { 20, 40 }));
    click(80, 41);
    EXPECT_EQ(order(1)[0][2], (LinePoint { 80, 41 }));
    EXPECT_EQ(editor.selection(), (LineRefs { { 1, 0 } }));
}

TEST_F(EditorDrawing, MovePointMovesAVertexOrBothEndsOfASegment) {
    LineSet lines = EmptyLineSet();
    lines[1] = { Line { { 20, 20 }, { 80, 20 }, { 80, 60 }, { 50, 80 }, { 20, 60 } } };
    openWith(lines);
    editor.selectTool(EditTool::MovePoint);
    // The closing segment of a 5-point line moves points 4 and 0.
    drag({ 20, 40 }, { 10, 40 });
    EXPECT_EQ(order(1)[0], (Line { { 10, 20 }, { 80, 20 }, { 80, 60 }, { 50, 80 }, { 10, 60 } }));
    EXPECT_EQ(editor.pickedPoints(), (std::vector<std::uint32_t> { 4, 0 }));
    drag({ 80, 20 }, { 90, 12 });
    EXPECT_EQ(order(1)[0][1], (LinePoint { 90, 12 }));
    EXPECT_EQ(order(1)[0][0], (LinePoint { 10, 20 }));
    EXPECT_EQ(order(1)[0][2], (LinePoint { 80, 60 }));
}

TEST_F(EditorDrawing, PointsOfALongLineStayPickableOneByOne) {
    doc.ImageWidth = 3100;
    doc.Composite = test::SolidRgb(3100, 100, 10, 10, 10);
    Line zigzag;
    for (int k = 0; k < 300; ++k) zigzag.push_back({ 10 + 10 * k, k % 2 ? 30 : 60 });
    LineSet lines = EmptyLineSet();
    lines[0] = { zigzag };
    doc.LayerLines.assign(2, LineSet {});
    doc.LayerLines[0] = lines;
    editor.open(0, 3100, 100);
    editor.selectTool(EditTool::MovePoint);
    drag({ 2010, 60 }, { 2010, 90 });
    EXPECT_EQ(order(0)[0][200], (LinePoint { 2010, 90 }));
    EXPECT_EQ(order(0)[0][199], zigzag[199]);
    EXPECT_EQ(order(0)[0][201], zigzag[201]);
}

TEST_F(EditorDrawing, DeletePointCanEmptyALineWhichStaysUntilCompacted) {
    LineSet lines = EmptyLineSet();
    lines[5] = { Box(20, 20, 60, 60) };
    lines[0] = { Box(100, 20, 140, 60) };
    openWith(lines);
    editor.selectTool(EditTool::DeletePoint);
    EXPECT_EQ(editor.move(At(40, 20)).pointer, PointerShape::NotAllowed); // a segment is no target
    for (const LinePoint p : Box(20, 20, 60, 60)) click(p.x, p.y);
    ASSERT_EQ(order(5).size(), 1u);
    EXPECT_TRUE(order(5)[0].empty());
    // The empty line doesn't stop the point map: the line painted after it still
    // has its points.
    click(140, 60);
    EXPECT_EQ(order(0)[0], (Line { { 100, 20 }, { 140, 20 }, { 100, 60 } }));

    editor.selectTool(EditTool::MoveLine);
    click(120, 30);
    editor.cut();
    EXPECT_TRUE(order(5).empty());
}

TEST_F(EditorDrawing, DeleteCommandsActOnTheCurrentOrderWhateverIsSelected) {
    LineSet lines = EmptyLineSet();
    lines[3] = { Box(10, 10, 20, 20), Box(30, 10, 40, 20) };
    lines[7] = { Box(50, 10, 60, 20) };
    openWith(lines);
    editor.selectTool(EditTool::MoveLine);
    click(15, 15);
    editor.setCurrentOrder(7);
    editor.deleteLine();
    EXPECT_TRUE(order(7).empty());
    EXPECT_EQ(order(3).size(), 2u);
    editor.deleteLine(); // empty order: nothing
    editor.setCurrentOrder(15); // the empty 16th item means Order 15
    EXPECT_EQ(doc.CurOrder, 14);
    editor.setCurrentOrder(3);
    editor.deleteOrder();
    EXPECT_TRUE(order(3).empty());
    // The selection still names the removed line; commands skip it.
    editor.freeTransform();
    EXPECT_EQ(editor.tool(), EditTool::MoveLine);
    EXPECT_TRUE(editor.selection().empty());

    editor.deleteAll({ kFixedOne, 5, 7 });
    EXPECT_EQ(doc.LayerLines[0], EmptyLineSet());
    EXPECT_TRUE(editor.display().samePixels(doc.Composite));
}

TEST_F(EditorDrawing, OpeningAndClosingKeepEachLayersSet) {
    open(1);
    EXPECT_EQ(doc.EditLines, EmptyLineSet());
    editor.selectTool(EditTool::DrawLine);
    click(10, 10);
    click(50, 10);
    editor.close();
    EXPECT_EQ(doc.LayerLines.size(), 2u);
    EXPECT_EQ(doc.LayerLines[1], EmptyLineSet());
    EXPECT_TRUE(doc.EditLines.empty());
    EXPECT_TRUE(editor.drawPoints().empty()); // the line being drawn is abandoned

    Document empty;
    OutlineEditor none(empty);
    none.open(0, 100, 100);
    EXPECT_FALSE(none.isOpen());
    EXPECT_TRUE(none.press(At(1, 1)).repaint.empty());
}

} // namespace
} // namespace deptrix
