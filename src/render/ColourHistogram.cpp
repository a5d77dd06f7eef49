#include "render/ColourHistogram.h"

#include "core/Error.h"

#include <algorithm>
#include <array>

namespace deptrix {

namespace {

/// Spreads the 8 bits of a channel to every third bit of a 24-bit key.
constexpr std::array<std::uint32_t, 256> MakeSpreadTable() {
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t v = 0; v < 256; ++v)
        for (int bit = 0; bit < 8; ++bit) table[v] |= ((v >> bit) & 1u) << (3 * bit);
    return table;
}

constexpr std::array<std::uint32_t, 256> kSpread = MakeSpreadTable();

/// For each byte of a key, its bits put back in place: red in bits 16..23 of the
/// result, green in 8..15, blue in 0..7.
constexpr std::array<std::array<std::uint32_t, 256>, 3> MakeGatherTables() {
    std::array<std::array<std::uint32_t, 256>, 3> tables {};
    for (int byte = 0; byte < 3; ++byte)
        for (std::uint32_t v = 0; v < 256; ++v)
            for (int bit = 0; bit < 8; ++bit) {
                if (!((v >> bit) & 1u)) continue;
                const int position = 8 * byte + bit;
                const int channel = position % 3; // 0 blue, 1 green, 2 red
                tables[byte][v] |= 1u << (8 * channel + position / 3);
            }
    return tables;
}

constexpr std::array<std::array<std::uint32_t, 256>, 3> kGather = MakeGatherTables();

/// Least-significant-digit radix sort of 24-bit keys, twelve bits per pass: two
/// passes, with counters small enough to stay in the first-level cache.
void SortKeys(std::vector<std::uint32_t>& keys) {
    std::vector<std::uint32_t> scratch(keys.size());
    std::vector<std::size_t> start(4097);
    for (int shift = 0; shift < 24; shift += 12) {
        std::fill(start.begin(), start.end(), 0);
        for (std::uint32_t key : keys) ++start[((key >> shift) & 0xFFFu) + 1];
        for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        for (std::uint32_t key : keys) scratch[start[(key >> shift) & 0xFFFu]++] = key;
        keys.swap(scratch);
    }
}

} // namespace

std::uint32_t OctreeKey(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return kSpread[r] << 2 | kSpread[g] << 1 | kSpread[b];
}

void ColourOfOctreeKey(std::uint32_t key, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
    const std::uint32_t rgb
        = kGather[0][key & 0xFFu] | kGather[1][(key >> 8) & 0xFFu] | kGather[2][(key >> 16) & 0xFFu];
    r = static_cast<std::uint8_t>(rgb >> 16);
    g = static_cast<std::uint8_t>(rgb >> 8);
    b = static_cast<std::uint8_t>(rgb);
}

ColourHistogram BuildColourHistogram(const Bitmap& bgr24) {
    if (bgr24.format() != PixelFormat::Bgr24)
        throw Error("colour reduction: the picture must be a 24-bit picture");
    const int width = bgr24.width();
    std::vector<std::uint32_t> keys;
    keys.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(bgr24.height()));
    for (int y = 0; y < bgr24.height(); ++y) {
        const std::uint8_t* p = bgr24.row(y);
        for (int x = 0; x < width; ++x, p += 3)
            keys.push_back(kSpread[p[2]] << 2 | kSpread[p[1]] << 1 | kSpread[p[0]]);
    }
    SortKeys(keys);

    ColourHistogram histogram;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t end = i + 1;
        while (end < keys.size() && keys[end] == keys[i]) ++end;
        histogram.keys.push_back(keys[i]);
        histogram.counts.push_back(static_cast<std::uint32_t>(end - i));
        i = end;
    }
    return histogram;
}

} // namespace deptrix
