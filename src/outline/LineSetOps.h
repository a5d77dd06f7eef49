#pragma once

#include "core/Outlines.h"

#include <cstdint>
#include <span>

namespace deptrix {

/// A line set with its 15 empty orders.
LineSet EmptyLineSet();

/// The line a reference names, or nullptr when the set has no such order or line
/// (removed by a delete, or the reference came from another layer's set).
const Line* FindLine(const LineSet& set, LineRef ref);
Line* FindLine(LineSet& set, LineRef ref);

/// Appends a point-by-point copy of `line` to order `order` and returns the new line's
/// reference. The order must exist.
LineRef AppendLineCopy(LineSet& set, std::uint32_t order, const Line& line);

/// Removes every line of 2 points or fewer, keeping the others in their order.
/// Returns the number of lines left in the last order (order index 14), the value the
/// editor keeps as its last line count afterwards.
std::uint32_t CompactLineSet(LineSet& set);

/// Drops the references that name no line of `set`. `parallel`, when given, is the
/// list of working copies kept entry for entry with the references; it loses the same
/// entries (and is cut or padded to the references' length first).
void PruneReferences(const LineSet& set, LineRefs& refs, OrderLines* parallel = nullptr);

/// Working copies: one point-by-point copy of each referenced line; a reference that
/// names no line gets an empty copy.
OrderLines CopyReferencedLines(const LineSet& set, std::span<const LineRef> refs);

/// Writes each working copy back into the line its reference names. A copy whose line
/// is gone or no longer has the copy's number of points is skipped, so a stale copy
/// never overwrites a line that was edited since. Returns true when a point changed.
bool CommitWorkingCopies(LineSet& set, std::span<const LineRef> refs, const OrderLines& copies);

/// One selection entry of an order move: where its line went, and whether the copy
/// appended there survives compaction (a copy of 2 points or fewer does not).
struct MovedLine {
    std::uint32_t destination = 0;
    bool kept = true;
};

/// References to the lines that an order move appended at the ends of their destination
/// orders, after the compaction. For each entry in turn the line index counts back from
/// the end of its destination order (the first entry of a destination gets its last
/// line); an entry whose copy was compacted away is dropped rather than naming another
/// line.
LineRefs RebuildSelectionAfterOrderMove(const LineSet& set, std::span<const MovedLine> moved);

} // namespace deptrix
