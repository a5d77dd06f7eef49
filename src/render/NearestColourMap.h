#pragma once

#include "render/GifPalette.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// Maps colours to the nearest entry of a 256-colour table (squared distance in RGB,
/// the lowest index among equally near entries), exactly as a search of all 256
/// entries would. Colour space is cut into cubes; the first time a cube is met, the
/// entries that can be nearest to some colour inside it are listed (an entry whose
/// closest possible distance to the cube exceeds another entry's farthest possible
/// distance never can be), and colours in the cube then search only that list. Cubes
/// of 16 are listed from all entries, their cubes of 8 from the list of the cube of 16.
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

    /// A run of a candidate vector; size 0 until listed (every cube has a candidate).
    struct CellList {
        std::uint32_t start = 0;
        std::uint32_t size = 0;
    };

    const CellList& fineCell(std::uint8_t r, std::uint8_t g, std::uint8_t b);
    const CellList& coarseCell(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    std::vector<Candidate> m_entries;
    std::vector<CellList> m_coarse;
    std::vector<CellList> m_fine;
    std::vector<Candidate> m_coarseCandidates;
    std::vector<Candidate> m_fineCandidates;
};

} // namespace deptrix
