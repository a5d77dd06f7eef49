#pragma once

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

} // namespace deptrix
