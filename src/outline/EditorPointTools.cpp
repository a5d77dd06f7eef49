// Add Point, Delete Point and Move Point: they read the point map and work on a copy
// of the one line they picked, which becomes the only selected line.

#include "outline/LineSetOps.h"
#include "outline/OutlineEditor.h"

#include <algorithm>

namespace deptrix {

bool OutlineEditor::pickLine(LineRef ref) {
    const Line* line = FindLine(lines(), ref);
    if (!line) return false;
    m_selection = { ref };
    m_pickedLine = *line;
    return true;
}

// --- Add Point ----------------------------------------------------------------------

void OutlineEditor::addPointHover(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    const Pick hit = pickAt(at);
    m_hoverTarget = hit.kind == PickKind::Segment && pickLine(hit.line);
    // The new point goes in before the segment's end point; after the last point for
    // the closing segment.
    if (m_hoverTarget) m_pointIndex = hit.point;
    response.pointer = m_hoverTarget ? PointerShape::Cross : PointerShape::NotAllowed;
}

void OutlineEditor::addPointPress(LinePoint at, EditorResponse& response) {
    if (!m_hoverTarget || m_selection.empty()) return;
    Line* line = FindLine(lines(), m_selection.front());
    if (!line || m_pointIndex > m_pickedLine.size()) return;
    EditSnapshot before = snapshot();
    m_pickedLine.insert(m_pickedLine.begin() + m_pointIndex, at);
    *line = m_pickedLine;
    // Points picked on this line before are numbered differently now.
    forgetPickedPoints();
    recordEdit(std::move(before), response);
    m_pickMap.invalidate();
    // The display is not refreshed: the marker shows where the point went.
    painter(response).marker(at);
}

// --- Delete Point -------------------------------------------------------------------

void OutlineEditor::deletePointHover(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    const Pick hit = pickAt(at);
    m_hoverTarget = hit.kind == PickKind::Vertex && pickLine(hit.line);
    if (m_hoverTarget) m_pointIndex = hit.point;
    response.pointer = m_hoverTarget ? PointerShape::Arrow : PointerShape::NotAllowed;
}

void OutlineEditor::deletePointPress(LinePoint, EditorResponse& response) {
    if (!m_hoverTarget || m_selection.empty()) return;
    Line* line = FindLine(lines(), m_selection.front());
    if (!line || m_pointIndex >= m_pickedLine.size()) return;
    EditSnapshot before = snapshot();
    // The line stays even below 3 points; the next compaction removes it.
    m_pickedLine.erase(m_pickedLine.begin() + m_pointIndex);
    *line = m_pickedLine;
    forgetPickedPoints();
    recordEdit(std::move(before), response);
    refreshDisplay(response);
    setFeedbackPen(markUnit());
    painter(response).closedLine(m_pickedLine);
    m_hoverTarget = false;
}

// --- Move Point ---------------------------------------------------------------------

void OutlineEditor::movePointHover(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    const Pick hit = pickAt(at);
    m_hoverTarget = hit.kind == PickKind::Vertex || hit.kind == PickKind::Segment;
    response.pointer = m_hoverTarget ? PointerShape::Arrow : PointerShape::NotAllowed;
}

void OutlineEditor::movePointPress(LinePoint at, EditorResponse& response) {
    if (!m_hoverTarget) return;
    const Pick hit = pickAt(at);
    if ((hit.kind != PickKind::Vertex && hit.kind != PickKind::Segment) || !pickLine(hit.line)) return;
    m_press = at;
    const auto count = static_cast<std::uint32_t>(m_pickedLine.size());
    m_pickedPointsLine = m_selection.front();
    if (hit.kind == PickKind::Vertex) {
        m_pointIndex = hit.point;
        m_pickedPoints = { hit.point };
    } else {
        // A segment moves both its ends; the closing segment ends at point 0.
        m_pointIndex = hit.point - 1;
        m_pickedPoints = { m_pointIndex, hit.point == count ? 0 : hit.point };
    }
    refreshDisplay(response);
    setFeedbackPen(markUnit());
    FeedbackPainter paint = painter(response);
    drawPickedPoints(paint);
    m_dragging = true;
}

void OutlineEditor::drawPickedPoints(FeedbackPainter& paint) {
    for (std::uint32_t k : m_pickedPoints)
        if (k < m_pickedLine.size()) paint.marker(m_pickedLine[k]);
}

void OutlineEditor::movePointDrag(LinePoint at, EditorResponse& response) {
    m_pointer = at;
    const Line* stored = m_selection.empty() ? nullptr : FindLine(lines(), m_selection.front());
    if (!stored || stored->size() != m_pickedLine.size()) return;
    FeedbackPainter paint = painter(response);
    // At the first move this draws the line rather than removing it, so its shape from
    // before the drag stays visible while dragging.
    paint.closedLine(m_pickedLine);
    drawPickedPoints(paint);
    for (std::uint32_t k : m_pickedPoints) {
        if (k >= m_pickedLine.size()) continue;
        const LinePoint from = (*stored)[k];
        m_pickedLine[k] = { static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                std::int64_t { from.x } + at.x - m_press.x, INT32_MIN, INT32_MAX)),
            static_cast<std::int32_t>(
                std::clamp<std::int64_t>(std::int64_t { from.y } + at.y - m_press.y, INT32_MIN, INT32_MAX)) };
    }
    paint.closedLine(m_pickedLine);
    drawPickedPoints(paint);
}

void OutlineEditor::movePointRelease(EditorResponse& response) {
    m_dragging = false;
    Line* stored = m_selection.empty() ? nullptr : FindLine(lines(), m_selection.front());
    if (stored && stored->size() == m_pickedLine.size()) {
        EditSnapshot before = snapshot();
        for (std::uint32_t k : m_pickedPoints)
            if (k < stored->size()) (*stored)[k] = m_pickedLine[k];
        recordEdit(std::move(before), response);
    }
    refreshDisplay(response);
    FeedbackPainter paint = painter(response);
    paint.closedLine(m_pickedLine);
    for (const LinePoint& p : m_pickedLine) paint.marker(p);
    // The picked points keep a solid marker until the next refresh.
    for (std::uint32_t k : m_pickedPoints)
        if (k < m_pickedLine.size()) paint.maskedMarker(m_pickedLine[k]);
}

} // namespace deptrix
