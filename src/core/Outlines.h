#pragma once

#include <cstdint>
#include <vector>

namespace deptrix {

/// One vertex of an outline, in working pixels.
struct LinePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const LinePoint&) const = default;
};

/// One closed outline: its vertices in drawing order; the closing edge is implicit.
using Line = std::vector<LinePoint>;
/// The lines of one depth order, in arrival order.
using OrderLines = std::vector<Line>;
/// A layer's line set: 15 orders while in use, empty when the layer has none.
using LineSet = std::vector<OrderLines>;
/// The line sets of all layers, indexed like the layer records.
using LineSets = std::vector<LineSet>;

inline constexpr int kOrderCount = 15;

/// A reference to a line of the layer being edited: order index and line index.
/// Both are full 32-bit values, so selections and clipboards of any size can name
/// every line of an order.
struct LineRef {
    std::uint32_t order = 0;
    std::uint32_t line = 0;
    bool operator==(const LineRef&) const = default;
};
using LineRefs = std::vector<LineRef>;

} // namespace deptrix
