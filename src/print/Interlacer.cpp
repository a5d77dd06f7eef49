#include "print/Interlacer.h"

#include "core/Error.h"

#include <algorithm>
#include <array>
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

/// Each lens's average of one frame row, given as floats (RowToFloats): lane c of a
/// four-lane sum adds w x pixel[c] tap by tap as the scalar sum of channel c does.
/// Every lens has the same number of taps.
template <int Channels>
void SampleRow(const SpanTable& taps, int frames, int frame, const float* row, float* values) {
    const std::size_t lenses = taps.first.size();
    if (lenses == 0) return;
    const std::size_t n = taps.begin[1] - taps.begin[0];
    const auto valueOf = [&](std::size_t lens) {
        return values
            + (lens * static_cast<std::size_t>(frames) + static_cast<std::size_t>(frame)) * Channels;
    };
    const auto pixelsOf
        = [&](std::size_t lens) { return row + static_cast<std::size_t>(taps.first[lens]) * Channels; };
    std::size_t i = 0;
#ifdef DEPTRIX_PRINT_SSE2
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

/// Rows of lens values mixed by their weights: each sum from 0 in the rows' order, as
/// the rows are added one after the other for more of them, in one pass.
template <int Rows>
void MixRows(
    const std::array<const float*, Rows>& rows, const float* weights, std::size_t n, float* __restrict sum) {
    for (std::size_t k = 0; k < n; ++k) {
        float mixed = 0.0f;
        for (int r = 0; r < Rows; ++r) mixed += weights[r] * rows[static_cast<std::size_t>(r)][k];
        sum[k] = mixed;
    }
}

/// The pixels of the columns inside strips, rounded lens values, each stored four bytes
/// wide: the bytes past a pixel of three channels fall on the next pixel, which is
/// made after it, or in the room after the last.
template <int Channels>
void RoundWholes(
    const Interlacer::WholePixel* whole, std::size_t count, const float* values, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i, ++whole) {
        const float* v = values + whole->value;
#ifdef DEPTRIX_PRINT_SSE2
        // Four lanes read for three channels: the rows of lens values have room after them.
        StoreBytes<Channels>(_mm_loadu_ps(v), out + whole->at, 4);
#else
        for (int c = 0; c < Channels; ++c) out[whole->at + c] = ToByte(v[c]);
#endif
    }
}

/// The pixels of the columns that mix two lens values: the sum of the pieces in their
/// order, as for any mixed column. Stored exactly, after the pixels inside strips.
template <int Channels>
void MixPairs(const Interlacer::PairMix* pair, std::size_t count, const float* values, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i, ++pair) {
        const float* a = values + pair->first;
        const float* b = values + pair->second;
#ifdef DEPTRIX_PRINT_SSE2
        const __m128 first = _mm_mul_ps(_mm_loadu_ps(a), _mm_set1_ps(pair->firstWeight));
        const __m128 second = _mm_mul_ps(_mm_loadu_ps(b), _mm_set1_ps(pair->secondWeight));
        StoreBytes<Channels>(_mm_add_ps(_mm_add_ps(_mm_setzero_ps(), first), second), out + pair->at);
#else
        for (int c = 0; c < Channels; ++c) {
            float sum = 0.0f;
            sum += a[c] * pair->firstWeight;
            sum += b[c] * pair->secondWeight;
            out[pair->at + c] = ToByte(sum);
        }
#endif
    }
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
    std::vector<float> weights;
    std::size_t lensTaps = 1;
    for (std::int64_t i = 0; i < m_strips.lensCount(); ++i) {
        const std::int64_t lens = m_strips.firstLens() + i;
        WeighSpan(views.width(), grid.lensEdge(lens) * scale, grid.lensEdge(lens + 1) * scale, taps);
        m_lensTaps.first.push_back(taps.first);
        m_lensTaps.begin.push_back(static_cast<std::uint32_t>(weights.size()));
        weights.insert(weights.end(), taps.weights.begin(), taps.weights.end());
        lensTaps = std::max(lensTaps, taps.weights.size());
    }
    m_lensTaps.begin.push_back(static_cast<std::uint32_t>(weights.size()));
    // Every lens sums as many taps as the widest, the ones past its own weighing 0 (which
    // adds +0 to a sum of products of bytes: the same bits), so that the loop over them,
    // run for every lens of every row, always ends where the processor predicts.
    for (std::size_t i = 0; i + 1 < m_lensTaps.begin.size(); ++i) {
        const auto own = weights.begin() + m_lensTaps.begin[i];
        const auto ownEnd = weights.begin() + m_lensTaps.begin[i + 1];
        m_lensTaps.begin[i] = static_cast<std::uint32_t>(m_lensTaps.weights.size());
        m_lensTaps.weights.insert(m_lensTaps.weights.end(), own, ownEnd);
        m_lensTaps.weights.resize(
            m_lensTaps.weights.size() + lensTaps - static_cast<std::size_t>(ownEnd - own), 0.0f);
    }
    m_lensTaps.begin.back() = static_cast<std::uint32_t>(m_lensTaps.weights.size());

    m_bandRows = std::clamp(views.bandRows(), 1, 64);
    m_bandRows = static_cast<int>(
        std::clamp<std::size_t>(kBandFloats / m_lensRowFloats, 1, static_cast<std::size_t>(m_bandRows)));
    m_capacity = m_bandRows + kRowsKept;
    m_cache.resize(static_cast<std::size_t>(m_capacity) * m_lensRowFloats + kLensRowSlack);
    m_sum.resize(m_lensRowFloats + kLensRowSlack);
    // The taps past a lens's own may reach past the row: they read zeros there.
    m_rowFloats.resize(static_cast<std::size_t>(views.width() + static_cast<int>(lensTaps))
            * static_cast<std::size_t>(m_channels)
        + kLensRowSlack);

    // A row's distinct pixels from left to right: a lens value whole for a run of
    // columns inside a strip, the mix of two lens values for a column across a strip
    // edge, or of more where strips are narrower than a pixel.
    const auto lensValueAt = [this](const StripMap::Piece& piece) {
        return static_cast<std::uint32_t>((piece.lens * static_cast<std::uint32_t>(m_frames) + piece.frame)
            * static_cast<std::uint32_t>(m_channels));
    };
    const auto channels = static_cast<std::uint32_t>(m_channels);
    std::vector<std::uint32_t> pixelOf(static_cast<std::size_t>(m_strips.size()));
    std::uint32_t pixels = 0;
    m_mixBegin.push_back(0);
    for (std::int64_t x = 0; x < m_strips.size(); ++x) {
        const StripMap::Piece* piece = m_strips.begin(x);
        const auto pieces = m_strips.end(x) - piece;
        const bool sameAsBefore = pieces == 1 && x > 0 && m_strips.end(x - 1) - m_strips.begin(x - 1) == 1
            && m_wholes.back().value == lensValueAt(*piece);
        if (!sameAsBefore) {
            const std::uint32_t at = pixels * channels;
            if (pieces == 1) {
                m_wholes.push_back({ lensValueAt(*piece), at });
            } else if (pieces == 2) {
                m_pairs.push_back(
                    { lensValueAt(piece[0]), lensValueAt(piece[1]), piece[0].weight, piece[1].weight, at });
            } else {
                for (; piece != m_strips.end(x); ++piece)
                    m_mixPieces.push_back({ lensValueAt(*piece), piece->weight });
                m_mixBegin.push_back(static_cast<std::uint32_t>(m_mixPieces.size()));
                m_mixAt.push_back(at);
            }
            ++pixels;
        }
        pixelOf[static_cast<std::size_t>(x)] = pixels - 1;
    }
    m_pixels.resize(static_cast<std::size_t>(pixels) * channels + ColumnSpread::kSlack);
    m_spread = ColumnSpread(pixelOf, m_channels);
}

