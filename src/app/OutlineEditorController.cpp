#include "app/OutlineEditorController.h"

#include "app/CommandGuard.h"
#include "app/Controls.h"
#include "app/FieldText.h"
#include "app/LayerPanel.h"
#include "app/OutlinePanel.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/TextAndPaths.h"
#include "app/UiTexts.h"
#include "app/Viewport.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "import/LayerTable.h"
#include "render/LayerDisplay.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace deptrix {

namespace {

Qt::CursorShape CursorFor(PointerShape shape) {
    switch (shape) {
    case PointerShape::Arrow:
        return Qt::ArrowCursor;
    case PointerShape::Cross:
        return Qt::CrossCursor;
    case PointerShape::Move:
        return Qt::SizeAllCursor;
    case PointerShape::NotAllowed:
        return Qt::ForbiddenCursor;
    case PointerShape::SizeVertical:
        return Qt::SizeVerCursor;
    case PointerShape::SizeHorizontal:
        return Qt::SizeHorCursor;
    case PointerShape::SizeTopLeft:
        return Qt::SizeFDiagCursor;
    case PointerShape::SizeTopRight:
        return Qt::SizeBDiagCursor;
    }
    return Qt::ArrowCursor;
}

PointerInput InputFrom(const QMouseEvent& event) {
    const QPoint at = event.position().toPoint();
    PointerInput input { at.x(), at.y(), MouseButton::Left, (event.modifiers() & Qt::ShiftModifier) != 0 };
    if (event.button() == Qt::RightButton) input.button = MouseButton::Right;
    if (event.button() == Qt::MiddleButton) input.button = MouseButton::Middle;
    return input;
}

} // namespace

OutlineEditorController::OutlineEditorController(
    Document& doc, const OutlineControls& controls, const CommandGuard& guard, QObject* parent)
    : QObject(parent)
    , m_doc(doc)
    , m_controls(controls)
    , m_guard(guard)
    , m_editor(doc) {
    connectControls();
    // The picture's mouse events reach this filter before the viewport's panning.
    m_picture = controls.viewport->picture();
    m_picture->installEventFilter(this);
    connect(controls.viewport->picture(), &PictureControl::pictureReplaced, this,
        &OutlineEditorController::pictureReplaced);
    QLineEdit* depth = controls.panel->depthField();
    connect(depth, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (IsNumberText(text, false)) m_acceptedDepth = text;
    });
    qApp->installEventFilter(this);
}

OutlineEditorController::~OutlineEditorController() {
    qApp->removeEventFilter(this);
}

void OutlineEditorController::connectControls() {
    connect(m_controls.pages, &QTabWidget::currentChanged, this, &OutlineEditorController::pageChanged);
    const std::pair<QToolButton*, EditTool> tools[] = {
        { m_controls.drawLineTool, EditTool::DrawLine },
        { m_controls.addPointTool, EditTool::AddPoint },
        { m_controls.deletePointTool, EditTool::DeletePoint },
        { m_controls.moveLineTool, EditTool::MoveLine },
        { m_controls.movePointTool, EditTool::MovePoint },
    };
    for (const auto& [button, tool] : tools)
        connect(button, &QToolButton::clicked, this, [this, tool = tool] { chooseTool(tool); });
    connect(m_controls.panel->orderChoice(), &RadioGroup::itemIndexChanged, this,
        &OutlineEditorController::orderChosen);
    const auto& boxes = m_controls.panel->orderViewBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        connect(boxes[i], &QCheckBox::toggled, this, [this, i](bool checked) {
            run([&] { return m_editor.setOrderVisible(static_cast<int>(i), checked); });
        });
    }
}

// --- The tab -------------------------------------------------------------------------

void OutlineEditorController::pageChanged(int index) {
    QWidget* page = m_controls.pages->widget(index);
    if (m_tabShowing && page != m_controls.drawLineTab) hideTab();
    if (!m_tabShowing && page == m_controls.drawLineTab) {
        m_guard.run([this] { showTab(); });
    }
}

