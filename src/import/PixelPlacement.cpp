#include "import/PixelPlacement.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define DEPTRIX_SHUFFLE_BYTES 1
#endif

namespace deptrix {

PixelFormat LayerPixelFormat(const PsdHeader& header) {
    return header.mode == ColourMode::Cmyk ? PixelFormat::Cmyk32 : PixelFormat::Bgr24;
}

std::vector<int> ColourChannelOffsets(ColourMode mode, int id) {
    switch (mode) {
    case ColourMode::Cmyk:
        return id >= 0 && id < 4 ? std::vector<int> { id } : std::vector<int> {};
    case ColourMode::Rgb:
        return id >= 0 && id < 3 ? std::vector<int> { 2 - id } : std::vector<int> {};
    default:
        return id == 0 ? std::vector<int> { 0, 1, 2 } : std::vector<int> {};
    }
}

void ExpandIndexedRow(std::uint8_t* pixelRow, int width, const ColourTable& table) {
    for (int x = 0; x < width; ++x, pixelRow += 3) {
        const std::array<std::uint8_t, 3>& rgb = table.rgb[pixelRow[0]];
        pixelRow[0] = rgb[2];
        pixelRow[1] = rgb[1];
        pixelRow[2] = rgb[0];
    }
}

void ScatterRow(const std::uint8_t* samples, std::uint8_t* pixelRow, int width, int pixelBytes, int offset) {
    std::uint8_t* out = pixelRow + offset;
    for (int x = 0; x < width; ++x, out += pixelBytes) *out = samples[x];
}

namespace {

template <int PixelBytes> void Interleave(const std::uint8_t* const* byOffset, std::uint8_t* out, int width) {
    const std::uint8_t* source[PixelBytes];
    for (int k = 0; k < PixelBytes; ++k) source[k] = byOffset[k];
    for (int x = 0; x < width; ++x, out += PixelBytes)
        for (int k = 0; k < PixelBytes; ++k) out[k] = source[k][x];
}

#ifdef DEPTRIX_SHUFFLE_BYTES
/// Three planes into three-byte pixels, 16 pixels at a time: each of the 48 output
/// bytes is picked from one plane's 16 by a byte shuffle (SSSE3, checked at run time).
__attribute__((target("ssse3"))) void InterleaveThreeShuffled(
    const std::uint8_t* const* byOffset, std::uint8_t* out, int width) {
    const std::uint8_t* const a = byOffset[0];
    const std::uint8_t* const b = byOffset[1];
    const std::uint8_t* const c = byOffset[2];
    // Byte i of output block j is byte pick[j][k][i] of plane k (-1: another plane).
    const __m128i pick[3][3] = {
        { _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5),
            _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1),
            _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1) },
        { _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1),
            _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10),
            _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1) },
        { _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1),
            _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1),
            _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15) },
    };
    int x = 0;
    for (; x + 16 <= width; x += 16, out += 48) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i vc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + x));
        for (int j = 0; j < 3; ++j) {
            const __m128i bytes = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(va, pick[j][0]), _mm_shuffle_epi8(vb, pick[j][1])),
                _mm_shuffle_epi8(vc, pick[j][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * j), bytes);
        }
    }
    const std::uint8_t* const rest[3] = { a + x, b + x, c + x };
    Interleave<3>(rest, out, width - x);
}

bool CanShuffleBytes() {
    static const bool can = __builtin_cpu_supports("ssse3");
    return can;
}
#endif

} // namespace

void InterleaveRow(const std::uint8_t* const* byOffset, std::uint8_t* pixelRow, int width, int pixelBytes) {
    switch (pixelBytes) {
    case 3:
#ifdef DEPTRIX_SHUFFLE_BYTES
        if (CanShuffleBytes()) {
            InterleaveThreeShuffled(byOffset, pixelRow, width);
            break;
        }
#endif
        Interleave<3>(byOffset, pixelRow, width);
        break;
    case 4:
        Interleave<4>(byOffset, pixelRow, width);
        break;
    default:
        for (int k = 0; k < pixelBytes; ++k) ScatterRow(byOffset[k], pixelRow, width, pixelBytes, k);
    }
}

} // namespace deptrix
