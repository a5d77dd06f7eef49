#pragma once

#include "core/Fixed.h"
#include "core/Outlines.h"

#include <span>

namespace deptrix {

/// What a drag on a handle of the selection box does to the stored lines.
struct TransformStep {
    enum class Kind { Keep, Move, Scale };
    Kind kind = Kind::Keep;
    std::int64_t dx = 0; ///< Move: offset in working pixels
    std::int64_t dy = 0;
    Fixed sx = kFixedOne; ///< Scale: factors x10000, about (cx, cy)
    Fixed sy = kFixedOne;
    std::int64_t cx = 0;
    std::int64_t cy = 0;
};

/// The step for a drag that grabbed `handle` at `press` and is now at `pointer`, with
/// `centre` the box centre as it stands. Bands scale one axis and corners both, by
/// Round((pointer - centre) / (press - centre) x 10000) ties to even, so dragging across
/// the centre mirrors; a press level with the centre on a scaled axis changes nothing.
/// `keepProportions` (corners only) gives both factors the larger magnitude, each
/// keeping its own sign.
TransformStep TransformFor(
    int handle, LinePoint centre, LinePoint press, LinePoint pointer, bool keepProportions);

/// Applies `step` to point `p`: Move adds the offset; Scale maps x to
/// cx + Round((x - cx) x sx / 10000), ties to even. Results beyond the 32-bit range
/// stop at its ends.
LinePoint TransformPoint(const TransformStep& step, LinePoint p);

/// New working copies: each referenced stored line transformed by `step`. A reference
/// that names no line gets an empty copy.
void TransformLines(
    const LineSet& stored, std::span<const LineRef> refs, const TransformStep& step, OrderLines& copies);

} // namespace deptrix