void OutlineEditorController::showTab() {
    m_tabShowing = true;
    // Without a document there is nothing to edit: the picture stays disabled.
    if (m_doc.LayerCount == 0 || !m_doc.DocumentLoaded) return;
    const int layer = m_doc.SelectedLayer;
    if (layer < 0 || layer >= static_cast<int>(m_doc.Layers.size())) return;
    const std::uint8_t group = m_doc.Layers[static_cast<size_t>(layer)].Group;
    if (group >= 1 && group <= kGroupLastFlip) {
        // A member of a flip group has no outlines of its own: back to the layers.
        m_controls.toolBar->hide();
        m_controls.setLayerTab->activate();
        return;
    }
    PictureControl* picture = m_controls.viewport->picture();
    picture->setEnabled(true);
    picture->setMouseTracking(true);
    m_drawLineMode = true;
    // The tab opens on the whole picture, whatever zoom the other tab left.
    m_controls.viewport->fitToWindow(m_doc.ImageWidth, m_doc.ImageHeight);
    ShowSingleLayer(m_doc, layer);
    {
        // The layer is shown here already; the choice only follows.
        const QSignalBlocker quiet(m_controls.layerPanel->layerViewChoice());
        m_controls.layerPanel->layerViewChoice()->setItemIndex(1);
    }
    show(m_editor.open(layer, picture->width(), picture->height()));
    // The tab always opens drawing, so the button that shows pressed is the tool that acts.
    show(m_editor.selectTool(EditTool::DrawLine));
    const ViewMapping& mapping = m_editor.viewMapping();
    m_controls.viewport->setViewScale(mapping.scale, mapping.offsetX, mapping.offsetY);

    SetEnabled({ m_controls.undoPointButton, m_controls.deleteLineButton, m_controls.deleteOrderButton,
                   m_controls.deleteAllLinesButton },
        true);
    m_controls.beginLineButton->setEnabled(false);
    const LayerRecord& record = m_doc.Layers[static_cast<size_t>(layer)];
    m_controls.panel->depthField()->setText(Text(FormatFixed(record.Depth)));
    m_controls.panel->smoothnessSlider()->setValue(record.Smooth);
    m_controls.panel->baseOrderSlider()->setValue(record.BaseOrder);
    m_controls.toolBar->show();
    picture->setCursor(Qt::CrossCursor);
    syncControls();
}

void OutlineEditorController::hideTab() {
    m_tabShowing = false;
    m_doc.LinePreviewStop = kLinePreviewStopValue;
    PictureControl* picture = m_controls.viewport->picture();
    picture->setEnabled(false);
    picture->setMouseTracking(false);
    picture->unsetCursor();
    m_drawLineMode = false;
    if (m_editor.isOpen()) {
        // The picture keeps showing the layer as it was; the editor's own copy goes.
        picture->showBitmap(m_editor.display());
        m_shown = QImage();
    }
    m_editor.close();
    SetEnabled({ m_controls.undoPointButton, m_controls.deleteLineButton, m_controls.deleteOrderButton,
                   m_controls.deleteAllLinesButton },
        false);
    m_controls.beginLineButton->setEnabled(true);
    m_controls.toolBar->hide();
}

void OutlineEditorController::documentReplaced() {
    PictureControl* picture = m_controls.viewport->picture();
    if (!m_shown.isNull()) picture->clearPicture();
    m_shown = QImage();
    m_editor.forgetDocument();
    m_drawLineMode = false;
    picture->setEnabled(false);
    picture->setMouseTracking(false);
    picture->unsetCursor();
}

void OutlineEditorController::linesReplaced() {
    // The histories go also when the tab is not showing: they hold the old lines.
    if (!m_drawLineMode) {
        m_editor.linesReplaced();
        return;
    }
    run([&] { return m_editor.linesReplaced(); });
}

void OutlineEditorController::showDepthMap(const Bitmap& map) {
    m_showingDepthMap = true;
    m_controls.viewport->picture()->showBitmap(map);
    m_showingDepthMap = false;
    m_shown = QImage();
    m_depthMapShown = true;
    emit depthMapShownChanged(true);
}

void OutlineEditorController::pictureReplaced() {
    if (m_showingDepthMap || !m_depthMapShown) return;
    m_depthMapShown = false;
    emit depthMapShownChanged(false);
}

void OutlineEditorController::showOutlines() {
    if (m_depthMapShown) {
        m_depthMapShown = false;
        emit depthMapShownChanged(false);
    }
    if (!m_drawLineMode || !m_editor.isOpen()) return;
    PictureControl* picture = m_controls.viewport->picture();
    picture->setEnabled(true);
    SetEnabled({ m_controls.undoPointButton, m_controls.deleteLineButton, m_controls.deleteOrderButton,
                   m_controls.deleteAllLinesButton },
        true);
    m_controls.beginLineButton->setEnabled(false);
    m_shown = QImage();
    EditorResponse whole;
    whole.repaint = { 0, 0, m_editor.display().width(), m_editor.display().height() };
    show(whole);
}

void OutlineEditorController::viewZoomed() {
    if (!m_editor.isOpen()) return;
    const Viewport& viewport = *m_controls.viewport;
    m_editor.setViewMapping({ viewport.viewScale(), viewport.viewOffsetX(), viewport.viewOffsetY(),
        viewport.picture()->width(), viewport.picture()->height() });
}

// --- Controls ------------------------------------------------------------------------

