// The pointer side of Draw Line, Move Line and Free Transform.

#include "outline/FreeTransform.h"
#include "outline/LineSetOps.h"
#include "outline/OutlineEditor.h"

#include <algorithm>

namespace deptrix {

namespace {

/// Client rows this close to the control's top or bottom edge snap the rubber band to
/// the edge, so a line can be taken right to the picture's border.
constexpr int kEdgeSnap = 9;

PointerShape ShapeForHandle(int handle) {
    switch (handle) {
    case kHandleInside:
        return PointerShape::Move;
    case kHandleTop:
    case kHandleBottom:
        return PointerShape::SizeVertical;
    case kHandleRight:
    case kHandleLeft:
        return PointerShape::SizeHorizontal;
    case kHandleTopLeft:
    case kHandleBottomRight:
        return PointerShape::SizeTopLeft;
    case kHandleTopRight:
    case kHandleBottomLeft:
        return PointerShape::SizeTopRight;
    default:
        return PointerShape::NotAllowed;
    }
}

LinePoint Offset(LinePoint p, std::int64_t dx, std::int64_t dy) {
    const auto clamp = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return { clamp(p.x + dx), clamp(p.y + dy) };
}

} // namespace

// --- Draw Line ----------------------------------------------------------------------

void OutlineEditor::drawLinePress(const PointerInput&) {
    m_dragging = true;
}

void OutlineEditor::drawLineMove(const PointerInput& input, EditorResponse& response) {
    if (m_drawPoints.empty()) return;
    FeedbackPainter paint = painter(response);
    paint.segment(m_rubberFrom, m_rubberTo);
    int y = input.y;
    if (y < kEdgeSnap)
        y = 0;
    else if (y > m_mapping.clientHeight - kEdgeSnap)
        y = m_mapping.clientHeight;
    m_rubberTo = m_mapping.toWorking(input.x, y);
    paint.segment(m_rubberFrom, m_rubberTo);
}

void OutlineEditor::drawLineRelease(const PointerInput& input, EditorResponse& response) {
    if (!m_dragging) return;
    const LinePoint at = m_mapping.toWorking(input.x, input.y);
    m_drawPoints.push_back(at);
    // The rubber band last drawn stays on the picture as a segment of the line.
    m_rubberFrom = m_rubberTo = at;
    if (input.button != MouseButton::Right) return;
    storeFinishedLine(response);
    refreshDisplay(response);
    m_dragging = false;
}

void OutlineEditor::storeFinishedLine(EditorResponse& response) {
    if (m_drawPoints.size() > 2 && m_doc.EditLines.size() == static_cast<size_t>(kOrderCount)) {
        EditSnapshot before = snapshot();
        const LineRef stored
            = AppendLineCopy(lines(), std::min<std::uint32_t>(m_doc.CurOrder, kOrderCount - 1), m_drawPoints);
        m_lastLineCount = static_cast<std::uint32_t>(lines()[stored.order].size());
        m_selection = { stored };
        recordEdit(std::move(before), response);
        if (m_visible[stored.order])
            response.finishedLineHidden = HiddenUnderNearerLines(raster(), stored, m_visible);
    } else {
        // A discarded line leaves the selection as it was, less any entry that names
        // a line no longer there.
        pruneSelection();
    }
    m_drawPoints.clear();
}

// --- Move Line ----------------------------------------------------------------------

void OutlineEditor::moveLineHover(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    m_hoverTarget = pickAt(at).kind == PickKind::Line;
    response.pointer = m_hoverTarget ? PointerShape::Move : PointerShape::NotAllowed;
}

void OutlineEditor::moveLinePress(LinePoint at, bool shift, EditorResponse& response) {
    const Pick hit = pickAt(at);
    if (hit.kind != PickKind::Line) {
        m_selection.clear();
        m_workingCopies.clear();
        return;
    }
    m_press = at;
    m_dragging = true;
    pruneSelection();
    const auto found = std::find(m_selection.begin(), m_selection.end(), hit.line);
    if (shift) {
        // Shift toggles the line in the selection and drags nothing.
        m_dragging = false;
        if (found == m_selection.end())
            m_selection.push_back(hit.line);
        else
            m_selection.erase(found);
    } else if (found == m_selection.end()) {
        m_selection = { hit.line };
    }
    m_workingCopies = CopyReferencedLines(lines(), m_selection);
    setFeedbackPen(markUnit());
    response.pointer = PointerShape::Move;
}

void OutlineEditor::moveLineDrag(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    FeedbackPainter paint = painter(response);
    for (const Line& copy : m_workingCopies) paint.closedLine(copy);
    // Pointer and press may lie far apart (points are not clamped to the picture).
    const std::int64_t dx = std::int64_t { at.x } - m_press.x;
    const std::int64_t dy = std::int64_t { at.y } - m_press.y;
    const size_t count = std::min(m_selection.size(), m_workingCopies.size());
    for (size_t i = 0; i < count; ++i) {
        const Line* stored = FindLine(lines(), m_selection[i]);
        Line& copy = m_workingCopies[i];
        if (!stored || stored->size() != copy.size()) continue;
        for (size_t j = 0; j < copy.size(); ++j) copy[j] = Offset((*stored)[j], dx, dy);
    }
    for (const Line& copy : m_workingCopies) paint.closedLine(copy);
}

void OutlineEditor::moveLineRelease(EditorResponse& response) {
    if (m_dragging) {
        EditSnapshot before = snapshot();
        CommitWorkingCopies(lines(), m_selection, m_workingCopies);
        m_dragging = false;
        recordEdit(std::move(before), response);
    }
    refreshDisplay(response);
    setFeedbackPen(markUnit());
    {
        FeedbackPainter paint = painter(response);
        for (const Line& copy : m_workingCopies) paint.closedLine(copy);
    }
    if (!m_selection.empty())
        m_doc.CurOrder
            = static_cast<std::uint8_t>(std::min<std::uint32_t>(m_selection.front().order, kOrderCount - 1));
}

// --- Free Transform -----------------------------------------------------------------

void OutlineEditor::transformHover(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    const Pick hit = pickAt(at);
    m_handle = hit.kind == PickKind::Handle ? hit.handle : kHandleOutside;
    response.pointer = ShapeForHandle(m_handle);
}

void OutlineEditor::transformPress(LinePoint at) {
    m_press = at;
    const Pick hit = pickAt(at);
    m_handle = hit.kind == PickKind::Handle ? hit.handle : kHandleOutside;
    m_dragging = true;
}

void OutlineEditor::transformDrag(LinePoint at, bool shift, EditorResponse& response) {
    m_pointer = at;
    toggleTransformOverlay(response); // takes it off
    const TransformStep step = TransformFor(m_handle, { m_box.centerX, m_box.centerY }, m_press, at, shift);
    TransformLines(lines(), m_selection, step, m_workingCopies);
    m_box = BoundingBox(m_workingCopies);
    toggleTransformOverlay(response);
}

void OutlineEditor::transformRelease(EditorResponse& response) {
    // Every release commits, so ending the transform has nothing left to apply.
    EditSnapshot before = snapshot();
    CommitWorkingCopies(lines(), m_selection, m_workingCopies);
    m_box = BoundingBox(m_workingCopies);
    m_pickMap.invalidate();
    m_dragging = false;
    recordEdit(std::move(before), response);
}

void OutlineEditor::endTransform(EditorResponse& response) {
    refreshDisplay(response);
    m_tool = EditTool::None;
}

} // namespace deptrix
