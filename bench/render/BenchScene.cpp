#include "BenchScene.h"

#include "render/LayerBlend.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace deptrix::bench {

namespace {

constexpr int kWidth = 2048;
constexpr int kHeight = 1536;

/// Colour bytes vary smoothly across the layer with a little noise, so that no
/// byte pattern is special.
Bitmap Paint(int width, int height, PixelFormat format, std::uint32_t seed) {
    Bitmap picture(width, height, format);
    std::mt19937 random(seed);
    const int bpp = picture.bytesPerPixel();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bpp; ++c)
                row[x * bpp + c]
                    = static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c) + seed * 37) / 4 + random() % 16);
    }
    return picture;
}

/// Opaque ellipse filling the box, fading out over `feather` pixels at its rim.
Bitmap SoftEllipse(int width, int height, double feather) {
    Bitmap mask(width, height, PixelFormat::Gray8);
    const double rx = width / 2.0;
    const double ry = height / 2.0;
    const double radius = std::min(rx, ry);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = mask.row(y);
        for (int x = 0; x < width; ++x) {
            const double dx = (x + 0.5 - rx) / rx;
            const double dy = (y + 0.5 - ry) / ry;
            const double inside = (1.0 - std::sqrt(dx * dx + dy * dy)) * radius / feather;
            row[x] = static_cast<std::uint8_t>(std::clamp(inside, 0.0, 1.0) * 255.0 + 0.5);
        }
    }
    return mask;
}

/// Opaque box whose top edge fades in over `feather` rows.
Bitmap SoftTop(int width, int height, int feather) {
    Bitmap mask(width, height, PixelFormat::Gray8);
    for (int y = 0; y < height; ++y)
        std::fill_n(mask.row(y), width, static_cast<std::uint8_t>(std::min(255, y * 255 / feather)));
    return mask;
}

/// Scattered soft blobs: mostly edges, the hard case for the blend.
Bitmap Blobs(int width, int height, std::uint32_t seed) {
    Bitmap mask(width, height, PixelFormat::Gray8);
    std::mt19937 random(seed);
    for (int b = 0; b < 400; ++b) {
        const int cx = static_cast<int>(random() % width);
        const int cy = static_cast<int>(random() % height);
        const int r = 6 + static_cast<int>(random() % 30);
        for (int y = std::max(0, cy - r); y < std::min(height, cy + r); ++y) {
            std::uint8_t* row = mask.row(y);
            for (int x = std::max(0, cx - r); x < std::min(width, cx + r); ++x) {
                const double d = std::hypot(x - cx, y - cy) / r;
                const auto m = static_cast<std::uint8_t>(std::clamp((1.0 - d) * 3.0, 0.0, 1.0) * 255.0);
                row[x] = std::max(row[x], m);
            }
        }
    }
    return mask;
}

Bitmap Constant(int width, int height, std::uint8_t value) {
    Bitmap mask(width, height, PixelFormat::Gray8);
    mask.fill(value);
    return mask;
}

void AddLayer(Document& doc, int left, int top, Bitmap mask) {
    LayerRecord layer;
    layer.Left = left;
    layer.Top = top;
    layer.Width = mask.width();
    layer.Height = mask.height();
    layer.Depth = kFixedOne;
    const auto seed = static_cast<std::uint32_t>(doc.Layers.size() + 1);
    doc.LayerBitmaps.push_back(Paint(mask.width(), mask.height(), CompositeFormat(doc.ImageMode), seed));
    doc.LayerMasks.push_back(std::move(mask));
    doc.Layers.push_back(layer);
    doc.ViewLeft.push_back(left);
}

} // namespace

Document MakeBenchScene(int imageMode, bool softEverywhere) {
    Document doc;
    doc.ImageMode = static_cast<std::int16_t>(imageMode);
    doc.ImageWidth = kWidth;
    doc.ImageHeight = kHeight;
    doc.SourceWidth = kWidth;
    doc.SourceHeight = kHeight;
    doc.WorkScale = kFixedOne;
    doc.SourceDpi = 3000000;

    AddLayer(doc, 0, 0, Constant(kWidth, kHeight, 255));
    AddLayer(doc, -60, 900, SoftTop(2160, 700, 48));
    AddLayer(doc, 100, 200, SoftEllipse(300, 400, 12));
    AddLayer(doc, 1700, 80, SoftEllipse(500, 350, 16));
    AddLayer(doc, 600, 500, SoftEllipse(700, 900, 20));
    AddLayer(doc, -90, 1250, SoftEllipse(220, 220, 8));
    AddLayer(doc, 900, 100, SoftEllipse(900, 500, 24));
    AddLayer(doc, 1300, 700, SoftEllipse(400, 700, 10));
    AddLayer(doc, 200, 640, SoftEllipse(1200, 800, 32));
    AddLayer(doc, 1500, 1100, SoftEllipse(640, 480, 12));
    AddLayer(doc, 500, 60, Blobs(1024, 512, 11));
    AddLayer(doc, 0, 300, Constant(kWidth, 700, 90));
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
    if (softEverywhere) {
        for (Bitmap& mask : doc.LayerMasks)
            for (int y = 0; y < mask.height(); ++y)
                for (int x = 0; x < mask.width(); ++x)
                    mask.row(y)[x] = std::clamp<std::uint8_t>(mask.row(y)[x], 1, 254);
    }
    return doc;
}

std::int64_t LayerPixels(const Document& doc) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
        const std::int64_t left = doc.ViewLeft[i];
        const std::int64_t top = doc.Layers[i].Top;
        const std::int64_t w = std::min<std::int64_t>(left + doc.LayerBitmaps[i].width(), doc.ImageWidth)
            - std::max<std::int64_t>(left, 0);
        const std::int64_t h = std::min<std::int64_t>(top + doc.LayerBitmaps[i].height(), doc.ImageHeight)
            - std::max<std::int64_t>(top, 0);
        if (w > 0 && h > 0) total += w * h;
    }
    return total;
}

} // namespace deptrix::bench
