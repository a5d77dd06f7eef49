#include "import/AreaReduce.h"

#include "import/WorkScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define DEPTRIX_REDUCE_SSE2 1
#endif

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

/// The source pixels each working column gathers, with their weights: column X takes
/// entries begin[X] .. begin[X + 1] - 1, in source order. Every source pixel with a
/// non-zero weight towards a column is listed under it, so summing a column's entries
/// in order adds exactly what spreading each source pixel over its columns would.
struct ColumnGather {
    std::vector<int> begin;
    std::vector<int> source;
    std::vector<float> weight;
};

ColumnGather GatherOf(const AxisSpread& xs, int workingWidth) {
    ColumnGather g;
    g.begin.assign(static_cast<std::size_t>(workingWidth) + 1, 0);
    const std::size_t count = xs.first.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (xs.firstWeight[i] != 0.0f) ++g.begin[static_cast<std::size_t>(xs.first[i]) + 1];
        if (xs.secondWeight[i] != 0.0f) ++g.begin[static_cast<std::size_t>(xs.second[i]) + 1];
    }
    for (std::size_t x = 1; x < g.begin.size(); ++x) g.begin[x] += g.begin[x - 1];
    g.source.resize(static_cast<std::size_t>(g.begin.back()));
    g.weight.resize(g.source.size());
    std::vector<int> next(g.begin.begin(), g.begin.end() - 1);
    const auto add = [&](int column, std::size_t i, float w) {
        const auto k = static_cast<std::size_t>(next[static_cast<std::size_t>(column)]++);
        g.source[k] = static_cast<int>(i);
        g.weight[k] = w;
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (xs.firstWeight[i] != 0.0f) add(xs.first[i], i, xs.firstWeight[i]);
        if (xs.secondWeight[i] != 0.0f) add(xs.second[i], i, xs.secondWeight[i]);
    }
    return g;
}

/// Writes one finished working row from its accumulators (opacity sum first, then
/// the opacity-weighted colour sums) and clears them.
template <int Channels> void FinishRow(float* acc, int width, std::uint8_t* colour, std::uint8_t* mask) {
    constexpr int stride = Channels + 1;
    const auto level
        = [](float value) { return static_cast<std::uint8_t>(std::clamp(std::lrint(value), 0L, 255L)); };
    for (int x = 0; x < width; ++x) {
        float* a = acc + static_cast<std::ptrdiff_t>(x) * stride;
        const float opacity = a[0];
        mask[x] = level(opacity);
        std::uint8_t* pixel = colour + static_cast<std::ptrdiff_t>(x) * Channels;
        if (opacity > 1e-6f) {
            const float inverse = 1.0f / opacity;
            for (int c = 0; c < Channels; ++c) pixel[c] = level(a[c + 1] * inverse);
        } else {
            for (int c = 0; c < Channels; ++c) pixel[c] = 255;
        }
        for (int c = 0; c < stride; ++c) a[c] = 0.0f;
    }
}

/// A working column's sums: opacity, then colour weighted by opacity.
template <int Channels> struct ColumnSum {
    float sums[Channels + 1] = {};
    void add(float weight, const std::uint8_t* pixel) {
        sums[0] += weight;
        for (int c = 0; c < Channels; ++c) sums[c + 1] += weight * pixel[c];
    }
    void store(float* out) const {
        for (int c = 0; c <= Channels; ++c) out[c] = sums[c];
    }
};

#ifdef DEPTRIX_REDUCE_SSE2
// Three-channel pictures keep opacity and colour of a column in one four-lane vector.
// Each lane does the scalar arithmetic above, in the same order, so the bytes are the
// same; the conversions round to nearest even like lrint.

inline std::uint8_t Level(__m128 value) {
    return static_cast<std::uint8_t>(std::clamp(_mm_cvtss_si32(value), 0, 255));
}

template <> void FinishRow<3>(float* acc, int width, std::uint8_t* colour, std::uint8_t* mask) {
    const __m128 zero = _mm_setzero_ps();
    for (int x = 0; x < width; ++x) {
        float* a = acc + static_cast<std::ptrdiff_t>(x) * 4;
        const __m128 sums = _mm_loadu_ps(a);
        const float opacity = _mm_cvtss_f32(sums);
        mask[x] = Level(sums);
        std::uint8_t* pixel = colour + static_cast<std::ptrdiff_t>(x) * 3;
        if (opacity > 1e-6f) {
            const __m128i levels = _mm_cvtps_epi32(_mm_mul_ps(sums, _mm_set1_ps(1.0f / opacity)));
            // Saturating packs clamp to 0..255 as the scalar path does.
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(levels, levels), levels);
            const auto packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
            pixel[0] = static_cast<std::uint8_t>(packed >> 8);
            pixel[1] = static_cast<std::uint8_t>(packed >> 16);
            pixel[2] = static_cast<std::uint8_t>(packed >> 24);
        } else {
            pixel[0] = pixel[1] = pixel[2] = 255;
        }
        _mm_storeu_ps(a, zero);
    }
}