void Interlacer::sampleLenses(int frame, const std::uint8_t* row, float* values) {
    RowToFloats(row, static_cast<std::size_t>(m_views.width()) * static_cast<std::size_t>(m_channels),
        m_rowFloats.data());
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
    // The pixels inside strips first: their stores reach into the next pixel.
    std::uint8_t* pixels = m_pixels.data();
    if (m_channels == 3) {
        RoundWholes<3>(m_wholes.data(), m_wholes.size(), values, pixels);
        MixPairs<3>(m_pairs.data(), m_pairs.size(), values, pixels);
    } else {
        RoundWholes<4>(m_wholes.data(), m_wholes.size(), values, pixels);
        MixPairs<4>(m_pairs.data(), m_pairs.size(), values, pixels);
    }
    for (std::size_t column = 0; column < m_mixAt.size(); ++column) {
        float sum[4] = {};
        const MixPiece* end = m_mixPieces.data() + m_mixBegin[column + 1];
        for (const MixPiece* piece = m_mixPieces.data() + m_mixBegin[column]; piece != end; ++piece) {
            const float* v = values + piece->offset;
            for (int c = 0; c < m_channels; ++c) sum[c] += v[c] * piece->weight;
        }
        for (int c = 0; c < m_channels; ++c)
            pixels[m_mixAt[column] + static_cast<std::uint32_t>(c)] = ToByte(sum[c]);
    }
    m_spread.spread(pixels, out);
}

std::size_t Interlacer::heldBytes() const {
    // The strip map holds about two pieces a column at most.
    return (m_cache.size() + m_sum.size() + m_rowFloats.size()) * sizeof(float) + m_pixels.size()
        + m_spread.heldBytes() + m_wholes.size() * sizeof(WholePixel) + m_pairs.size() * sizeof(PairMix)
        + m_mixAt.size() * sizeof(std::uint32_t) + m_mixBegin.size() * sizeof(std::uint32_t)
        + m_mixPieces.size() * sizeof(MixPiece) + m_lensTaps.weights.size() * sizeof(float)
        + m_lensTaps.first.size() * 2 * sizeof(std::uint32_t)
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
        float* sum = m_sum.data();
        const std::size_t n = m_lensRowFloats;
        // Enlarging mixes two or three rows: one pass. The rows read first stay cached
        // while the later ones are read.
        if (taps.weights.size() == 2) {
            MixRows<2>({ lensValues(taps.first), lensValues(taps.first + 1) }, taps.weights.data(), n, sum);
            expandRow(sum, out);
            continue;
        }
        if (taps.weights.size() == 3) {
            MixRows<3>({ lensValues(taps.first), lensValues(taps.first + 1), lensValues(taps.first + 2) },
                taps.weights.data(), n, sum);
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
