#pragma once

#include "print/SampleWeights.h"

#include <cstddef>
#include <cstdint>

namespace deptrix {

/// Which vector code the interlacer's row kernels run: the widest the processor has,
/// or the 128-bit code every x86-64 processor runs (for tests of both). All of them
/// make the same bytes: every lane computes what the scalar code computes, in the
/// same order, without fused multiply-adds.
enum class VectorWidth : std::uint8_t { Best, Narrow };

/// Bytes the kernels below may write past `count`, and floats they may read past it
/// (besides the next strip's `channels`).
inline constexpr std::size_t kKernelOverrun = 32;

/// Every byte of a row as a float (exact); `out` needs four floats of room after them.
void RowToFloats(const std::uint8_t* row, std::size_t bytes, float* out, VectorWidth width);

/// Each lens's average of one frame row (floats, RowToFloats) in the print's channels
/// (red, green, blue from blue, green, red; ink from 255 - ink), stored at
/// values + valueAt[lens]: the taps of every lens (all as many) summed from 0 in their
/// order, each channel on its own.
void SampleLensRow(const SpanTable& taps, const std::uint32_t* valueAt, const float* row, int channels,
    float* values, VectorWidth width);

/// `rows` (2 or 3) rows of `count` lens values mixed by `weights`: each sum from 0,
/// adding the rows in their order. Writes exactly `count` floats.
void MixLensRows(const float* const* rows, int rowCount, const float* weights, std::size_t count, float* sum,
    VectorWidth width);

/// Every lens value rounded into `wholes` (the columns inside strips) and mixed with the
/// next strip's (`channels` floats on) by the weights of the column across their edge
/// into `edges`, the two pieces added from 0 in their order as for any mixed column.
/// Both may be written up to kKernelOverrun bytes past `count`.
void RoundAndMixEdges(const float* values, const float* weights, const float* nextWeights, std::size_t count,
    int channels, std::uint8_t* wholes, std::uint8_t* edges, VectorWidth width);

} // namespace deptrix
