#include "core/EffectPlanes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace deptrix {

namespace {

constexpr double kFar = 1e12;

/// One box pass along a line of `n` values `stride` apart: each value becomes the
/// mean over radius r (whole pixels, and the fraction of the next pixel each side).
void BoxLine(float* line, std::size_t stride, int n, double radius, std::vector<double>& prefix,
    std::vector<float>& copy) {
    const int whole = static_cast<int>(std::floor(radius));
    const double part = radius - whole;
    const double norm = 1.0 / (2.0 * whole + 1.0 + 2.0 * part);
    prefix.assign(static_cast<std::size_t>(n) + 1, 0.0);
    copy.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        copy[static_cast<std::size_t>(i)] = line[static_cast<std::size_t>(i) * stride];
        prefix[static_cast<std::size_t>(i) + 1]
            = prefix[static_cast<std::size_t>(i)] + copy[static_cast<std::size_t>(i)];
    }
    const auto sum = [&](int from, int to) { // inclusive, clipped to the line
        from = std::max(from, 0);
        to = std::min(to, n - 1);
        return from > to ? 0.0
                         : prefix[static_cast<std::size_t>(to) + 1] - prefix[static_cast<std::size_t>(from)];
    };
    const auto value = [&](int i) { return i < 0 || i >= n ? 0.0 : copy[static_cast<std::size_t>(i)]; };
    for (int i = 0; i < n; ++i) {
        double s = sum(i - whole, i + whole);
        if (part > 0) s += part * (value(i - whole - 1) + value(i + whole + 1));
        line[static_cast<std::size_t>(i) * stride] = static_cast<float>(s * norm);
    }
}

constexpr double kBoxRadius = 0.4;

/// The squared distance transform of one line (Felzenszwalb and Huttenlocher): `f`
/// holds 0 at seeds and kFar elsewhere on the first pass, the column result after.
/// `nearest`, when not null, receives for each position the one whose parabola is
/// lowest there (the nearest seed along the line).
void DistanceLine(const std::vector<double>& f, std::vector<double>& d, std::vector<int>& v,
    std::vector<double>& z, std::vector<int>* nearest = nullptr) {
    const int n = static_cast<int>(f.size());
    d.resize(f.size());
    v.resize(f.size());
    z.resize(f.size() + 1);
    const auto at = [](const std::vector<double>& a, int i) { return a[static_cast<std::size_t>(i)]; };
    const auto meet = [&](int q, int p) {
        return ((at(f, q) + static_cast<double>(q) * q) - (at(f, p) + static_cast<double>(p) * p))
            / (2.0 * (q - p));
    };
    int k = 0;
    v[0] = 0;
    z[0] = -std::numeric_limits<double>::infinity();
    z[1] = std::numeric_limits<double>::infinity();
    for (int q = 1; q < n; ++q) {
        double s = meet(q, v[static_cast<std::size_t>(k)]);
        while (s <= z[static_cast<std::size_t>(k)]) {
            --k;
            s = meet(q, v[static_cast<std::size_t>(k)]);
        }
        ++k;
        v[static_cast<std::size_t>(k)] = q;
        z[static_cast<std::size_t>(k)] = s;
        z[static_cast<std::size_t>(k) + 1] = std::numeric_limits<double>::infinity();
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[static_cast<std::size_t>(k) + 1] < q) ++k;
        const int p = v[static_cast<std::size_t>(k)];
        d[static_cast<std::size_t>(q)] = static_cast<double>(q - p) * (q - p) + at(f, p);
        if (nearest) (*nearest)[static_cast<std::size_t>(q)] = p;
    }
}

template <class Seed> Plane Distance(const Plane& shape, Seed seed) {
    const int w = shape.width, h = shape.height;
    Plane out(w, h);
    if (w == 0 || h == 0) return out;
    std::vector<double> f, d, z;
    std::vector<int> v;
    f.resize(static_cast<std::size_t>(h));
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) f[static_cast<std::size_t>(y)] = seed(shape.at(x, y)) ? 0.0f : kFar;
        DistanceLine(f, d, v, z);
        for (int y = 0; y < h; ++y)
            out.row(y)[x] = static_cast<float>(std::min(d[static_cast<std::size_t>(y)], kFar));
    }
    f.resize(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        float* row = out.row(y);
        std::copy(row, row + w, f.begin());
        DistanceLine(f, d, v, z);
        for (int x = 0; x < w; ++x) row[x] = static_cast<float>(std::sqrt(d[static_cast<std::size_t>(x)]));
    }
    return out;
}

