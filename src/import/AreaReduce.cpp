#include "import/AreaReduce.h"

#include "import/WorkScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace deptrix {

namespace {

/// How one source pixel of an axis spreads over the working pixels: as the scale
/// is below one, a source pixel touches at most two of them. Indices out of the
/// working box carry weight 0 and a clamped index.
struct AxisSpread {
    std::vector<int> first;
    std::vector<float> firstWeight;
    std::vector<int> second;
    std::vector<float> secondWeight;
};

/// Weights are fractions of one working pixel's extent, so the weights reaching a
/// working pixel that lies wholly inside the layer add up to one.
AxisSpread Spread(
    int sourceCount, std::int64_t sourceStart, std::int64_t workingStart, int workingCount, double scale) {
    AxisSpread s;
    s.first.resize(static_cast<std::size_t>(sourceCount));
    s.firstWeight.resize(static_cast<std::size_t>(sourceCount));
    s.second.resize(static_cast<std::size_t>(sourceCount));
    s.secondWeight.resize(static_cast<std::size_t>(sourceCount));
    auto clampIndex = [workingCount](std::int64_t i) {
        return static_cast<int>(std::clamp<std::int64_t>(i, 0, workingCount - 1));
    };
    auto inside = [workingCount](std::int64_t i) { return i >= 0 && i < workingCount; };
    for (int i = 0; i < sourceCount; ++i) {
        const double left = static_cast<double>(sourceStart + i);
        // Working pixel (absolute) holding the source pixel's left edge, and the
        // source position of that working pixel's right edge.
        const auto cell = static_cast<std::int64_t>(std::floor(left * scale));
        const double boundary = static_cast<double>(cell + 1) / scale;
        double w0 = scale;
        double w1 = 0;
        if (boundary < left + 1.0) {
            w0 = (boundary - left) * scale;
            w1 = (left + 1.0 - boundary) * scale;
        }
        const std::int64_t o0 = cell - workingStart;
        const std::size_t k = static_cast<std::size_t>(i);
        s.first[k] = clampIndex(o0);
        s.firstWeight[k] = inside(o0) ? static_cast<float>(w0) : 0.0f;
        s.second[k] = clampIndex(o0 + 1);
        s.secondWeight[k] = inside(o0 + 1) ? static_cast<float>(w1) : 0.0f;
    }
    return s;
}

/// Writes one finished working row from its accumulators (opacity sum first, then
/// the opacity-weighted colour sums) and clears them.
void FinishRow(float* acc, int width, int channels, std::uint8_t* colour, std::uint8_t* mask) {
    const int stride = channels + 1;
    for (int x = 0; x < width; ++x) {
        float* a = acc + static_cast<std::ptrdiff_t>(x) * stride;
        const float opacity = a[0];
        mask[x] = static_cast<std::uint8_t>(std::clamp(std::lrint(opacity), 0L, 255L));
        std::uint8_t* pixel = colour + static_cast<std::ptrdiff_t>(x) * channels;
        if (opacity > 1e-6f) {
            const float inverse = 1.0f / opacity;
            for (int c = 0; c < channels; ++c)
                pixel[c] = static_cast<std::uint8_t>(std::clamp(std::lrint(a[c + 1] * inverse), 0L, 255L));
        } else {
            for (int c = 0; c < channels; ++c) pixel[c] = 255;
        }
        std::fill(a, a + stride, 0.0f);
    }
}

template <int Channels>
void AddRow(const std::uint8_t* colour, const std::uint8_t* mask, int sw, const AxisSpread& xs, float* row) {
    constexpr int stride = Channels + 1;
    for (int x = 0; x < sw; ++x) {
        const float m = mask[x];
        if (m == 0.0f) continue;
        const std::size_t k = static_cast<std::size_t>(x);
        float* a = row + static_cast<std::ptrdiff_t>(xs.first[k]) * stride;
        float* b = row + static_cast<std::ptrdiff_t>(xs.second[k]) * stride;
        const float ma = m * xs.firstWeight[k];
        const float mb = m * xs.secondWeight[k];
        const std::uint8_t* p = colour + static_cast<std::ptrdiff_t>(x) * Channels;
        a[0] += ma;
        b[0] += mb;
        for (int c = 0; c < Channels; ++c) {
            a[c + 1] += ma * p[c];
            b[c + 1] += mb * p[c];
        }
    }
}

} // namespace

