#include "print/PrintRows.h"

#include "core/Error.h"
#include "print/HorizontalInterlacer.h"
#include "print/Interlacer.h"

#include <string>

namespace deptrix {

int CheckedChannels(const PrintGeometry& geometry, const ViewRows& frames) {
    if (frames.format() == PixelFormat::Gray8 || frames.width() < 1 || frames.height() < 1)
        throw Error("the views to interlace are not colour pictures");
    if (frames.frames() != geometry.frames())
        throw Error("the print has " + std::to_string(geometry.frames())
            + " frames, the pictures to interlace " + std::to_string(frames.frames()));
    return frames.format() == PixelFormat::Cmyk32 ? 4 : 3;
}

std::unique_ptr<PrintRows> MakeInterlacer(const PrintGeometry& geometry, ViewRows& frames) {
    if (geometry.horizontal()) return std::make_unique<HorizontalInterlacer>(geometry, frames);
    return std::make_unique<Interlacer>(geometry, frames);
}

} // namespace deptrix