template <class Seed> NearestSeed Nearest(const Plane& shape, Seed seed) {
    const int w = shape.width, h = shape.height;
    NearestSeed out { Plane(w, h), Plane(w, h) };
    if (w == 0 || h == 0) return out;
    std::vector<double> f, d, z;
    std::vector<int> v, nearest;
    // First along the columns, keeping the row of each pixel's nearest seed in its
    // column; then along the rows, where the nearest column names the seed.
    std::vector<int> seedRow(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    f.resize(static_cast<std::size_t>(h));
    nearest.resize(static_cast<std::size_t>(h));
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) f[static_cast<std::size_t>(y)] = seed(shape.at(x, y)) ? 0.0 : kFar;
        DistanceLine(f, d, v, z, &nearest);
        for (int y = 0; y < h; ++y) {
            const auto i
                = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
            out.distance.values[i] = static_cast<float>(std::min(d[static_cast<std::size_t>(y)], kFar));
            seedRow[i] = nearest[static_cast<std::size_t>(y)];
        }
    }
    f.resize(static_cast<std::size_t>(w));
    nearest.resize(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        float* row = out.distance.row(y);
        std::copy(row, row + w, f.begin());
        DistanceLine(f, d, v, z, &nearest);
        float* value = out.value.row(y);
        for (int x = 0; x < w; ++x) {
            row[x] = static_cast<float>(std::sqrt(d[static_cast<std::size_t>(x)]));
            const int sx = nearest[static_cast<std::size_t>(x)];
            const int sy = seedRow[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)
                + static_cast<std::size_t>(sx)];
            value[x] = shape.at(sx, sy);
        }
    }
    return out;
}

} // namespace

int SoftenReach(double size) {
    if (!(size >= 0.1)) return 0;
    return 3 * (static_cast<int>(std::floor(size * kBoxRadius)) + 1);
}

NearestSeed NearestCovered(const Plane& shape) {
    return Nearest(shape, [](float value) { return value > 0.0f; });
}

NearestSeed NearestUncovered(const Plane& shape) {
    return Nearest(shape, [](float value) { return value < 1.0f; });
}

void SoftenPlane(Plane& plane, double size) {
    if (!(size >= 0.1) || plane.values.empty()) return;
    const double radius = size * kBoxRadius;
    std::vector<double> prefix;
    std::vector<float> copy;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < plane.height; ++y) BoxLine(plane.row(y), 1, plane.width, radius, prefix, copy);
        for (int x = 0; x < plane.width; ++x)
            BoxLine(plane.values.data() + x, static_cast<std::size_t>(plane.width), plane.height, radius,
                prefix, copy);
    }
}

Plane DistanceToInside(const Plane& shape) {
    return Distance(shape, [](float value) { return value >= 0.5f; });
}

Plane DistanceToOutside(const Plane& shape) {
    return Distance(shape, [](float value) { return value < 0.5f; });
}

Plane GrownPlane(const Plane& plane, double pixels) {
    if (!(pixels > 0)) return plane;
    Plane grown = DistanceToInside(plane);
    for (std::size_t i = 0; i < grown.values.size(); ++i) {
        // A pixel next to the edge is one pixel from an inside centre: covered by a
        // growth of half a pixel and more.
        const float cover
            = std::clamp(static_cast<float>(pixels) + 0.5f - grown.values[i] + 0.5f, 0.0f, 1.0f);
        grown.values[i] = std::max(plane.values[i], cover);
    }
    return grown;
}

Plane ShiftedPlane(const Plane& plane, double dx, double dy, float outside) {
    Plane out(plane.width, plane.height, outside);
    const double fx = std::floor(dx), fy = std::floor(dy);
    const auto ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const auto ax = static_cast<float>(dx - fx), ay = static_cast<float>(dy - fy);
    const auto sample = [&](int x, int y) {
        return x < 0 || y < 0 || x >= plane.width || y >= plane.height ? outside : plane.at(x, y);
    };
    for (int y = 0; y < plane.height; ++y) {
        float* row = out.row(y);
        const int sy = y - iy;
        for (int x = 0; x < plane.width; ++x) {
            const int sx = x - ix;
            // The value at (x, y) comes from (x - dx, y - dy).
            const float a = sample(sx, sy), b = sample(sx - 1, sy), c = sample(sx, sy - 1),
                        d = sample(sx - 1, sy - 1);
            const float top = a * (1 - ax) + b * ax;
            const float bottom = c * (1 - ax) + d * ax;
            row[x] = top * (1 - ay) + bottom * ay;
        }
    }
    return out;
}

} // namespace deptrix
