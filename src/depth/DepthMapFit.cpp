#include "depth/DepthMapFit.h"

#include "core/Error.h"
#include "core/TaskPool.h"
#include "depth/DepthQuantities.h"

#include <algorithm>
#include <string>
#include <vector>

namespace deptrix {

namespace {

/// num / den rounded to the nearest integer, ties to even; num >= 0, den > 0.
std::uint64_t RoundedQuotient(std::uint64_t num, std::uint64_t den) {
    const std::uint64_t q = num / den;
    const std::uint64_t twice = 2 * (num % den);
    return twice > den ? q + 1 : twice == den ? q + (q & 1) : q;
}

/// The source pixels one way of the raster reads, with integer weights: raster index i
/// is grid cell clamp(first + i) of a grid of `gridSize` cells over which `sourceSize`
/// map pixels are stretched; its value is sum(weight x pixel) / denominator.
struct Axis {
    std::vector<std::uint32_t> start; ///< per raster index: its first tap; one more entry at the end
    std::vector<int> source;
    std::vector<std::uint32_t> weight;
    std::uint64_t denominator = 1;
    bool direct = false; ///< one tap of weight 1 per index (map and grid alike)
};

Axis MakeAxis(int sourceSize, std::int64_t gridSize, std::int64_t first, int count) {
    Axis axis;
    axis.start.reserve(static_cast<std::size_t>(count) + 1);
    const std::int64_t s = sourceSize;
    const std::int64_t g = gridSize;
    axis.direct = s == g;
    axis.denominator = axis.direct ? 1
        : s > g                    ? static_cast<std::uint64_t>(s)
                                   : static_cast<std::uint64_t>(2 * g);
    auto tap = [&axis](std::int64_t index, std::int64_t weight) {
        axis.source.push_back(static_cast<int>(index));
        axis.weight.push_back(static_cast<std::uint32_t>(weight));
    };
    for (int i = 0; i < count; ++i) {
        axis.start.push_back(static_cast<std::uint32_t>(axis.source.size()));
        const std::int64_t cell = std::clamp<std::int64_t>(first + i, 0, g - 1);
        if (axis.direct) {
            tap(cell, 1);
        } else if (s > g) {
            // The cell spans [cell x s, (cell + 1) x s) in units of which a map pixel
            // holds g: each map pixel weighs by its overlap.
            const std::int64_t from = cell * s;
            const std::int64_t to = from + s;
            for (std::int64_t j = from / g; j * g < to; ++j)
                tap(j, std::min(to, (j + 1) * g) - std::max(from, j * g));
        } else {
            // Centre of the cell in map pixels, doubled over 2g: ((2 cell + 1) s - g) / 2g.
            const std::int64_t position = (2 * cell + 1) * s - g;
            std::int64_t left = position < 0 ? 0 : position / (2 * g);
            std::int64_t fraction = position < 0 ? 0 : position - left * 2 * g;
            if (left >= s - 1) {
                left = s - 1;
                fraction = 0;
            }
            tap(left, 2 * g - fraction);
            if (fraction > 0) tap(left + 1, fraction);
        }
    }
    axis.start.push_back(static_cast<std::uint32_t>(axis.source.size()));
    return axis;
}

/// Rows of the map weighted along the raster's columns. The last two are kept: the
/// rows two neighbouring raster rows share (the boundary row when shrinking, the
/// pair between two map rows when growing) are then weighted once.
class WeightedRows {
public:
    WeightedRows(const GreyPicture& map, const Axis& columns, int width)
        : m_map(map)
        , m_columns(columns) {
        for (Kept& kept : m_kept) kept.sums.resize(static_cast<std::size_t>(width));
    }

