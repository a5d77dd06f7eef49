#pragma once

#include "core/Outlines.h"

#include <cstddef>
#include <deque>
#include <optional>

namespace deptrix {

/// The lines of the open layer and the selection at one moment of editing.
struct EditSnapshot {
    LineSet lines;
    LineRefs selection;
};

/// Undo and redo of line edits: each step keeps the whole line set from before the
/// edit (sets hold tens of lines of a few hundred points, so a copy is cheap and
/// restores exactly). At most kMaxSteps steps are kept, fewer only when the copies
/// together would pass kMaxBytes; the oldest go first.
class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 128;
    static constexpr std::size_t kMaxBytes = std::size_t { 256 } << 20;

    /// A finished edit: `before` becomes the newest undo step; redo steps are dropped.
    void record(EditSnapshot before);
    /// Steps back: `current` goes to the redo list; returns the state to restore.
    std::optional<EditSnapshot> undo(EditSnapshot current);
    /// Steps forward again: `current` goes to the undo list.
    std::optional<EditSnapshot> redo(EditSnapshot current);
    void clear();

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t undoSteps() const { return m_undo.size(); }

private:
    void trim();

    std::deque<EditSnapshot> m_undo; ///< oldest first
    std::deque<EditSnapshot> m_redo; ///< next redo last
    std::size_t m_bytes = 0;
};

} // namespace deptrix
