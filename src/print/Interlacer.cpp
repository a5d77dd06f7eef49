#include "print/Interlacer.h"

#include "core/Error.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define DEPTRIX_PRINT_SSE2 1
#endif

namespace deptrix {

namespace {

/// Rows kept behind a new band: a print row reads at most this many source rows
/// before the one that starts the band.
constexpr int kRowsKept = 4;

/// Bound of the lens-value rows a band may hold.
constexpr std::size_t kBandFloats = std::size_t { 16 } << 20;

/// Room after every row of lens values: pixels of three channels are read four floats at a time.
constexpr std::size_t kLensRowSlack = 4;

#ifdef DEPTRIX_PRINT_SSE2
/// ToByte of each lane, the first `Channels` lanes stored at `out`. Every lane is
/// computed on its own as the scalar code computes its channel, so the results have
/// the same bits.
template <int Channels> inline void StoreBytes(__m128 v, std::uint8_t* out, int stored = Channels) {
    __m128 t = _mm_add_ps(v, _mm_set1_ps(0.5f));
    t = _mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    const __m128i whole = _mm_cvttps_epi32(t);
    const __m128i words = _mm_packs_epi32(whole, whole);
    const std::int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out, &bytes, static_cast<std::size_t>(stored));
}
#endif

/// Every byte of a row as a float (exact), with room after it for four-lane reads.
void RowToFloats(const std::uint8_t* row, std::size_t bytes, float* out) {
    std::size_t k = 0;
#ifdef DEPTRIX_PRINT_SSE2
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

/// Each lens's average of one frame row, given as floats (RowToFloats): lane c of a
/// four-lane sum adds w x pixel[c] tap by tap as the scalar sum of channel c does.
template <int Channels>
void SampleRow(const SpanTable& taps, int frames, int frame, const float* row, float* values) {
    const std::size_t lenses = taps.first.size();
    for (std::size_t i = 0; i < lenses; ++i) {
        const float* w = taps.weights.data() + taps.begin[i];
        const float* end = taps.weights.data() + taps.begin[i + 1];
        const float* p = row + static_cast<std::size_t>(taps.first[i]) * Channels;
        float sum[4] = {};
#ifdef DEPTRIX_PRINT_SSE2
        __m128 lanes = _mm_setzero_ps();
        for (; w != end; ++w, p += Channels)
            lanes = _mm_add_ps(lanes, _mm_mul_ps(_mm_set1_ps(*w), _mm_loadu_ps(p)));
        _mm_storeu_ps(sum, lanes);
#else
        for (; w != end; ++w, p += Channels)
            for (int c = 0; c < Channels; ++c) sum[c] += *w * p[c];
#endif
        float* out
            = values + (i * static_cast<std::size_t>(frames) + static_cast<std::size_t>(frame)) * Channels;
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
}

/// The pixels of the columns that mix two lens values: the sum of the pieces in their
/// order, as for any mixed column. Each pixel is stored four bytes wide, the fourth
/// byte under the next pixel or in the room after the last.
template <int Channels>
void MixPairs(const Interlacer::PairMix* pair, std::size_t count, const float* values, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i, ++pair, out += Channels) {
        const float* a = values + pair->first;
        const float* b = values + pair->second;
#ifdef DEPTRIX_PRINT_SSE2
        // Four lanes read for three channels: the rows of lens values have room after them.
        const __m128 first = _mm_mul_ps(_mm_loadu_ps(a), _mm_set1_ps(pair->firstWeight));
        const __m128 second = _mm_mul_ps(_mm_loadu_ps(b), _mm_set1_ps(pair->secondWeight));
        StoreBytes<Channels>(_mm_add_ps(_mm_add_ps(_mm_setzero_ps(), first), second), out, 4);
#else
        for (int c = 0; c < Channels; ++c) {
            float sum = 0.0f;
            sum += a[c] * pair->firstWeight;
            sum += b[c] * pair->secondWeight;
            out[c] = ToByte(sum);
        }
#endif
    }
}

/// Every column's pixel from the row's distinct pixels: four bytes a column, so that
/// the loop is a load and a store with no branch; the fourth byte falls under the next
/// column, and only the row's last column is stored byte by byte.
template <int Channels>
void PlaceColumns(const std::uint32_t* __restrict from, std::size_t columns,
    const std::uint8_t* __restrict pixels, std::uint8_t* __restrict out) {
    if (columns == 0) return;
    const std::size_t last = columns - 1;
    for (std::size_t x = 0; x < last; ++x) std::memcpy(out + x * Channels, pixels + from[x], 4);
    std::memcpy(out + last * Channels, pixels + from[last], Channels);
}

} // namespace

Interlacer::Interlacer(const PrintGeometry& geometry, ViewRows& views)
    : m_geometry(geometry)
    , m_views(views)
    , m_strips(geometry)
    , m_channels(CheckedChannels(geometry, views))
    , m_frames(geometry.frames()) {
    m_lensRowFloats = static_cast<std::size_t>(m_strips.lensCount()) * static_cast<std::size_t>(m_frames)
        * static_cast<std::size_t>(m_channels);

    // Each lens samples the frames over the picture columns under it; past the
    // picture's edges the edge columns continue.
    const long double scale
        = static_cast<long double>(views.width()) / static_cast<long double>(geometry.width);
    const LensGrid grid = geometry.grid();
    SpanWeights taps;
    m_lensTaps.begin.push_back(0);
    for (std::int64_t i = 0; i < m_strips.lensCount(); ++i) {
        const std::int64_t lens = m_strips.firstLens() + i;
        WeighSpan(views.width(), grid.lensEdge(lens) * scale, grid.lensEdge(lens + 1) * scale, taps);
        m_lensTaps.first.push_back(taps.first);
        m_lensTaps.weights.insert(m_lensTaps.weights.end(), taps.weights.begin(), taps.weights.end());
        m_lensTaps.begin.push_back(static_cast<std::uint32_t>(m_lensTaps.weights.size()));
    }

    m_bandRows = std::clamp(views.bandRows(), 1, 64);
    m_bandRows = static_cast<int>(
        std::clamp<std::size_t>(kBandFloats / m_lensRowFloats, 1, static_cast<std::size_t>(m_bandRows)));
    m_capacity = m_bandRows + kRowsKept;
    m_cache.resize(static_cast<std::size_t>(m_capacity) * m_lensRowFloats + kLensRowSlack);
    m_sum.resize(m_lensRowFloats + kLensRowSlack);
    m_rowFloats.resize(
        static_cast<std::size_t>(views.width()) * static_cast<std::size_t>(m_channels) + kLensRowSlack);

    // Every column takes one pixel of the row's distinct ones: a lens value whole
    // inside a strip, the mix of two lens values across a strip edge, or of more
    // where strips are narrower than a pixel.
    const auto lensValueAt = [this](const StripMap::Piece& piece) {
        return static_cast<std::uint32_t>((piece.lens * static_cast<std::uint32_t>(m_frames) + piece.frame)
            * static_cast<std::uint32_t>(m_channels));
    };
    std::vector<bool> taken(m_lensRowFloats, false);
    std::vector<std::int64_t> mixedColumns;
    m_columnPixel.resize(static_cast<std::size_t>(m_strips.size()));
    for (std::int64_t x = 0; x < m_strips.size(); ++x) {
        const StripMap::Piece* piece = m_strips.begin(x);
        const auto pieces = m_strips.end(x) - piece;
        if (pieces == 1) {
            const std::uint32_t at = lensValueAt(*piece);
            for (int c = 0; c < m_channels; ++c) taken[at + static_cast<std::uint32_t>(c)] = true;
            m_columnPixel[static_cast<std::size_t>(x)] = at;
        } else if (pieces == 2) {
            m_columnPixel[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(m_pairs.size());
            m_pairs.push_back(
                { lensValueAt(piece[0]), lensValueAt(piece[1]), piece[0].weight, piece[1].weight });
        } else {
            m_columnPixel[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(mixedColumns.size());
            mixedColumns.push_back(x);
        }
    }
    m_mixBegin.push_back(0);
    for (const std::int64_t x : mixedColumns) {
        for (const StripMap::Piece* piece = m_strips.begin(x); piece != m_strips.end(x); ++piece)
            m_mixPieces.push_back({ lensValueAt(*piece), piece->weight });
        m_mixBegin.push_back(static_cast<std::uint32_t>(m_mixPieces.size()));
    }
    // The pixels of mixing columns follow the rounded lens values.
    const auto channels = static_cast<std::size_t>(m_channels);
    m_pairPixels = m_lensRowFloats + kLensRowSlack;
    m_mixedPixels = m_pairPixels + m_pairs.size() * channels;
    m_pixels.resize(m_mixedPixels + mixedColumns.size() * channels + kLensRowSlack);
    for (std::int64_t x = 0; x < m_strips.size(); ++x) {
        const auto pieces = m_strips.end(x) - m_strips.begin(x);
        std::uint32_t& at = m_columnPixel[static_cast<std::size_t>(x)];
        if (pieces == 2) at = static_cast<std::uint32_t>(m_pairPixels + at * channels);
        if (pieces > 2) at = static_cast<std::uint32_t>(m_mixedPixels + at * channels);
    }
    // Only the lens values whole columns take are rounded to bytes, in runs.
    for (std::size_t k = 0; k < taken.size();) {
        if (!taken[k]) {
            ++k;
            continue;
        }
        const std::size_t begin = k;
        while (k < taken.size() && taken[k]) ++k;
        m_rounded.push_back({ static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(k) });
    }
}

void Interlacer::sampleLenses(int frame, const std::uint8_t* row, float* values) {
    RowToFloats(row, m_rowFloats.size() - kLensRowSlack, m_rowFloats.data());
    if (m_channels == 3)
        SampleRow<3>(m_lensTaps, m_frames, frame, m_rowFloats.data(), values);
    else
        SampleRow<4>(m_lensTaps, m_frames, frame, m_rowFloats.data(), values);
}

void Interlacer::readBand(int firstRow) {
    const int count
        = std::min({ m_bandRows, m_views.height() - firstRow, std::max(m_readEnd - firstRow, 1) });
    if (firstRow != m_high) m_low = m_high = firstRow; // not contiguous: start over
    m_views.readRows(firstRow, count, [this](int frame, int y, const std::uint8_t* row) {
        sampleLenses(frame, row, m_cache.data() + static_cast<std::size_t>(y % m_capacity) * m_lensRowFloats);
    });
    m_high = firstRow + count;
    m_low = std::max(m_low, m_high - m_capacity);
}

const float* Interlacer::lensValues(int sourceRow) {
    if (sourceRow < m_low || sourceRow >= m_high) readBand(sourceRow);
    return m_cache.data() + static_cast<std::size_t>(sourceRow % m_capacity) * m_lensRowFloats;
}

void Interlacer::expandRow(const float* values, std::uint8_t* out) {
    // Whole-strip columns take their lens value's bytes, rounded once per row.
    std::uint8_t* pixels = m_pixels.data();
    for (const auto& [begin, end] : m_rounded) {
        std::uint32_t k = begin;
#ifdef DEPTRIX_PRINT_SSE2
        // Four at a time, past the run's end into values no run takes, that a later
        // run rounds again, or into the room before the mixing columns' pixels.
        for (; k < end; k += 4) StoreBytes<4>(_mm_loadu_ps(values + k), pixels + k);
#endif
        for (; k < end; ++k) pixels[k] = ToByte(values[k]);
    }
    // In order, so that every four-byte store is overwritten by the next pixel's.
    std::uint8_t* pairs = pixels + m_pairPixels;
    if (m_channels == 3)
        MixPairs<3>(m_pairs.data(), m_pairs.size(), values, pairs);
    else
        MixPairs<4>(m_pairs.data(), m_pairs.size(), values, pairs);
    std::uint8_t* mixed = pixels + m_mixedPixels;
    for (std::size_t column = 0; column + 1 < m_mixBegin.size(); ++column) {
        float sum[4] = {};
        const MixPiece* end = m_mixPieces.data() + m_mixBegin[column + 1];
        for (const MixPiece* piece = m_mixPieces.data() + m_mixBegin[column]; piece != end; ++piece) {
            const float* v = values + piece->offset;
            for (int c = 0; c < m_channels; ++c) sum[c] += v[c] * piece->weight;
        }
        for (int c = 0; c < m_channels; ++c) *mixed++ = ToByte(sum[c]);
    }
    if (m_channels == 3)
        PlaceColumns<3>(m_columnPixel.data(), m_columnPixel.size(), pixels, out);
    else
        PlaceColumns<4>(m_columnPixel.data(), m_columnPixel.size(), pixels, out);
}

std::size_t Interlacer::heldBytes() const {
    // The strip map holds about two pieces a column at most.
    return (m_cache.size() + m_sum.size() + m_rowFloats.size()) * sizeof(float) + m_pixels.size()
        + m_columnPixel.size() * sizeof(std::uint32_t) + m_pairs.size() * sizeof(PairMix)
        + m_mixBegin.size() * sizeof(std::uint32_t) + m_mixPieces.size() * sizeof(MixPiece)
        + m_lensTaps.weights.size() * sizeof(float) + m_lensTaps.first.size() * 2 * sizeof(std::uint32_t)
        + static_cast<std::size_t>(m_strips.size()) * 2 * sizeof(StripMap::Piece);
}

void Interlacer::makeRows(std::int64_t first, int count, std::uint8_t* out) {
    if (count <= 0) return;
    const int sourceRows = m_views.height();
    const long double scale
        = static_cast<long double>(sourceRows) / static_cast<long double>(m_geometry.height);
    const auto weigh = [&](std::int64_t row, SpanWeights& taps) {
        // Rows of the bleed continue the picture's edge rows.
        const std::int64_t r = row - m_geometry.bleedRows;
        WeighSpan(
            sourceRows, static_cast<long double>(r) * scale, static_cast<long double>(r + 1) * scale, taps);
    };
    // Source rows are read no further than these rows need: bands of rows made
    // elsewhere read what lies beyond.
    weigh(first + count - 1, m_rowTaps);
    m_readEnd = m_rowTaps.first + static_cast<int>(m_rowTaps.weights.size());
    const std::size_t bytes = rowBytes();
    for (int i = 0; i < count; ++i, out += bytes) {
        weigh(first + i, m_rowTaps);
        // Rows that mix the same source rows alike are the same row.
        if (i > 0 && m_rowTaps.first == m_madeTaps.first && m_rowTaps.weights == m_madeTaps.weights) {
            std::memcpy(out, out - bytes, bytes);
            continue;
        }
        std::swap(m_madeTaps, m_rowTaps);
        const SpanWeights& taps = m_madeTaps;
        if (taps.weights.size() == 1) {
            expandRow(lensValues(taps.first), out);
            continue;
        }
        float* __restrict sum = m_sum.data();
        const std::size_t n = m_lensRowFloats;
        if (taps.weights.size() == 2) {
            // Enlarging mixes two rows: one pass, the same sums in the same order as below.
            // The first row stays cached while the second is read.
            const float* __restrict a = lensValues(taps.first);
            const float* __restrict b = lensValues(taps.first + 1);
            const float wa = taps.weights[0];
            const float wb = taps.weights[1];
            for (std::size_t k = 0; k < n; ++k) sum[k] = (0.0f + wa * a[k]) + wb * b[k];
            expandRow(sum, out);
            continue;
        }
        std::fill(sum, sum + n, 0.0f);
        for (std::size_t t = 0; t < taps.weights.size(); ++t) {
            const float w = taps.weights[t];
            const float* values = lensValues(taps.first + static_cast<int>(t));
            for (std::size_t k = 0; k < n; ++k) sum[k] += w * values[k];
        }
        expandRow(sum, out);
    }
}

} // namespace deptrix
