#include "output/NearestColourMap.h"

#include <algorithm>
#include <limits>

namespace deptrix {

namespace {

constexpr std::size_t CellIndex(int bits, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int side = 256 >> bits;
    return static_cast<std::size_t>(((r >> bits) * side + (g >> bits)) * side + (b >> bits));
}

/// Marks in `keep` the entries (channel values r[i], g[i], b[i] side by side, so that
/// this vectorises) that can be nearest to some colour of the cube of `bits` holding
/// (r, g, b): those whose nearest point of the cube is no farther than the farthest
/// point of the cube is from the best-placed entry.
void SelectForCube(const std::int32_t* const channels[3], std::size_t count, int bits,
    const std::uint8_t colour[3], bool* keep) {
    const std::int32_t side = 1 << bits;
    alignas(32) std::int32_t nearSq[256];
    alignas(32) std::int32_t farSq[256];
    for (int c = 0; c < 3; ++c) {
        const std::int32_t* v = channels[c];
        const std::int32_t low = (colour[c] >> bits) << bits;
        const std::int32_t high = low + side - 1;
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t near = std::max(std::max(low - v[i], v[i] - high), 0);
            const std::int32_t far = std::max(v[i] - low, high - v[i]);
            nearSq[i] = (c == 0 ? 0 : nearSq[i]) + near * near;
            farSq[i] = (c == 0 ? 0 : farSq[i]) + far * far;
        }
    }
    std::int32_t bound = farSq[0];
    for (std::size_t i = 1; i < count; ++i) bound = std::min(bound, farSq[i]);
    for (std::size_t i = 0; i < count; ++i) keep[i] = nearSq[i] <= bound;
}

} // namespace

NearestColourMap::NearestColourMap(const GifPalette& palette)
    : m_levels { { { 5, std::vector<CellList>(std::size_t { 1 } << 9), {} },
        { 4, std::vector<CellList>(std::size_t { 1 } << 12), {} },
        { 3, std::vector<CellList>(std::size_t { 1 } << 15), {} } } } {
    for (std::size_t i = 0; i < palette.size(); ++i)
        m_entries.push_back({ palette[i].r, palette[i].g, palette[i].b, static_cast<std::int32_t>(i) });
}

const NearestColourMap::CellList& NearestColourMap::cell(
    int level, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Level& cubes = m_levels[static_cast<std::size_t>(level)];
    CellList& list = cubes.cells[CellIndex(cubes.bits, r, g, b)];
    if (list.size != 0) return list;
    // A colour's nearest entry is among the candidates of the larger cube around its
    // cube, so only those need sorting through.
    const Candidate* from = m_entries.data();
    std::size_t count = m_entries.size();
    if (level > 0) {
        const CellList& outer = cell(level - 1, r, g, b);
        from = m_levels[static_cast<std::size_t>(level - 1)].candidates.data() + outer.start;
        count = outer.size;
    }
    alignas(32) std::int32_t columns[3][256];
    for (std::size_t i = 0; i < count; ++i) {
        columns[0][i] = from[i].r;
        columns[1][i] = from[i].g;
        columns[2][i] = from[i].b;
    }
    const std::int32_t* const channels[3] = { columns[0], columns[1], columns[2] };
    const std::uint8_t colour[3] = { r, g, b };
    bool keep[256];
    SelectForCube(channels, count, cubes.bits, colour, keep);
    list.start = static_cast<std::uint32_t>(cubes.candidates.size());
    for (std::size_t i = 0; i < count; ++i)
        if (keep[i]) cubes.candidates.push_back(from[i]);
    list.size = static_cast<std::uint32_t>(cubes.candidates.size()) - list.start;
    return list;
}

std::uint8_t NearestColourMap::nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const CellList& list = cell(kLevels - 1, r, g, b);
    const Candidate* candidate = m_levels[kLevels - 1].candidates.data() + list.start;
    const Candidate* const end = candidate + list.size;
    // Distance and index in one number (at most 3 x 255^2 x 256 < 2^31): the smallest
    // is the nearest entry, and of equally near entries the one with the lowest index.
    std::int32_t best = std::numeric_limits<std::int32_t>::max();
    for (; candidate != end; ++candidate) {
        const std::int32_t dr = candidate->r - r;
        const std::int32_t dg = candidate->g - g;
        const std::int32_t db = candidate->b - b;
        best = std::min(best, (dr * dr + dg * dg + db * db) << 8 | candidate->index);
    }
    return static_cast<std::uint8_t>(best & 0xFF);
}

void NearestColourMap::mapRow(const std::uint8_t* bgr, int width, std::uint8_t* indices) {
    // Flat areas repeat a colour many times in a row.
    std::uint32_t previous = 0xFFFFFFFFu;
    std::uint8_t previousIndex = 0;
    for (int x = 0; x < width; ++x, bgr += 3) {
        const std::uint32_t colour = bgr[0] | bgr[1] << 8 | static_cast<std::uint32_t>(bgr[2]) << 16;
        if (colour != previous) {
            previous = colour;
            previousIndex = nearest(bgr[2], bgr[1], bgr[0]);
        }
        indices[x] = previousIndex;
    }
}

} // namespace deptrix
