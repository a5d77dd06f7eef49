#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/MainMenu.h"
#include "app/OutlineEditorController.h"
#include "app/PictureControl.h"
#include "app/Viewport.h"
#include "outline/FreeTransform.h"
#include "outline/LineSetOps.h"

#include <QAction>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace deptrix {
namespace {

/// The DrawLine tab on layer 6 of the sample (row 5 of the table, an ordinary layer),
/// driven with real mouse events on the picture control.
class OutlineEditorWindow : public WindowFixture {
protected:
    PictureControl* picture = nullptr;

    void openSampleLayer(const LineSet& stored = {}) {
        openActive();
        window->importPsdFile(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
        ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
        auto* grid = find<StringGrid>("StringGrid1");
        grid->setCurrentCell(4, 2);
        window->selectLayer();
        ASSERT_EQ(window->document().SelectedLayer, 6);
        if (!stored.empty()) {
            window->document().LayerLines.assign(window->document().LayerCount, LineSet {});
            window->document().LayerLines[6] = stored;
        }
        // Begin Line opens the tab with the Draw Line tool (the editor starts idle).
        window->mainMenu()->entries().beginLine->trigger();
        ASSERT_EQ(find<QTabWidget>("PageControl1")->currentWidget(), find<TabSheet>("TabSheet2"));
        picture = find<PictureControl>("Image1");
        ASSERT_TRUE(picture->isEnabled());
        ASSERT_TRUE(find<QToolBar>("ToolBar2")->isVisible());
    }
    OutlineEditor& editor() { return window->outlineEditor()->editor(); }
    LinePoint working(QPoint client) { return editor().viewMapping().toWorking(client.x(), client.y()); }
    /// A client position whose working pixel is within a client pixel of `p`.
    QPoint client(LinePoint p) {
        const ViewMapping& m = editor().viewMapping();
        return { static_cast<int>(Round((p.x * 1e8L / m.scale + m.offsetX) / 10000.0L)),
            static_cast<int>(Round((p.y * 1e8L / m.scale + m.offsetY) / 10000.0L)) };
    }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseMove(picture, at);
        QTest::mouseClick(picture, button, {}, at);
    }
    void drag(QPoint from, QPoint to) {
        QTest::mouseMove(picture, from);
        QTest::mousePress(picture, Qt::LeftButton, {}, from);
        QTest::mouseMove(picture, (from + to) / 2);
        QTest::mouseMove(picture, to);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, to);
    }
    /// The red of the displayed picture at working pixel p, and what the tint of
    /// order index 0 makes of the layer's own red there.
    int shownRed(LinePoint p) { return qRed(picture->picture().pixel(p.x, p.y)); }
    int tintedRed(LinePoint p) {
        const std::uint8_t red = window->document().Composite.row(p.y)[p.x * 3 + 2];
        return static_cast<int>(Round(red / 255.0L * 110));
    }
};

TEST_F(OutlineEditorWindow, ThreeClicksDrawATintedLineThatMoveLineDrags) {
    openSampleLayer();
    const QPoint a(120, 120), b(260, 130), c(180, 260);
    click(a);
    click(b);
    click(c, Qt::RightButton);
    const Document& doc = window->document();
    ASSERT_EQ(doc.EditLines[0].size(), 1u);
    EXPECT_EQ(doc.EditLines[0][0], (Line { working(a), working(b), working(c) }));
    const LinePoint inside = working((a + b + c) / 3);
    EXPECT_EQ(shownRed(inside), tintedRed(inside));
    EXPECT_NE(tintedRed(inside), qRed(PictureControl::ToImage(doc.Composite).pixel(inside.x, inside.y)));

    QTest::mouseClick(find<QToolButton>("ToolButton4"), Qt::LeftButton);
    EXPECT_EQ(editor().tool(), EditTool::MoveLine);
    const QPoint from = (a + b + c) / 3, to = from + QPoint(60, 40);
    drag(from, to);
    const LinePoint delta { working(to).x - working(from).x, working(to).y - working(from).y };
    const auto moved = [&](QPoint p) { return LinePoint { working(p).x + delta.x, working(p).y + delta.y }; };
    EXPECT_EQ(doc.EditLines[0][0], (Line { moved(a), moved(b), moved(c) }));
    const LinePoint newInside = working(to);
    EXPECT_EQ(shownRed(newInside), tintedRed(newInside));
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeAllCursor);

    // The history takes the move back; the line keeps its first place.
    window->mainMenu()->entries().undoLineEdit->trigger();
    EXPECT_EQ(doc.EditLines[0][0], (Line { working(a), working(b), working(c) }));

    // Leaving the tab stores the lines for the layer.
    find<TabSheet>("TabSheet1")->activate();
    EXPECT_FALSE(picture->isEnabled());
    EXPECT_EQ(doc.LayerLines[6][0].size(), 1u);
}

