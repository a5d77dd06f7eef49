#pragma once

#include <cstdint>
#include <vector>

namespace deptrix {

/// One vertex of an outline, in working pixels.
struct Tpoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Tpoint&) const = default;
};

/// One closed outline: its vertices in drawing order; the closing edge is implicit.
using Tline = std::vector<Tpoint>;
/// The lines of one depth order, in arrival order.
using Tnline = std::vector<Tline>;
/// A layer's line set: 15 orders while in use, empty when the layer has none.
using Tnlayer = std::vector<Tnline>;
/// The line sets of all layers, indexed like the layer records.
using Tnnlayer = std::vector<Tnlayer>;

inline constexpr int kOrderCount = 15;

/// A reference to a line of the layer being edited.
struct TlineRef {
    std::uint8_t order = 0;
    std::uint8_t line = 0;
    bool operator==(const TlineRef&) const = default;
};
using Talineid = std::vector<TlineRef>;

} // namespace deptrix
