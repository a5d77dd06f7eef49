#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace deptrix {

/// Decodes one PackBits-compressed row into exactly `output.size()` bytes. Every run
/// is bounded by both the output and the input still left. Returns false when the
/// input ends before the row is full or a run would overrun the row; input left over
/// after a full row is ignored.
bool UnpackBitsRow(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

/// Appends the PackBits form of `row` to `out`: runs of three or more equal bytes
/// become repeat runs, everything else literal runs, each at most 128 bytes.
void PackBitsRow(std::span<const std::uint8_t> row, std::vector<std::uint8_t>& out);

/// Most bytes PackBitsRow can produce for a row of `rowBytes`.
std::size_t PackBitsBound(std::size_t rowBytes);

} // namespace deptrix
