#include "output/IndexedFrame.h"

#include "output/ColourHistogram.h"
#include "output/NearestColourMap.h"
#include "output/OctreeQuantizer.h"
#include "output/PaletteRefinement.h"

namespace deptrix {

IndexedFrame ReduceFrame(const Bitmap& bgr24) {
    const ColourHistogram histogram = BuildColourHistogram(bgr24);
    const std::vector<PaletteColour> colours = ReduceColours(histogram, kFrameColourCount);
    IndexedFrame frame;
    frame.width = bgr24.width();
    frame.height = bgr24.height();
    frame.palette = FramePalette(colours);
    RefineFrameColours(histogram, frame.palette, RefinementPassesFor(histogram.keys.size()));
    frame.indices.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
    NearestColourMap map(frame.palette);
    for (int y = 0; y < frame.height; ++y)
        map.mapRow(
            bgr24.row(y), frame.width, frame.indices.data() + static_cast<std::size_t>(y) * frame.width);
    return frame;
}

} // namespace deptrix
