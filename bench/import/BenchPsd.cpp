#include "BenchPsd.h"

#include "core/FileIo.h"
#include "import/PsdWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace deptrix {

namespace {

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

PsdLayerSpec Background(int canvasWidth, int canvasHeight) {
    PsdLayerSpec layer;
    layer.name = "Background";
    layer.box = { 0, 0, canvasHeight, canvasWidth };
    layer.colour.assign(3, PsdPlane(static_cast<std::size_t>(canvasWidth) * canvasHeight));
    for (int y = 0; y < canvasHeight; ++y)
        for (int x = 0; x < canvasWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * canvasWidth + x;
            layer.colour[0][i] = Clamp(60 + 120.0 * y / canvasHeight);
            layer.colour[1][i] = Clamp(110 + 40 * std::sin(x / 400.0));
            layer.colour[2][i] = Clamp(200 - 80.0 * y / canvasHeight);
        }
    return layer;
}

/// A soft ellipse filling a box of about a third of the canvas (sizes scale with the
/// canvas from the 4000 x 3000 original).
PsdLayerSpec Shape(int k, int canvasWidth, int canvasHeight, bool flat) {
    PsdLayerSpec layer;
    layer.name = "Shape " + std::to_string(k);
    const int w = static_cast<int>((1800 + 97 * (k % 12)) * static_cast<long long>(canvasWidth) / 4000);
    const int h = static_cast<int>((1300 + 53 * (k % 12)) * static_cast<long long>(canvasHeight) / 3000);
    const int left = (k * 331) % (canvasWidth - w / 2) - w / 4;
    const int top = (k * 197) % (canvasHeight - h / 2) - h / 4;
    layer.box = { top, left, top + h, left + w };
    const std::size_t size = static_cast<std::size_t>(w) * h;
    layer.colour.assign(3, PsdPlane(size));
    layer.transparency.assign(size, 0);
    const bool grainy = !flat && k % 2 == 0;
    for (int y = 0; y < h; ++y) {
        const double dy = (y - h / 2.0) / (h / 2.0);
        for (int x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0) / (w / 2.0);
            const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(w, h) / 2.0; // px inside
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            if (edge <= 0) continue;
            const double g = grainy ? Grain(x, y) : 0.0;
            layer.transparency[i] = Clamp(edge * 255.0 / 40.0);
            layer.colour[0][i] = Clamp(40 + 18 * (k % 12) + 60.0 * x / w + g);
            layer.colour[1][i] = Clamp(220 - 15 * (k % 12) + g);
            layer.colour[2][i] = Clamp(90 + 70.0 * y / h + g);
        }
    }
    return layer;
}

} // namespace

void WriteBenchPsd(const std::filesystem::path& file, const BenchPsdShape& shape) {
    PsdWriterOptions options;
    options.width = shape.width;
    options.height = shape.height;
    options.resolutionPpi = 300;
    options.compression = shape.compression;
    options.psb = shape.width > 30000 || shape.height > 30000;
    PsdWriter writer(options);
    // Sizes as a designer sets them for a print of this size.
    LayerStyle style;
    LayerEffect shadow;
    shadow.kind = EffectKind::DropShadow;
    shadow.mode = BlendMode::Multiply;
    shadow.opacity = 0.75;
    shadow.distance = shape.width / 200.0;
    shadow.size = shape.width / 100.0;
    LayerEffect stroke;
    stroke.kind = EffectKind::Stroke;
    stroke.size = shape.width / 400.0;
    stroke.colour = { 255, 255, 255 };
    style.effects = { shadow, stroke };
    const auto styled = [&](PsdLayerSpec layer) {
        if (shape.effects) layer.effects = style;
        return layer;
    };
    writer.addLayer(styled(Background(shape.width, shape.height)));
    for (int k = 1; k < shape.layers; ++k)
        writer.addLayer(styled(Shape(k, shape.width, shape.height, shape.flat)));
    WriteFileAtomically(file, writer.finish());
}

std::filesystem::path BenchPsdPath(const BenchPsdShape& shape) {
    const auto folder = std::filesystem::temp_directory_path() / "deptrix-bench-import";
    std::filesystem::create_directories(folder);
    const auto file = folder
        / ("bench-" + std::to_string(shape.width) + "x" + std::to_string(shape.height) + "x"
            + std::to_string(shape.layers) + "-c" + std::to_string(static_cast<int>(shape.compression))
            + (shape.flat ? "-flat" : "") + (shape.effects ? "-fx" : "") + ".psd");
    if (!std::filesystem::exists(file)) WriteBenchPsd(file, shape);
    return file;
}

const std::filesystem::path& BenchPsdPath() {
    static const std::filesystem::path path = BenchPsdPath(BenchPsdShape {});
    return path;
}

} // namespace deptrix
