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

template <int Channels>
void Expand(const std::vector<Interlacer::Run>& runs, const std::vector<Interlacer::PairMix>& pairs,
    const std::vector<std::uint32_t>& mixBegin, const std::vector<Interlacer::MixPiece>& mixPieces,
    const float* values, const std::uint8_t* bytes, std::uint8_t* out) {
    // Pixels are stored four bytes at a time; a fourth byte past a pixel is written
    // over by the next one, so only the row's last pixel is stored byte by byte.
    const Interlacer::Run* lastRun = runs.data() + runs.size() - 1;
    for (const Interlacer::Run& run : runs) {
        switch (run.kind) {
        case Interlacer::RunKind::Whole: {
            std::uint32_t pixel = 0;
            std::memcpy(&pixel, bytes + run.at, 4); // the row of bytes has room after it
            const std::uint32_t whole = &run == lastRun ? run.count - 1 : run.count;
            for (std::uint32_t i = 0; i < whole; ++i, out += Channels) std::memcpy(out, &pixel, 4);
            if (whole != run.count) {
                std::memcpy(out, &pixel, Channels);
                out += Channels;
            }
            break;
        }
        case Interlacer::RunKind::Pairs: {
            // The sum of the pieces in their order, as for any mixed column.
            const Interlacer::PairMix* pair = pairs.data() + run.at;
            for (std::uint32_t i = 0; i < run.count; ++i, ++pair, out += Channels) {
                const float* a = values + pair->first;
                const float* b = values + pair->second;
#ifdef DEPTRIX_PRINT_SSE2
                // Four lanes read for three channels: the rows of lens values have room after them.
                const __m128 first = _mm_mul_ps(_mm_loadu_ps(a), _mm_set1_ps(pair->firstWeight));
                const __m128 second = _mm_mul_ps(_mm_loadu_ps(b), _mm_set1_ps(pair->secondWeight));
                const bool rowEnd = &run == lastRun && i + 1 == run.count;
                StoreBytes<Channels>(
                    _mm_add_ps(_mm_add_ps(_mm_setzero_ps(), first), second), out, rowEnd ? Channels : 4);
#else
                for (int c = 0; c < Channels; ++c) {
                    float sum = 0.0f;
                    sum += a[c] * pair->firstWeight;
                    sum += b[c] * pair->secondWeight;
                    out[c] = ToByte(sum);
                }
#endif
            }
            break;
        }
        case Interlacer::RunKind::Mixed: {
            float sum[Channels] = {};
            const Interlacer::MixPiece* end = mixPieces.data() + mixBegin[run.at + 1];
            for (const Interlacer::MixPiece* piece = mixPieces.data() + mixBegin[run.at]; piece != end;
                 ++piece) {
                const float* v = values + piece->offset;
                for (int c = 0; c < Channels; ++c) sum[c] += v[c] * piece->weight;
            }
            for (int c = 0; c < Channels; ++c) out[c] = ToByte(sum[c]);
            out += Channels;
            break;
        }
        }
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
    m_lensBytes.resize(m_lensRowFloats + kLensRowSlack);

    // Per column: a run of columns that take one lens value whole, or the pieces a
    // column mixes, each with the offset of its lens value.
    const auto lensValueAt = [this](const StripMap::Piece& piece) {
        return static_cast<std::uint32_t>((piece.lens * static_cast<std::uint32_t>(m_frames) + piece.frame)
            * static_cast<std::uint32_t>(m_channels));
    };
    std::vector<bool> taken(m_lensRowFloats, false);
    m_mixBegin.push_back(0);
    for (std::int64_t x = 0; x < m_strips.size(); ++x) {
        const StripMap::Piece* piece = m_strips.begin(x);
        const auto pieces = m_strips.end(x) - piece;
        if (pieces == 2) {
            if (m_runs.empty() || m_runs.back().kind != RunKind::Pairs)
                m_runs.push_back({ RunKind::Pairs, 0, static_cast<std::uint32_t>(m_pairs.size()) });
            ++m_runs.back().count;
            m_pairs.push_back(
                { lensValueAt(piece[0]), lensValueAt(piece[1]), piece[0].weight, piece[1].weight });
            continue;
        }
        if (pieces != 1) {
            m_runs.push_back({ RunKind::Mixed, 1, static_cast<std::uint32_t>(m_mixBegin.size() - 1) });
            for (; piece != m_strips.end(x); ++piece)
                m_mixPieces.push_back({ lensValueAt(*piece), piece->weight });
            m_mixBegin.push_back(static_cast<std::uint32_t>(m_mixPieces.size()));
            continue;
        }
        const std::uint32_t at = lensValueAt(*piece);
        for (int c = 0; c < m_channels; ++c) taken[at + static_cast<std::uint32_t>(c)] = true;
        if (!m_runs.empty() && m_runs.back().kind == RunKind::Whole && m_runs.back().at == at)
            ++m_runs.back().count;
        else
            m_runs.push_back({ RunKind::Whole, 1, at });
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
    // Whole-strip columns copy their lens value's bytes, rounded once per row.
    std::uint8_t* bytes = m_lensBytes.data();
    for (const auto& [begin, end] : m_rounded) {
        std::uint32_t k = begin;
#ifdef DEPTRIX_PRINT_SSE2
        // Four at a time, past the run's end into values no run takes or that a later
        // run rounds again; rows of lens values and of bytes have room after them.
        for (; k < end; k += 4) StoreBytes<4>(_mm_loadu_ps(values + k), bytes + k);
#endif
        for (; k < end; ++k) bytes[k] = ToByte(values[k]);
    }
    if (m_channels == 3)
        Expand<3>(m_runs, m_pairs, m_mixBegin, m_mixPieces, values, bytes, out);
    else
        Expand<4>(m_runs, m_pairs, m_mixBegin, m_mixPieces, values, bytes, out);
}

std::size_t Interlacer::heldBytes() const {
    // The strip map holds about two pieces a column at most.
    return (m_cache.size() + m_sum.size() + m_rowFloats.size()) * sizeof(float) + m_lensBytes.size()
        + m_runs.size() * sizeof(Run) + m_pairs.size() * sizeof(PairMix)
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
        float* sum = m_sum.data();
        const std::size_t n = m_lensRowFloats;
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
