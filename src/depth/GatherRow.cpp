#include "depth/GatherRow.h"

#include <cstddef>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define DEPTRIX_GATHER_BY_PERMUTE 1
#endif

namespace deptrix {

#if DEPTRIX_GATHER_BY_PERMUTE

namespace {

// The build runs on any x86-64: these instructions are used only where the processor
// says it has them.
#define DEPTRIX_PERMUTE_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

// The zero-masking forms throughout: the plain ones start from an undefined register,
// which the compiler warns of.
constexpr __mmask16 kAll16 = 0xFFFF;
constexpr __mmask64 kAll64 = ~__mmask64 { 0 };

DEPTRIX_PERMUTE_TARGET std::int32_t SmallestOf(__m512i values) {
    __m512i m = _mm512_maskz_min_epi32(
        kAll16, values, _mm512_maskz_shuffle_i32x4(kAll16, values, values, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm512_maskz_min_epi32(kAll16, m, _mm512_maskz_shuffle_i32x4(kAll16, m, m, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm512_maskz_min_epi32(kAll16, m, _mm512_maskz_shuffle_epi32(kAll16, m, _MM_PERM_BADC));
    m = _mm512_maskz_min_epi32(kAll16, m, _mm512_maskz_shuffle_epi32(kAll16, m, _MM_PERM_CDAB));
    return _mm_cvtsi128_si32(_mm512_maskz_extracti32x4_epi32(0xF, m, 0));
}

DEPTRIX_PERMUTE_TARGET std::int32_t GatherByPermute(const std::uint8_t* source,
    const std::uint8_t* sourceMask, std::int64_t width, const std::int32_t* from, std::int32_t first,
    std::int32_t last, std::uint8_t* out, std::uint8_t* outMask) {
    // Byte j of three pixels in a row comes from byte j % 3 of pixel j / 3.
    alignas(64) static constexpr std::uint8_t kPixelOfByte[64]
        = { 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10,
              10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15 };
    alignas(64) static constexpr std::uint8_t kByteOfPixel[64]
        = { 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2,
              0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2 };
    const __m512i pixelOfByte = _mm512_load_si512(kPixelOfByte);
    const __m512i byteOfPixel = _mm512_load_si512(kByteOfPixel);
    constexpr std::int32_t kSpan = 21; // pixels wholly within 64 bytes
    constexpr __mmask64 kSixteenPixels = (std::uint64_t { 1 } << 48) - 1;
    std::int32_t c = first;
    for (; c + 15 <= last; c += 16) {
        const __m512i sources = _mm512_loadu_si512(from + c);
        const std::int32_t base = SmallestOf(sources);
        const __m512i offsets = _mm512_maskz_sub_epi32(kAll16, sources, _mm512_set1_epi32(base));
        // The window's 64 bytes of mask, and so its 64 bytes of pixels, lie within the row.
        if (base + 64 > width || _mm512_cmpgt_epi32_mask(offsets, _mm512_set1_epi32(kSpan - 1)) != 0) {
            for (std::int32_t k = c; k < c + 16; ++k) {
                const std::uint8_t* pixel = source + static_cast<std::ptrdiff_t>(from[k]) * 3;
                std::uint8_t* to = out + static_cast<std::ptrdiff_t>(k) * 3;
                to[0] = pixel[0];
                to[1] = pixel[1];
                to[2] = pixel[2];
                outMask[k] = sourceMask[from[k]];
            }
            continue;
        }
        const __m128i pixelOffsets = _mm512_maskz_cvtepi32_epi8(kAll16, offsets);
        const __m128i byteOffsets = _mm_add_epi8(_mm_add_epi8(pixelOffsets, pixelOffsets), pixelOffsets);
        const __m512i byteIndex = _mm512_maskz_add_epi8(kAll64,
            _mm512_maskz_permutexvar_epi8(kAll64, pixelOfByte, _mm512_zextsi128_si512(byteOffsets)),
            byteOfPixel);
        const __m512i window = _mm512_loadu_si512(source + static_cast<std::ptrdiff_t>(base) * 3);
        _mm512_mask_storeu_epi8(out + static_cast<std::ptrdiff_t>(c) * 3, kSixteenPixels,
            _mm512_maskz_permutexvar_epi8(kAll64, byteIndex, window));
        const __m512i maskWindow = _mm512_loadu_si512(sourceMask + base);
        _mm512_mask_storeu_epi8(outMask + c, kAll16,
            _mm512_maskz_permutexvar_epi8(kAll64, _mm512_zextsi128_si512(pixelOffsets), maskWindow));
    }
    return c;
}

bool CanPermuteBytes() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
        && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
}

} // namespace

std::int32_t GatherPixelsBySixteen(const std::uint8_t* source, const std::uint8_t* sourceMask,
    std::int64_t width, const std::int32_t* from, std::int32_t first, std::int32_t last, std::uint8_t* out,
    std::uint8_t* outMask) {
    static const bool permute = CanPermuteBytes();
    if (!permute) return first;
    return GatherByPermute(source, sourceMask, width, from, first, last, out, outMask);
}

#else

std::int32_t GatherPixelsBySixteen(const std::uint8_t*, const std::uint8_t*, std::int64_t,
    const std::int32_t*, std::int32_t first, std::int32_t, std::uint8_t*, std::uint8_t*) {
    return first;
}

#endif

} // namespace deptrix
