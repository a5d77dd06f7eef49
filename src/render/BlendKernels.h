#pragma once

#include <cstddef>
#include <cstdint>

namespace deptrix::blend {

/// Nearest integer to n / 255 for 0 <= n <= 65025, without a division.
/// Why it is exact: 255 is odd, so n / 255 is never a tie; write n = 255k + r with
/// -127 <= r <= 127, k the wanted result (0..255). Then t = n + 128 = 256k + c with
/// c = r + 128 - k, and -254 <= c <= 255.
///   c >= 0: t >> 8 = k and (t + k) >> 8 = (256k + r + 128) >> 8 = k, as 1 <= r + 128 <= 255;
///   c < 0:  t >> 8 = k - 1 and (t + k - 1) >> 8 = (256k + r + 127) >> 8 = k, as 0 <= r + 127 <= 254.
/// Every intermediate stays below 65536, so the same steps run in 16-bit SIMD lanes.
/// The tests also check all 65026 values of n.
constexpr unsigned DivideRound255(unsigned n) {
    const unsigned t = n + 128;
    return (t + (t >> 8)) >> 8;
}

/// Nearest integer to (dst x (255 - m) + src x m) / 255.
constexpr std::uint8_t BlendByte(unsigned dst, unsigned src, unsigned m) {
    return static_cast<std::uint8_t>(DivideRound255(dst * (255 - m) + src * m));
}

/// dst[i] := BlendByte(dst[i], src[i], alpha[i]) for i < count.
void BlendBytes(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* alpha, std::size_t count);

/// The same with plain integer code, kept as the portable path and as the yardstick
/// for the vector path.
void BlendBytesScalar(
    std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* alpha, std::size_t count);

/// coverage[i] := BlendByte(coverage[i], 255, alpha[i]): opacity accumulated over white.
void AccumulateCoverage(std::uint8_t* coverage, const std::uint8_t* alpha, std::size_t count);

/// One row of a layer laid over the target through its mask: `count` pixels of
/// `bytesPerPixel` (1, 3 or 4) colour bytes each, one mask byte per pixel. When
/// `coverage` is not null it accumulates the mask as well. Long runs of fully
/// transparent pixels are skipped and long runs of opaque ones copied; the result is
/// the same as blending every byte.
void BlendPixelRow(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* mask, std::size_t count,
    int bytesPerPixel, std::uint8_t* coverage);

} // namespace deptrix::blend
