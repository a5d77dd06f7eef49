#pragma once

#include "output/GifPalette.h"

#include <array>
#include <cstdint>
#include <vector>

namespace deptrix {

/// Maps colours to the nearest entry of a 256-colour table (squared distance in RGB,
/// the lowest index among equally near entries), exactly as a search of all 256
/// entries would. Colour space is cut into cubes; the first time a cube is met, the
/// entries that can be nearest to some colour inside it are listed (an entry whose
/// closest possible distance to the cube exceeds another entry's farthest possible
/// distance never can be), and colours in the cube then search only that list. Cubes
/// of 32 are listed from all entries, cubes of 16 from the list of their cube of 32,
/// and cubes of 8 from the list of their cube of 16.
class NearestColourMap {
public:
    explicit NearestColourMap(const GifPalette& palette);

    std::uint8_t nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    /// Table indices of `width` Bgr24 pixels.
    void mapRow(const std::uint8_t* bgr, int width, std::uint8_t* indices);

private:
    struct Candidate {
        std::int32_t r, g, b;
        std::int32_t index;
    };

    /// A run of a level's candidates; size 0 until listed (every cube has a candidate).
    struct CellList {
        std::uint32_t start = 0;
        std::uint32_t size = 0;
    };

    /// The cubes of one size: 2^bits on a side.
    struct Level {
        int bits;
        std::vector<CellList> cells;
        std::vector<Candidate> candidates;
    };

    static constexpr int kLevels = 3;

    /// The candidates of the cube of `level` holding the colour, listed on first use.
    const CellList& cell(int level, std::uint8_t r, std::uint8_t g, std::uint8_t b);

    std::vector<Candidate> m_entries;
    std::array<Level, kLevels> m_levels;
};

} // namespace deptrix
