#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/MainMenu.h"
#include "app/OutlineEditorController.h"
#include "app/PictureControl.h"
#include "app/TextAndPaths.h"
#include "app/Viewport.h"
#include "core/Document.h"
#include "files/SetupFields.h"
#include "files/SetupFileReader.h"
#include "outline/FreeTransform.h"
#include "outline/LineSetOps.h"
#include "outline/PickMap.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace deptrix {
namespace {

/// The DrawLine tab on layer 6 of the sample (row 5 of the table, an ordinary layer),
/// driven with real mouse events on the picture control.
class OutlineEditorWindow : public WindowFixture {
protected:
    PictureControl* picture = nullptr;

    /// Opens the tab with Begin Line, or with a click on its tab when `byTab`.
    void openSampleLayer(const LineSet& stored = {}, bool byTab = false) {
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
        if (byTab)
            clickTab(1);
        else
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
    /// A click on the tab of page `index` of the right-hand pages.
    void clickTab(int index) {
        QTabBar* tabs = find<QTabWidget>("PageControl1")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    }
    void chooseLayerRow(int row) {
        find<StringGrid>("StringGrid1")->setCurrentCell(row - 1, 2);
        window->selectLayer();
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

TEST_F(OutlineEditorWindow, TheTabOpenedByItsTabDrawsAtOnceAndTheButtonsShowTheActiveTool) {
    openSampleLayer({}, true);
    auto* drawLine = find<QToolButton>("ToolButton1");
    EXPECT_TRUE(drawLine->isChecked());
    click({ 120, 120 });
    click({ 260, 130 });
    click({ 180, 260 }, Qt::RightButton);
    EXPECT_EQ(window->document().EditLines[0].size(), 1u);
    EXPECT_EQ(picture->cursor().shape(), Qt::CrossCursor);

    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(editor().tool(), EditTool::FreeTransform);
    for (const char* name : { "ToolButton1", "ToolButton2", "ToolButton3", "ToolButton4", "ToolButton5" })
        EXPECT_FALSE(find<QToolButton>(name)->isChecked()) << name;
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(find<QToolButton>("ToolButton4")->isChecked());
    EXPECT_EQ(editor().tool(), EditTool::MoveLine);

    // Back on the tab after another page, drawing again.
    clickTab(0);
    clickTab(1);
    EXPECT_TRUE(drawLine->isChecked());
    EXPECT_EQ(editor().tool(), EditTool::DrawLine);
}

TEST_F(OutlineEditorWindow, CtrlZUndoesTheLastEditOnceNoLineIsInProgressAndTheHistoryStays) {
    openSampleLayer();
    const OrderLines& lines = window->document().EditLines[0];
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(window.get(), k, m); };
    click({ 120, 120 });
    click({ 260, 130 });
    click({ 180, 260 }, Qt::RightButton);
    ASSERT_EQ(lines.size(), 1u);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(window->document().EditLines[0].empty());
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(window->document().EditLines[0].size(), 1u);

    // Leaving the tab, and the tab's own preview, keep the layer's history.
    clickTab(0);
    clickTab(1);
    find<QSlider>("TrackBar1")->setValue(1);
    QTimer::singleShot(100, window.get(), [&] { find<QPushButton>("BitBtn6")->click(); });
    find<QPushButton>("BitBtn5")->click();
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(window->document().EditLines[0].empty());

    // While a line is being drawn, Ctrl+Z takes back its last point only.
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    click({ 300, 300 });
    click({ 340, 300 });
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor().drawPoints().size(), 1u);
    EXPECT_EQ(window->document().EditLines[0].size(), 1u);

    // Another picture starts without history.
    window->importPsdFile(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
    chooseLayerRow(5);
    window->mainMenu()->entries().beginLine->trigger();
    EXPECT_FALSE(editor().canUndoEdit());
}

TEST_F(OutlineEditorWindow, SelectionCommandsTakeOnlyShownOutlinesAndHandlesShowAtAnyZoom) {
    LineSet stored = EmptyLineSet();
    stored[0] = { Line { { 200, 150 }, { 300, 150 }, { 300, 250 }, { 200, 250 } } };
    stored[2] = { Line { { 400, 300 }, { 500, 300 }, { 450, 380 } } };
    openSampleLayer(stored);
    const Document& doc = window->document();
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(window.get(), k, m); };
    QTest::mouseClick(find<QCheckBox>("CheckBox3"), Qt::LeftButton); // Order 3 hidden
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(editor().selection(), (LineRefs { { 0, 0 } }));
    key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(editor().selectionBox(), (SelectionBox { 200, 150, 300, 250, 250, 200, false }));
    key(Qt::Key_Return);
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(doc.EditLines[0].empty());
    EXPECT_EQ(doc.EditLines[2].size(), 1u);
    key(Qt::Key_V, Qt::ControlModifier);

    // Zoomed in so far that a working pixel spans several screen pixels, the handles
    // still have a dark edge around a light inside and grab where they show.
    for (int i = 0; i < 5; ++i) window->zoomIn();
    key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(editor().tool(), EditTool::FreeTransform);
    const SelectionBox box = editor().selectionBox();
    const ViewMapping& view = editor().viewMapping();
    ASSERT_LT(view.scale, 2500); // where two mark units come to nothing
    const PickMap& map = editor().pickMap();
    int across = 0;
    for (int x = box.right - 20; x <= box.right + 20; ++x)
        across += map.pick(x, box.bottom).handle == kHandleBottomRight;
    EXPECT_GE(across * 10000.0 / view.scale, 7.0);
    const QImage shown = picture->picture();
    const auto grey = [&](int x, int y) { return qGray(shown.pixel(x, y)); };
    EXPECT_GE(grey(box.right, box.bottom), 200);
    EXPECT_LE(grey(box.right - view.handleHalf(), box.bottom), 64);
}

TEST_F(OutlineEditorWindow, ASelectionStaysWithItsLayerThroughTheTabs) {
    LineSet stored = EmptyLineSet();
    stored[0] = { Line { { 200, 150 }, { 300, 150 }, { 300, 250 }, { 200, 250 } } };
    openSampleLayer(stored);
    window->document().LayerLines[3] = stored; // row 8: the same line on another layer
    QTest::mouseClick(find<QToolButton>("ToolButton4"), Qt::LeftButton);
    click(client({ 250, 200 }));
    ASSERT_EQ(editor().selection(), (LineRefs { { 0, 0 } }));

    clickTab(0);
    chooseLayerRow(8);
    clickTab(1);
    ASSERT_EQ(editor().layer(), 3);
    QTest::mouseClick(find<QToolButton>("ToolButton4"), Qt::LeftButton);
    QTest::keyClick(window.get(), Qt::Key_Delete);
    EXPECT_EQ(window->document().EditLines[0].size(), 1u);
    EXPECT_TRUE(editor().selection().empty());
}

TEST_F(OutlineEditorWindow, SavedSettingsHoldTheLinesShownAfterEveryEdit) {
    openSampleLayer();
    const QString path = folder.filePath("lines.tw3d2");
    const Document& doc = window->document();
    const MenuEntries& menu = window->mainMenu()->entries();
    int saves = 0;
    LineSet before = doc.EditLines;
    const auto expectSavedAsShown = [&](const char* step) {
        EXPECT_NE(doc.EditLines, before) << step << " changed nothing";
        before = doc.EditLines;
        platform.saveAnswers.push_back(path);
        menu.saveSettings->trigger();
        ASSERT_TRUE(platform.errors.isEmpty()) << step << ": " << platform.errors.join("\n").toStdString();
        ++saves;
        // The records the file refers to, without the pictures.
        Document read;
        read.LayerCount = doc.LayerCount;
        read.Layers = doc.Layers;
        read.SourceWidth = doc.SourceWidth;
        read.SourceHeight = doc.SourceHeight;
        SetupFields fields(read);
        SetupFileReader reader = SetupFileReader::FromFile(ToPath(path));
        reader.readImageLine();
        reader.apply(SetupKind::Settings, read, fields);
        EXPECT_EQ(read.LayerLines.at(6), doc.EditLines) << step;
    };
    const auto tool = [&](const char* name) { QTest::mouseClick(find<QToolButton>(name), Qt::LeftButton); };

    click({ 120, 120 });
    click({ 300, 120 });
    click({ 200, 300 }, Qt::RightButton);
    expectSavedAsShown("draw");
    click({ 330, 330 });
    click({ 420, 330 });
    click({ 380, 420 }, Qt::RightButton);
    expectSavedAsShown("draw a second line");
    tool("ToolButton4");
    drag({ 200, 180 }, { 230, 200 });
    expectSavedAsShown("move line");
    tool("ToolButton2");
    click({ 260, 140 });
    expectSavedAsShown("add point");
    tool("ToolButton5");
    drag({ 375, 331 }, { 390, 300 });
    expectSavedAsShown("move point");
    tool("ToolButton3");
    const LinePoint first = doc.EditLines[0][0][0];
    click(client(first));
    expectSavedAsShown("delete point");
    menu.selectAllLines->trigger();
    menu.freeTransform->trigger();
    const SelectionBox box = editor().selectionBox();
    drag(client({ box.right, box.bottom }), client({ box.right, box.bottom }) + QPoint(30, 20));
    QTest::keyClick(window.get(), Qt::Key_Return);
    expectSavedAsShown("free transform");
    menu.selectAllLines->trigger();
    QTest::mouseClick(find<QToolButton>("ToolButton8"), Qt::LeftButton);
    expectSavedAsShown("move down an order");
    tool("ToolButton9");
    expectSavedAsShown("cut");
    tool("ToolButton10");
    expectSavedAsShown("paste");
    menu.undoLineEdit->trigger();
    expectSavedAsShown("undo");
    menu.redoLineEdit->trigger();
    expectSavedAsShown("redo");
    menu.deleteLine->trigger();
    expectSavedAsShown("delete line");
    menu.deleteAllLines->trigger();
    expectSavedAsShown("delete all");
    menu.undoLineEdit->trigger();
    expectSavedAsShown("undo delete all");
    EXPECT_EQ(saves, 15);
    EXPECT_FALSE(doc.EditLines[1].empty());
}

} // namespace
} // namespace deptrix
