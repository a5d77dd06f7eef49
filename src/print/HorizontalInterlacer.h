#pragma once

#include "print/PrintRows.h"
#include "print/SampleWeights.h"
#include "print/StripMap.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// Makes the rows of a print under horizontal lenses from its frames, top to bottom:
/// the strips are rows, so a print row shows one frame (or, across a strip edge,
/// mixes the frames it covers by their areas) over the whole width.
///
/// As under vertical lenses, every frame is first sampled once per lens: the average
/// of the frame over the source rows the lens covers, kept per source column. A print
/// row mixes the lens rows of its strips; source columns then become print columns by
/// area averaging when the print has fewer (H Scale compresses columns here), by a
/// smooth interpolation when it has more. Only the source rows of the lenses in use
/// and the lens rows of two lenses are kept. The bleed continues the picture's edge
/// pixels under the same lenses.
class HorizontalInterlacer final : public PrintRows {
public:
    /// Throws Error when the frames are not colour pictures or not the print's number.
    HorizontalInterlacer(const PrintGeometry& geometry, ViewRows& frames);

    int channels() const override { return m_channels; }
    std::size_t rowBytes() const override {
        return static_cast<std::size_t>(m_geometry.bledWidth()) * static_cast<std::size_t>(m_channels);
    }
    void makeRows(std::int64_t first, int count, std::uint8_t* out) override;
    std::size_t heldBytes() const override;

private:
    /// One lens's rows: per frame, the source columns in print channel order.
    struct LensRows {
        std::int64_t lens = -1;
        std::vector<float> values;
    };

    const std::uint8_t* sourceRow(int frame, int y);
    void readBand(int firstRow);
    const float* lensRow(std::uint32_t lens, int frame);
    void computeLens(LensRows& slot, std::uint32_t lens);
    void resampleColumns(const float* values, std::uint8_t* out) const;

    PrintGeometry m_geometry;
    ViewRows& m_frames;
    StripMap m_strips;
    int m_channels;
    int m_frameCount;
    int m_sourceWidth;
    std::size_t m_sourceRowBytes; ///< one frame's source row
    std::size_t m_lensRowFloats; ///< one frame's lens row
    SpanTable m_lensTaps; ///< per lens, the source rows it averages
    SpanTable m_columnTaps; ///< per print column, the source columns it takes
    int m_bandRows;
    int m_capacity;
    int m_low = 0; ///< first cached source row
    int m_high = 0; ///< one past the last cached source row
    int m_readEnd = 0; ///< one past the last source row the rows being made need
    std::vector<std::uint8_t> m_rows; ///< m_capacity rows of every frame, row y in slot y % m_capacity
    std::array<LensRows, 2> m_lenses;
    std::vector<float> m_mix;
    std::vector<std::uint8_t> m_lastRow; ///< the row made last, repeated while its strip lasts
    std::int64_t m_lastKey = -1; ///< lens x frames + frame of m_lastRow, -1 for a mixed row
};

} // namespace deptrix
