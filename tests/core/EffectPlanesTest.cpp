// The planes effects are made of, against plain per-pixel models: the fast paths
// (short searches, blurs kept to where values reach, moves in place) must give what
// the straightforward computation gives.

#include "core/EffectPlanes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

/// A 41 x 29 plane with a soft disc, a solid bar, stray specks and a zero margin.
Plane Scene() {
    Plane p(41, 29);
    std::uint32_t seed = 7;
    for (int y = 3; y < 26; ++y)
        for (int x = 4; x < 37; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double r = std::hypot(x - 15.3, y - 13.8);
            float v = static_cast<float>(std::clamp(8.5 - r, 0.0, 1.0));
            if (x >= 27 && x <= 33 && y >= 6 && y <= 9) v = 1;
            if (seed % 61 == 0) v = static_cast<float>(seed % 5) / 4.0f;
            p.row(y)[x] = v;
        }
    return p;
}

/// A 90 x 70 plane mostly of whole values: a solid block running off the left edge
/// with a soft right side, a hole in it, empty rows between it and a solid bar, and a
/// lone speck far out, so that long runs of 0 and 1 meet short stretches of anything.
Plane BlockScene() {
    Plane p(90, 70);
    for (int y = 4; y < 40; ++y)
        for (int x = 0; x < 50; ++x) p.row(y)[x] = x < 40 ? 1.0f : static_cast<float>(50 - x) / 10.0f;
    for (int y = 15; y < 22; ++y)
        for (int x = 12; x < 20; ++x) p.row(y)[x] = 0.0f;
    for (int y = 55; y < 60; ++y)
        for (int x = 20; x < 90; ++x) p.row(y)[x] = 1.0f;
    p.row(66)[84] = 0.4f;
    return p;
}

TEST(EffectPlanes, StrokesFindTheNearestPixelAsTheWholePlaneTransformDoes) {
    // The strokes search only near the shape's edge, the transform everywhere: the
    // covers must agree to the bit, on both sides of the longest short search.
    for (const Plane& p : { Scene(), BlockScene(), Plane(9, 5), Plane(1, 1, 1.0f) })
        for (const double width : { 0.5, 2.3, 6.0, 31.0, 33.5 }) {
            const auto reach = static_cast<float>(width);
            const NearestSeed covered = NearestCovered(p, width + 1);
            const NearestSeed uncovered = NearestUncovered(p, width + 1);
            const Plane outer = OuterStrokeCover(p, width);
            const Plane inner = InnerStrokeCover(p, width);
            for (std::size_t i = 0; i < p.values.size(); ++i) {
                ASSERT_EQ(outer.values[i],
                    std::clamp(reach - covered.distance.values[i] + covered.value.values[i], 0.0f, 1.0f))
                    << width << " at " << i;
                ASSERT_EQ(inner.values[i],
                    std::clamp(
                        reach - uncovered.distance.values[i] + 1 - uncovered.value.values[i], 0.0f, 1.0f))
                    << width << " at " << i;
            }
        }
}

TEST(EffectPlanes, ShortSearchFindsTheNearestPixelAsTheFullTransformDoes) {
    const Plane p = Scene();
    for (const bool covered : { true, false }) {
        const auto seeded = [&](float v) { return covered ? v > 0 : v < 1; };
        const NearestSeed full = covered ? NearestCovered(p) : NearestUncovered(p);
        const NearestSeed near = covered ? NearestCovered(p, 3.2) : NearestUncovered(p, 3.2);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                double best = 1e30;
                for (int sy = 0; sy < p.height; ++sy)
                    for (int sx = 0; sx < p.width; ++sx)
                        if (seeded(p.at(sx, sy))) best = std::min(best, std::hypot(sx - x, sy - y));
                ASSERT_NEAR(full.distance.at(x, y), best, 1e-4) << x << "," << y;
                if (best > 4) continue; // beyond the short search's reach
                ASSERT_EQ(near.distance.at(x, y), full.distance.at(x, y)) << x << "," << y;
                ASSERT_EQ(near.value.at(x, y), full.value.at(x, y)) << x << "," << y;
            }
    }
}

TEST(EffectPlanes, SofteningSpreadsAsThreeBoxPassesEachWay) {
    for (const double size : { 0.5, 2.7, 9.0, 20.0 })
        for (const Plane& scene : { Scene(), BlockScene() }) {
            Plane p = scene;
            Plane model = p;
            const double r = size * 0.4;
            const int whole = static_cast<int>(std::floor(r));
            const double part = r - whole;
            const auto box = [&](int n, auto get, auto set) {
                std::vector<double> in(static_cast<std::size_t>(n));
                for (int i = 0; i < n; ++i) in[static_cast<std::size_t>(i)] = get(i);
                const auto at
                    = [&](int i) { return i < 0 || i >= n ? 0.0 : in[static_cast<std::size_t>(i)]; };
                for (int i = 0; i < n; ++i) {
                    double s = part * (at(i - whole - 1) + at(i + whole + 1));
                    for (int k = -whole; k <= whole; ++k) s += at(i + k);
                    set(i, s / (2 * whole + 1 + 2 * part));
                }
            };
            for (int pass = 0; pass < 3; ++pass) {
                for (int y = 0; y < model.height; ++y)
                    box(
                        model.width, [&](int x) { return model.at(x, y); },
                        [&](int x, double v) { model.row(y)[x] = static_cast<float>(v); });
                for (int x = 0; x < model.width; ++x)
                    box(
                        model.height, [&](int y) { return model.at(x, y); },
                        [&](int y, double v) { model.row(y)[x] = static_cast<float>(v); });
            }
            SoftenPlane(p, size);
            for (std::size_t i = 0; i < p.values.size(); ++i)
                ASSERT_NEAR(p.values[i], model.values[i], 1e-5) << size;
        }
}

TEST(EffectPlanes, MovesSampleBilinearlyEveryWay) {
    const Plane p = Scene();
    for (const double dx : { 2.25, -3.5 })
        for (const double dy : { 1.75, -0.5 }) {
            const Plane moved = ShiftedPlane(p, dx, dy, 0.25f);
            const auto at = [&](int x, int y) {
                return x < 0 || y < 0 || x >= p.width || y >= p.height ? 0.25 : double(p.at(x, y));
            };
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) {
                    const double sx = x - dx, sy = y - dy;
                    const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
                    const double fx = sx - x0, fy = sy - y0;
                    const double v = (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy)
                        + (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
                    ASSERT_NEAR(moved.at(x, y), v, 1e-5) << dx << "," << dy << " at " << x << "," << y;
                }
        }
}

} // namespace
} // namespace deptrix
