#include "OutlineTestSupport.h"
#include "outline/EditHistory.h"
#include "outline/FreeTransform.h"
#include "outline/LineSetOps.h"
#include "outline/SelectionBox.h"
#include "outline/ViewMapping.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::Box;

Line Points(int count, int x) {
    Line line;
    for (int i = 0; i < count; ++i) line.push_back({ x, i });
    return line;
}

TEST(LineModel, CompactionDropsShortLinesKeepingTheOrderOfTheRest) {
    LineSet set = EmptyLineSet();
    set[3] = { Points(5, 1), Points(0, 2), Points(4, 3) };
    set[7] = { Points(2, 4), Points(1, 5) };
    set[14] = { Points(3, 6), Points(2, 7), Points(6, 8) };
    const std::uint32_t last = CompactLineSet(set);
    ASSERT_EQ(set[3].size(), 2u);
    EXPECT_EQ(set[3][0], Points(5, 1));
    EXPECT_EQ(set[3][1], Points(4, 3));
    EXPECT_TRUE(set[7].empty());
    // The count left behind is that of the last order, not of the order edited.
    EXPECT_EQ(last, 2u);
}

TEST(LineModel, StaleReferencesAndCopiesNeverReachALine) {
    LineSet set = EmptyLineSet();
    set[0] = { Box(0, 0, 9, 9), Box(20, 0, 29, 9) };
    LineRefs refs = { { 0, 5 }, { 0, 1 }, { 16, 0 }, { 0, 0 } };
    OrderLines copies = { Line {}, Box(1, 1, 2, 2), Line {}, Box(3, 3, 4, 4) };
    PruneReferences(set, refs, &copies);
    EXPECT_EQ(refs, (LineRefs { { 0, 1 }, { 0, 0 } }));
    EXPECT_EQ(copies, (OrderLines { Box(1, 1, 2, 2), Box(3, 3, 4, 4) }));

    // A copy whose line changed its point count since it was taken is not written.
    set[0][0].push_back({ 5, 5 });
    EXPECT_TRUE(CommitWorkingCopies(set, refs, copies));
    EXPECT_EQ(set[0][1], Box(1, 1, 2, 2));
    EXPECT_EQ(set[0][0].size(), 5u);
    const LineRefs gone = { { 3, 0 } };
    EXPECT_FALSE(CommitWorkingCopies(set, gone, { Box(0, 0, 1, 1) }));
    EXPECT_EQ(CopyReferencedLines(set, gone), OrderLines { Line {} });
}

TEST(LineModel, SelectionRebuiltAfterAnOrderMoveDropsLinesCompactedAway) {
    LineSet set = EmptyLineSet();
    set[1] = { Box(0, 0, 1, 1), Box(0, 0, 2, 2), Box(0, 0, 3, 3), Box(0, 0, 4, 4) };
    const MovedLine moved[] = { { 1, true }, { 1, false }, { 1, true } };
    // Three lines were appended to order 1 but the middle one had 2 points and is gone.
    EXPECT_EQ(RebuildSelectionAfterOrderMove(set, moved), (LineRefs { { 1, 3 }, { 1, 2 } }));
}

TEST(ViewMapping, ConvertsWithTiesToEvenAndFitsBothWays) {
    ViewMapping half { 5000, 0, 0, 100, 100 };
    EXPECT_EQ(half.toWorking(1, 3), (LinePoint { 0, 2 })); // 0.5 -> 0, 1.5 -> 2
    EXPECT_EQ(half.toWorking(-5, 5), (LinePoint { -2, 2 })); // not clamped
    const auto unit = [](Fixed scale) { return ViewMapping { scale }.markUnit(); };
    EXPECT_EQ(unit(2500), 0);
    EXPECT_EQ(unit(7500), 2);
    EXPECT_EQ(unit(12500), 2);
    EXPECT_EQ(unit(17500), 4);

    // A wide picture fills the width and is centred vertically.
    const ViewMapping wide = FitMapping({}, 400, 100, 200, 200);
    EXPECT_EQ(wide.scale, 20000);
    EXPECT_EQ(wide.offsetX, 0);
    EXPECT_EQ(wide.offsetY, 750000);
    EXPECT_EQ(wide.toWorking(100, 75), (LinePoint { 200, 0 }));
    const ViewMapping tall = FitMapping({}, 100, 300, 300, 200);
    EXPECT_EQ(tall.scale, 15000);
    EXPECT_EQ(tall.offsetX, Round((300.0L - 100.0L / 15000 * 10000) / 2 * 10000));
    EXPECT_EQ(tall.offsetY, 0);
    // Nothing to fit into: the mapping stays.
    EXPECT_EQ(FitMapping(tall, 100, 0, 300, 200).scale, 15000);
    EXPECT_EQ(FitMapping(tall, 100, 300, 300, 0).scale, 15000);
}

