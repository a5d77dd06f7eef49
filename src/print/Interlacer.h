#pragma once

#include "print/PrintGeometry.h"
#include "print/SampleWeights.h"
#include "print/StripMap.h"
#include "print/ViewRows.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// Makes the rows of an interlaced print from seven views, top to bottom.
///
/// Every view is first sampled once per lens: the average of the view over the
/// part of the picture that the lens covers (so neighbouring lenses never jitter
/// and fine detail does not alias). Source rows become print rows by area
/// averaging when the print has fewer rows, by a smooth interpolation when it has
/// more. Each print pixel then mixes the lens values of the strips it covers by
/// their areas (StripMap). Only the per-lens values of the few source rows in use
/// are kept, so memory does not grow with the print or the picture.
///
/// Output pixels are RGB (3 bytes) for Bgr24 views and CMYK ink (4 bytes, 255 full
/// ink) for Cmyk32 views.
class Interlacer {
public:
    /// Throws Error when the views are not colour pictures.
    Interlacer(const PrintGeometry& geometry, ViewRows& views);

    int channels() const { return m_channels; }
    std::size_t rowBytes() const { return static_cast<std::size_t>(m_geometry.width) * m_channels; }

    /// Print rows first .. first + count - 1 into `out`, rowBytes() apart. Rows must
    /// be asked for in increasing order for the band reading to stay sequential;
    /// going back reads the views again.
    void makeRows(std::int64_t first, int count, std::uint8_t* out);

    /// Columns that take one strip's view whole, one after the other, or a single
    /// column that mixes several (count 0).
    struct Run {
        std::uint32_t count;
        std::uint32_t at; ///< whole: offset of the lens value; mixed: the column
    };

private:
    const float* lensValues(int sourceRow);
    void readBand(int firstRow);
    void sampleLenses(int view, const std::uint8_t* row, float* lensValues) const;
    void expandRow(const float* lensValues, std::uint8_t* out);

    PrintGeometry m_geometry;
    ViewRows& m_views;
    StripMap m_strips;
    SpanTable m_lensTaps;
    int m_channels;
    std::size_t m_lensRowFloats;
    int m_bandRows;
    int m_capacity;
    int m_low = 0; ///< first cached source row
    int m_high = 0; ///< one past the last cached source row
    std::vector<float> m_cache; ///< m_capacity rows of lens values, row y in slot y % m_capacity
    std::vector<float> m_sum;
    std::vector<Run> m_runs;
    std::vector<std::uint8_t> m_lensBytes; ///< one row's lens values, rounded
    SpanWeights m_rowTaps;
};

} // namespace deptrix