void OutlineEditorController::chooseTool(EditTool tool) {
    run([&] { return m_editor.selectTool(tool); });
}

void OutlineEditorController::orderChosen(int item) {
    if (m_depthMapShown) showOutlines();
    // The empty 16th item stands for the last order.
    if (item == OutlinePanel::kOrders) {
        m_controls.panel->orderChoice()->setItemIndex(OutlinePanel::kOrders - 1);
        return;
    }
    if (item < 0) return;
    m_editor.setCurrentOrder(item);
    m_controls.panel->placeMarker(m_doc.CurOrder);
}

QToolButton* OutlineEditorController::buttonFor(EditTool tool) const {
    switch (tool) {
    case EditTool::DrawLine:
        return m_controls.drawLineTool;
    case EditTool::AddPoint:
        return m_controls.addPointTool;
    case EditTool::DeletePoint:
        return m_controls.deletePointTool;
    case EditTool::MoveLine:
        return m_controls.moveLineTool;
    case EditTool::MovePoint:
        return m_controls.movePointTool;
    case EditTool::None:
    case EditTool::FreeTransform:
        break;
    }
    return nullptr;
}

void OutlineEditorController::syncControls() {
    RadioGroup* orders = m_controls.panel->orderChoice();
    if (orders->itemIndex() != m_doc.CurOrder) orders->setItemIndex(m_doc.CurOrder);
    if (QToolButton* button = buttonFor(m_editor.checkedButton())) {
        button->setChecked(true);
    } else if (QButtonGroup* tools = m_controls.drawLineTool->group()) {
        // Free Transform has no button of its own: none shows pressed meanwhile.
        tools->setExclusive(false);
        for (QAbstractButton* tool : tools->buttons()) tool->setChecked(false);
        tools->setExclusive(true);
    }
    m_controls.pasteButton->setEnabled(m_editor.pasteEnabled());
}

template <typename Call> void OutlineEditorController::run(Call&& call) {
    m_guard.run([&] {
        // Whatever the user does to the lines shows them again.
        if (m_depthMapShown) showOutlines();
        show(call());
        syncControls();
    });
}

void OutlineEditorController::show(const EditorResponse& response) {
    PictureControl* picture = m_controls.viewport->picture();
    if (!response.repaint.empty() && m_editor.isOpen() && !m_depthMapShown) {
        const Bitmap& display = m_editor.display();
        if (m_shown.constBits() != display.bits() || m_shown.width() != display.width()
            || m_shown.height() != display.height()) {
            m_shown = QImage(display.bits(), display.width(), display.height(),
                static_cast<qsizetype>(display.stride()), QImage::Format_BGR888);
            picture->showLiveImage(m_shown);
        } else {
            const PixelRect& r = response.repaint;
            picture->updatePictureArea(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
        }
    }
    if (response.pointer) picture->setCursor(CursorFor(*response.pointer));
    for (int i = 0; i < response.beeps; ++i) m_guard.platform().beep();
    if (response.linesChanged) emit linesEdited();
    if (response.layerChanged) showLayerState();
    if (response.finishedLineHidden)
        emit notice(Tr(Ui::LineHiddenUnderNearer, m_language).arg(m_doc.CurOrder + 1));
}

void OutlineEditorController::showLayerState() {
    const int layer = m_editor.layer();
    if (layer < 0 || static_cast<size_t>(layer) >= m_doc.Layers.size()) return;
    const LayerRecord& record = m_doc.Layers[static_cast<size_t>(layer)];
    m_controls.layerPanel->layerTable()->setCell(
        1, m_doc.LayerCount - layer, Text(GroupLetter(record.Group)));
    QLineEdit* depth = m_controls.panel->depthField();
    // The text as typed stays while it says the same.
    bool same = false;
    try {
        same = ParseFieldFixed(Std(depth->text())) == record.Depth;
    } catch (const ConvertError&) { }
    if (!same) depth->setText(Text(FormatFixed(record.Depth)));
    m_controls.panel->smoothnessSlider()->setValue(record.Smooth);
    m_controls.panel->baseOrderSlider()->setValue(record.BaseOrder);
}

// --- Events --------------------------------------------------------------------------

bool OutlineEditorController::eventFilter(QObject* watched, QEvent* event) {
    // The filter sees the whole application: while the window is torn down its
    // controls may already be gone.
    if (!m_picture) return QObject::eventFilter(watched, event);
    if (watched == m_picture) {
        if (routeMouse(event)) return true;
    } else if (event->type() == QEvent::KeyPress && routeKey(event)) {
        return true;
    } else if (event->type() == QEvent::FocusOut && watched == m_controls.panel->depthField()
        && ParameterPanel::LeavesForAnotherControl(*static_cast<QFocusEvent*>(event))) {
        m_guard.run([this] { depthFieldLeft(); });
    }
    return QObject::eventFilter(watched, event);
}

bool OutlineEditorController::routeMouse(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease
        && type != QEvent::MouseButtonDblClick)
        return false;
    // While the space bar is held the mouse pans the view.
    if (!m_drawLineMode || !m_editor.isOpen() || m_controls.viewport->panArmed()
        || !m_controls.viewport->picture()->isEnabled())
        return false;
    const PointerInput input = InputFrom(*static_cast<QMouseEvent*>(event));
    if (type == QEvent::MouseMove) {
        // Hovering over the depth map changes nothing; a press brings the lines back.
        if (m_depthMapShown) return true;
        // Moves only redraw feedback; the controls keep their state.
        m_guard.run([&] { show(m_editor.move(input)); });
        return true;
    }
    run([&] {
        if (type == QEvent::MouseButtonPress) return m_editor.press(input);
        if (type == QEvent::MouseButtonRelease) return m_editor.release(input);
        return m_editor.doubleClick(input);
    });
    return true;
}

