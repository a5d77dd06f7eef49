#include "depth/DepthRaster.h"

#include "core/Canvas.h"
#include "core/Error.h"
#include "depth/DepthQuantities.h"

#include <algorithm>
#include <array>
#include <vector>

namespace deptrix {

namespace {

constexpr int kWeightSum = 52;
constexpr int kLargestSum = kWeightSum * 255;

/// Round(sum / 52) with ties to even for every possible weighted sum.
const std::array<std::uint8_t, kLargestSum + 1>& RoundingTable() {
    static const auto table = [] {
        std::array<std::uint8_t, kLargestSum + 1> t {};
        for (int sum = 0; sum <= kLargestSum; ++sum) {
            const int q = sum / kWeightSum;
            const int r = sum % kWeightSum;
            const int rounded = r > kWeightSum / 2 ? q + 1 : r == kWeightSum / 2 ? q + (q & 1) : q;
            t[static_cast<std::size_t>(sum)] = static_cast<std::uint8_t>(rounded);
        }
        return t;
    }();
    return table;
}

/// The lines drawn at working resolution, one level per pixel.
Bitmap DrawLevels(const Document& doc, const LineSet& lines) {
    Bitmap levels(doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8);
    if (levels.empty()) throw Error("There is no picture to draw the outlines on");
    Canvas canvas(levels);
    canvas.clear(Rgb::Gray(kLevelBackground));
    const int penWidth = static_cast<int>(Round(static_cast<long double>(doc.ImageWidth) / 200.0L));
    const int orders = std::min<int>(kOrderCount, static_cast<int>(lines.size()));
    for (int k = orders - 1; k >= 0; --k) {
        const Rgb level = Rgb::Gray(OrderLevel(k));
        canvas.setPen(level, penWidth);
        canvas.setBrush(level);
        for (const Line& line : lines[static_cast<std::size_t>(k)])
            if (line.size() >= 2) canvas.polygon(line);
    }
    return levels;
}

int ClampIndex(std::int64_t index, int size) {
    return static_cast<int>(std::clamp<std::int64_t>(index, 0, size - 1));
}

} // namespace

Bitmap BuildDepthRaster(
    const Document& doc, const LayerRecord& layer, const LineSet& lines, std::int64_t margin) {
    if (doc.WorkScale <= 0) throw Error("The document has no working scale");
    const std::int64_t width = 2 * margin + layer.Width;
    if (width <= 0 || layer.Height <= 0)
        throw Error("The layer's depth leaves no picture to warp (width " + std::to_string(width)
            + ", height " + std::to_string(layer.Height) + ")");
    if (width > kMaxBitmapSide)
        throw Error("The layer with its depth margins is " + std::to_string(width)
            + " pixels wide, more than a picture can hold");
    Bitmap raster(static_cast<int>(width), layer.Height, PixelFormat::Gray8);
    const Bitmap levels = DrawLevels(doc, lines);

    // The drawing stretched to source resolution and cropped to the layer's box with
    // its margins, in one pass: a source pixel takes the working pixel that a
    // nearest-neighbour stretch of the whole picture would give it.
    const long double scale = static_cast<long double>(doc.WorkScale);
    const std::int64_t sourceWidth = Round(doc.ImageWidth / scale * 10000.0L);
    const std::int64_t sourceHeight = Round(doc.ImageHeight / scale * 10000.0L);
    if (sourceWidth <= 0 || sourceHeight <= 0) return raster;
    std::vector<int> columns(static_cast<std::size_t>(raster.width()), -1);
    for (int x = 0; x < raster.width(); ++x) {
        const std::int64_t sx = x - margin + layer.Left;
        if (sx >= 0 && sx < sourceWidth)
            columns[static_cast<std::size_t>(x)] = static_cast<int>(sx * doc.ImageWidth / sourceWidth);
    }
    for (int y = 0; y < raster.height(); ++y) {
        const std::int64_t sy = static_cast<std::int64_t>(y) + layer.Top;
        if (sy < 0 || sy >= sourceHeight) continue;
        const std::uint8_t* from = levels.row(static_cast<int>(sy * doc.ImageHeight / sourceHeight));
        std::uint8_t* to = raster.row(y);
        for (int x = 0; x < raster.width(); ++x) {
            const int column = columns[static_cast<std::size_t>(x)];
            if (column >= 0) to[x] = from[column];
        }
    }
    return raster;
}

void SmoothDepth(Bitmap& raster, std::int64_t step) {
    if (raster.empty() || step == 0) return;
    const int width = raster.width();
    const int height = raster.height();
    // The kernel is symmetric, and beyond the larger side every tap is clamped to an
    // edge already, so the step can be bounded without changing the result.
    const int a = static_cast<int>(std::min<std::int64_t>(step < 0 ? -step : step, std::max(width, height)));

    // Weighted column sums of the five tap rows: `outer` for the columns 2a left and
    // right (weights 0 2 2 2 0 down the rows), `inner` for the columns a left and
    // right and the centre (2 3 3 3 2; the centre adds one more of its own row).
    std::vector<std::uint16_t> outer(static_cast<std::size_t>(width));
    std::vector<std::uint16_t> inner(static_cast<std::size_t>(width));
    const auto& rounding = RoundingTable();
    Bitmap smoothed(width, height, PixelFormat::Gray8);

    for (int y = 0; y < height; ++y) {
        const std::uint8_t* up2 = raster.row(ClampIndex(std::int64_t { y } - 2 * a, height));
        const std::uint8_t* up1 = raster.row(ClampIndex(std::int64_t { y } - a, height));
        const std::uint8_t* mid = raster.row(y);
        const std::uint8_t* down1 = raster.row(ClampIndex(std::int64_t { y } + a, height));
        const std::uint8_t* down2 = raster.row(ClampIndex(std::int64_t { y } + 2 * a, height));
        for (int x = 0; x < width; ++x) {
            const unsigned near = unsigned { up1[x] } + mid[x] + down1[x];
            outer[static_cast<std::size_t>(x)] = static_cast<std::uint16_t>(2 * near);
            inner[static_cast<std::size_t>(x)]
                = static_cast<std::uint16_t>(3 * near + 2 * (unsigned { up2[x] } + down2[x]));
        }

        std::uint8_t* out = smoothed.row(y);
        const std::uint16_t* o = outer.data();
        const std::uint16_t* n = inner.data();
        auto edgePixel = [&](int x) {
            const unsigned sum = o[ClampIndex(std::int64_t { x } - 2 * a, width)]
                + o[ClampIndex(std::int64_t { x } + 2 * a, width)]
                + n[ClampIndex(std::int64_t { x } - a, width)] + n[ClampIndex(std::int64_t { x } + a, width)]
                + n[x] + mid[x];
            out[x] = rounding[sum];
        };
        const int firstInside = std::min(2 * a, width);
        const int endInside = std::max(firstInside, width - 2 * a);
        for (int x = 0; x < firstInside; ++x) edgePixel(x);
        for (int x = firstInside; x < endInside; ++x) {
            const unsigned sum = o[x - 2 * a] + o[x + 2 * a] + n[x - a] + n[x + a] + n[x] + mid[x];
            out[x] = rounding[sum];
        }
        for (int x = endInside; x < width; ++x) edgePixel(x);
    }
    raster = std::move(smoothed);
}

Bitmap SmoothedDepthRaster(const Document& doc, const LayerRecord& layer, const LineSet& lines) {
    Bitmap raster = BuildDepthRaster(doc, layer, lines, OutlineMargin(doc.SourceDpi, layer.Depth));
    SmoothDepth(raster, SmoothingStep(doc.SourceWidth, layer.Smooth));
    return raster;
}

} // namespace deptrix
