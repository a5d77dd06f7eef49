#pragma once

#include "print/PrintGeometry.h"
#include "print/ViewRows.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace deptrix {

/// The rows of an interlaced picture and its bleed, top to bottom: row 0 is the top
/// row of the bleed (bleedRows above the picture), and every row holds the picture's
/// columns with the bleed on both sides.
///
/// Output pixels are RGB (3 bytes) for Bgr24 frames and CMYK ink (4 bytes, 255 full
/// ink) for Cmyk32 frames.
class PrintRows {
public:
    virtual ~PrintRows() = default;
    virtual int channels() const = 0;
    virtual std::size_t rowBytes() const = 0;
    /// Rows first .. first + count - 1 into `out`, rowBytes() apart. Rows must be
    /// asked for in increasing order for the band reading to stay sequential; going
    /// back reads the frames again. A call reads the frames no further than its own
    /// rows need, so bands of rows may be made by several interlacers.
    virtual void makeRows(std::int64_t first, int count, std::uint8_t* out) = 0;
    /// The memory its buffers and tables hold, for sharing memory out among threads.
    virtual std::size_t heldBytes() const { return 0; }
};

/// The interlacer for the geometry's lenses: strips of columns under vertical lenses,
/// of rows under horizontal ones. Throws Error when the frames are not colour
/// pictures or their number is not the print's.
std::unique_ptr<PrintRows> MakeInterlacer(const PrintGeometry& geometry, ViewRows& frames);

/// Throws Error unless `frames` can be interlaced into the print: colour pictures of
/// the print's frame count. Returns the print's channels.
int CheckedChannels(const PrintGeometry& geometry, const ViewRows& frames);

} // namespace deptrix