template <> struct ColumnSum<3> {
    __m128 sums = _mm_setzero_ps();
    void add(float weight, const std::uint8_t* pixel) {
        // Lanes 1, p0, p1, p2.
        const std::uint32_t bytes = (std::uint32_t { pixel[0] } << 8) | (std::uint32_t { pixel[1] } << 16)
            | (std::uint32_t { pixel[2] } << 24);
        const __m128i zero = _mm_setzero_si128();
        const __m128i wide
            = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero), zero);
        const __m128 values = _mm_move_ss(_mm_cvtepi32_ps(wide), _mm_set_ss(1.0f));
        sums = _mm_add_ps(sums, _mm_mul_ps(_mm_set1_ps(weight), values));
    }
    void store(float* out) const { _mm_storeu_ps(out, sums); }
};
#endif

/// One source row summed into the working columns, in registers and in source order.
template <int Channels>
void AddRow(
    const std::uint8_t* colour, const std::uint8_t* mask, const ColumnGather& g, int width, float* row) {
    for (int x = 0; x < width; ++x) {
        ColumnSum<Channels> sum;
        const int end = g.begin[static_cast<std::size_t>(x) + 1];
        for (int k = g.begin[static_cast<std::size_t>(x)]; k < end; ++k) {
            const int i = g.source[static_cast<std::size_t>(k)];
            const float m = mask[i];
            if (m == 0.0f) continue;
            sum.add(m * g.weight[static_cast<std::size_t>(k)],
                colour + static_cast<std::ptrdiff_t>(i) * Channels);
        }
        sum.store(row + static_cast<std::ptrdiff_t>(x) * (Channels + 1));
    }
}

/// target[i] += weight x row[i] over `count` floats.
void AddWeighted(float* target, const float* row, float weight, std::size_t count) {
    std::size_t i = 0;
#ifdef DEPTRIX_REDUCE_SSE2
    const __m128 w = _mm_set1_ps(weight);
    for (; i + 4 <= count; i += 4)
        _mm_storeu_ps(target + i, _mm_add_ps(_mm_loadu_ps(target + i), _mm_mul_ps(w, _mm_loadu_ps(row + i))));
#endif
    for (; i < count; ++i) target[i] += weight * row[i];
}

} // namespace

struct AreaReducer::Spreads {
    ColumnGather columns;
    AxisSpread ys;
};

AreaReducer::AreaReducer(int sourceWidth, int sourceHeight, std::int64_t sourceLeft, std::int64_t sourceTop,
    Fixed workScale, PixelFormat format, LayerPixels storage)
    : m_sourceHeight(sourceHeight)
    , m_channels(BytesPerPixel(format))
    , m_out(std::move(storage)) {
    const WorkingBox box
        = ToWorkingBox(sourceLeft, sourceTop, sourceLeft + sourceWidth, sourceTop + sourceHeight, workScale);
    const double scale = static_cast<double>(workScale) / 10000.0;
    // Every working pixel is set when its last source row arrives.
    m_out.colour.reuseAs(box.width, box.height, format);
    m_out.mask.reuseAs(box.width, box.height, PixelFormat::Gray8);
    m_spreads = std::make_unique<Spreads>(
        Spreads { GatherOf(Spread(sourceWidth, sourceLeft, box.left, box.width, scale), box.width),
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
    for (; m_nextToFinish < limit && m_nextToFinish < oh; ++m_nextToFinish) {
        float* acc = m_pending[m_nextToFinish & 1].data();
        if (m_channels == 4)
            FinishRow<4>(acc, ow, m_out.colour.row(m_nextToFinish), m_out.mask.row(m_nextToFinish));
        else
            FinishRow<3>(acc, ow, m_out.colour.row(m_nextToFinish), m_out.mask.row(m_nextToFinish));
    }
}

void AreaReducer::addRows(ConstPixelRows colour, ConstPixelRows mask, int count) {
    const ColumnGather& columns = m_spreads->columns;
    const AxisSpread& ys = m_spreads->ys;
    const int width = m_out.colour.width();
    for (int r = 0; r < count && m_sourceRow < m_sourceHeight; ++r) {
        const int y = m_sourceRow++;
        const float wy0 = ys.firstWeight[static_cast<std::size_t>(y)];
        const float wy1 = ys.secondWeight[static_cast<std::size_t>(y)];
        if (wy0 == 0.0f && wy1 == 0.0f) continue;
        const int oy = ys.first[static_cast<std::size_t>(y)];
        finishUpTo(oy);

        // Every column of m_row is written.
        if (m_channels == 4)
            AddRow<4>(colour.row(r), mask.row(r), columns, width, m_row.data());
        else
            AddRow<3>(colour.row(r), mask.row(r), columns, width, m_row.data());
        AddWeighted(m_pending[oy & 1].data(), m_row.data(), wy0, m_row.size());
        if (wy1 != 0.0f)
            AddWeighted(m_pending[ys.second[static_cast<std::size_t>(y)] & 1].data(), m_row.data(), wy1,
                m_row.size());
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
