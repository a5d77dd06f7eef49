#include "output/PaletteRefinement.h"

#include "output/NearestColourMap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <queue>
#include <vector>

namespace deptrix {

namespace {

constexpr int kFirstEntry = kFirstFrameColourEntry;
constexpr int kEndEntry = kFirstFrameColourEntry + kFrameColourCount;
constexpr int kMaxPasses = 6;
constexpr std::size_t kColourVisitsPerFrame = 1'500'000;
// Least used entries moved per early pass: enough to leave a poor local optimum
// within a few passes, few enough that the late passes can settle.
constexpr int kMovesPerPass = 12;

/// A colour of the histogram and the error it adds up to with its present entry.
struct Misfit {
    std::uint64_t error;
    std::uint32_t colour;
    // Smallest error on top, so the heap keeps the largest ones; ties by colour
    // index, so that the outcome does not depend on the heap's inner order.
    bool operator<(const Misfit& other) const {
        return error != other.error ? error > other.error : colour > other.colour;
    }
};

/// The up to `limit` colours of largest error, largest first.
class WorstColours {
public:
    explicit WorstColours(std::size_t limit)
        : m_limit(limit) { }

    void offer(std::uint64_t error, std::uint32_t colour) {
        if (error == 0 || m_limit == 0) return;
        if (m_heap.size() < m_limit) {
            m_heap.push({ error, colour });
        } else if (Misfit { error, colour } < m_heap.top()) {
            m_heap.pop();
            m_heap.push({ error, colour });
        }
    }

    std::vector<std::uint32_t> takeLargestFirst() {
        std::vector<std::uint32_t> colours;
        for (; !m_heap.empty(); m_heap.pop()) colours.push_back(m_heap.top().colour);
        std::reverse(colours.begin(), colours.end());
        return colours;
    }

private:
    std::size_t m_limit;
    std::priority_queue<Misfit> m_heap;
};

/// Weighted median of one channel from its 256-bin histogram.
std::uint8_t Median(const std::uint32_t* bins, std::uint64_t total) {
    std::uint64_t below = 0;
    for (int v = 0; v < 255; ++v) {
        below += bins[v];
        if (2 * below >= total) return static_cast<std::uint8_t>(v);
    }
    return 255;
}

} // namespace

int RefinementPassesFor(std::size_t distinctColours) {
    if (distinctColours == 0) return 0;
    return static_cast<int>(std::clamp<std::size_t>(kColourVisitsPerFrame / distinctColours, 2, kMaxPasses));
}

void RefineFrameColours(const ColourHistogram& histogram, GifPalette& palette, int passes) {
    const std::size_t colourCount = histogram.keys.size();
    std::vector<PaletteColour> colours(colourCount);
    for (std::size_t i = 0; i < colourCount; ++i)
        ColourOfOctreeKey(histogram.keys[i], colours[i].r, colours[i].g, colours[i].b);

    std::vector<std::uint32_t> bins(static_cast<std::size_t>(kFrameColourCount) * 3 * 256);
    const int movingPasses = passes * 2 / 3;
    for (int pass = 0; pass < passes; ++pass) {
        NearestColourMap map(palette);
        std::array<std::uint64_t, 256> pixels {};
        std::fill(bins.begin(), bins.end(), 0);
        WorstColours worst(kFrameColourCount + kMovesPerPass);
        for (std::size_t i = 0; i < colourCount; ++i) {
            const PaletteColour& c = colours[i];
            const std::uint8_t entry = map.nearest(c.r, c.g, c.b);
            const std::uint32_t count = histogram.counts[i];
            pixels[entry] += count;
            const PaletteColour& e = palette[entry];
            worst.offer(
                static_cast<std::uint64_t>(std::abs(e.r - c.r) + std::abs(e.g - c.g) + std::abs(e.b - c.b))
                    * count,
                static_cast<std::uint32_t>(i));
            if (entry < kFirstEntry || entry >= kEndEntry) continue;
            std::uint32_t* channel = bins.data() + static_cast<std::size_t>(entry - kFirstEntry) * 768;
            channel[c.r] += count;
            channel[256 + c.g] += count;
            channel[512 + c.b] += count;
        }

        bool moved = false;
        std::vector<int> idle;
        std::vector<std::pair<std::uint64_t, int>> used;
        for (int entry = kFirstEntry; entry < kEndEntry; ++entry) {
            if (pixels[entry] == 0) {
                idle.push_back(entry);
                continue;
            }
            used.push_back({ pixels[entry], entry });
            const std::uint32_t* channel = bins.data() + static_cast<std::size_t>(entry - kFirstEntry) * 768;
            const PaletteColour median { Median(channel, pixels[entry]), Median(channel + 256, pixels[entry]),
                Median(channel + 512, pixels[entry]) };
            moved = moved || !(median == palette[entry]);
            palette[entry] = median;
        }
        if (pass < movingPasses) {
            const auto least = used.begin() + std::min<std::ptrdiff_t>(kMovesPerPass, std::ssize(used));
            std::partial_sort(used.begin(), least, used.end());
            for (auto it = used.begin(); it != least; ++it) idle.push_back(it->second);
        }
        const std::vector<std::uint32_t> targets = worst.takeLargestFirst();
        for (std::size_t k = 0; k < std::min(idle.size(), targets.size()); ++k) {
            palette[idle[k]] = colours[targets[k]];
            moved = true;
        }
        if (!moved) return;
    }
}

} // namespace deptrix
