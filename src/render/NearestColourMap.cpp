#include "render/NearestColourMap.h"

#include <algorithm>
#include <limits>

namespace deptrix {

namespace {

constexpr int kCoarseBits = 4;
constexpr int kFineBits = 3;

constexpr std::size_t CellIndex(int bits, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int side = 256 >> bits;
    return static_cast<std::size_t>(((r >> bits) * side + (g >> bits)) * side + (b >> bits));
}

/// Appends to `out` the entries of `from` (in their order) that can be nearest to some
/// colour of the cube of `bits` holding (r, g, b): those whose nearest point of the cube
/// is no farther than the farthest point of the cube is from the best-placed entry.
template <typename Entry>
void ListCube(const std::vector<Entry>& from, std::size_t first, std::size_t count, int bits, std::uint8_t r,
    std::uint8_t g, std::uint8_t b, std::vector<Entry>& out) {
    const int side = 1 << bits;
    const int lo[3] = { (r >> bits) << bits, (g >> bits) << bits, (b >> bits) << bits };
    const int hi[3] = { lo[0] + side - 1, lo[1] + side - 1, lo[2] + side - 1 };
    std::int32_t nearSq[256];
    std::int32_t bound = std::numeric_limits<std::int32_t>::max();
    for (std::size_t i = 0; i < count; ++i) {
        const Entry& e = from[first + i];
        const int v[3] = { e.r, e.g, e.b };
        std::int32_t near = 0;
        std::int32_t far = 0;
        for (int c = 0; c < 3; ++c) {
            const int below = std::max(lo[c] - v[c], 0);
            const int above = std::max(v[c] - hi[c], 0);
            const int toFar = std::max(v[c] - lo[c], hi[c] - v[c]);
            near += (below + above) * (below + above);
            far += toFar * toFar;
        }
        nearSq[i] = near;
        bound = std::min(bound, far);
    }
    for (std::size_t i = 0; i < count; ++i)
        if (nearSq[i] <= bound) out.push_back(from[first + i]);
}

} // namespace

NearestColourMap::NearestColourMap(const GifPalette& palette)
    : m_coarse(std::size_t { 1 } << (3 * (8 - kCoarseBits)))
    , m_fine(std::size_t { 1 } << (3 * (8 - kFineBits))) {
    for (std::size_t i = 0; i < palette.size(); ++i)
        m_entries.push_back({ palette[i].r, palette[i].g, palette[i].b, static_cast<std::int32_t>(i) });
}

const NearestColourMap::CellList& NearestColourMap::coarseCell(
    std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    CellList& list = m_coarse[CellIndex(kCoarseBits, r, g, b)];
    if (list.size == 0) {
        list.start = static_cast<std::uint32_t>(m_coarseCandidates.size());
        ListCube(m_entries, 0, m_entries.size(), kCoarseBits, r, g, b, m_coarseCandidates);
        list.size = static_cast<std::uint32_t>(m_coarseCandidates.size()) - list.start;
    }
    return list;
}

const NearestColourMap::CellList& NearestColourMap::fineCell(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    CellList& list = m_fine[CellIndex(kFineBits, r, g, b)];
    if (list.size == 0) {
        // A colour's nearest entry is among those of its cube of 16, so the cube of 8
        // inside it only needs to sort through that list.
        const CellList coarse = coarseCell(r, g, b);
        list.start = static_cast<std::uint32_t>(m_fineCandidates.size());
        ListCube(m_coarseCandidates, coarse.start, coarse.size, kFineBits, r, g, b, m_fineCandidates);
        list.size = static_cast<std::uint32_t>(m_fineCandidates.size()) - list.start;
    }
    return list;
}

std::uint8_t NearestColourMap::nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const CellList& list = fineCell(r, g, b);
    const Candidate* candidate = m_fineCandidates.data() + list.start;
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
