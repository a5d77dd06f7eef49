// Commands of the Edit menu and the tool bar: deleting lines, the selection commands,
// Free Transform, the clipboard and the order moves. Without an open line set they do
// nothing.

#include "core/Fixed.h"
#include "outline/LineSetOps.h"
#include "outline/OutlineEditor.h"

#include <algorithm>

namespace deptrix {

void OutlineEditor::pruneSelection() {
    PruneReferences(lines(), m_selection, &m_workingCopies);
}

EditorResponse OutlineEditor::undoPoint() {
    EditorResponse response;
    if (!isOpen() || m_drawPoints.empty()) return response;
    m_drawPoints.pop_back();
    refreshDisplay(response);
    redrawPendingLine(response);
    return response;
}

EditorResponse OutlineEditor::deleteLine() {
    EditorResponse response;
    if (!isOpen()) return response;
    OrderLines& order = lines()[m_doc.CurOrder % kOrderCount];
    if (order.empty()) return response;
    EditSnapshot before = snapshot();
    order.pop_back();
    if (!FindLine(lines(), m_pickedPointsLine)) forgetPickedPoints();
    recordEdit(std::move(before), response);
    redisplay(response);
    return response;
}

EditorResponse OutlineEditor::deleteOrder() {
    EditorResponse response;
    if (!isOpen()) return response;
    OrderLines& order = lines()[m_doc.CurOrder % kOrderCount];
    if (order.empty()) return response;
    EditSnapshot before = snapshot();
    order.clear();
    if (!FindLine(lines(), m_pickedPointsLine)) forgetPickedPoints();
    recordEdit(std::move(before), response);
    redisplay(response);
    return response;
}

EditorResponse OutlineEditor::deleteAll(const OutlineSettings& settings) {
    EditorResponse response;
    if (!isOpen()) return response;
    EditSnapshot before = snapshot(true);
    m_doc.EditLines = EmptyLineSet();
    if (static_cast<size_t>(m_layer) < m_doc.Layers.size()) {
        // No lines, no outline layer: the main Preview takes the layer's own picture.
        LayerRecord& record = m_doc.Layers[static_cast<size_t>(m_layer)];
        record.Group = kGroupNone;
        record.Smooth = settings.smooth;
        record.BaseOrder = settings.baseOrder;
        record.Depth = settings.depth;
    }
    forgetPickedPoints();
    storeOpenSet();
    recordEdit(std::move(before), response);
    response.layerChanged = true;
    m_pickMap.invalidate();
    showUntinted(response);
    return response;
}

EditorResponse OutlineEditor::selectAll() {
    EditorResponse response;
    if (!isOpen()) return response;
    m_selection.clear();
    // What the View boxes hide is not selected: it cannot be seen to be acted on.
    for (std::uint32_t order = kOrderCount; order-- > 0;)
        if (m_visible[order])
            for (std::uint32_t j = 0; j < lines()[order].size(); ++j) m_selection.push_back({ order, j });
    m_workingCopies = CopyReferencedLines(lines(), m_selection);
    showUntinted(response);
    // A thin pen: a quarter of the usual width, so dense sets stay readable.
    setFeedbackPen(static_cast<int>(Round(static_cast<long double>(m_mapping.scale) / 2.0L / 10000.0L)));
    {
        FeedbackPainter paint = painter(response);
        for (const Line& copy : m_workingCopies) paint.closedLine(copy);
    }
    m_tool = EditTool::MoveLine;
    m_dragging = false;
    settlePickedPoints();
    return response;
}

void OutlineEditor::dropHiddenFromSelection() {
    m_workingCopies.resize(m_selection.size());
    size_t kept = 0;
    for (size_t i = 0; i < m_selection.size(); ++i) {
        if (m_selection[i].order < kOrderCount && !m_visible[m_selection[i].order]) continue;
        m_selection[kept] = m_selection[i];
        m_workingCopies[kept] = std::move(m_workingCopies[i]);
        ++kept;
    }
    m_selection.resize(kept);
    m_workingCopies.resize(kept);
}

EditorResponse OutlineEditor::freeTransform() {
    EditorResponse response;
    if (!isOpen()) return response;
    dropHiddenFromSelection();
    pruneSelection();
    if (m_selection.empty()) return response;
    m_tool = EditTool::FreeTransform;
    m_dragging = false;
    showUntinted(response);
    setFeedbackPen(markUnit());
    m_workingCopies = CopyReferencedLines(lines(), m_selection);
    m_box = BoundingBox(m_workingCopies);
    m_pickMap.invalidate();
    toggleTransformOverlay(response);
    return response;
}

EditorResponse OutlineEditor::deleteSelection() {
    EditorResponse response;
    if (!isOpen()) return response;
    if (m_tool == EditTool::MoveLine) {
        pruneSelection();
        if (m_selection.empty()) return response;
        EditSnapshot before = snapshot();
        for (const LineRef& ref : m_selection) FindLine(lines(), ref)->clear();
        m_selection.clear();
        m_workingCopies.clear();
        m_lastLineCount = CompactLineSet(lines());
        recordEdit(std::move(before), response);
        refreshDisplay(response);
    } else if (m_tool == EditTool::MovePoint && !m_pickedPoints.empty() && !m_selection.empty()
        && m_selection.front() == m_pickedPointsLine) {
        Line* line = FindLine(lines(), m_selection.front());
        const std::uint32_t k = m_pickedPoints.front();
        if (!line || k >= line->size()) return response;
        EditSnapshot before = snapshot();
        // The picked points stay, so pressing Del again removes the point that moved
        // into this index.
        line->erase(line->begin() + k);
        m_pointIndex = k;
        m_pickedLine = *line;
        recordEdit(std::move(before), response);
        refreshDisplay(response);
        setFeedbackPen(markUnit());
        painter(response).closedLine(*line);
    }
    return response;
}

void OutlineEditor::fillClipboard() {
    dropHiddenFromSelection();
    pruneSelection();
    m_clipLines.clear();
    m_clipOrders.clear();
    for (const LineRef& ref : m_selection) {
        m_clipLines.push_back(*FindLine(lines(), ref));
        m_clipOrders.push_back(static_cast<std::uint8_t>(ref.order));
    }
}

EditorResponse OutlineEditor::cut() {
    EditorResponse response;
    if (!isOpen()) return response;
    fillClipboard();
    EditSnapshot before = snapshot();
    for (const LineRef& ref : m_selection) FindLine(lines(), ref)->clear();
    m_lastLineCount = CompactLineSet(lines());
    m_selection.clear();
    m_workingCopies.clear();
    recordEdit(std::move(before), response);
    m_pasteEnabled = true;
    switchToMoveLine(response);
    settlePickedPoints();
    return response;
}

EditorResponse OutlineEditor::copy() {
    EditorResponse response;
    if (!isOpen()) return response;
    fillClipboard();
    m_pasteEnabled = true;
    return response;
}

EditorResponse OutlineEditor::paste() {
    EditorResponse response;
    if (!isOpen()) return response;
    EditSnapshot before = snapshot();
    m_selection.clear();
    for (size_t i = 0; i < m_clipLines.size() && i < m_clipOrders.size(); ++i) {
        if (m_clipOrders[i] >= kOrderCount) continue;
        m_selection.push_back(AppendLineCopy(lines(), m_clipOrders[i], m_clipLines[i]));
    }
    // The copies stay empty until the next fill.
    m_workingCopies.assign(m_selection.size(), Line {});
    m_clipLines.clear();
    m_clipOrders.clear();
    m_pasteEnabled = false;
    recordEdit(std::move(before), response);
    switchToMoveLine(response);
    settlePickedPoints();
    return response;
}

EditorResponse OutlineEditor::moveLinesDown() {
    return moveLinesToNeighbour(true);
}

EditorResponse OutlineEditor::moveLinesUp() {
    return moveLinesToNeighbour(false);
}

EditorResponse OutlineEditor::moveLinesToNeighbour(bool down) {
    EditorResponse response;
    if (!isOpen()) return response;
    pruneSelection();
    if (m_selection.empty()) return response;
    EditSnapshot before = snapshot();
    std::vector<MovedLine> moved;
    for (const LineRef& ref : m_selection) {
        const std::uint32_t last = kOrderCount - 1;
        std::uint32_t d = down ? ref.order + 1 : ref.order - 1;
        if (down ? ref.order >= last : ref.order == 0) {
            // Already at the end of the range: the line keeps its order but goes to
            // the end of its list.
            d = ref.order;
            ++response.beeps;
        }
        const Line line = *FindLine(lines(), ref);
        AppendLineCopy(lines(), d, line);
        FindLine(lines(), ref)->clear();
        moved.push_back({ d, line.size() > 2 });
    }
    m_lastLineCount = CompactLineSet(lines());
    m_selection = RebuildSelectionAfterOrderMove(lines(), moved);
    if (!m_selection.empty()) m_doc.CurOrder = static_cast<std::uint8_t>(m_selection.front().order);
    // The moved lines have other references now.
    forgetPickedPoints();
    recordEdit(std::move(before), response);
    switchToMoveLine(response);
    return response;
}

} // namespace deptrix