TEST(FreeTransformRule, FactorsScaleAboutTheCentreAndMirrorAcrossIt) {
    // Box 150..250 centred at x = 200; right band pressed at 250 and dragged to 275.
    const TransformStep wider = TransformFor(kHandleRight, { 200, 50 }, { 250, 60 }, { 275, 90 }, false);
    ASSERT_EQ(wider.kind, TransformStep::Kind::Scale);
    EXPECT_EQ(wider.sx, 15000);
    EXPECT_EQ(wider.sy, 10000);
    EXPECT_EQ(TransformPoint(wider, { 150, 10 }), (LinePoint { 125, 10 }));
    EXPECT_EQ(TransformPoint(wider, { 250, 10 }), (LinePoint { 275, 10 }));

    const TransformStep mirrored = TransformFor(kHandleRight, { 200, 50 }, { 250, 60 }, { 150, 60 }, false);
    EXPECT_EQ(mirrored.sx, -10000);
    EXPECT_EQ(TransformPoint(mirrored, { 160, 10 }), (LinePoint { 240, 10 }));

    // Round(x * sx / 10000) ties to even: (201 - 200) * 1.5 = 1.5 -> 2, (203 - 200) * 1.5 = 4.5 -> 4.
    EXPECT_EQ(TransformPoint(wider, { 201, 0 }).x, 202);
    EXPECT_EQ(TransformPoint(wider, { 203, 0 }).x, 204);

    // A band pressed level with the centre, the centre square and outside change nothing.
    EXPECT_EQ(TransformFor(kHandleTop, { 200, 50 }, { 210, 50 }, { 210, 10 }, false).kind,
        TransformStep::Kind::Keep);
    EXPECT_EQ(TransformFor(kHandleTopLeft, { 200, 50 }, { 200, 10 }, { 150, 0 }, false).kind,
        TransformStep::Kind::Keep);
    EXPECT_EQ(TransformFor(kHandleCentre, { 200, 50 }, { 201, 51 }, { 300, 90 }, false).kind,
        TransformStep::Kind::Keep);
    EXPECT_EQ(TransformFor(kHandleOutside, { 200, 50 }, { 0, 0 }, { 300, 90 }, false).kind,
        TransformStep::Kind::Keep);
}

TEST(FreeTransformRule, ShiftOnACornerGivesBothAxesTheLargerFactorWithTheirOwnSigns) {
    // Corner at (250, 100), centre (200, 50); dragged to x mirrored by 1.2, y by 1.5.
    const TransformStep step
        = TransformFor(kHandleBottomRight, { 200, 50 }, { 250, 100 }, { 140, 125 }, true);
    EXPECT_EQ(step.sx, -15000);
    EXPECT_EQ(step.sy, 15000);
    EXPECT_EQ(TransformFor(kHandleRight, { 200, 50 }, { 250, 100 }, { 275, 125 }, true).sy, 10000);
}

TEST(FreeTransformRule, ExtremeFactorsStopAtTheCoordinateRange) {
    const TransformStep huge = TransformFor(kHandleRight, { 0, 0 }, { 1, 0 }, { 2000000000, 0 }, false);
    EXPECT_EQ(TransformPoint(huge, { 2000, 0 }).x, INT32_MAX);
    EXPECT_EQ(TransformPoint(huge, { -2000, 0 }).x, INT32_MIN);
}

TEST(SelectionBoxRule, CentreRoundsHalfToEvenOverAllCopies) {
    const OrderLines copies = { Line {}, Box(151, 10, 160, 20), Line { { 250, 13 } } };
    const SelectionBox box = BoundingBox(copies);
    EXPECT_EQ(box, (SelectionBox { 151, 10, 250, 20, 200, 15, false }));
    EXPECT_EQ(BoundingBox({ Box(1, 1, 4, 2) }).centerX, 2); // 2.5 -> 2
    EXPECT_EQ(BoundingBox({ Box(1, 1, 6, 2) }).centerX, 4); // 3.5 -> 4
    EXPECT_TRUE(BoundingBox({ Line {} }).empty);
}

TEST(EditHistory, KeepsAtLeastAHundredStepsAndDropsRedoOnANewEdit) {
    EditHistory history;
    for (int i = 0; i < 150; ++i) history.record({ LineSet { OrderLines { Points(3, i) } }, {} });
    EXPECT_GE(history.undoSteps(), 100u);
    EditSnapshot current { LineSet { OrderLines { Points(3, 150) } }, {} };
    for (int i = 149; i >= 149 - 99; --i) {
        auto back = history.undo(current);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->lines[0][0], Points(3, i));
        current = *back;
    }
    history.record(current);
    EXPECT_FALSE(history.canRedo());
}

TEST(EditHistory, KnowsWhenTheLinesAreBackAtTheSavedStep) {
    const auto state = [](int i) { return EditSnapshot { LineSet { OrderLines { Points(3, i) } }, {} }; };
    EditHistory history;
    history.record(state(0));
    history.markSaved();
    history.record(state(1));
    EXPECT_FALSE(history.atSavedStep());
    history.undo(state(2));
    EXPECT_TRUE(history.atSavedStep());
    // Undone past the save and edited on: the saved state went with the redo steps.
    history.undo(state(1));
    history.record(state(0));
    history.undo(state(3));
    EXPECT_FALSE(history.atSavedStep());
    // Clearing keeps the mark only where the lines were as saved.
    history.markSaved();
    history.clear();
    EXPECT_TRUE(history.atSavedStep());
    history.record(state(4));
    history.clear();
    EXPECT_FALSE(history.atSavedStep());
    // So does trimming away the step before the saved state.
    history.markSaved();
    for (size_t i = 0; i <= EditHistory::kMaxSteps; ++i) history.record(state(static_cast<int>(i)));
    while (history.canUndo()) history.undo(state(5));
    EXPECT_FALSE(history.atSavedStep());
}

} // namespace
} // namespace deptrix
