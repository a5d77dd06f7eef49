#include "BenchPsd.h"

#include "core/FileIo.h"
#include "import/PsdWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace deptrix {

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kLayers = 12;

std::uint16_t Clamp(double v) {
    return static_cast<std::uint16_t>(std::clamp(v, 0.0, 255.0));
}

/// A cheap deterministic grain in -12..12.
double Grain(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return static_cast<double>(h >> 27) - 12.0;
}

PsdLayerSpec Background() {
    PsdLayerSpec layer;
    layer.name = "Background";
    layer.box = { 0, 0, kHeight, kWidth };
    layer.colour.assign(3, PsdPlane(static_cast<std::size_t>(kWidth) * kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
            layer.colour[0][i] = Clamp(60 + 120.0 * y / kHeight);
            layer.colour[1][i] = Clamp(110 + 40 * std::sin(x / 400.0));
            layer.colour[2][i] = Clamp(200 - 80.0 * y / kHeight);
        }
    return layer;
}

/// A soft ellipse filling a box of about a third of the canvas.
PsdLayerSpec Shape(int k) {
    PsdLayerSpec layer;
    layer.name = "Shape " + std::to_string(k);
    const int w = 1800 + 97 * k;
    const int h = 1300 + 53 * k;
    const int left = (k * 331) % (kWidth - w / 2) - w / 4;
    const int top = (k * 197) % (kHeight - h / 2) - h / 4;
    layer.box = { top, left, top + h, left + w };
    const std::size_t size = static_cast<std::size_t>(w) * h;
    layer.colour.assign(3, PsdPlane(size));
    layer.transparency.assign(size, 0);
    const bool grainy = k % 2 == 0;
    for (int y = 0; y < h; ++y) {
        const double dy = (y - h / 2.0) / (h / 2.0);
        for (int x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0) / (w / 2.0);
            const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(w, h) / 2.0; // px inside
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            if (edge <= 0) continue;
            const double g = grainy ? Grain(x, y) : 0.0;
            layer.transparency[i] = Clamp(edge * 255.0 / 40.0);
            layer.colour[0][i] = Clamp(40 + 18 * k + 60.0 * x / w + g);
            layer.colour[1][i] = Clamp(220 - 15 * k + g);
            layer.colour[2][i] = Clamp(90 + 70.0 * y / h + g);
        }
    }
    return layer;
}

} // namespace

const std::filesystem::path& BenchPsdPath() {
    static const std::filesystem::path path = [] {
        const auto folder = std::filesystem::temp_directory_path() / "deptrix-bench-import";
        std::filesystem::create_directories(folder);
        const auto file = folder / "bench-4000x3000x12.psd";
        if (std::filesystem::exists(file)) return file;
        PsdWriterOptions options;
        options.width = kWidth;
        options.height = kHeight;
        options.resolutionPpi = 300;
        PsdWriter writer(options);
        writer.addLayer(Background());
        for (int k = 1; k < kLayers; ++k) writer.addLayer(Shape(k));
        WriteFileAtomically(file, writer.finish());
        return file;
    }();
    return path;
}

} // namespace deptrix
