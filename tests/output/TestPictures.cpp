#include "TestPictures.h"

#include <algorithm>
#include <cstdlib>
#include <random>

namespace deptrix::testing {

Bitmap Solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Bitmap picture(width, height, PixelFormat::Bgr24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.row(y) + 3 * x;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return picture;
}

Bitmap Photo(int width, int height, unsigned seed) {
    Bitmap picture(width, height, PixelFormat::Bgr24);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < width; ++x) {
            const int grain = static_cast<int>(random() % 7) - 3;
            const bool block = x > width / 3 && x < width / 2 && y > height / 4 && y < height * 3 / 4;
            const int r = block ? 200 : 40 + 180 * x / width + grain;
            const int g = block ? static_cast<int>(20 + seed % 50) : 60 + 150 * y / height + grain;
            const int b = block ? 60 : 200 - 120 * (x + y) / (width + height) + grain;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
        }
    }
    return picture;
}

Bitmap Noise(int width, int height, unsigned seed) {
    Bitmap picture(width, height, PixelFormat::Bgr24);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x) picture.row(y)[x] = static_cast<std::uint8_t>(random());
    return picture;
}

std::vector<Bitmap> SweepViews(int width, int height, int step) {
    const Bitmap scene = Photo(width + 6 * step, height, 5);
    std::vector<Bitmap> views;
    for (int n = 1; n <= 7; ++n) {
        Bitmap view(width, height, PixelFormat::Bgr24);
        for (int y = 0; y < height; ++y)
            std::copy_n(scene.row(y) + 3 * (n - 1) * step, 3 * width, view.row(y));
        views.push_back(std::move(view));
    }
    return views;
}

double MeanAbsoluteDifference(const Bitmap& a, const Bitmap& b) {
    std::uint64_t total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < 3 * a.width(); ++x)
            total += static_cast<std::uint64_t>(std::abs(a.row(y)[x] - b.row(y)[x]));
    return static_cast<double>(total) / (3.0 * a.width() * a.height());
}

} // namespace deptrix::testing
