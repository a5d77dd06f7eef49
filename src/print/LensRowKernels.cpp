#include "print/LensRowKernels.h"

#include "print/SampleWeights.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define DEPTRIX_KERNELS_SSE2 1
#endif
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define DEPTRIX_KERNELS_AVX2 1
#endif

namespace deptrix {

namespace {

#ifdef DEPTRIX_KERNELS_SSE2
/// ToByte of each lane.
inline __m128i RoundLanes(__m128 v) {
    __m128 t = _mm_add_ps(v, _mm_set1_ps(0.5f));
    t = _mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvttps_epi32(t);
}

/// Sixteen lanes of whole numbers 0..255 as sixteen bytes.
inline void StoreSixteen(__m128i a, __m128i b, __m128i c, __m128i d, std::uint8_t* out) {
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(out), _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
}

void RoundAndMixNarrow(const float* values, const float* weights, const float* nextWeights, std::size_t count,
    int channels, std::uint8_t* wholes, std::uint8_t* edges) {
    const float* next = values + channels;
    const auto whole = [&](std::size_t at) { return RoundLanes(_mm_loadu_ps(values + at)); };
    const auto mixed = [&](std::size_t at) {
        const __m128 first = _mm_mul_ps(_mm_loadu_ps(values + at), _mm_loadu_ps(weights + at));
        const __m128 second = _mm_mul_ps(_mm_loadu_ps(next + at), _mm_loadu_ps(nextWeights + at));
        return RoundLanes(_mm_add_ps(_mm_add_ps(_mm_setzero_ps(), first), second));
    };
    for (std::size_t k = 0; k < count; k += 16) {
        StoreSixteen(whole(k), whole(k + 4), whole(k + 8), whole(k + 12), wholes + k);
        StoreSixteen(mixed(k), mixed(k + 4), mixed(k + 8), mixed(k + 12), edges + k);
    }
}

template <int Rows>
void MixRowsNarrow(const float* const* rows, const float* weights, std::size_t count, float* sum) {
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        __m128 mixed = _mm_setzero_ps();
        for (int r = 0; r < Rows; ++r)
            mixed = _mm_add_ps(mixed, _mm_mul_ps(_mm_set1_ps(weights[r]), _mm_loadu_ps(rows[r] + k)));
        _mm_storeu_ps(sum + k, mixed);
    }
    for (; k < count; ++k) {
        float mixed = 0.0f;
        for (int r = 0; r < Rows; ++r) mixed += weights[r] * rows[r][k];
        sum[k] = mixed;
    }
}
#endif

#ifdef DEPTRIX_KERNELS_AVX2
__attribute__((target("avx2"))) inline __m256i RoundLanesWide(__m256 v) {
    __m256 t = _mm256_add_ps(v, _mm256_set1_ps(0.5f));
    t = _mm256_min_ps(_mm256_max_ps(t, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    return _mm256_cvttps_epi32(t);
}

/// Thirty-two lanes of whole numbers 0..255 as thirty-two bytes: the packs work within
/// each half, the permutation puts the four-byte pieces back in order.
__attribute__((target("avx2"))) inline void StoreThirtyTwo(
    __m256i a, __m256i b, __m256i c, __m256i d, std::uint8_t* out) {
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
        _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
}

__attribute__((target("avx2"))) inline __m256i MixedLanesWide(
    const float* values, const float* next, const float* weights, const float* nextWeights) {
    const __m256 first = _mm256_mul_ps(_mm256_loadu_ps(values), _mm256_loadu_ps(weights));
    const __m256 second = _mm256_mul_ps(_mm256_loadu_ps(next), _mm256_loadu_ps(nextWeights));
    return RoundLanesWide(_mm256_add_ps(_mm256_add_ps(_mm256_setzero_ps(), first), second));
}

__attribute__((target("avx2"))) void RoundAndMixWide(const float* values, const float* weights,
    const float* nextWeights, std::size_t count, int channels, std::uint8_t* wholes, std::uint8_t* edges) {
    const float* next = values + channels;
    for (std::size_t k = 0; k < count; k += 32) {
        StoreThirtyTwo(RoundLanesWide(_mm256_loadu_ps(values + k)),
            RoundLanesWide(_mm256_loadu_ps(values + k + 8)), RoundLanesWide(_mm256_loadu_ps(values + k + 16)),
            RoundLanesWide(_mm256_loadu_ps(values + k + 24)), wholes + k);
        StoreThirtyTwo(MixedLanesWide(values + k, next + k, weights + k, nextWeights + k),
            MixedLanesWide(values + k + 8, next + k + 8, weights + k + 8, nextWeights + k + 8),
            MixedLanesWide(values + k + 16, next + k + 16, weights + k + 16, nextWeights + k + 16),
            MixedLanesWide(values + k + 24, next + k + 24, weights + k + 24, nextWeights + k + 24),
            edges + k);
    }
}

template <int Rows>
__attribute__((target("avx2"))) void MixRowsWide(
    const float* const* rows, const float* weights, std::size_t count, float* sum) {
    std::size_t k = 0;
    for (; k + 8 <= count; k += 8) {
        __m256 mixed = _mm256_setzero_ps();
        for (int r = 0; r < Rows; ++r)
            mixed = _mm256_add_ps(
                mixed, _mm256_mul_ps(_mm256_set1_ps(weights[r]), _mm256_loadu_ps(rows[r] + k)));
        _mm256_storeu_ps(sum + k, mixed);
    }
    for (; k < count; ++k) {
        float mixed = 0.0f;
        for (int r = 0; r < Rows; ++r) mixed += weights[r] * rows[r][k];
        sum[k] = mixed;
    }
}
#endif

bool Wide(VectorWidth width) {
#ifdef DEPTRIX_KERNELS_AVX2
    static const bool available = __builtin_cpu_supports("avx2");
    return width == VectorWidth::Best && available;
#else
    (void)width;
    return false;
#endif
}

template <int Rows>
void MixRowsPlain(const float* const* rows, const float* weights, std::size_t count, float* sum) {
    for (std::size_t k = 0; k < count; ++k) {
        float mixed = 0.0f;
        for (int r = 0; r < Rows; ++r) mixed += weights[r] * rows[r][k];
        sum[k] = mixed;
    }
}

template <int Rows>
void MixRowsOf(
    const float* const* rows, const float* weights, std::size_t count, float* sum, VectorWidth width) {
#ifdef DEPTRIX_KERNELS_AVX2
    if (Wide(width)) return MixRowsWide<Rows>(rows, weights, count, sum);
#else
    (void)width;
#endif
#ifdef DEPTRIX_KERNELS_SSE2
    MixRowsNarrow<Rows>(rows, weights, count, sum);
#else
    MixRowsPlain<Rows>(rows, weights, count, sum);
#endif
}

} // namespace

void MixLensRows(const float* const* rows, int rowCount, const float* weights, std::size_t count, float* sum,
    VectorWidth width) {
    if (rowCount == 2)
        MixRowsOf<2>(rows, weights, count, sum, width);
    else
        MixRowsOf<3>(rows, weights, count, sum, width);
}

void RoundAndMixEdges(const float* values, const float* weights, const float* nextWeights, std::size_t count,
    int channels, std::uint8_t* wholes, std::uint8_t* edges, VectorWidth width) {
#ifdef DEPTRIX_KERNELS_AVX2
    if (Wide(width)) return RoundAndMixWide(values, weights, nextWeights, count, channels, wholes, edges);
#endif
#ifdef DEPTRIX_KERNELS_SSE2
    RoundAndMixNarrow(values, weights, nextWeights, count, channels, wholes, edges);
#else
    (void)width;
    const float* next = values + channels;
    for (std::size_t k = 0; k < count; ++k) {
        wholes[k] = ToByte(values[k]);
        float sum = 0.0f;
        sum += values[k] * weights[k];
        sum += next[k] * nextWeights[k];
        edges[k] = ToByte(sum);
    }
#endif
}

} // namespace deptrix
