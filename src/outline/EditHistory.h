#pragma once

#include "core/Fixed.h"
#include "core/Outlines.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace deptrix {

/// The fields of a layer record that belong to its outlines: the group code that makes
/// it an outline layer (and its "+" mark), its depth, smoothness and base order.
struct LayerOutlineState {
    std::uint8_t group = 0;
    Fixed depth = 0;
    std::uint8_t smooth = 0;
    std::uint8_t baseOrder = 0;
    bool operator==(const LayerOutlineState&) const = default;
};

/// The lines of the open layer and the selection at one moment of editing, with the
/// current order and the last line count as they were. `layer` is kept only by the
/// edits that change the layer record as well (Delete All): undoing any other edit
/// leaves the record as later commands (a preview) made it.
struct EditSnapshot {
    EditSnapshot(LineSet lines = {}, LineRefs selection = {}, std::uint8_t curOrder = 0,
        std::uint32_t lastLineCount = 0, std::optional<LayerOutlineState> layer = std::nullopt)
        : lines(std::move(lines))
        , selection(std::move(selection))
        , curOrder(curOrder)
        , lastLineCount(lastLineCount)
        , layer(layer) { }

    LineSet lines;
    LineRefs selection;
    std::uint8_t curOrder;
    std::uint32_t lastLineCount;
    std::optional<LayerOutlineState> layer;
};

/// Undo and redo of line edits: each step keeps the whole line set from before the
/// edit (sets hold tens of lines of a few hundred points, so a copy is cheap and
/// restores exactly). At most kMaxSteps steps are kept, fewer only when the copies
/// together would pass kMaxBytes; the oldest go first.
///
/// The history also remembers the step that was saved last, so undoing or redoing back
/// to it tells that the lines are as saved again. A fresh history starts at its saved
/// step; once the saved step is dropped (by a new edit after undoing past it, by
/// trimming, or by clearing away from it) no step is the saved one until the next save.
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
    /// Clears the steps; the lines stay as they are, so they are as saved afterwards
    /// only when they were before.
    void clear();

    /// The lines as they are now have been saved.
    void markSaved() { m_savedStep = static_cast<std::ptrdiff_t>(m_undo.size()); }
    /// Whether the lines are those of the last save (or of the start).
    bool atSavedStep() const { return m_savedStep == static_cast<std::ptrdiff_t>(m_undo.size()); }
    /// The state undo() or redo() would return next, or nullptr.
    const EditSnapshot* nextUndo() const { return m_undo.empty() ? nullptr : &m_undo.back(); }
    const EditSnapshot* nextRedo() const { return m_redo.empty() ? nullptr : &m_redo.back(); }

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    std::size_t undoSteps() const { return m_undo.size(); }

private:
    void trim();

    std::deque<EditSnapshot> m_undo; ///< oldest first
    std::deque<EditSnapshot> m_redo; ///< next redo last
    std::size_t m_bytes = 0;
    /// Undo steps before the saved state; kNoSavedStep when it cannot be reached.
    std::ptrdiff_t m_savedStep = 0;
    static constexpr std::ptrdiff_t kNoSavedStep = -1;
};

} // namespace deptrix
