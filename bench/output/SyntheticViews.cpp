#include "SyntheticViews.h"

#include "core/BmpCodec.h"
#include "core/WorkFiles.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace deptrix::bench {

namespace {

struct Plane {
    Bitmap colour;
    std::vector<float> alpha; // 0..1 per pixel
    int shiftPerView;
};

std::uint8_t ToByte(double v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0) + 0.5);
}

/// Smooth value noise of a few octaves, in 0..1.
class ValueNoise {
public:
    explicit ValueNoise(unsigned seed) {
        std::mt19937 random(seed);
        for (float& v : m_lattice) v = std::uniform_real_distribution<float>(0, 1)(random);
    }
    double at(double x, double y) const {
        double total = 0, weight = 0, amplitude = 1;
        for (int octave = 0; octave < 5; ++octave) {
            total += amplitude * smooth(x, y);
            weight += amplitude;
            x *= 2.03;
            y *= 2.03;
            amplitude *= 0.5;
        }
        return total / weight;
    }

private:
    double lattice(int x, int y) const {
        return m_lattice[static_cast<std::size_t>((x & 255) * 256 + (y & 255))];
    }
    double smooth(double x, double y) const {
        const int x0 = static_cast<int>(std::floor(x));
        const int y0 = static_cast<int>(std::floor(y));
        double fx = x - x0, fy = y - y0;
        fx = fx * fx * (3 - 2 * fx);
        fy = fy * fy * (3 - 2 * fy);
        const double top = lattice(x0, y0) * (1 - fx) + lattice(x0 + 1, y0) * fx;
        const double bottom = lattice(x0, y0 + 1) * (1 - fx) + lattice(x0 + 1, y0 + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }
    std::vector<float> m_lattice = std::vector<float>(256 * 256);
};

Plane Landscape(int width, int height, std::mt19937& random) {
    Plane plane { Bitmap(width, height, PixelFormat::Bgr24), std::vector<float>(width * height, 1.0f), 1 };
    const ValueNoise noise(7);
    std::normal_distribution<double> grain(0, 2.5);
    const int horizon = height * 2 / 5;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = plane.colour.row(y);
        for (int x = 0; x < width; ++x, row += 3) {
            double r, g, b;
            if (y < horizon) {
                const double t = static_cast<double>(y) / horizon;
                const double cloud = std::max(0.0, noise.at(x / 90.0, y / 40.0) - 0.45) * 2.2;
                r = 70 + 110 * t + cloud * 140;
                g = 120 + 90 * t + cloud * 110;
                b = 210 + 30 * t + cloud * 30;
            } else {
                const double t = static_cast<double>(y - horizon) / (height - horizon);
                const double field = noise.at(x / 60.0 + 40, y / 25.0);
                const double detail = noise.at(x / 6.0, y / 4.0);
                r = 60 + 90 * field + 40 * detail - 30 * t;
                g = 90 + 100 * field + 30 * detail - 20 * t;
                b = 30 + 40 * field + 20 * detail;
            }
            row[0] = ToByte(b + grain(random));
            row[1] = ToByte(g + grain(random));
            row[2] = ToByte(r + grain(random));
        }
    }
    return plane;
}

/// Lit balls over a transparent plane.
Plane Balls(int width, int height, std::mt19937& random) {
    Plane plane { Bitmap(width, height, PixelFormat::Bgr24), std::vector<float>(width * height, 0.0f), 4 };
    const double hues[][3] = { { 220, 60, 40 }, { 240, 200, 60 }, { 90, 160, 230 }, { 200, 120, 220 } };
    std::normal_distribution<double> grain(0, 1.5);
    for (int i = 0; i < 4; ++i) {
        const double cx = width * (0.2 + 0.2 * i);
        const double cy = height * (0.55 + 0.08 * (i % 2));
        const double radius = std::min(width, height) * (0.08 + 0.02 * i);
        for (int y = std::max(0, static_cast<int>(cy - radius));
             y < std::min(height, static_cast<int>(cy + radius + 1)); ++y) {
            std::uint8_t* row = plane.colour.row(y);
            for (int x = std::max(0, static_cast<int>(cx - radius));
                 x < std::min(width, static_cast<int>(cx + radius + 1)); ++x) {
                const double dx = (x - cx) / radius, dy = (y - cy) / radius;
                const double d2 = dx * dx + dy * dy;
                if (d2 > 1) continue;
                const double dz = std::sqrt(1 - d2);
                const double light = std::max(0.0, -0.5 * dx - 0.6 * dy + 0.62 * dz);
                const double shine = std::pow(light, 30) * 200;
                for (int c = 0; c < 3; ++c)
                    row[3 * x + 2 - c] = ToByte(hues[i][c] * (0.25 + 0.8 * light) + shine + grain(random));
                plane.alpha[static_cast<std::size_t>(y) * width + x]
                    = static_cast<float>(std::clamp((1 - d2) * radius / 2, 0.0, 1.0));
            }
        }
    }
    return plane;
}

/// Flat-coloured signs with hard edges, nearest to the viewer.
Plane Signs(int width, int height) {
    Plane plane { Bitmap(width, height, PixelFormat::Bgr24), std::vector<float>(width * height, 0.0f), 8 };
    const std::uint8_t colours[][3] = { { 250, 250, 245 }, { 200, 30, 40 }, { 20, 60, 140 }, { 30, 30, 30 } };
    for (int i = 0; i < 4; ++i) {
        const int x0 = width * (5 + 22 * i) / 100, x1 = x0 + width / 7;
        const int y0 = height * 78 / 100 + (i % 2) * height / 20, y1 = y0 + height / 10;
        for (int y = y0; y < std::min(y1, height); ++y)
            for (int x = x0; x < std::min(x1, width); ++x) {
                std::uint8_t* p = plane.colour.row(y) + 3 * x;
                p[0] = colours[i][2];
                p[1] = colours[i][1];
                p[2] = colours[i][0];
                plane.alpha[static_cast<std::size_t>(y) * width + x] = 1;
            }
    }
    return plane;
}

/// Plane drawn with its pixels moved `shift` columns to the right.
void DrawShifted(const Plane& plane, int shift, Bitmap& view) {
    const int width = view.width();
    for (int y = 0; y < view.height(); ++y) {
        const std::uint8_t* from = plane.colour.row(y);
        const float* alpha = plane.alpha.data() + static_cast<std::size_t>(y) * width;
        std::uint8_t* to = view.row(y);
        for (int x = 0; x < width; ++x) {
            const int sx = std::clamp(x - shift, 0, width - 1);
            const float a = alpha[sx];
            if (a <= 0) continue;
            for (int c = 0; c < 3; ++c)
                to[3 * x + c] = ToByte(to[3 * x + c] * (1 - a) + from[3 * sx + c] * a);
        }
    }
}

} // namespace

std::vector<Bitmap> MakeSyntheticViews(int width, int height) {
    std::mt19937 random(2024);
    const Plane planes[]
        = { Landscape(width, height, random), Balls(width, height, random), Signs(width, height) };
    std::vector<Bitmap> views;
    for (int n = 1; n <= 7; ++n) {
        Bitmap view(width, height, PixelFormat::Bgr24);
        for (const Plane& plane : planes)
            DrawShifted(plane, (n - 4) * plane.shiftPerView * width / 800, view);
        views.push_back(std::move(view));
    }
    return views;
}

std::vector<Bitmap> LoadViewFiles(const std::filesystem::path& folder) {
    std::vector<Bitmap> views;
    for (int n = 1; n <= 7; ++n) views.push_back(LoadBmp(folder / ViewFileName(n, 3)));
    return views;
}

} // namespace deptrix::bench
