#include "render/BlendKernels.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define DEPTRIX_BLEND_SSE2 1
#endif

namespace deptrix::blend {

namespace {

/// Masks are classified in blocks of this many pixels; shorter uniform stretches
/// are simply blended, which gives the same bytes.
constexpr std::size_t kBlock = 16;

/// Pixels whose per-byte alpha is expanded at a time: small enough to stay in L1.
constexpr std::size_t kChunk = 256;

enum class Run { Clear, Opaque, Mixed };

Run Classify(const std::uint8_t* mask) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, mask, 8);
    std::memcpy(&b, mask + 8, 8);
    if ((a | b) == 0) return Run::Clear;
    if ((a & b) == ~std::uint64_t { 0 }) return Run::Opaque;
    return Run::Mixed;
}

/// One alpha byte per colour byte, so that the byte kernels need no pixel layout.
void ExpandAlpha(std::uint8_t* alpha, const std::uint8_t* mask, std::size_t pixels, int bytesPerPixel) {
    if (bytesPerPixel == 4) {
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint32_t quad = mask[i] * 0x01010101u;
            std::memcpy(alpha + 4 * i, &quad, 4);
        }
    } else {
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint8_t m = mask[i];
            alpha[3 * i] = m;
            alpha[3 * i + 1] = m;
            alpha[3 * i + 2] = m;
        }
    }
}

void BlendMixed(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* mask, std::size_t count,
    int bytesPerPixel, std::uint8_t* coverage) {
    if (bytesPerPixel == 1) {
        BlendBytes(dst, src, mask, count);
    } else {
        std::uint8_t alpha[kChunk * 4];
        const auto bpp = static_cast<std::size_t>(bytesPerPixel);
        for (std::size_t done = 0; done < count; done += kChunk) {
            const std::size_t pixels = std::min(kChunk, count - done);
            ExpandAlpha(alpha, mask + done, pixels, bytesPerPixel);
            BlendBytes(dst + done * bpp, src + done * bpp, alpha, pixels * bpp);
        }
    }
    if (coverage) AccumulateCoverage(coverage, mask, count);
}

#ifdef DEPTRIX_BLEND_SSE2
/// Eight bytes widened to 16-bit lanes: DivideRound255(d x (255 - a) + s x a).
inline __m128i BlendLanes(__m128i d, __m128i s, __m128i a) {
    const __m128i n
        = _mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), a)), _mm_mullo_epi16(s, a));
    const __m128i t = _mm_add_epi16(n, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

inline __m128i Blend16(__m128i d, __m128i s, __m128i a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low
        = BlendLanes(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(a, zero));
    const __m128i high
        = BlendLanes(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(a, zero));
    return _mm_packus_epi16(low, high);
}
#endif

} // namespace

void BlendBytesScalar(
    std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* alpha, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) dst[i] = BlendByte(dst[i], src[i], alpha[i]);
}

void BlendBytes(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* alpha, std::size_t count) {
    std::size_t i = 0;
#ifdef DEPTRIX_BLEND_SSE2
    for (; i + 16 <= count; i += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), Blend16(d, s, a));
    }
#endif
    BlendBytesScalar(dst + i, src + i, alpha + i, count - i);
}

void AccumulateCoverage(std::uint8_t* coverage, const std::uint8_t* alpha, std::size_t count) {
    std::size_t i = 0;
#ifdef DEPTRIX_BLEND_SSE2
    const __m128i white = _mm_set1_epi8(static_cast<char>(255));
    for (; i + 16 <= count; i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + i));
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coverage + i), Blend16(c, white, a));
    }
#endif
    for (; i < count; ++i) coverage[i] = BlendByte(coverage[i], 255, alpha[i]);
}

void BlendPixelRow(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* mask, std::size_t count,
    int bytesPerPixel, std::uint8_t* coverage) {
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    std::size_t i = 0;
    while (i < count) {
        const Run kind = count - i >= kBlock ? Classify(mask + i) : Run::Mixed;
        std::size_t end = std::min(i + kBlock, count);
        while (count - end >= kBlock && Classify(mask + end) == kind) end += kBlock;
        // A ragged tail is blended with the mixed run before it rather than on its own.
        if (kind == Run::Mixed && count - end < kBlock) end = count;

        const std::size_t pixels = end - i;
        switch (kind) {
        case Run::Clear:
            break;
        case Run::Opaque:
            std::memcpy(dst + i * bpp, src + i * bpp, pixels * bpp);
            if (coverage) std::memset(coverage + i, 255, pixels);
            break;
        case Run::Mixed:
            BlendMixed(dst + i * bpp, src + i * bpp, mask + i, pixels, bytesPerPixel,
                coverage ? coverage + i : nullptr);
            break;
        }
        i = end;
    }
}

} // namespace deptrix::blend
