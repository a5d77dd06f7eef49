#include "print/Interlacer.h"

#include "core/Error.h"

#include <algorithm>

namespace deptrix {

namespace {

/// Rows kept behind a new band: a print row reads at most this many source rows
/// before the one that starts the band.
constexpr int kRowsKept = 4;

/// Bound of the lens-value rows a band may hold.
constexpr std::size_t kBandFloats = std::size_t { 16 } << 20;

template <int Channels>
void SampleRow(const SpanTable& taps, int frames, int frame, const std::uint8_t* row, float* values) {
    const std::size_t lenses = taps.first.size();
    for (std::size_t i = 0; i < lenses; ++i) {
        const float* w = taps.weights.data() + taps.begin[i];
        const float* end = taps.weights.data() + taps.begin[i + 1];
        const std::uint8_t* p = row + static_cast<std::size_t>(taps.first[i]) * Channels;
        float sum[Channels] = {};
        for (; w != end; ++w, p += Channels)
            for (int c = 0; c < Channels; ++c) sum[c] += *w * p[c];
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
void Expand(const std::vector<Interlacer::Run>& runs, const StripMap& strips, int frames, const float* values,
    const std::uint8_t* bytes, std::uint8_t* out) {
    const std::size_t lensFloats = static_cast<std::size_t>(frames) * Channels;
    for (const Interlacer::Run& run : runs) {
        if (run.count > 0) {
            const std::uint8_t* v = bytes + run.at;
            for (std::uint32_t i = 0; i < run.count; ++i, out += Channels)
                for (int c = 0; c < Channels; ++c) out[c] = v[c];
            continue;
        }
        float sum[Channels] = {};
        for (const StripMap::Piece* piece = strips.begin(run.at); piece != strips.end(run.at); ++piece) {
            const float* v = values + piece->lens * lensFloats + piece->frame * std::size_t { Channels };
            for (int c = 0; c < Channels; ++c) sum[c] += v[c] * piece->weight;
        }
        for (int c = 0; c < Channels; ++c) out[c] = ToByte(sum[c]);
        out += Channels;
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
    m_cache.resize(static_cast<std::size_t>(m_capacity) * m_lensRowFloats);
    m_sum.resize(m_lensRowFloats);
    m_lensBytes.resize(m_lensRowFloats);

    for (std::int64_t x = 0; x < m_strips.size(); ++x) {
        const StripMap::Piece* piece = m_strips.begin(x);
        if (m_strips.end(x) - piece != 1) {
            m_runs.push_back({ 0, static_cast<std::uint32_t>(x) });
            continue;
        }
        const auto at = static_cast<std::uint32_t>(
            (piece->lens * static_cast<std::uint32_t>(m_frames) + piece->frame) * m_channels);
        if (!m_runs.empty() && m_runs.back().count > 0 && m_runs.back().at == at)
            ++m_runs.back().count;
        else
            m_runs.push_back({ 1, at });
    }
}

void Interlacer::sampleLenses(int frame, const std::uint8_t* row, float* values) const {
    if (m_channels == 3)
        SampleRow<3>(m_lensTaps, m_frames, frame, row, values);
    else
        SampleRow<4>(m_lensTaps, m_frames, frame, row, values);
}

void Interlacer::readBand(int firstRow) {
    const int count = std::min(m_bandRows, m_views.height() - firstRow);
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
    for (std::size_t k = 0; k < m_lensRowFloats; ++k) bytes[k] = ToByte(values[k]);
    if (m_channels == 3)
        Expand<3>(m_runs, m_strips, m_frames, values, bytes, out);
    else
        Expand<4>(m_runs, m_strips, m_frames, values, bytes, out);
}

void Interlacer::makeRows(std::int64_t first, int count, std::uint8_t* out) {
    const int sourceRows = m_views.height();
    const long double scale
        = static_cast<long double>(sourceRows) / static_cast<long double>(m_geometry.height);
    for (int i = 0; i < count; ++i, out += rowBytes()) {
        // Rows of the bleed continue the picture's edge rows.
        const std::int64_t r = first + i - m_geometry.bleedRows;
        WeighSpan(sourceRows, static_cast<long double>(r) * scale, static_cast<long double>(r + 1) * scale,
            m_rowTaps);
        if (m_rowTaps.weights.size() == 1) {
            expandRow(lensValues(m_rowTaps.first), out);
            continue;
        }
        float* sum = m_sum.data();
        const std::size_t n = m_lensRowFloats;
        std::fill(sum, sum + n, 0.0f);
        for (std::size_t t = 0; t < m_rowTaps.weights.size(); ++t) {
            const float w = m_rowTaps.weights[t];
            const float* values = lensValues(m_rowTaps.first + static_cast<int>(t));
            for (std::size_t k = 0; k < n; ++k) sum[k] += w * values[k];
        }
        expandRow(sum, out);
    }
}

} // namespace deptrix
