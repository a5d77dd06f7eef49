#include "core/EffectPlanes.h"

#include "core/Bitmap.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

namespace deptrix {

namespace {

constexpr double kFar = 1e12;

/// Lines handled together by one box pass, side by side in the lanes of its sums.
constexpr int kLineBlock = 16;

/// One box pass along `count` lines of `n` values each (count at most kLineBlock):
/// value k of line b lies at first[k * along + b * across]. Each value becomes the
/// mean over radius r (whole pixels, and the fraction of the next pixel each side);
/// beyond the line counts as 0. The lines are copied side by side into `copy` and
/// summed into `prefix`, both padded by whole + 1 on either side so that the window
/// never needs clipping: every line goes through the same additions, in the same
/// order, whichever way it runs through the plane.
///
/// Where every value a mean takes in is 0 in all the lines, the mean is 0; where every
/// one is 1, it is 1 too: the sums differ from the count of values by far less than a
/// float's precision near 1 (for lines shorter than 2^16). Those values are left as
/// they are, which is most of a shape's inside and of the room around it.
void BoxLines(float* first, std::ptrdiff_t along, std::ptrdiff_t across, int n, int count, double radius,
    std::vector<double>& prefix, std::vector<float>& copy, std::vector<int>& runEnd) {
    constexpr auto B = static_cast<std::size_t>(kLineBlock);
    const int whole = static_cast<int>(std::floor(radius));
    const double part = radius - whole;
    const double norm = 1.0 / (2.0 * whole + 1.0 + 2.0 * part);
    const auto off = static_cast<std::size_t>(whole) + 1;
    const auto length = static_cast<std::size_t>(n);
    const auto lines = static_cast<std::size_t>(count);
    copy.resize((length + 2 * off) * B);
    prefix.resize((length + 2 * off + 1) * B);
    std::fill(copy.begin(), copy.begin() + static_cast<std::ptrdiff_t>(off * B), 0.0f);
    std::fill(prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>((off + 1) * B), 0.0);
    // Per position, whether all the lines hold 0 there (1), all 1 (2) or neither (0),
    // found while the values are copied and summed.
    runEnd.resize(length);
    for (std::size_t k = 0; k < length; ++k) {
        const float* at = first + static_cast<std::ptrdiff_t>(k) * along;
        float* c = copy.data() + (off + k) * B;
        for (std::size_t b = 0; b < lines; ++b) c[b] = at[static_cast<std::ptrdiff_t>(b) * across];
        std::fill(c + lines, c + B, 0.0f);
        const double* p = prefix.data() + (off + k) * B;
        double* next = prefix.data() + (off + k + 1) * B;
        for (std::size_t b = 0; b < B; ++b) next[b] = p[b] + c[b];
        std::uint32_t bits = 0, offOne = 0; // any bit set (not +0), any bit off 1
        for (std::size_t b = 0; b < B; ++b) {
            const auto u = std::bit_cast<std::uint32_t>(c[b]);
            bits |= u;
            offOne |= u ^ std::bit_cast<std::uint32_t>(1.0f);
        }
        runEnd[k] = static_cast<int>(bits == 0) | static_cast<int>(offOne == 0) << 1;
    }
    // Then, in place, the last position of the run of one constant that each position
    // lies in (-1 where the lines differ), the constant's kind kept beside it.
    const bool runsExact = length + 2 * off < (std::size_t { 1 } << 16);
    int nextKind = 0, nextEnd = -1;
    for (std::size_t k = length; k-- > 0;) {
        const int kind = runsExact ? runEnd[k] : 0;
        const int end = kind == 0 ? -1 : kind == nextKind ? nextEnd : static_cast<int>(k);
        nextKind = kind, nextEnd = end;
        runEnd[k] = end;
    }
    std::fill(copy.begin() + static_cast<std::ptrdiff_t>((off + length) * B), copy.end(), 0.0f);
    const double* last = prefix.data() + (off + length) * B;
    for (std::size_t i = off + length + 1; i < length + 2 * off + 1; ++i)
        std::copy(last, last + B, prefix.data() + i * B);
    const std::size_t span = 2 * off;
    double sums[B];
    for (std::size_t k = 0; k < length; ++k) {
        if (k >= off && k + off < length && runEnd[k - off] >= 0
            && static_cast<std::size_t>(runEnd[k - off]) >= k + off)
            continue; // the mean of a constant is that constant, already there
        const double* lo = prefix.data() + (k + 1) * B;
        const double* hi = prefix.data() + (k + span) * B;
        const float* c0 = copy.data() + k * B;
        const float* c1 = copy.data() + (k + span) * B;
        for (std::size_t b = 0; b < B; ++b) {
            double sum = hi[b] - lo[b];
            if (part > 0) sum += part * (static_cast<double>(c0[b]) + static_cast<double>(c1[b]));
            sums[b] = sum * norm;
        }
        float* at = first + static_cast<std::ptrdiff_t>(k) * along;
        for (std::size_t b = 0; b < lines; ++b)
            at[static_cast<std::ptrdiff_t>(b) * across] = static_cast<float>(sums[b]);
    }
}

constexpr double kBoxRadius = 0.4;

/// The squared distance transform of one line of `n` values (Felzenszwalb and
/// Huttenlocher): `f` holds 0 at seeds and kFar elsewhere on the first pass, the
/// column result after. `nearest`, when not null, receives for each position the one
/// whose parabola is lowest there (the nearest seed along the line).
void DistanceLine(
    const double* f, int n, double* d, std::vector<int>& v, std::vector<double>& z, int* nearest = nullptr) {
    if (std::all_of(f + 1, f + n, [&](double value) { return value == f[0]; })) {
        // Parabolas of one height: each is lowest over its own position.
        for (int q = 0; q < n; ++q) {
            d[q] = f[q];
            if (nearest) nearest[q] = q;
        }
        return;
    }
    v.resize(static_cast<std::size_t>(n));
    z.resize(static_cast<std::size_t>(n) + 1);
    const auto meet = [&](int q, int p) {
        return ((f[q] + static_cast<double>(q) * q) - (f[p] + static_cast<double>(p) * p)) / (2.0 * (q - p));
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
        d[q] = static_cast<double>(q - p) * (q - p) + f[p];
        if (nearest) nearest[q] = p;
    }
}

/// The distance transform down the columns of `shape`: `store(x, y, squared
/// distance, nearest seed row)` per pixel, bottom row first. With seeds at 0 and the
/// rest far, the line transform above comes down to the nearest seed above or below
/// (the upper one where both are as near), and no seed in the column leaves kFar and
/// the pixel's own row; found so in two sweeps over the rows. `above` is room for one
/// int per pixel, free to be written by `store` at the pixel it is called for.
template <class Seed, class Store>
void DistanceColumns(const Plane& shape, Seed seed, int* above, Store store) {
    const int w = shape.width, h = shape.height;
    const auto uw = static_cast<std::size_t>(w);
    std::vector<int> nearest(uw, -1);
    for (int y = 0; y < h; ++y) {
        const float* row = shape.row(y);
        int* up = above + static_cast<std::size_t>(y) * uw;
        for (std::size_t x = 0; x < uw; ++x) {
            if (seed(row[x])) nearest[x] = y;
            up[x] = nearest[x];
        }
    }
    std::fill(nearest.begin(), nearest.end(), -1);
    for (int y = h - 1; y >= 0; --y) {
        const float* row = shape.row(y);
        const int* up = above + static_cast<std::size_t>(y) * uw;
        for (std::size_t x = 0; x < uw; ++x) {
            if (seed(row[x])) nearest[x] = y;
            const int a = up[x], b = nearest[x];
            const int p = a < 0 ? b : b < 0 || y - a <= b - y ? a : b;
            if (p < 0)
                store(static_cast<int>(x), y, kFar, y);
            else
                store(static_cast<int>(x), y, static_cast<double>(y - p) * (y - p), p);
        }
    }
}

template <class Seed> Plane Distance(const Plane& shape, Seed seed) {
    const int w = shape.width, h = shape.height;
    Plane out(w, h, UnsetValues {});
    if (w == 0 || h == 0) return out;
    std::vector<int, UnsetAllocator<int>> above(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    DistanceColumns(shape, seed, above.data(),
        [&](int x, int y, double d, int) { out.row(y)[x] = static_cast<float>(std::min(d, kFar)); });
    std::vector<double> f(static_cast<std::size_t>(w)), d(static_cast<std::size_t>(w)), z;
    std::vector<int> v;
    for (int y = 0; y < h; ++y) {
        float* row = out.row(y);
        std::copy(row, row + w, f.begin());
        DistanceLine(f.data(), w, d.data(), v, z);
        for (int x = 0; x < w; ++x) row[x] = static_cast<float>(std::sqrt(d[static_cast<std::size_t>(x)]));
    }
    return out;
}

/// Up to this reach the rows are searched around each pixel, beyond it transformed.
constexpr int kLongestSearch = 32;

/// The line transform as DistanceLine gives it, for the positions whose result is at
/// most `reach` squared: the least of (q - p)^2 + f[p] over the p within `reach`, the
/// first p where several give it, as the transform breaks ties. Farther ones get
/// kFar and -1.
void NearLine(const double* f, int n, int reach, double* d, int* nearest, std::vector<int>& nextNear) {
    const auto limit = static_cast<double>(reach) * reach;
    // Only positions whose column seed lies within `reach` (f at most its square) can
    // give a result: where none lies within `reach` either way, the search finds nothing.
    nextNear.resize(static_cast<std::size_t>(n) + 1);
    nextNear[static_cast<std::size_t>(n)] = INT_MAX;
    for (int q = n - 1; q >= 0; --q)
        nextNear[static_cast<std::size_t>(q)] = f[q] <= limit ? q : nextNear[static_cast<std::size_t>(q) + 1];
    int lastNear = INT_MIN / 2;
    for (int q = 0; q < n; ++q) {
        if (f[q] <= limit) lastNear = q;
        if (f[q] == 0) {
            d[q] = 0;
            nearest[q] = q;
            continue;
        }
        if (q - lastNear > reach && nextNear[static_cast<std::size_t>(q)] - q > reach) {
            d[q] = kFar;
            nearest[q] = -1;
            continue;
        }
        double best = kFar;
        int at = -1;
        for (int p = std::max(0, q - reach), last = std::min(n - 1, q + reach); p <= last; ++p) {
            const double t = static_cast<double>(q - p) * (q - p) + f[p];
            if (t < best) best = t, at = p;
        }
        if (best > limit) best = kFar, at = -1;
        d[q] = best;
        nearest[q] = at;
    }
}

/// The nearest seed of every pixel: emit(x, y, distance, the seed's value) row by
/// row, top first, once the row's column distances (held in `target`, which must be
/// the shape's size) have been read: emit may write the row of `target`.
template <class Seed, class Emit>
void Nearest(const Plane& shape, Seed seed, double within, Plane& target, Emit emit) {
    const int w = shape.width, h = shape.height;
    if (w == 0 || h == 0) return;
    // First along the columns, keeping the row of each pixel's nearest seed in its
    // column; then along the rows, where the nearest column names the seed.
    const auto pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::vector<int, UnsetAllocator<int>> seedRow(pixels);
    DistanceColumns(shape, seed, seedRow.data(), [&](int x, int y, double d, int nearestRow) {
        const auto i
            = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
        target.values[i] = static_cast<float>(std::min(d, kFar));
        seedRow[i] = nearestRow;
    });
    const int reach
        = within < kLongestSearch + 1 ? static_cast<int>(std::ceil(std::max(within, 0.0))) : INT_MAX;
    std::vector<double> f(static_cast<std::size_t>(w)), d(static_cast<std::size_t>(w)), z;
    std::vector<int> v, nearest(static_cast<std::size_t>(w)), nextNear;
    for (int y = 0; y < h; ++y) {
        const float* row = target.row(y);
        std::copy(row, row + w, f.begin());
        if (reach <= kLongestSearch)
            NearLine(f.data(), w, reach, d.data(), nearest.data(), nextNear);
        else
            DistanceLine(f.data(), w, d.data(), v, z, nearest.data());
        for (int x = 0; x < w; ++x) {
            const int sx = nearest[static_cast<std::size_t>(x)];
            if (sx < 0) {
                emit(x, y, static_cast<float>(kFar), 0.0f);
                continue;
            }
            const int sy = seedRow[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)
                + static_cast<std::size_t>(sx)];
            emit(x, y, static_cast<float>(std::sqrt(d[static_cast<std::size_t>(x)])), shape.at(sx, sy));
        }
    }
}

template <class Seed> NearestSeed NearestPlanes(const Plane& shape, Seed seed, double within) {
    NearestSeed out { Plane(shape.width, shape.height, UnsetValues {}),
        Plane(shape.width, shape.height, UnsetValues {}) };
    Nearest(shape, seed, within, out.distance, [&](int x, int y, float distance, float value) {
        out.distance.row(y)[x] = distance;
        out.value.row(y)[x] = value;
    });
    return out;
}

constexpr auto kCovered = [](float value) { return value > 0.0f; };
constexpr auto kUncovered = [](float value) { return value < 1.0f; };

/// Whether seed(v) is `want` for all the N values at `at` (counted, with no branch per
/// value).
template <int N, bool want, class Seed> bool AllSeeds(const float* at, Seed seed) {
    int n = 0;
    for (int k = 0; k < N; ++k) n += seed(at[k]) == want ? 1 : 0;
    return n == N;
}

/// std::clamp(v, 0, 1), written so that loops over it are vectorised.
inline float UnitClamp(float v) {
    return v < 0.0f ? 0.0f : 1.0f < v ? 1.0f : v;
}

/// Per pixel, cover(distance, value) of the nearest seed within `within` as Nearest
/// finds it (cover(kFar, 0) where none lies so near). A stroke's search reaches a few
/// pixels, so only the pixels that are no seed themselves but have one that near need
/// it: the rest are known from their own value. Each row finds the columns within
/// reach of a seed from the extent of the seeds in the rows around it; along a column
/// the nearest seed above is carried down the rows and the one below looked for at
/// most once per pixel, so the work outside that band is one pass over the plane.
template <class Seed, class Cover>
Plane StrokeCover(const Plane& shape, Seed seed, double within, Cover cover) {
    const int w = shape.width, h = shape.height;
    Plane out(w, h, UnsetValues {});
    if (!(within < kLongestSearch + 1)) {
        Nearest(shape, seed, within, out,
            [&](int x, int y, float distance, float value) { out.row(y)[x] = cover(distance, value); });
        return out;
    }
    if (w == 0 || h == 0) return out;
    const int reach = static_cast<int>(std::ceil(std::max(within, 0.0)));
    const float none = cover(static_cast<float>(kFar), 0.0f);
    const auto uw = static_cast<std::size_t>(w);
    const auto uh = static_cast<std::size_t>(h);
    // The first and last seed of every row (first > last where the row has none).
    std::vector<int> first(uh), last(uh);
    for (int y = 0; y < h; ++y) {
        const float* row = shape.row(y);
        int a = 0;
        while (a + 8 <= w && AllSeeds<8, false>(row + a, seed)) a += 8;
        while (a < w && !seed(row[a])) ++a;
        int b = w - 1;
        while (b - 8 >= a && AllSeeds<8, false>(row + b - 7, seed)) b -= 8;
        while (b > a && !seed(row[b])) --b;
        first[static_cast<std::size_t>(y)] = a;
        last[static_cast<std::size_t>(y)] = a < w ? b : -1;
    }
    constexpr int kNoRow = INT_MIN / 2;
    std::vector<int> above(uw, kNoRow); // the last seed row at or above the row, per column
    std::vector<int> below(uw, -1); // the first seed row found below, or -1
    std::vector<int> searched(uw, -1); // the rows down to which `below` has looked
    // Per column, for the row in `asked`: the squared distance to the nearest seed
    // along it within reach (-1 where none is), and that seed's row.
    std::vector<int> asked(uw, -1), columnDistance(uw), seedRow(uw);
    const int limit = reach * reach;
    for (int y = 0; y < h; ++y) {
        const float* row = shape.row(y);
        float* o = out.row(y);
        // Two loops, each vectorised.
        for (std::size_t x = 0; x < uw; ++x) {
            const float v = row[x];
            const float seeded = cover(0.0f, v);
            o[x] = seed(v) ? seeded : none;
        }
        for (std::size_t x = 0; x < uw; ++x) above[x] = seed(row[x]) ? y : above[x];
        int lo = INT_MAX, hi = INT_MIN;
        for (int k = std::max(0, y - reach), end = std::min(h - 1, y + reach); k <= end; ++k) {
            const auto uk = static_cast<std::size_t>(k);
            if (first[uk] > last[uk]) continue;
            lo = std::min(lo, first[uk]), hi = std::max(hi, last[uk]);
        }
        if (lo > hi) continue;
        lo = std::max(0, lo - reach), hi = std::min(w - 1, hi + reach);
        // The nearest seed along column p: the upper one where both are as near, as
        // DistanceColumns takes it.
        const auto column = [&](std::size_t p) {
            if (asked[p] == y) return columnDistance[p];
            asked[p] = y;
            if (seed(row[p])) {
                seedRow[p] = y;
                return columnDistance[p] = 0;
            }
            if (below[p] <= y) {
                int k = std::max(y + 1, searched[p] + 1);
                const int end = std::min(h - 1, y + reach);
                const auto x = static_cast<int>(p);
                while (k <= end && !seed(shape.row(k)[x])) ++k;
                below[p] = k <= end ? k : -1;
                searched[p] = k <= end ? k : std::max(searched[p], end);
            }
            const int upper = y - above[p];
            const int lower = below[p] > y ? below[p] - y : INT_MAX;
            const int nearer = std::min(upper, lower);
            if (nearer > reach) return columnDistance[p] = -1;
            seedRow[p] = upper <= lower ? above[p] : below[p];
            return columnDistance[p] = nearer * nearer;
        };
        // Along the row, the first of the columns nearest overall, as NearLine takes it.
        for (int q = lo; q <= hi; ++q) {
            // Across the inside of a shape eight seeds at a time.
            while (q + 8 <= hi + 1 && AllSeeds<8, true>(row + q, seed)) q += 8;
            if (q > hi) break;
            if (seed(row[q])) continue;
            int best = INT_MAX, at = -1;
            for (int p = std::max(0, q - reach), end = std::min(w - 1, q + reach); p <= end; ++p) {
                const int along = column(static_cast<std::size_t>(p));
                if (along < 0) continue;
                const int t = (q - p) * (q - p) + along;
                if (t < best) best = t, at = p;
            }
            if (at < 0 || best > limit) continue;
            o[q] = cover(static_cast<float>(std::sqrt(static_cast<double>(best))),
                shape.at(at, seedRow[static_cast<std::size_t>(at)]));
        }
    }
    return out;
}

/// The store in use on this thread, if any.
thread_local PlaneStore* t_store = nullptr;
/// Each block starts with its size, ahead of the values (aligned for any of them).
constexpr std::size_t kBlockHeader = alignof(std::max_align_t) > 16 ? alignof(std::max_align_t) : 16;
} // namespace

void* AllocatePlaneBytes(std::size_t bytes) {
    if (t_store) {
        const std::lock_guard lock(t_store->m_mutex);
        auto& blocks = t_store->m_blocks;
        auto best = blocks.end();
        for (auto it = blocks.begin(); it != blocks.end(); ++it)
            if (it->second >= bytes && (best == blocks.end() || it->second < best->second)) best = it;
        if (best != blocks.end()) {
            std::byte* block = best->first;
            blocks.erase(best);
            return block + kBlockHeader;
        }
    }
    if (bytes > SIZE_MAX - kBlockHeader) throw std::bad_alloc();
    // A block that is to be kept gets room to grow: the layers drawn next are often a
    // little larger, and the part no plane writes is never touched, so costs nothing.
    std::size_t size = bytes;
    if (t_store && bytes <= (SIZE_MAX - kBlockHeader) / 3 * 2) size = bytes + bytes / 2;
    // From the pictures' own memory: large blocks come mapped with huge pages, so the
    // first layer's planes cost a few faults rather than one per page.
    auto* block = static_cast<std::byte*>(AllocatePixelMemory(size + kBlockHeader));
    std::memcpy(block, &size, sizeof size);
    return block + kBlockHeader;
}

void ReleasePlaneBytes(void* storage) {
    if (!storage) return;
    std::byte* block = static_cast<std::byte*>(storage) - kBlockHeader;
    std::size_t bytes = 0;
    std::memcpy(&bytes, block, sizeof bytes);
    if (t_store) {
        const std::lock_guard lock(t_store->m_mutex);
        auto& blocks = t_store->m_blocks;
        if (blocks.size() < t_store->m_keptBlocks) {
            blocks.emplace_back(block, bytes);
            return;
        }
        // Full: the smallest kept block makes way for a larger one.
        const auto smallest = std::min_element(
            blocks.begin(), blocks.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
        if (smallest->second < bytes) {
            FreePixelMemory(smallest->first, smallest->second + kBlockHeader);
            *smallest = { block, bytes };
            return;
        }
    }
    FreePixelMemory(block, bytes + kBlockHeader);
}

PlaneStore::~PlaneStore() {
    for (const auto& [block, bytes] : m_blocks) FreePixelMemory(block, bytes + kBlockHeader);
}

PlaneStore::Use::Use(PlaneStore& store)
    : m_before(t_store) {
    t_store = &store;
}

PlaneStore::Use::~Use() {
    t_store = m_before;
}

int SoftenReach(double size) {
    if (!(size >= 0.1)) return 0;
    return 3 * (static_cast<int>(std::floor(size * kBoxRadius)) + 1);
}

NearestSeed NearestCovered(const Plane& shape, double within) {
    return NearestPlanes(shape, kCovered, within);
}

NearestSeed NearestUncovered(const Plane& shape, double within) {
    return NearestPlanes(shape, kUncovered, within);
}

Plane OuterStrokeCover(const Plane& shape, double width) {
    const auto reach = static_cast<float>(width);
    return StrokeCover(shape, kCovered, width + 1,
        [reach](float distance, float value) { return UnitClamp(reach - distance + value); });
}

Plane InnerStrokeCover(const Plane& shape, double width) {
    const auto reach = static_cast<float>(width);
    return StrokeCover(shape, kUncovered, width + 1,
        [reach](float distance, float value) { return UnitClamp(reach - distance + 1 - value); });
}

namespace {

/// Eight values at `at` are all +0 (their bits ored: no branch per value).
bool EightZero(const float* at) {
    std::uint32_t bits = 0;
    for (int k = 0; k < 8; ++k) bits |= std::bit_cast<std::uint32_t>(at[k]);
    return bits == 0;
}

/// The index of the first of `n` values at `row` that is not +0, or n.
int FirstShown(const float* row, int n) {
    int a = 0;
    while (a + 8 <= n && EightZero(row + a)) a += 8;
    while (a < n && std::bit_cast<std::uint32_t>(row[a]) == 0) ++a;
    return a;
}

/// The index of the last value in [from, to) of `row` that is not +0, or from - 1.
int LastShown(const float* row, int from, int to) {
    int b = to;
    while (b - 8 >= from && EightZero(row + b - 8)) b -= 8;
    while (b > from && std::bit_cast<std::uint32_t>(row[b - 1]) == 0) --b;
    return b - 1;
}

} // namespace

void SoftenPlane(Plane& plane, double size) {
    if (!(size >= 0.1) || plane.values.empty()) return;
    const double radius = size * kBoxRadius;
    // Only the values that are not 0 and as far around them as the boxes carry them
    // change: the rest are means of nothing but 0.
    const int w = plane.width, h = plane.height;
    int x0 = w, x1 = -1, y0 = h, y1 = -1;
    for (int y = 0; y < h; ++y) {
        const float* row = plane.row(y);
        int first = 0;
        while (first < w && row[first] == 0.0f) ++first;
        if (first == w) continue;
        int last = w - 1;
        while (row[last] == 0.0f) --last;
        x0 = std::min(x0, first), x1 = std::max(x1, last);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    if (x1 < 0) return;
    const int grow = static_cast<int>(std::floor(radius)) + 1;
    std::vector<double> prefix;
    std::vector<float> copy;
    std::vector<int> runEnd;
    // Each block of lines is taken only over the stretch where one of them holds a
    // value other than +0, and as far around it as the box carries (the sums of the
    // zeros before it are 0 wherever the line starts).
    for (int pass = 0; pass < 3; ++pass) {
        x0 = std::max(0, x0 - grow), x1 = std::min(w - 1, x1 + grow);
        const std::ptrdiff_t stride = w;
        for (int y = y0; y <= y1; y += kLineBlock) {
            const int lines = std::min(kLineBlock, y1 + 1 - y);
            int from = x1 + 1, to = x0 - 1;
            for (int k = 0; k < lines; ++k) {
                const float* row = plane.row(y + k);
                from = x0 + FirstShown(row + x0, from - x0);
                to = std::max(to, LastShown(row, to + 1, x1 + 1));
            }
            if (from > to) continue;
            from = std::max(x0, from - grow), to = std::min(x1, to + grow);
            BoxLines(plane.row(y) + from, 1, stride, to - from + 1, lines, radius, prefix, copy, runEnd);
        }
        y0 = std::max(0, y0 - grow), y1 = std::min(h - 1, y1 + grow);
        for (int x = x0; x <= x1; x += kLineBlock) {
            const int lines = std::min(kLineBlock, x1 + 1 - x);
            const auto anyShows = [&](int y) {
                const float* at = plane.row(y) + x;
                std::uint32_t bits = 0;
                for (int k = 0; k < lines; ++k) bits |= std::bit_cast<std::uint32_t>(at[k]);
                return bits != 0;
            };
            int from = y0;
            while (from <= y1 && !anyShows(from)) ++from;
            if (from > y1) continue;
            int to = y1;
            while (!anyShows(to)) --to;
            from = std::max(y0, from - grow), to = std::min(y1, to + grow);
            BoxLines(plane.row(from) + x, stride, 1, to - from + 1, lines, radius, prefix, copy, runEnd);
        }
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

Plane ShiftedPlane(Plane plane, double dx, double dy, float outside) {
    const int w = plane.width, h = plane.height;
    const double fx = std::floor(dx), fy = std::floor(dy);
    const auto ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const auto ax = static_cast<float>(dx - fx), ay = static_cast<float>(dy - fy);
    // The value at (x, y) comes from (x - dx, y - dy): from rows y - iy and the one
    // above it. Moved in place, rows taken in the order that reads each source row
    // before it is written, each copied aside first.
    std::vector<float> here(static_cast<std::size_t>(w)), above(static_cast<std::size_t>(w));
    const auto blend = [&](float a, float b, float c, float d) {
        const float top = a * (1 - ax) + b * ax;
        const float bottom = c * (1 - ax) + d * ax;
        return top * (1 - ay) + bottom * ay;
    };
    const int inFrom = std::clamp(ix + 1, 0, w);
    const int inTo = std::clamp(w + ix, inFrom, w);
    for (int k = 0; k < h; ++k) {
        const int y = iy >= 0 ? h - 1 - k : k;
        const int sy = y - iy;
        const bool hereIn = sy >= 0 && sy < h;
        const bool aboveIn = sy - 1 >= 0 && sy - 1 < h;
        if (hereIn) std::copy(plane.row(sy), plane.row(sy) + w, here.begin());
        if (aboveIn) std::copy(plane.row(sy - 1), plane.row(sy - 1) + w, above.begin());
        const auto sample = [&](bool in, const std::vector<float>& line, int sx) {
            return !in || sx < 0 || sx >= w ? outside : line[static_cast<std::size_t>(sx)];
        };
        const auto at = [&](int x) {
            const int sx = x - ix;
            return blend(sample(hereIn, here, sx), sample(hereIn, here, sx - 1), sample(aboveIn, above, sx),
                sample(aboveIn, above, sx - 1));
        };
        float* row = plane.row(y);
        // Where all four samples lie within the plane they are read without checks.
        const int from = hereIn && aboveIn ? inFrom : w;
        const int to = hereIn && aboveIn ? inTo : w;
        for (int x = 0; x < from; ++x) row[x] = at(x);
        for (int x = from; x < to; ++x) {
            const auto sx = static_cast<std::size_t>(x - ix);
            row[x] = blend(here[sx], here[sx - 1], above[sx], above[sx - 1]);
        }
        for (int x = std::max(from, to); x < w; ++x) row[x] = at(x);
    }
    return plane;
}

} // namespace deptrix