struct AreaReducer::Spreads {
    AxisSpread xs;
    AxisSpread ys;
};

AreaReducer::AreaReducer(int sourceWidth, int sourceHeight, std::int64_t sourceLeft, std::int64_t sourceTop,
    Fixed workScale, PixelFormat format)
    : m_sourceWidth(sourceWidth)
    , m_sourceHeight(sourceHeight)
    , m_channels(BytesPerPixel(format)) {
    const WorkingBox box
        = ToWorkingBox(sourceLeft, sourceTop, sourceLeft + sourceWidth, sourceTop + sourceHeight, workScale);
    const double scale = static_cast<double>(workScale) / 10000.0;
    // Every working pixel is set when its last source row arrives.
    m_out.colour = Bitmap(box.width, box.height, format, UnfilledPixels {});
    m_out.mask = Bitmap(box.width, box.height, PixelFormat::Gray8, UnfilledPixels {});
    m_spreads
        = std::make_unique<Spreads>(Spreads { Spread(sourceWidth, sourceLeft, box.left, box.width, scale),
            Spread(sourceHeight, sourceTop, box.top, box.height, scale) });
    const std::size_t size = static_cast<std::size_t>(box.width) * static_cast<std::size_t>(m_channels + 1);
    m_row.assign(size, 0.0f);
    m_pending[0].assign(size, 0.0f);
    m_pending[1].assign(size, 0.0f);
}

AreaReducer::~AreaReducer() = default;

void AreaReducer::finishUpTo(int limit) {
    const int ow = m_out.colour.width();
    const int oh = m_out.colour.height();
    for (; m_nextToFinish < limit && m_nextToFinish < oh; ++m_nextToFinish)
        FinishRow(m_pending[m_nextToFinish & 1].data(), ow, m_channels, m_out.colour.row(m_nextToFinish),
            m_out.mask.row(m_nextToFinish));
}

void AreaReducer::addRows(const Bitmap& colour, const Bitmap& mask, int bandRow, int count) {
    const AxisSpread& xs = m_spreads->xs;
    const AxisSpread& ys = m_spreads->ys;
    for (int r = 0; r < count && m_sourceRow < m_sourceHeight; ++r) {
        const int y = m_sourceRow++;
        const float wy0 = ys.firstWeight[static_cast<std::size_t>(y)];
        const float wy1 = ys.secondWeight[static_cast<std::size_t>(y)];
        if (wy0 == 0.0f && wy1 == 0.0f) continue;
        const int oy = ys.first[static_cast<std::size_t>(y)];
        finishUpTo(oy);

        std::fill(m_row.begin(), m_row.end(), 0.0f);
        if (m_channels == 4)
            AddRow<4>(colour.row(bandRow + r), mask.row(bandRow + r), m_sourceWidth, xs, m_row.data());
        else
            AddRow<3>(colour.row(bandRow + r), mask.row(bandRow + r), m_sourceWidth, xs, m_row.data());
        float* first = m_pending[oy & 1].data();
        for (std::size_t i = 0; i < m_row.size(); ++i) first[i] += wy0 * m_row[i];
        if (wy1 != 0.0f) {
            float* second = m_pending[(ys.second[static_cast<std::size_t>(y)]) & 1].data();
            for (std::size_t i = 0; i < m_row.size(); ++i) second[i] += wy1 * m_row[i];
        }
    }
}

LayerPixels AreaReducer::finish() {
    finishUpTo(m_out.colour.height());
    return std::move(m_out);
}

LayerPixels ReduceLayer(
    const LayerPixels& source, std::int64_t sourceLeft, std::int64_t sourceTop, Fixed workScale) {
    AreaReducer reducer(source.colour.width(), source.colour.height(), sourceLeft, sourceTop, workScale,
        source.colour.format());
    reducer.addRows(source.colour, source.mask, 0, source.colour.height());
    return reducer.finish();
}

} // namespace deptrix