bool OutlineEditorController::routeKey(QEvent* event) {
    if (!m_drawLineMode || !m_editor.isOpen()) return false;
    QWidget* window = m_controls.pages->window();
    if (!window->isActiveWindow()) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && !m_editor.drawPoints().empty()) {
        run([&] { return m_editor.key(EditorKey::Escape); });
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_editor.tool() == EditTool::FreeTransform) {
        run([&] { return m_editor.key(EditorKey::Enter); });
        return true;
    }
    return false;
}

// --- Commands ------------------------------------------------------------------------

void OutlineEditorController::beginLine() {
    if (!m_doc.DocumentLoaded) return;
    // Shown again, so the tab is reopened for the selected layer.
    if (m_controls.pages->currentWidget() == m_controls.drawLineTab) {
        hideTab();
        showTab();
    } else {
        m_controls.drawLineTab->activate();
    }
    run([&] { return m_editor.selectTool(EditTool::DrawLine); });
}

void OutlineEditorController::undoPoint() {
    // Undo takes back the last point while a line is being drawn, else the last edit.
    run([&] { return m_editor.drawPoints().empty() ? m_editor.undoEdit() : m_editor.undoPoint(); });
}

void OutlineEditorController::deleteLine() {
    run([&] { return m_editor.deleteLine(); });
}

void OutlineEditorController::deleteOrder() {
    run([&] { return m_editor.deleteOrder(); });
}

Fixed OutlineEditorController::tabDepth() const {
    const QString text = m_controls.panel->depthField()->text();
    if (!IsNumberText(text, false))
        RefuseFieldText(FieldName(m_controls.panel->depthLabel()), text, false, m_language);
    return ParseFieldFixed(Std(text));
}

void OutlineEditorController::depthFieldLeft() {
    QLineEdit* depth = m_controls.panel->depthField();
    const QString text = depth->text();
    if (IsNumberText(text, false)) return;
    depth->setText(m_acceptedDepth);
    RefuseFieldText(FieldName(m_controls.panel->depthLabel()), text, false, m_language);
}

void OutlineEditorController::deleteAllLines() {
    if (!m_editor.isOpen()) return;
    // The depth is read first: a text that is no number deletes nothing.
    const OutlineSettings settings { tabDepth(),
        static_cast<std::uint8_t>(m_controls.panel->smoothnessSlider()->value()),
        static_cast<std::uint8_t>(m_controls.panel->baseOrderSlider()->value()) };
    run([&] { return m_editor.deleteAll(settings); });
}

void OutlineEditorController::deleteSelection() {
    run([&] { return m_editor.deleteSelection(); });
}

void OutlineEditorController::selectAllLines() {
    run([&] { return m_editor.selectAll(); });
}

void OutlineEditorController::freeTransform() {
    run([&] { return m_editor.freeTransform(); });
}

void OutlineEditorController::cutLines() {
    run([&] { return m_editor.cut(); });
}

void OutlineEditorController::copyLines() {
    run([&] { return m_editor.copy(); });
}

void OutlineEditorController::pasteLines() {
    run([&] { return m_editor.paste(); });
}

void OutlineEditorController::moveLinesDown() {
    run([&] { return m_editor.moveLinesDown(); });
}

void OutlineEditorController::moveLinesUp() {
    run([&] { return m_editor.moveLinesUp(); });
}

void OutlineEditorController::undoLineEdit() {
    run([&] { return m_editor.undoEdit(); });
}

void OutlineEditorController::redoLineEdit() {
    run([&] { return m_editor.redoEdit(); });
}

} // namespace deptrix
