#pragma once

#include "print/ColumnSpread.h"
#include "print/PrintRows.h"
#include "print/SampleWeights.h"
#include "print/StripMap.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace deptrix {

/// Makes the rows of a print under vertical lenses from its frames, top to bottom.
///
/// Every frame is first sampled once per lens: the average of the frame over the
/// part of the picture that the lens covers (so neighbouring lenses never jitter
/// and fine detail does not alias). Source rows become print rows by area
/// averaging when the print has fewer rows, by a smooth interpolation when it has
/// more. Each print pixel then mixes the lens values of the strips it covers by
/// their areas (StripMap): a row works out its few distinct pixels (the lens values
/// that columns inside a strip take whole, the mixes across strip edges) and then
/// places them column by column from a table. Only the per-lens values of the few
/// source rows in use are kept, so memory does not grow with the print or the
/// picture. The bleed continues the picture's edge pixels under the same lenses.
class Interlacer final : public PrintRows {
public:
    /// Throws Error when the frames are not colour pictures or not the print's number.
    Interlacer(const PrintGeometry& geometry, ViewRows& views);

    int channels() const override { return m_channels; }
    std::size_t rowBytes() const override {
        return static_cast<std::size_t>(m_geometry.bledWidth()) * static_cast<std::size_t>(m_channels);
    }
    void makeRows(std::int64_t first, int count, std::uint8_t* out) override;
    std::size_t heldBytes() const override;

    /// The pixel of the columns inside one strip: a lens value (offset into a row of
    /// them), and where the pixel lies among the row's distinct pixels.
    struct WholePixel {
        std::uint32_t value;
        std::uint32_t at;
    };
    /// The pixel of a column mixing two lens values by their areas.
    struct PairMix {
        std::uint32_t first;
        std::uint32_t second;
        float firstWeight;
        float secondWeight;
        std::uint32_t at;
    };
    /// A lens value a column of more than two pieces takes, and how much of the column it covers.
    struct MixPiece {
        std::uint32_t offset;
        float weight;
    };

private:
    const float* lensValues(int sourceRow);
    void readBand(int firstRow);
    void sampleLenses(int frame, const std::uint8_t* row, float* lensValues);
    void expandRow(const float* lensValues, std::uint8_t* out);

    PrintGeometry m_geometry;
    ViewRows& m_views;
    StripMap m_strips;
    SpanTable m_lensTaps;
    int m_channels;
    int m_frames;
    std::size_t m_lensRowFloats;
    int m_bandRows;
    int m_capacity;
    int m_low = 0; ///< first cached source row
    int m_high = 0; ///< one past the last cached source row
    int m_readEnd = 0; ///< one past the last source row the rows being made need
    std::vector<float> m_cache; ///< m_capacity rows of lens values, row y in slot y % m_capacity
    std::vector<float> m_sum;
    std::vector<float> m_rowFloats; ///< the frame row being sampled
    // A row's distinct pixels, from left to right: runs of columns inside a strip take
    // one, every column across strip edges one of its own.
    std::vector<WholePixel> m_wholes;
    std::vector<PairMix> m_pairs;
    std::vector<std::uint32_t> m_mixBegin; ///< per mixed column, its first piece; one more at the end
    std::vector<MixPiece> m_mixPieces;
    std::vector<std::uint32_t> m_mixAt; ///< per mixed column, where its pixel lies
    std::vector<std::uint8_t> m_pixels; ///< the distinct pixels of the row being made
    ColumnSpread m_spread; ///< the columns from the distinct pixels
    SpanWeights m_rowTaps;
    SpanWeights m_madeTaps; ///< the source taps of the row made last
};

} // namespace deptrix
