#include "print/HorizontalInterlacer.h"

#include <algorithm>
#include <cstring>

namespace deptrix {

namespace {

/// Source rows kept behind a new band: a lens starts at most this many rows before
/// the one that ends the lens above it.
constexpr int kRowsKept = 4;

/// Bound of the source rows a band may hold.
constexpr std::size_t kBandBytes = std::size_t { 24 } << 20;

void AppendSpan(SpanTable& table, const SpanWeights& taps) {
    if (table.begin.empty()) table.begin.push_back(0);
    table.first.push_back(taps.first);
    table.weights.insert(table.weights.end(), taps.weights.begin(), taps.weights.end());
    table.begin.push_back(static_cast<std::uint32_t>(table.weights.size()));
}

template <int Channels> void Resample(const SpanTable& taps, const float* values, std::uint8_t* out) {
    const std::size_t columns = taps.first.size();
    for (std::size_t x = 0; x < columns; ++x, out += Channels) {
        const float* w = taps.weights.data() + taps.begin[x];
        const float* end = taps.weights.data() + taps.begin[x + 1];
        const float* v = values + static_cast<std::size_t>(taps.first[x]) * Channels;
        float sum[Channels] = {};
        for (; w != end; ++w, v += Channels)
            for (int c = 0; c < Channels; ++c) sum[c] += *w * v[c];
        for (int c = 0; c < Channels; ++c) out[c] = ToByte(sum[c]);
    }
}

} // namespace

HorizontalInterlacer::HorizontalInterlacer(const PrintGeometry& geometry, ViewRows& frames)
    : m_geometry(geometry)
    , m_frames(frames)
    , m_strips(geometry)
    , m_channels(CheckedChannels(geometry, frames))
    , m_frameCount(geometry.frames())
    , m_sourceWidth(frames.width()) {
    m_sourceRowBytes = static_cast<std::size_t>(m_sourceWidth) * static_cast<std::size_t>(m_channels);
    m_lensRowFloats = m_sourceRowBytes;

    // Each lens averages the frames over the source rows under it, each print column
    // the source columns under it; past the picture's edges the edge pixels continue.
    const LensGrid grid = geometry.grid();
    const long double rowScale
        = static_cast<long double>(frames.height()) / static_cast<long double>(geometry.height);
    SpanWeights taps;
    for (std::int64_t i = 0; i < m_strips.lensCount(); ++i) {
        const std::int64_t lens = m_strips.firstLens() + i;
        WeighSpan(frames.height(), grid.lensEdge(lens) * rowScale, grid.lensEdge(lens + 1) * rowScale, taps);
        AppendSpan(m_lensTaps, taps);
    }
    const long double columnScale
        = static_cast<long double>(m_sourceWidth) / static_cast<long double>(geometry.width);
    for (std::int64_t x = 0; x < geometry.bledWidth(); ++x) {
        const std::int64_t column = x - geometry.bleedColumns;
        WeighSpan(m_sourceWidth, static_cast<long double>(column) * columnScale,
            static_cast<long double>(column + 1) * columnScale, taps);
        AppendSpan(m_columnTaps, taps);
    }

    const std::size_t rowSetBytes = m_sourceRowBytes * static_cast<std::size_t>(m_frameCount);
    m_bandRows = static_cast<int>(std::clamp<std::size_t>(
        kBandBytes / rowSetBytes, 1, static_cast<std::size_t>(std::clamp(frames.bandRows(), 1, 64))));
    m_capacity = m_bandRows + kRowsKept;
    m_rows.resize(static_cast<std::size_t>(m_capacity) * rowSetBytes);
    for (LensRows& slot : m_lenses)
        slot.values.resize(m_lensRowFloats * static_cast<std::size_t>(m_frameCount));
    m_mix.resize(m_lensRowFloats);
    m_lastRow.resize(rowBytes());
}

void HorizontalInterlacer::readBand(int firstRow) {
    const int count
        = std::min({ m_bandRows, m_frames.height() - firstRow, std::max(m_readEnd - firstRow, 1) });
    if (firstRow != m_high) m_low = m_high = firstRow; // not contiguous: start over
    m_frames.readRows(firstRow, count, [this](int frame, int y, const std::uint8_t* row) {
        const auto slot = static_cast<std::size_t>(y % m_capacity) * static_cast<std::size_t>(m_frameCount)
            + static_cast<std::size_t>(frame);
        std::memcpy(m_rows.data() + slot * m_sourceRowBytes, row, m_sourceRowBytes);
    });
    m_high = firstRow + count;
    m_low = std::max(m_low, m_high - m_capacity);
}

const std::uint8_t* HorizontalInterlacer::sourceRow(int frame, int y) {
    if (y < m_low || y >= m_high) readBand(y);
    const auto slot = static_cast<std::size_t>(y % m_capacity) * static_cast<std::size_t>(m_frameCount)
        + static_cast<std::size_t>(frame);
    return m_rows.data() + slot * m_sourceRowBytes;
}

void HorizontalInterlacer::computeLens(LensRows& slot, std::uint32_t lens) {
    slot.lens = lens;
    std::fill(slot.values.begin(), slot.values.end(), 0.0f);
    const std::uint32_t begin = m_lensTaps.begin[lens];
    const std::uint32_t end = m_lensTaps.begin[lens + 1];
    for (std::uint32_t t = begin; t < end; ++t) {
        const float w = m_lensTaps.weights[t];
        const int y = m_lensTaps.first[lens] + static_cast<int>(t - begin);
        for (int f = 0; f < m_frameCount; ++f) {
            const std::uint8_t* row = sourceRow(f, y);
            float* sum = slot.values.data() + static_cast<std::size_t>(f) * m_lensRowFloats;
            for (std::size_t k = 0; k < m_lensRowFloats; ++k) sum[k] += w * row[k];
        }
    }
    // Blue, green, red in the pictures, red, green, blue in the print; CMYK pictures
    // hold 255 - ink, the print the ink.
    float* v = slot.values.data();
    const std::size_t total = slot.values.size();
    if (m_channels == 3) {
        for (std::size_t k = 0; k < total; k += 3) std::swap(v[k], v[k + 2]);
    } else {
        for (std::size_t k = 0; k < total; ++k) v[k] = 255.0f - v[k];
    }
}

const float* HorizontalInterlacer::lensRow(std::uint32_t lens, int frame) {
    const std::size_t at = static_cast<std::size_t>(frame) * m_lensRowFloats;
    for (LensRows& slot : m_lenses)
        if (slot.lens == lens) return slot.values.data() + at;
    // Lenses are asked for top to bottom: the one further up goes.
    LensRows& slot = m_lenses[0].lens < m_lenses[1].lens ? m_lenses[0] : m_lenses[1];
    computeLens(slot, lens);
    return slot.values.data() + at;
}

void HorizontalInterlacer::resampleColumns(const float* values, std::uint8_t* out) const {
    if (m_channels == 3)
        Resample<3>(m_columnTaps, values, out);
    else
        Resample<4>(m_columnTaps, values, out);
}

std::size_t HorizontalInterlacer::heldBytes() const {
    // The strip map holds about two pieces a column at most.
    std::size_t floats = m_mix.size() + m_columnTaps.weights.size() + m_lensTaps.weights.size();
    for (const LensRows& slot : m_lenses) floats += slot.values.size();
    return m_rows.size() + floats * sizeof(float) + m_lastRow.size()
        + (m_columnTaps.first.size() + m_lensTaps.first.size()) * 2 * sizeof(std::uint32_t)
        + static_cast<std::size_t>(m_strips.size()) * 2 * sizeof(StripMap::Piece);
}

void HorizontalInterlacer::makeRows(std::int64_t first, int count, std::uint8_t* out) {
    if (count <= 0) return;
    // Source rows are read no further than the lenses of these rows need: bands of
    // rows made elsewhere read what lies beyond.
    m_readEnd = 0;
    for (const StripMap::Piece* piece = m_strips.begin(first + count - 1);
         piece != m_strips.end(first + count - 1); ++piece) {
        const auto taps = static_cast<int>(m_lensTaps.begin[piece->lens + 1] - m_lensTaps.begin[piece->lens]);
        m_readEnd = std::max(m_readEnd, m_lensTaps.first[piece->lens] + taps);
    }
    for (int i = 0; i < count; ++i, out += rowBytes()) {
        const std::int64_t row = first + i;
        const StripMap::Piece* piece = m_strips.begin(row);
        const StripMap::Piece* end = m_strips.end(row);
        if (end - piece == 1) {
            // One frame over the whole row: the same as the row before while the strip lasts.
            const std::int64_t key = static_cast<std::int64_t>(piece->lens) * m_frameCount + piece->frame;
            if (key != m_lastKey) {
                resampleColumns(lensRow(piece->lens, piece->frame), m_lastRow.data());
                m_lastKey = key;
            }
            std::memcpy(out, m_lastRow.data(), m_lastRow.size());
            continue;
        }
        std::fill(m_mix.begin(), m_mix.end(), 0.0f);
        for (; piece != end; ++piece) {
            const float* values = lensRow(piece->lens, piece->frame);
            for (std::size_t k = 0; k < m_lensRowFloats; ++k) m_mix[k] += piece->weight * values[k];
        }
        resampleColumns(m_mix.data(), out);
        m_lastKey = -1;
    }
}

} // namespace deptrix
