#pragma once

#include <cstddef>
#include <cstdint>

namespace deptrix {

/// deflate cannot expand data by more than about 1032:1.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;

/// A 16-bit sample to 8 bits: Round(v / 257). 257 is odd, so v / 257 is never a tie
/// and the rounding is plain half-up.
inline std::uint8_t Reduce16(unsigned hi, unsigned lo) {
    const unsigned v = hi << 8 | lo;
    return static_cast<std::uint8_t>((2 * v + 257) / 514);
}

/// Undoes ZIP prediction in one decoded row of `rowBytes` bytes: each sample (8 or
/// 16 bits, big-endian) was stored as the difference to its left neighbour.
inline void UndoRowPrediction(std::uint8_t* row, std::size_t rowBytes, int depth) {
    if (depth == 8) {
        for (std::size_t x = 1; x < rowBytes; ++x) row[x] = static_cast<std::uint8_t>(row[x] + row[x - 1]);
        return;
    }
    unsigned previous = static_cast<unsigned>(row[0] << 8 | row[1]);
    for (std::size_t x = 2; x < rowBytes; x += 2) {
        previous = (previous + static_cast<unsigned>(row[x] << 8 | row[x + 1])) & 0xFFFF;
        row[x] = static_cast<std::uint8_t>(previous >> 8);
        row[x + 1] = static_cast<std::uint8_t>(previous);
    }
}

} // namespace deptrix
