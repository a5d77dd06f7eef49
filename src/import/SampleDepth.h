#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// deflate cannot expand data by more than about 1032:1.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;

/// What a channel's samples stand for, which decides how samples deeper than 8 bits
/// become 8 bits.
enum class SampleMeaning : std::uint8_t {
    Colour, ///< a colour value; 32-bit floats are linear light
    Opacity, ///< transparency or a mask; 32-bit floats are plain fractions
};

/// Bytes of one stored row of `width` samples of `depth` bits (1, 8, 16 or 32); rows
/// of 1-bit samples are padded to whole bytes.
constexpr std::uint64_t StoredRowBytes(std::uint64_t width, int depth) {
    return depth == 1 ? (width + 7) / 8 : width * static_cast<std::uint64_t>(depth / 8);
}

/// A 16-bit sample to 8 bits: Round(v / 257). 257 is odd, so v / 257 is never a tie
/// and the rounding is plain half-up.
inline std::uint8_t Reduce16(unsigned hi, unsigned lo) {
    const unsigned v = hi << 8 | lo;
    return static_cast<std::uint8_t>((2 * v + 257) / 514);
}

/// A linear-light value to 8-bit sRGB: the standard transfer curve (12.92 v up to
/// 0.0031308, 1.055 v^(1/2.4) - 0.055 above), scaled to 0..255 and rounded to the
/// nearest level. Values below 0 (and NaN) give 0, values above 1 give 255.
std::uint8_t LinearToSrgb8(float value);

/// A fraction to 8 bits: Round(v x 255), clamped; NaN gives 0.
std::uint8_t FractionTo8(float value);

/// Undoes ZIP prediction in one decoded row of `rowBytes` bytes. 8- and 16-bit
/// samples (big-endian) were stored as the difference to their left neighbour, and
/// so were the bytes of 1-bit rows.
/// 32-bit rows were first split into four planes of bytes, the most significant
/// bytes of all samples first, and then every byte stored as the difference to the
/// byte before it; `scratch` is resized to hold one row for putting the samples
/// back together.
void UndoRowPrediction(
    std::uint8_t* row, std::size_t rowBytes, int depth, std::vector<std::uint8_t>& scratch);

/// One stored row of `width` samples of `depth` bits to 8-bit samples in `out`:
/// 1-bit samples are black (0) where the bit is set and white (255) where it is
/// clear, 16-bit samples go through Reduce16, 32-bit big-endian floats through
/// LinearToSrgb8 (colour) or FractionTo8 (opacity). 8-bit rows are copied.
void SamplesToEightBits(
    const std::uint8_t* stored, std::uint8_t* out, int width, int depth, SampleMeaning meaning);

} // namespace deptrix
