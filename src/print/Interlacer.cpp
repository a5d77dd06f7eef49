#include "print/Interlacer.h"

#include "core/Error.h"
#include "print/LensRowKernels.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace deptrix {

namespace {

/// Rows kept behind a new band: a print row reads at most this many source rows
/// before the one that starts the band.
constexpr int kRowsKept = 4;

/// Bound of the lens-value rows a band may hold.
constexpr std::size_t kBandFloats = std::size_t { 16 } << 20;

/// Room after every row of lens values: the kernels read whole groups of floats, and
/// a strip's value beside the next strip's.
constexpr std::size_t kLensRowSlack = kKernelOverrun + 8;

} // namespace

Interlacer::Interlacer(const PrintGeometry& geometry, ViewRows& views, VectorWidth width)
    : m_geometry(geometry)
    , m_views(views)
    , m_strips(geometry)
    , m_channels(CheckedChannels(geometry, views))
    , m_frames(geometry.frames())
    , m_width(width) {
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

    planColumns();
}

void Interlacer::planColumns() {
    const auto lenses = static_cast<std::size_t>(m_strips.lensCount());
    const auto frames = static_cast<std::size_t>(m_frames);
    const auto channels = static_cast<std::uint32_t>(m_channels);
    const auto pieceAt = [frames](const StripMap::Piece& piece) { return piece.lens * frames + piece.frame; };
    // The lens values in the order their strips first show from left to right (any
    // that no column shows after them), so neighbouring strips have neighbouring values.
    constexpr std::uint32_t kUnplaced = UINT32_MAX;
    std::vector<std::uint32_t> slotOf(lenses * frames, kUnplaced);
    std::uint32_t slots = 0;
    for (std::int64_t x = 0; x < m_strips.size(); ++x)
        for (const StripMap::Piece* piece = m_strips.begin(x); piece != m_strips.end(x); ++piece)
            if (slotOf[pieceAt(*piece)] == kUnplaced) slotOf[pieceAt(*piece)] = slots++;
    for (std::uint32_t& slot : slotOf)
        if (slot == kUnplaced) slot = slots++;
    m_valueAt.resize(lenses * frames);
    for (std::size_t lens = 0; lens < lenses; ++lens)
        for (std::size_t frame = 0; frame < frames; ++frame)
            m_valueAt[frame * lenses + lens] = slotOf[lens * frames + frame] * channels;

    // Each column's pixel: a rounded lens value, the mix of a strip with the next one
    // across their edge (one column at most crosses an edge), or a mix of its own.
    // The rounded values, the mixes across edges and the other mixes, each part with
    // room for the kernels' whole groups before the next.
    const auto partBytes = static_cast<std::uint32_t>(m_lensRowFloats + kKernelOverrun);
    m_edgeBytes = partBytes;
    m_edgeWeights.assign(m_lensRowFloats + kLensRowSlack, 0.0f);
    m_nextWeights.assign(m_lensRowFloats + kLensRowSlack, 0.0f);
    std::vector<bool> edgeTaken(slots, false);
    std::vector<std::uint32_t> byteOf;
    byteOf.reserve(static_cast<std::size_t>(m_strips.size()) * channels);
    std::uint32_t ownMixes = 0;
    m_mixBegin.assign(1, 0);
    for (std::int64_t x = 0; x < m_strips.size(); ++x) {
        const StripMap::Piece* piece = m_strips.begin(x);
        const auto pieces = m_strips.end(x) - piece;
        std::uint32_t at = 0;
        const std::uint32_t slot = pieces > 0 ? slotOf[pieceAt(*piece)] : 0;
        if (pieces == 1) {
            at = slot * channels;
        } else if (pieces == 2 && slotOf[pieceAt(piece[1])] == slot + 1 && !edgeTaken[slot]) {
            edgeTaken[slot] = true;
            at = partBytes + slot * channels;
            for (std::uint32_t c = 0; c < channels; ++c) {
                m_edgeWeights[slot * channels + c] = piece[0].weight;
                m_nextWeights[slot * channels + c] = piece[1].weight;
            }
        } else {
            for (; piece != m_strips.end(x); ++piece)
                m_mixPieces.push_back({ slotOf[pieceAt(*piece)] * channels, piece->weight });
            m_mixBegin.push_back(static_cast<std::uint32_t>(m_mixPieces.size()));
            at = 2 * partBytes + ownMixes++ * channels;
            m_mixAt.push_back(at);
        }
        for (std::uint32_t c = 0; c < channels; ++c) byteOf.push_back(at + c);
    }
    m_pixels.resize(2 * static_cast<std::size_t>(partBytes) + static_cast<std::size_t>(ownMixes) * channels
        + ColumnSpread::kSlack);
    m_spread = ColumnSpread::FromBytes(byteOf);
}

void Interlacer::sampleLenses(int frame, const std::uint8_t* row, float* values) {
    RowToFloats(row, static_cast<std::size_t>(m_views.width()) * static_cast<std::size_t>(m_channels),
        m_rowFloats.data(), m_width);
    SampleLensRow(m_lensTaps, m_valueAt.data() + static_cast<std::size_t>(frame) * m_lensTaps.first.size(),
        m_rowFloats.data(), m_channels, values, m_width);
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
    std::uint8_t* pixels = m_pixels.data();
    RoundAndMixEdges(values, m_edgeWeights.data(), m_nextWeights.data(), m_lensRowFloats, m_channels, pixels,
        pixels + m_edgeBytes, m_width);
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
    return (m_cache.size() + m_sum.size() + m_rowFloats.size() + m_edgeWeights.size() + m_nextWeights.size())
        * sizeof(float)
        + m_pixels.size() + m_spread.heldBytes() + m_valueAt.size() * sizeof(std::uint32_t)
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
        const auto rowCount = static_cast<int>(taps.weights.size());
        if (rowCount <= 3) {
            const float* rows[3] = {};
            for (int t = 0; t < rowCount; ++t) rows[t] = lensValues(taps.first + t);
            MixLensRows(rows, rowCount, taps.weights.data(), n, sum, m_width);
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
