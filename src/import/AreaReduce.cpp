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
void ReduceRows(const LayerPixels& source, const AxisSpread& xs, const AxisSpread& ys, LayerPixels& out) {
    constexpr int stride = Channels + 1;
    const int sw = source.colour.width();
    const int sh = source.colour.height();
    const int ow = out.colour.width();
    const int oh = out.colour.height();
    std::vector<float> row(static_cast<std::size_t>(ow) * stride);
    // Two pending working rows: a source row reaches at most two of them.
    std::vector<float> pending[2] = { std::vector<float>(row.size()), std::vector<float>(row.size()) };
    int nextToFinish = 0;
    auto finishUpTo = [&](int limit) {
        for (; nextToFinish < limit && nextToFinish < oh; ++nextToFinish)
            FinishRow(pending[nextToFinish & 1].data(), ow, Channels, out.colour.row(nextToFinish),
                out.mask.row(nextToFinish));
    };

    for (int y = 0; y < sh; ++y) {
        const float wy0 = ys.firstWeight[static_cast<std::size_t>(y)];
        const float wy1 = ys.secondWeight[static_cast<std::size_t>(y)];
        if (wy0 == 0.0f && wy1 == 0.0f) continue;
        const int oy = ys.first[static_cast<std::size_t>(y)];
        finishUpTo(oy);

        std::fill(row.begin(), row.end(), 0.0f);
        const std::uint8_t* colour = source.colour.row(y);
        const std::uint8_t* mask = source.mask.row(y);
        for (int x = 0; x < sw; ++x) {
            const float m = mask[x];
            if (m == 0.0f) continue;
            const std::size_t k = static_cast<std::size_t>(x);
            float* a = row.data() + static_cast<std::ptrdiff_t>(xs.first[k]) * stride;
            float* b = row.data() + static_cast<std::ptrdiff_t>(xs.second[k]) * stride;
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
        float* first = pending[oy & 1].data();
        for (std::size_t i = 0; i < row.size(); ++i) first[i] += wy0 * row[i];
        if (wy1 != 0.0f) {
            float* second = pending[(ys.second[static_cast<std::size_t>(y)]) & 1].data();
            for (std::size_t i = 0; i < row.size(); ++i) second[i] += wy1 * row[i];
        }
    }
    finishUpTo(oh);
}

} // namespace

LayerPixels ReduceLayer(
    const LayerPixels& source, std::int64_t sourceLeft, std::int64_t sourceTop, Fixed workScale) {
    const int sw = source.colour.width();
    const int sh = source.colour.height();
    const WorkingBox box = ToWorkingBox(sourceLeft, sourceTop, sourceLeft + sw, sourceTop + sh, workScale);
    const double scale = static_cast<double>(workScale) / 10000.0;

    LayerPixels out;
    out.colour = Bitmap(box.width, box.height, source.colour.format());
    out.mask = Bitmap(box.width, box.height, PixelFormat::Gray8);
    const AxisSpread xs = Spread(sw, sourceLeft, box.left, box.width, scale);
    const AxisSpread ys = Spread(sh, sourceTop, box.top, box.height, scale);
    if (source.colour.bytesPerPixel() == 4)
        ReduceRows<4>(source, xs, ys, out);
    else
        ReduceRows<3>(source, xs, ys, out);
    return out;
}

} // namespace deptrix
