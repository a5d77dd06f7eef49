#include "outline/EditHistory.h"

namespace deptrix {

namespace {

std::size_t Bytes(const EditSnapshot& snapshot) {
    std::size_t bytes = sizeof(EditSnapshot) + snapshot.selection.size() * sizeof(LineRef);
    for (const OrderLines& order : snapshot.lines) {
        bytes += sizeof(OrderLines);
        for (const Line& line : order) bytes += sizeof(Line) + line.size() * sizeof(LinePoint);
    }
    return bytes;
}

} // namespace

void EditHistory::record(EditSnapshot before) {
    // The saved state among the redo steps goes with them.
    if (m_savedStep > static_cast<std::ptrdiff_t>(m_undo.size())) m_savedStep = kNoSavedStep;
    for (const EditSnapshot& step : m_redo) m_bytes -= Bytes(step);
    m_redo.clear();
    m_bytes += Bytes(before);
    m_undo.push_back(std::move(before));
    trim();
}

std::optional<EditSnapshot> EditHistory::undo(EditSnapshot current) {
    if (m_undo.empty()) return std::nullopt;
    EditSnapshot restored = std::move(m_undo.back());
    m_undo.pop_back();
    m_bytes -= Bytes(restored);
    m_bytes += Bytes(current);
    m_redo.push_back(std::move(current));
    trim();
    return restored;
}

std::optional<EditSnapshot> EditHistory::redo(EditSnapshot current) {
    if (m_redo.empty()) return std::nullopt;
    EditSnapshot restored = std::move(m_redo.back());
    m_redo.pop_back();
    m_bytes -= Bytes(restored);
    m_bytes += Bytes(current);
    m_undo.push_back(std::move(current));
    trim();
    return restored;
}

void EditHistory::clear() {
    m_savedStep = atSavedStep() ? 0 : kNoSavedStep;
    m_undo.clear();
    m_redo.clear();
    m_bytes = 0;
}

void EditHistory::trim() {
    // The newest step always stays, however large.
    while (m_undo.size() > 1 && (m_undo.size() > kMaxSteps || m_bytes > kMaxBytes)) {
        m_bytes -= Bytes(m_undo.front());
        m_undo.pop_front();
        // Counted from the new oldest step; the state before the dropped step is gone
        // for good (0 becomes kNoSavedStep).
        if (m_savedStep != kNoSavedStep) --m_savedStep;
    }
}

} // namespace deptrix