    /// Valid until the next call.
    const std::vector<std::uint64_t>& row(int source) {
        for (const Kept& kept : m_kept)
            if (kept.source == source) return kept.sums;
        Kept& kept = m_kept[m_next];
        m_next ^= 1;
        kept.source = source;
        const std::uint16_t* values = m_map.row(source);
        for (std::size_t x = 0; x < kept.sums.size(); ++x) {
            std::uint64_t sum = 0;
            for (std::uint32_t t = m_columns.start[x]; t < m_columns.start[x + 1]; ++t)
                sum += std::uint64_t { m_columns.weight[t] } * values[m_columns.source[t]];
            kept.sums[x] = sum;
        }
        return kept.sums;
    }

private:
    struct Kept {
        int source = -1;
        std::vector<std::uint64_t> sums;
    };
    const GreyPicture& m_map;
    const Axis& m_columns;
    std::array<Kept, 2> m_kept;
    std::size_t m_next = 0;
};

} // namespace

std::uint8_t DepthMapLevel(std::uint16_t value, const DepthMapOptions& options) {
    // t = (v / 257 - b) / (w - b) with b and w x 10000: over the common denominator.
    const std::int64_t range = 257 * (options.whitePoint - options.blackPoint);
    if (range <= 0) return 0;
    std::int64_t scaled = 255 * (std::int64_t { value } * 10000 - 257 * options.blackPoint);
    if (options.invert) scaled = 255 * range - scaled;
    if (scaled <= 0) return 0;
    if (scaled >= 255 * range) return 255;
    return static_cast<std::uint8_t>(
        RoundedQuotient(static_cast<std::uint64_t>(scaled), static_cast<std::uint64_t>(range)));
}

std::array<std::uint8_t, 2> DepthMapLevelRange(const LayerDepthMap& map) {
    const std::uint8_t a = DepthMapLevel(map.darkest, map.options);
    const std::uint8_t b = DepthMapLevel(map.lightest, map.options);
    return { std::min(a, b), std::max(a, b) };
}

Bitmap DepthMapRaster(
    const Document& doc, const LayerRecord& layer, const LayerDepthMap& map, std::int64_t margin) {
    if (!map.present() || map.picture->empty()) throw Error("The depth map of the layer has no picture");
    const GreyPicture& picture = *map.picture;
    const std::int64_t width = 2 * margin + layer.Width;
    if (width <= 0 || layer.Height <= 0)
        throw Error("The layer's depth leaves no picture to warp (width " + std::to_string(width)
            + ", height " + std::to_string(layer.Height) + ")");
    if (width > kMaxBitmapSide)
        throw Error("The layer with its depth margins is " + std::to_string(width)
            + " pixels wide, more than a picture can hold");

    // The grid the map is stretched over, and where the raster's first pixel lies on it.
    std::int64_t gridWidth = layer.Width;
    std::int64_t gridHeight = layer.Height;
    std::int64_t firstColumn = -margin;
    std::int64_t firstRow = 0;
    const std::int64_t carried = map.options.marginColumns;
    if (map.options.wholeDocument) {
        if (doc.SourceWidth <= 0 || doc.SourceHeight <= 0)
            throw Error("The document has no size to stretch the depth map over");
        gridWidth = doc.SourceWidth;
        gridHeight = doc.SourceHeight;
        firstColumn = std::int64_t { layer.Left } - margin;
        firstRow = layer.Top;
    } else if (carried > 0 && picture.height == layer.Height && picture.width == layer.Width + 2 * carried) {
        gridWidth = picture.width;
        firstColumn = carried - margin;
    }
    const Axis columns = MakeAxis(picture.width, gridWidth, firstColumn, static_cast<int>(width));
    const Axis rows = MakeAxis(picture.height, gridHeight, firstRow, layer.Height);

    std::array<std::uint8_t, 65536> levels;
    for (std::size_t v = 0; v < levels.size(); ++v)
        levels[v] = DepthMapLevel(static_cast<std::uint16_t>(v), map.options);

    Bitmap raster(static_cast<int>(width), layer.Height, PixelFormat::Gray8, UnfilledPixels {});
    // Bands of rows side by side: each row depends on the map alone. A band weighs
    // the map rows it shares with the band above once more, which changes nothing.
    constexpr int kBandRows = 64;
    const int bands = (raster.height() + kBandRows - 1) / kBandRows;
    const auto bandEnd = [&](int band) { return std::min(raster.height(), (band + 1) * kBandRows); };
    if (columns.direct && rows.direct) {
        ParallelFor(bands, [&](int band) {
            // Held here: the bytes written could otherwise be taken to change them.
            const int* sourceColumns = columns.source.data();
            const std::uint8_t* levelOf = levels.data();
            const int width = raster.width();
            for (int y = band * kBandRows; y < bandEnd(band); ++y) {
                const std::uint16_t* values = picture.row(rows.source[static_cast<std::size_t>(y)]);
                std::uint8_t* out = raster.row(y);
                for (int x = 0; x < width; ++x) out[x] = levelOf[values[sourceColumns[x]]];
            }
        });
        return raster;
    }
    const std::uint64_t denominator = columns.denominator * rows.denominator;
    ParallelFor(bands, [&](int band) {
        WeightedRows weighted(picture, columns, raster.width());
        std::vector<std::uint64_t> sums(static_cast<std::size_t>(raster.width()));
        for (int y = band * kBandRows; y < bandEnd(band); ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (std::uint32_t t = rows.start[static_cast<std::size_t>(y)];
                 t < rows.start[static_cast<std::size_t>(y) + 1]; ++t) {
                const std::vector<std::uint64_t>& row = weighted.row(rows.source[t]);
                const std::uint64_t weight = rows.weight[t];
                for (std::size_t x = 0; x < sums.size(); ++x) sums[x] += weight * row[x];
            }
            std::uint8_t* out = raster.row(y);
            for (std::size_t x = 0; x < sums.size(); ++x)
                out[x] = levels[RoundedQuotient(sums[x], denominator)];
        }
    });
    return raster;
}

std::int32_t ExportedMarginColumns(
    const Document& doc, const LayerRecord& layer, const GreyPicture& picture) {
    const std::int64_t margin = OutlineMargin(doc.SourceDpi, layer.Depth);
    const bool exported
        = margin > 0 && picture.height == layer.Height && picture.width == layer.Width + 2 * margin;
    return exported ? static_cast<std::int32_t>(margin) : 0;
}

} // namespace deptrix
