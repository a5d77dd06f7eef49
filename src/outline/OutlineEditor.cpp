// The editor's lifecycle, display, pick maps, tool buttons, event dispatch and edit
// history. The tools themselves are in EditorPointer.cpp and EditorPointTools.cpp, the
// selection commands in EditorCommands.cpp.

#include "outline/OutlineEditor.h"

#include "core/Error.h"
#include "outline/LineSetOps.h"

#include <algorithm>

namespace deptrix {

namespace {

PixelRect Whole(const Bitmap& picture) {
    return { 0, 0, picture.width(), picture.height() };
}

} // namespace

OutlineEditor::OutlineEditor(Document& doc)
    : m_doc(doc) {
    m_visible.fill(true);
}

// --- The tab -------------------------------------------------------------------------

EditorResponse OutlineEditor::open(int layer, int clientWidth, int clientHeight) {
    EditorResponse response;
    if (m_doc.LayerCount == 0 || layer < 0 || layer >= m_doc.LayerCount) return response;
    if (!m_doc.Composite.empty() && m_doc.Composite.format() != PixelFormat::Bgr24)
        throw Error("the outline display needs a 24-bit picture");
    m_doc.LayerLines.resize(m_doc.LayerCount);
    LineSet& stored = m_doc.LayerLines[static_cast<size_t>(layer)];
    m_doc.EditLines = EmptyLineSet();
    if (!stored.empty()) {
        m_doc.EditLines = stored;
        m_doc.EditLines.resize(kOrderCount);
    }
    m_layer = layer;
    m_open = true;
    if (layer != m_workLayer) forgetLayerWork();
    m_workLayer = layer;
    forgetPaintedLines();
    // The fit comes first so the first display already uses the pen widths of the
    // scale it is shown at.
    m_mapping = FitMapping(m_mapping, imageWidth(), imageHeight(), clientWidth, clientHeight);
    refreshDisplay(response);
    return response;
}

void OutlineEditor::close() {
    if (!m_open) return;
    if (!m_doc.EditLines.empty()) {
        if (m_doc.LayerLines.size() <= static_cast<size_t>(m_layer))
            m_doc.LayerLines.resize(static_cast<size_t>(m_layer) + 1);
        m_doc.LayerLines[static_cast<size_t>(m_layer)] = m_doc.EditLines;
    }
    m_doc.EditLines.clear();
    // An abandoned line is dropped with its points, so Undo can't bring it back into
    // the next line.
    m_drawPoints.clear();
    m_dragging = false;
    m_open = false;
    m_display.release();
    m_tintMask.release();
    m_raster.clear();
    forgetPaintedLines();
}

void OutlineEditor::forgetDocument() {
    close();
    forgetHistories();
    forgetLayerWork();
    m_workLayer = -1;
}

void OutlineEditor::forgetLayerWork() {
    m_selection.clear();
    m_workingCopies.clear();
    m_pickedLine.clear();
    forgetPickedPoints();
    m_hoverTarget = false;
    m_dragging = false;
    m_box = {};
    if (m_tool == EditTool::FreeTransform) {
        // The box belonged to the other layer's lines.
        m_tool = EditTool::MoveLine;
    }
}

void OutlineEditor::settlePickedPoints() {
    if (!m_pickedPoints.empty() && (m_selection.empty() || !(m_selection.front() == m_pickedPointsLine)))
        forgetPickedPoints();
}

void OutlineEditor::setViewMapping(const ViewMapping& mapping) {
    m_mapping = mapping;
    m_pickMap.invalidate();
}

// --- Display and pick maps -------------------------------------------------------------

const RasterizedLines& OutlineEditor::raster() {
    const int unit = markUnit();
    if (!m_rasterValid || m_rasterUnit != unit) {
        m_raster = RasterizeLines(lines(), imageWidth(), imageHeight(), unit);
        m_rasterValid = true;
        m_rasterUnit = unit;
    }
    return m_raster;
}

void OutlineEditor::forgetPaintedLines() {
    m_rasterValid = false;
    m_pickMap.invalidate();
}

EditorResponse OutlineEditor::linesReplaced() {
    EditorResponse response;
    // The histories and the selection hold lines from before; they are no steps back
    // from these, and their references may name other lines now.
    forgetHistories();
    forgetLayerWork();
    if (!m_open) return response;
    if (m_doc.EditLines.size() != static_cast<size_t>(kOrderCount)) m_doc.EditLines.resize(kOrderCount);
    forgetPaintedLines();
    redisplay(response);
    return response;
}

void OutlineEditor::refreshDisplay(EditorResponse& response) {
    const int unit = markUnit();
    if (m_doc.Composite.empty()) {
        m_display.release();
        m_tintMask.release();
    } else {
        PaintTintMask(m_tintMask, imageWidth(), imageHeight(), raster(), m_visible);
        ApplyTint(m_doc.Composite, m_tintMask, m_display);
    }
    m_pen = { unit, unit, m_mapping.handleHalf(), m_mapping.onePixel() };
    forgetOverlay();
    response.repaint.unite(Whole(m_display));
}

void OutlineEditor::showUntinted(EditorResponse& response) {
    if (!m_doc.Composite.empty() && m_doc.Composite.format() != PixelFormat::Bgr24)
        throw Error("the outline display needs a 24-bit picture");
    m_display = m_doc.Composite;
    forgetOverlay();
    response.repaint.unite(Whole(m_display));
}

void OutlineEditor::setFeedbackPen(int width) {
    m_pen = { width, markUnit(), m_mapping.handleHalf(), m_mapping.onePixel() };
}

void OutlineEditor::toggleTransformOverlay(EditorResponse& response) {
    FeedbackPainter paint = painter(response);
    // The handles are solid: taken off first and drawn last, over the reversible rest.
    if (m_overlayShown) {
        paint.restore(m_handlesUnder);
        m_handlesUnder.clear();
        paint.transformOverlay(m_workingCopies, m_box);
        m_overlayShown = false;
    } else {
        paint.transformOverlay(m_workingCopies, m_box);
        m_handlesUnder = paint.solidHandles(m_box);
        m_overlayShown = true;
    }
}

void OutlineEditor::forgetOverlay() {
    m_overlayShown = false;
    m_handlesUnder.clear();
}

FeedbackPainter OutlineEditor::painter(EditorResponse& response) {
    return FeedbackPainter(m_display, m_pen, response.repaint);
}

void OutlineEditor::redrawPendingLine(EditorResponse& response) {
    if (m_drawPoints.empty()) return;
    painter(response).openLine(m_drawPoints);
    m_rubberFrom = m_rubberTo = m_drawPoints.back();
}

void OutlineEditor::redisplay(EditorResponse& response) {
    if (m_tool == EditTool::FreeTransform) {
        // The transform shows the layer untinted with its box; rebuilt from the lines
        // as they are now.
        pruneSelection();
        showUntinted(response);
        setFeedbackPen(markUnit());
        m_workingCopies = CopyReferencedLines(lines(), m_selection);
        m_box = BoundingBox(m_workingCopies);
        m_pickMap.invalidate();
        toggleTransformOverlay(response);
        return;
    }
    refreshDisplay(response);
    if (m_tool == EditTool::DrawLine) redrawPendingLine(response);
}

PickContent OutlineEditor::contentFor(EditTool tool) const {
    switch (tool) {
    case EditTool::MoveLine:
        return PickContent::Lines;
    case EditTool::AddPoint:
    case EditTool::DeletePoint:
    case EditTool::MovePoint:
        return PickContent::Points;
    case EditTool::FreeTransform:
        return PickContent::Handles;
    case EditTool::None:
    case EditTool::DrawLine:
        break;
    }
    return PickContent::None;
}

const PickMap& OutlineEditor::pickMap() {
    const PickContent wanted = contentFor(m_tool);
    if (m_pickMap.content() != wanted) {
        switch (wanted) {
        case PickContent::Lines:
            m_pickMap.paintLines(imageWidth(), imageHeight(), raster());
            break;
        case PickContent::Points:
            m_pickMap.paintPoints(imageWidth(), imageHeight(), lines(), markUnit());
            break;
        case PickContent::Handles:
            // The handles grab where they are drawn.
            m_pickMap.paintHandles(imageWidth(), imageHeight(), m_box, m_pen.handleHalf);
            break;
        case PickContent::None:
            m_pickMap.invalidate();
            break;
        }
    }
    return m_pickMap;
}

Pick OutlineEditor::pickAt(LinePoint at) {
    return pickMap().pick(at.x, at.y);
}

void OutlineEditor::drawFirstSelectedLine(EditorResponse& response) {
    if (m_selection.empty()) return;
    if (const Line* line = FindLine(lines(), m_selection.front())) painter(response).closedLine(*line);
}

// --- Tool buttons ------------------------------------------------------------------

EditTool OutlineEditor::checkedButton() const {
    switch (m_tool) {
    case EditTool::FreeTransform:
        return EditTool::None;
    case EditTool::None:
        return EditTool::MoveLine;
    default:
        return m_tool;
    }
}

EditorResponse OutlineEditor::selectTool(EditTool tool) {
    if (tool == EditTool::FreeTransform) return freeTransform();
    EditorResponse response;
    // No gesture outlives a change of tool: a release arriving for the new tool must
    // not apply working copies taken for the old one.
    m_dragging = false;
    m_tool = tool;
    if (isOpen()) pruneSelection();
    switch (tool) {
    case EditTool::DrawLine:
        response.pointer = PointerShape::Cross;
        break;
    case EditTool::AddPoint:
        setFeedbackPen(markUnit());
        if (m_lastLineCount != 0) drawFirstSelectedLine(response);
        response.pointer = PointerShape::Arrow;
        break;
    case EditTool::DeletePoint:
        refreshDisplay(response);
        setFeedbackPen(markUnit());
        if (m_lastLineCount != 0) drawFirstSelectedLine(response);
        m_hoverTarget = false;
        break;
    case EditTool::MoveLine:
        refreshDisplay(response);
        break;
    case EditTool::MovePoint:
        refreshDisplay(response);
        setFeedbackPen(markUnit());
        if (!m_selection.empty()) {
            m_selection.resize(1);
            m_workingCopies.resize(1);
            drawFirstSelectedLine(response);
        }
        response.pointer = PointerShape::Arrow;
        break;
    case EditTool::FreeTransform:
    case EditTool::None:
        break;
    }
    settlePickedPoints();
    return response;
}

void OutlineEditor::setCurrentOrder(int item) {
    m_doc.CurOrder = static_cast<std::uint8_t>(std::clamp(item, 0, kOrderCount - 1));
}

EditorResponse OutlineEditor::setOrderVisible(int order, bool visible) {
    EditorResponse response;
    if (order < 0 || order >= kOrderCount) return response;
    m_visible[static_cast<size_t>(order)] = visible;
    if (!visible) dropHiddenFromSelection();
    settlePickedPoints();
    if (isOpen()) redisplay(response);
    return response;
}

void OutlineEditor::switchToMoveLine(EditorResponse& response) {
    const EditorResponse tool = selectTool(EditTool::MoveLine);
    response.repaint.unite(tool.repaint);
}

// --- Events ------------------------------------------------------------------------

EditorResponse OutlineEditor::press(const PointerInput& input) {
    EditorResponse response;
    if (!isOpen()) return response;
    const LinePoint at = m_mapping.toWorking(input.x, input.y);
    // A press acts on what lies under it, as if the pointer had hovered there first.
    switch (m_tool) {
    case EditTool::None:
        break;
    case EditTool::DrawLine:
        drawLinePress(input);
        break;
    case EditTool::MoveLine:
        moveLinePress(at, input.shift, response);
        break;
    case EditTool::AddPoint:
        addPointHover(at, response);
        addPointPress(at, response);
        break;
    case EditTool::DeletePoint:
        deletePointHover(at, response);
        deletePointPress(at, response);
        break;
    case EditTool::MovePoint:
        movePointHover(at, response);
        movePointPress(at, response);
        break;
    case EditTool::FreeTransform:
        transformPress(at);
        break;
    }
    settlePickedPoints();
    return response;
}

EditorResponse OutlineEditor::move(const PointerInput& input) {
    EditorResponse response;
    if (!isOpen()) return response;
    const LinePoint at = m_mapping.toWorking(input.x, input.y);
    switch (m_tool) {
    case EditTool::None:
        break;
    case EditTool::DrawLine:
        drawLineMove(input, response);
        break;
    case EditTool::MoveLine:
        if (m_dragging)
            moveLineDrag(at, response);
        else
            moveLineHover(at, response);
        break;
    case EditTool::AddPoint:
        addPointHover(at, response);
        break;
    case EditTool::DeletePoint:
        deletePointHover(at, response);
        break;
    case EditTool::MovePoint:
        if (m_dragging)
            movePointDrag(at, response);
        else
            movePointHover(at, response);
        break;
    case EditTool::FreeTransform:
        if (m_dragging)
            transformDrag(at, input.shift, response);
        else
            transformHover(at, response);
        break;
    }
    return response;
}

EditorResponse OutlineEditor::release(const PointerInput& input) {
    EditorResponse response;
    if (!isOpen()) return response;
    switch (m_tool) {
    case EditTool::None:
        // The release that follows the double click ending a transform.
        m_tool = EditTool::MoveLine;
        break;
    case EditTool::DrawLine:
        drawLineRelease(input, response);
        break;
    case EditTool::MoveLine:
        moveLineRelease(response);
        break;
    case EditTool::AddPoint:
    case EditTool::DeletePoint:
        break;
    case EditTool::MovePoint:
        if (m_dragging) movePointRelease(response);
        break;
    case EditTool::FreeTransform:
        transformRelease(response);
        break;
    }
    settlePickedPoints();
    return response;
}

EditorResponse OutlineEditor::doubleClick(const PointerInput& input) {
    EditorResponse response;
    if (!isOpen()) return response;
    if (m_tool == EditTool::FreeTransform) endTransform(response);
    const EditorResponse pressed = press(input);
    response.repaint.unite(pressed.repaint);
    if (pressed.pointer) response.pointer = pressed.pointer;
    response.linesChanged = response.linesChanged || pressed.linesChanged;
    return response;
}

EditorResponse OutlineEditor::key(EditorKey key) {
    EditorResponse response;
    if (!isOpen()) return response;
    if (key == EditorKey::Enter) {
        // No release follows a key, so the transform ends straight in Move Line.
        if (m_tool == EditTool::FreeTransform) {
            endTransform(response);
            switchToMoveLine(response);
        }
        return response;
    }
    if (m_drawPoints.empty()) return response;
    m_drawPoints.clear();
    if (m_tool == EditTool::DrawLine) m_dragging = false;
    // Only these tools may still show the abandoned line; the others refreshed the
    // display when they were chosen, and a refresh there would break their feedback.
    if (m_tool == EditTool::DrawLine || m_tool == EditTool::AddPoint) refreshDisplay(response);
    return response;
}

// --- Edit history ------------------------------------------------------------------

void OutlineEditor::markLinesSaved() {
    for (auto& [layer, steps] : m_histories) steps.markSaved();
    m_forgotUnsavedEdits = false;
}

bool OutlineEditor::linesAsSaved() const {
    if (m_forgotUnsavedEdits) return false;
    for (const auto& [layer, steps] : m_histories)
        if (!steps.atSavedStep()) return false;
    return true;
}

void OutlineEditor::forgetHistories() {
    if (!linesAsSaved()) m_forgotUnsavedEdits = true;
    m_histories.clear();
}

const EditHistory& OutlineEditor::history(int layer) const {
    static const EditHistory kNone;
    const auto found = m_histories.find(layer);
    return found == m_histories.end() ? kNone : found->second;
}

std::optional<LayerOutlineState> OutlineEditor::layerState() const {
    if (static_cast<size_t>(m_layer) >= m_doc.Layers.size()) return std::nullopt;
    const LayerRecord& record = m_doc.Layers[static_cast<size_t>(m_layer)];
    return LayerOutlineState { record.Group, record.Depth, record.Smooth, record.BaseOrder };
}

EditSnapshot OutlineEditor::snapshot(bool withLayer) const {
    return { m_doc.EditLines, m_selection, m_doc.CurOrder, m_lastLineCount,
        withLayer ? layerState() : std::nullopt };
}

void OutlineEditor::storeOpenSet() {
    // The stored set follows every edit, so whatever reads the layer's lines while the
    // tab is open (a save, a preview) finds the lines shown.
    if (m_doc.LayerLines.size() <= static_cast<size_t>(m_layer))
        m_doc.LayerLines.resize(static_cast<size_t>(m_layer) + 1);
    m_doc.LayerLines[static_cast<size_t>(m_layer)] = m_doc.EditLines;
}

void OutlineEditor::recordEdit(EditSnapshot before, EditorResponse& response) {
    const bool layerEdited = before.layer && before.layer != layerState();
    if (before.lines == m_doc.EditLines && !layerEdited) return;
    history().record(std::move(before));
    forgetPaintedLines();
    storeOpenSet();
    response.linesChanged = true;
    response.layerChanged = response.layerChanged || layerEdited;
}

void OutlineEditor::restore(EditSnapshot state, EditorResponse& response) {
    m_doc.EditLines = std::move(state.lines);
    m_doc.EditLines.resize(kOrderCount);
    m_selection = std::move(state.selection);
    m_doc.CurOrder = state.curOrder;
    m_lastLineCount = state.lastLineCount;
    if (state.layer && static_cast<size_t>(m_layer) < m_doc.Layers.size()) {
        LayerRecord& record = m_doc.Layers[static_cast<size_t>(m_layer)];
        record.Group = state.layer->group;
        record.Depth = state.layer->depth;
        record.Smooth = state.layer->smooth;
        record.BaseOrder = state.layer->baseOrder;
        response.layerChanged = true;
    }
    pruneSelection();
    m_workingCopies = CopyReferencedLines(lines(), m_selection);
    if (!m_selection.empty()) {
        if (const Line* line = FindLine(lines(), m_selection.front())) m_pickedLine = *line;
    }
    // Points picked before may name other points of the restored line.
    forgetPickedPoints();
    m_dragging = false;
    m_hoverTarget = false;
    forgetPaintedLines();
    storeOpenSet();
    response.linesChanged = true;
    redisplay(response);
}

EditorResponse OutlineEditor::undoEdit() {
    EditorResponse response;
    if (!isOpen()) return response;
    const EditSnapshot* next = history().nextUndo();
    if (!next) return response;
    // The redo step keeps the record's fields only where the step being undone does.
    if (auto state = history().undo(snapshot(next->layer.has_value()))) restore(std::move(*state), response);
    return response;
}

EditorResponse OutlineEditor::redoEdit() {
    EditorResponse response;
    if (!isOpen()) return response;
    const EditSnapshot* next = history().nextRedo();
    if (!next) return response;
    if (auto state = history().redo(snapshot(next->layer.has_value()))) restore(std::move(*state), response);
    return response;
}

} // namespace deptrix
