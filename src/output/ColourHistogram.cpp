#include "output/ColourHistogram.h"

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

/// A run of equal pixels: the colour's key in the low 24 bits, the run's length
/// (1..255) in the top 8, so that flat areas cost one element per run.
constexpr std::uint32_t kKeyMask = 0xFFFFFFu;
constexpr std::uint32_t kLongestRun = 255;

/// Least-significant-digit radix sort of runs by key, twelve bits per pass: two passes,
/// with counters small enough to stay in the first-level cache.
void SortRuns(std::vector<std::uint32_t>& runs) {
    std::vector<std::uint32_t> scratch(runs.size());
    std::vector<std::size_t> start(4097);
    for (int shift = 0; shift < 24; shift += 12) {
        std::fill(start.begin(), start.end(), 0);
        for (std::uint32_t run : runs) ++start[((run >> shift) & 0xFFFu) + 1];
        for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        for (std::uint32_t run : runs) scratch[start[(run >> shift) & 0xFFFu]++] = run;
        runs.swap(scratch);
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
    std::vector<std::uint32_t> runs;
    runs.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(bgr24.height()));
    for (int y = 0; y < bgr24.height(); ++y) {
        const std::uint8_t* p = bgr24.row(y);
        for (int x = 0; x < width;) {
            const std::uint8_t* first = p;
            std::uint32_t length = 1;
            for (p += 3, ++x; x < width && length < kLongestRun && p[0] == first[0] && p[1] == first[1]
                 && p[2] == first[2];
                 p += 3, ++x)
                ++length;
            runs.push_back(
                length << 24 | kSpread[first[2]] << 2 | kSpread[first[1]] << 1 | kSpread[first[0]]);
        }
    }
    SortRuns(runs);

    ColourHistogram histogram;
    for (std::size_t i = 0; i < runs.size();) {
        const std::uint32_t key = runs[i] & kKeyMask;
        std::uint32_t count = 0;
        for (; i < runs.size() && (runs[i] & kKeyMask) == key; ++i) count += runs[i] >> 24;
        histogram.keys.push_back(key);
        histogram.counts.push_back(count);
    }
    return histogram;
}

} // namespace deptrix
