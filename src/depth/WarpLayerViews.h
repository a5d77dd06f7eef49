#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Progress.h"

#include <cstdint>
#include <filesystem>

namespace deptrix {

/// Warps layer number n (index + 1) into its seven per-view pictures. The layer's
/// picture and mask at source resolution (LayerFileName(n), LayerMaskFileName(n) in
/// `workFolder`) are widened by OutlineMargin on each side (black or, for CMYK, white
/// paper; mask 0) and warped view by view, 7 down to 1, each pixel moving by its
/// level's distance from `baseLevel` times LevelShift times the view factor 4 - v.
///
/// Per view v it writes, in `workFolder`, n "gx" v and n "gxt" v (source resolution)
/// and n "xgx" v and n "xgxt" v (stretched to Round(W x WorkScale / 10000) x
/// Round(H x WorkScale / 10000), at least one pixel each way), and for CMYK documents
/// n "xgxv" v, the working picture converted to RGB for display. Progress runs from
/// 20 to 100. Only RGB (ImageMode 3) and CMYK (4) documents are warped; for any other
/// mode nothing is written. Sets doc.ProgressBase as it goes.
///
/// Throws Error naming the file when a layer file is missing, unreadable, of the
/// wrong pixel format or not of the depth raster's size less the margins, or when a
/// file cannot be written; the files of views already finished stay.
void WarpLayerViews(Document& doc, int layerNumber, Fixed layerDepth, std::uint8_t baseLevel,
    Bitmap depthRaster, const std::filesystem::path& workFolder, Progress& progress);

/// The layer's picture or mask placed at column `margin` of a picture `margin`
/// columns wider on each side, the rest set to `fill`. A negative margin crops.
Bitmap PadColumns(const Bitmap& picture, std::int64_t margin, std::uint8_t fill);

/// One row of PadColumns: `width` pixels of `bytesPerPixel` bytes from `row` into the
/// `paddedWidth` pixels of `out`.
void PadRow(const std::uint8_t* row, std::int64_t width, std::int64_t margin, int bytesPerPixel,
    std::uint8_t fill, std::uint8_t* out, std::int64_t paddedWidth);

} // namespace deptrix