TEST_F(OutlineEditorWindow, ZoomedInPointsLandWhereClickedAndTheSpaceBarStillPans) {
    openSampleLayer();
    window->zoomIn();
    window->zoomIn();
    const Viewport* viewport = window->viewport();
    EXPECT_EQ(editor().viewMapping().scale, viewport->viewScale());
    click({ 300, 300 });
    EXPECT_EQ(editor().drawPoints(), (Line { working({ 300, 300 }) }));

    const QPoint scroll = viewport->scrollPosition();
    QTest::keyPress(window.get(), Qt::Key_Space);
    EXPECT_FALSE(picture->isEnabled());
    QWidget* area = window->viewport()->viewport();
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(area, QPoint(250, 260));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(250, 260));
    QTest::keyRelease(window.get(), Qt::Key_Space);
    EXPECT_NE(viewport->scrollPosition(), scroll);
    EXPECT_TRUE(picture->isEnabled());
    EXPECT_EQ(editor().drawPoints().size(), 1u); // panning placed no point

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(editor().drawPoints().empty());
}

TEST_F(OutlineEditorWindow, SelectAllFreeTransformAndACornerDragScaleTheLines) {
    LineSet stored = EmptyLineSet();
    stored[2] = { Line { { 200, 150 }, { 420, 170 }, { 380, 330 }, { 230, 300 } } };
    stored[9] = { Line { { 250, 200 }, { 300, 200 }, { 280, 260 } } };
    openSampleLayer(stored);
    const MenuEntries& menu = window->mainMenu()->entries();
    menu.selectAllLines->trigger();
    EXPECT_TRUE(find<QToolButton>("ToolButton4")->isChecked());
    menu.freeTransform->trigger();
    ASSERT_EQ(editor().tool(), EditTool::FreeTransform);
    const SelectionBox box = editor().selectionBox();
    ASSERT_EQ(box, (SelectionBox { 200, 150, 420, 330, 310, 240, false }));

    const QPoint corner = client({ box.right, box.bottom });
    QTest::mouseMove(picture, corner);
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeFDiagCursor);
    const QPoint to = corner + QPoint(40, 25);
    drag(corner, to);
    // Scaled about the centre by the corner's last position; the middle move's box
    // keeps the centre where it was.
    const TransformStep step
        = TransformFor(kHandleBottomRight, { 310, 240 }, working(corner), working(to), false);
    OrderLines expected;
    TransformLines(stored, editor().selection(), step, expected);
    const Document& doc = window->document();
    EXPECT_EQ(doc.EditLines[9][0], expected[0]);
    EXPECT_EQ(doc.EditLines[2][0], expected[1]);

    // A double click inside the box ends the transform; the lines stay as committed.
    // The events of a real double click: press, release, double click, release.
    const QPoint inside = client({ 300, 230 });
    QTest::mouseClick(picture, Qt::LeftButton, {}, inside);
    QTest::mouseDClick(picture, Qt::LeftButton, {}, inside);
    EXPECT_EQ(editor().tool(), EditTool::None);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, inside);
    EXPECT_EQ(editor().tool(), EditTool::MoveLine);
    EXPECT_EQ(doc.EditLines[9][0], expected[0]);
    EXPECT_EQ(doc.EditLines[2][0], expected[1]);

    // Cut and Pastup through the buttons, which only Pastup's state follows.
    auto* paste = find<QToolButton>("ToolButton10");
    EXPECT_FALSE(paste->isEnabled());
    QTest::mouseClick(find<QToolButton>("ToolButton9"), Qt::LeftButton);
    EXPECT_TRUE(doc.EditLines[2].empty());
    EXPECT_TRUE(paste->isEnabled());
    QTest::mouseClick(paste, Qt::LeftButton);
    EXPECT_FALSE(paste->isEnabled());
    EXPECT_EQ(doc.EditLines[2][0], expected[1]);
}

} // namespace
} // namespace deptrix
