#pragma once

#include "core/Fixed.h"

#include <cstdint>

namespace deptrix {

/// Longest side of the working picture: larger documents are reduced to it.
inline constexpr int kMaxWorkingSide = 2048;

/// The working grid of a document.
struct WorkingSize {
    Fixed workScale = kFixedOne; ///< working px per source px, x10000
    int width = 0; ///< working px
    int height = 0; ///< working px
};

/// 1:1 when the longer side is at most kMaxWorkingSide; otherwise
/// WorkScale = Round(2048 / longer side x 10000) and each side
/// Round(side x WorkScale / 10000).
WorkingSize ChooseWorkingSize(int sourceWidth, int sourceHeight);

/// A source coordinate on the working grid: Round(v x WorkScale / 10000).
std::int64_t ToWorking(std::int64_t sourceCoordinate, Fixed workScale);

/// A layer's box on the working grid. Edges are mapped one by one, so boxes that
/// touch in source pixels touch in working pixels too; a box keeps at least one
/// working pixel each way.
struct WorkingBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    int width = 0;
    int height = 0;
};
WorkingBox ToWorkingBox(
    std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, Fixed workScale);

} // namespace deptrix
