#include "render/PaletteRefinement.h"

#include "core/Error.h"
#include "render/NearestColourMap.h"

#include <array>
#include <cstdint>

namespace deptrix {

namespace {

struct Tally {
    std::uint64_t count = 0;
    std::uint64_t sum[3] = { 0, 0, 0 };
};

} // namespace

void RefineFrameColours(const ColourHistogram& histogram, GifPalette& palette, int frameColours, int passes) {
    if (frameColours < 0 || frameColours > kFrameColourCount)
        throw Error("colour reduction: frame colour count out of range");
    const std::size_t first = kFirstFrameColourEntry;
    const std::size_t end = first + static_cast<std::size_t>(frameColours);
    for (int pass = 0; pass < passes; ++pass) {
        NearestColourMap map(palette);
        std::array<Tally, 256> tallies {};
        for (std::size_t i = 0; i < histogram.keys.size(); ++i) {
            std::uint8_t rgb[3];
            ColourOfOctreeKey(histogram.keys[i], rgb[0], rgb[1], rgb[2]);
            Tally& tally = tallies[map.nearest(rgb[0], rgb[1], rgb[2])];
            const std::uint64_t count = histogram.counts[i];
            tally.count += count;
            for (int c = 0; c < 3; ++c) tally.sum[c] += rgb[c] * count;
        }
        bool moved = false;
        for (std::size_t e = first; e < end; ++e) {
            const Tally& tally = tallies[e];
            if (tally.count == 0) continue;
            std::uint8_t mean[3];
            for (int c = 0; c < 3; ++c)
                mean[c] = static_cast<std::uint8_t>((2 * tally.sum[c] + tally.count) / (2 * tally.count));
            const PaletteColour updated { mean[0], mean[1], mean[2] };
            moved = moved || !(updated == palette[e]);
            palette[e] = updated;
        }
        if (!moved) return;
    }
}

} // namespace deptrix
