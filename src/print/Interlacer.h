#pragma once

#include "print/ColumnSpread.h"
#include "print/LensRowKernels.h"
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
/// their areas (StripMap). The lens values of a row are kept in the order their
/// strips lie from left to right, so a row's distinct pixels come out in whole rows
/// at a time: every lens value rounded (the columns inside a strip), every mix of a
/// strip with the next one (a column across their edge), and the rare column across
/// more strips on its own; the columns then take their bytes from these rows
/// (ColumnSpread). Only the per-lens values of the few source rows in use are kept,
/// so memory does not grow with the print or the picture. The bleed continues the
/// picture's edge pixels under the same lenses.
class Interlacer final : public PrintRows {
public:
    /// Throws Error when the frames are not colour pictures or not the print's number.
    /// `width` chooses the vector code (the bytes are the same).
    Interlacer(const PrintGeometry& geometry, ViewRows& views, VectorWidth width = VectorWidth::Best);

    int channels() const override { return m_channels; }
    std::size_t rowBytes() const override {
        return static_cast<std::size_t>(m_geometry.bledWidth()) * static_cast<std::size_t>(m_channels);
    }
    void makeRows(std::int64_t first, int count, std::uint8_t* out) override;
    std::size_t heldBytes() const override;

    /// A lens value a column across more than two strips takes, and how much of the column it covers.
    struct MixPiece {
        std::uint32_t offset;
        float weight;
    };

private:
    const float* lensValues(int sourceRow);
    void readBand(int firstRow);
    void sampleLenses(int frame, const std::uint8_t* row, float* lensValues);
    /// Lays out the lens values in strip order and works out where each column's pixel lies.
    void planColumns();
    void expandRow(const float* lensValues, std::uint8_t* out);

    PrintGeometry m_geometry;
    ViewRows& m_views;
    StripMap m_strips;
    SpanTable m_lensTaps;
    int m_channels;
    int m_frames;
    VectorWidth m_width;
    std::size_t m_lensRowFloats;
    int m_bandRows;
    int m_capacity;
    int m_low = 0; ///< first cached source row
    int m_high = 0; ///< one past the last cached source row
    int m_readEnd = 0; ///< one past the last source row the rows being made need
    std::vector<float> m_cache; ///< m_capacity rows of lens values, row y in slot y % m_capacity
    std::vector<float> m_sum;
    std::vector<float> m_rowFloats; ///< the frame row being sampled
    /// Per frame, per lens: where its value lies in a row of lens values, in channels.
    std::vector<std::uint32_t> m_valueAt;
    std::size_t m_edgeBytes = 0; ///< where the mixes across strip edges begin in m_pixels
    /// Per lens value, the weights of it and of the next strip's value in the column
    /// across their edge (0 where no column mixes just those two).
    std::vector<float> m_edgeWeights;
    std::vector<float> m_nextWeights;
    /// Per column across more strips, its first piece; one more at the end.
    std::vector<std::uint32_t> m_mixBegin;
    std::vector<MixPiece> m_mixPieces;
    std::vector<std::uint32_t> m_mixAt; ///< per column across more strips, where its pixel lies
    /// The distinct pixels of the row being made: the rounded lens values, the mixes
    /// across strip edges, the columns across more strips.
    std::vector<std::uint8_t> m_pixels;
    ColumnSpread m_spread; ///< the columns from the distinct pixels
    SpanWeights m_rowTaps;
    SpanWeights m_madeTaps; ///< the source taps of the row made last
};

} // namespace deptrix
