#pragma once

#include "core/Fixed.h"
#include "import/LayerPixels.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace deptrix {

/// Reduces a layer from source resolution to its box on the working grid
/// (ToWorkingBox of its source box, `workScale` below 10000) by area averaging:
/// every working pixel is the mean over the source area it covers, source pixels cut
/// by its edges counted by the part inside, and the area outside the layer's box
/// counted as transparent. Colour is averaged weighted by opacity, so transparent
/// pixels, whatever colour they store, do not darken or tint soft edges; a working
/// pixel with no opacity at all gets white (no ink).
LayerPixels ReduceLayer(
    const LayerPixels& source, std::int64_t sourceLeft, std::int64_t sourceTop, Fixed workScale);

/// ReduceLayer for a layer that arrives in bands of rows, top to bottom: memory for
/// two working rows besides the result, whatever the source size.
class AreaReducer {
public:
    /// The result goes into `storage`'s memory where it is large enough (a layer's
    /// pictures used only until the next layer).
    AreaReducer(int sourceWidth, int sourceHeight, std::int64_t sourceLeft, std::int64_t sourceTop,
        Fixed workScale, PixelFormat format, LayerPixels storage = {});
    ~AreaReducer();
    AreaReducer(const AreaReducer&) = delete;
    AreaReducer& operator=(const AreaReducer&) = delete;

    /// Adds the next `count` source rows, taken from rows bandRow .. of the band.
    void addRows(const Bitmap& colour, const Bitmap& mask, int bandRow, int count) {
        addRows(colour.rows(bandRow), mask.rows(bandRow), count);
    }
    /// The same from rows anywhere in memory.
    void addRows(ConstPixelRows colour, ConstPixelRows mask, int count);
    /// The layer on the working grid; call once, after the last source row.
    LayerPixels finish();

private:
    struct Spreads;
    void finishUpTo(int limit);

    int m_sourceHeight;
    int m_channels;
    int m_sourceRow = 0;
    int m_nextToFinish = 0;
    LayerPixels m_out;
    std::unique_ptr<Spreads> m_spreads;
    std::vector<float> m_row;
    std::vector<float> m_pending[2]; ///< a source row reaches at most two working rows
};

} // namespace deptrix
