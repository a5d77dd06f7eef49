#include "print/LensRowKernels.h"

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

/// Columns `first` .. count - 1 of the rows' weighted sum, one at a time: the
/// vector kernels' tails, and the whole row where there are none.
template <int Rows>
void MixRowsPlain(
    const float* const* rows, const float* weights, std::size_t first, std::size_t count, float* sum) {
    for (std::size_t k = first; k < count; ++k) {
        float mixed = 0.0f;
        for (int r = 0; r < Rows; ++r) mixed += weights[r] * rows[r][k];
        sum[k] = mixed;
    }
}

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
    MixRowsPlain<Rows>(rows, weights, k, count, sum);
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

__attribute__((target("avx2"))) void RowToFloatsWide(const std::uint8_t* row, std::size_t bytes, float* out) {
    std::size_t k = 0;
    for (; k + 8 <= bytes; k += 8) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + k));
        _mm256_storeu_ps(out + k, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(eight)));
    }
    for (; k < bytes; ++k) out[k] = static_cast<float>(row[k]);
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
    MixRowsPlain<Rows>(rows, weights, k, count, sum);
}
#endif

/// Every byte of a row as a float (exact), with room after it for four-lane reads.
void RowToFloatsHere(const std::uint8_t* row, std::size_t bytes, float* out) {
    std::size_t k = 0;
#ifdef DEPTRIX_KERNELS_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; k + 16 <= bytes; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + k));
        const __m128i low = _mm_unpacklo_epi8(v, zero);
        const __m128i high = _mm_unpackhi_epi8(v, zero);
        _mm_storeu_ps(out + k, _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)));
        _mm_storeu_ps(out + k + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)));
        _mm_storeu_ps(out + k + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)));
        _mm_storeu_ps(out + k + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)));
    }
#endif
    for (; k < bytes; ++k) out[k] = static_cast<float>(row[k]);
}

/// Stores one lens's sums of a frame row as its value in the print's channels.
template <int Channels> inline void StoreLensValue(const float* sum, float* out) {
    if constexpr (Channels == 3) {
        // Blue, green, red in the pictures; red, green, blue in the print.
        out[0] = sum[2];
        out[1] = sum[1];
        out[2] = sum[0];
    } else {
        // Stored as 255 - ink; the print holds the ink.
        for (int c = 0; c < Channels; ++c) out[c] = 255.0f - sum[c];
    }
}

/// Each lens's average of one frame row from lens `from` on: lane c of a four-lane sum
/// adds w x pixel[c] tap by tap as the scalar sum of channel c does.
template <int Channels>
void SampleRowNarrow(const SpanTable& taps, const std::uint32_t* valueAt, const float* row, float* values,
    std::size_t from = 0) {
    const std::size_t lenses = taps.first.size();
    if (lenses == 0) return;
    const std::size_t n = taps.begin[1] - taps.begin[0];
    const auto valueOf = [&](std::size_t lens) { return values + valueAt[lens]; };
    const auto pixelsOf
        = [&](std::size_t lens) { return row + static_cast<std::size_t>(taps.first[lens]) * Channels; };
    std::size_t i = from;
#ifdef DEPTRIX_KERNELS_SSE2
    // Four lenses side by side: four sums that need not wait for each other, each
    // still added tap by tap in its own order.
    for (; i + 4 <= lenses; i += 4) {
        const float* w = taps.weights.data() + taps.begin[i];
        const float* p[4] = { pixelsOf(i), pixelsOf(i + 1), pixelsOf(i + 2), pixelsOf(i + 3) };
        __m128 lanes[4] = { _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps() };
        for (std::size_t t = 0; t < n; ++t)
            for (std::size_t k = 0; k < 4; ++k)
                lanes[k] = _mm_add_ps(
                    lanes[k], _mm_mul_ps(_mm_set1_ps(w[k * n + t]), _mm_loadu_ps(p[k] + t * Channels)));
        for (std::size_t k = 0; k < 4; ++k) {
            float sum[4];
            _mm_storeu_ps(sum, lanes[k]);
            StoreLensValue<Channels>(sum, valueOf(i + k));
        }
    }
#endif
    for (; i < lenses; ++i) {
        const float* w = taps.weights.data() + taps.begin[i];
        const float* p = pixelsOf(i);
        float sum[4] = {};
        for (std::size_t t = 0; t < n; ++t, p += Channels)
            for (int c = 0; c < Channels; ++c) sum[c] += w[t] * p[c];
        StoreLensValue<Channels>(sum, valueOf(i));
    }
}

#ifdef DEPTRIX_KERNELS_AVX2
/// SampleRowNarrow with two lenses in each 256-bit vector, eight side by side.
template <int Channels>
__attribute__((target("avx2"))) void SampleRowWide(
    const SpanTable& taps, const std::uint32_t* valueAt, const float* row, float* values) {
    const std::size_t lenses = taps.first.size();
    const std::size_t n = taps.begin[1] - taps.begin[0];
    const auto pixelsOf
        = [&](std::size_t lens) { return row + static_cast<std::size_t>(taps.first[lens]) * Channels; };
    std::size_t i = 0;
    for (; i + 8 <= lenses; i += 8) {
        const float* w = taps.weights.data() + taps.begin[i];
        const float* p[8];
        for (std::size_t k = 0; k < 8; ++k) p[k] = pixelsOf(i + k);
        __m256 lanes[4]
            = { _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps() };
        for (std::size_t t = 0; t < n; ++t)
            for (std::size_t k = 0; k < 4; ++k) {
                const __m256 weight
                    = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_broadcast_ss(w + 2 * k * n + t)),
                        _mm_broadcast_ss(w + (2 * k + 1) * n + t), 1);
                const __m256 pixels
                    = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(p[2 * k] + t * Channels)),
                        _mm_loadu_ps(p[2 * k + 1] + t * Channels), 1);
                lanes[k] = _mm256_add_ps(lanes[k], _mm256_mul_ps(weight, pixels));
            }
        for (std::size_t k = 0; k < 4; ++k) {
            float sum[8];
            _mm256_storeu_ps(sum, lanes[k]);
            StoreLensValue<Channels>(sum, values + valueAt[i + 2 * k]);
            StoreLensValue<Channels>(sum + 4, values + valueAt[i + 2 * k + 1]);
        }
    }
    // The rest as the narrow code does them.
    if (i < lenses) SampleRowNarrow<Channels>(taps, valueAt, row, values, i);
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
    MixRowsPlain<Rows>(rows, weights, 0, count, sum);
#endif
}

} // namespace

void RowToFloats(const std::uint8_t* row, std::size_t bytes, float* out, VectorWidth width) {
#ifdef DEPTRIX_KERNELS_AVX2
    // The wide code throughout: on some processors the 128-bit code right after the
    // 256-bit code runs at half speed.
    if (Wide(width)) return RowToFloatsWide(row, bytes, out);
#else
    (void)width;
#endif
    RowToFloatsHere(row, bytes, out);
}

void SampleLensRow(const SpanTable& taps, const std::uint32_t* valueAt, const float* row, int channels,
    float* values, VectorWidth width) {
    if (taps.first.empty()) return;
#ifdef DEPTRIX_KERNELS_AVX2
    if (Wide(width)) {
        if (channels == 3)
            SampleRowWide<3>(taps, valueAt, row, values);
        else
            SampleRowWide<4>(taps, valueAt, row, values);
        return;
    }
#else
    (void)width;
#endif
    if (channels == 3)
        SampleRowNarrow<3>(taps, valueAt, row, values);
    else
        SampleRowNarrow<4>(taps, valueAt, row, values);
}

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
