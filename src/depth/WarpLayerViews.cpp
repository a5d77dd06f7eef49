#include "depth/WarpLayerViews.h"

#include "core/BmpCodec.h"
#include "core/Canvas.h"
#include "core/EffectDrawing.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "depth/ViewWarp.h"
#include "render/Compositor.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace deptrix {

namespace {

/// A layer file widened by `margin` columns of `fill` on each side (cropped where the
/// margin is negative), which must be of `format` and of the raster's size.
Bitmap LoadLayerFile(const std::filesystem::path& path, PixelFormat format, const Bitmap& raster,
    std::int64_t margin, std::uint8_t fill) {
    Bitmap picture
        = margin >= 0 ? LoadWidenedBmp(path, margin, fill) : PadColumns(LoadBmp(path), margin, fill);
    if (picture.format() != format)
        throw Error(
            DisplayName(path) + ": expected a " + std::to_string(8 * BytesPerPixel(format)) + "-bit picture");
    if (picture.width() != raster.width() || picture.height() != raster.height())
        throw Error(DisplayName(path) + ": the picture is " + std::to_string(picture.width() - 2 * margin)
            + " x " + std::to_string(picture.height()) + " pixels, the layer's box is "
            + std::to_string(raster.width() - 2 * margin) + " x " + std::to_string(raster.height()));
    return picture;
}

int ScaledSide(int side, Fixed workScale) {
    const std::int64_t scaled
        = Round(static_cast<long double>(side) * static_cast<long double>(workScale) / 10000.0L);
    return static_cast<int>(std::clamp<std::int64_t>(scaled, 1, kMaxBitmapSide));
}

} // namespace

void PadRow(const std::uint8_t* row, std::int64_t width, std::int64_t margin, int bytesPerPixel,
    std::uint8_t fill, std::uint8_t* out, std::int64_t paddedWidth) {
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    const std::int64_t first = std::max<std::int64_t>(0, -margin); // first column of the layer kept
    const std::int64_t count = std::min<std::int64_t>(width, paddedWidth - margin) - first;
    if (count <= 0) {
        std::memset(out, fill, static_cast<std::size_t>(paddedWidth) * bpp);
        return;
    }
    // Only the margins are filled: the layer's columns are written once.
    const std::int64_t at = first + margin;
    std::memset(out, fill, static_cast<std::size_t>(at) * bpp);
    std::memcpy(out + static_cast<std::size_t>(at) * bpp, row + static_cast<std::size_t>(first) * bpp,
        static_cast<std::size_t>(count) * bpp);
    std::memset(out + static_cast<std::size_t>(at + count) * bpp, fill,
        static_cast<std::size_t>(paddedWidth - at - count) * bpp);
}

Bitmap PadColumns(const Bitmap& picture, std::int64_t margin, std::uint8_t fill) {
    const std::int64_t width = picture.width() + 2 * margin;
    Bitmap padded(static_cast<int>(std::clamp<std::int64_t>(width, 0, kMaxBitmapSide + 1ll)),
        picture.height(), picture.format(), UnfilledPixels {});
    for (int y = 0; y < picture.height(); ++y)
        PadRow(picture.row(y), picture.width(), margin, picture.bytesPerPixel(), fill, padded.row(y),
            padded.width());
    return padded;
}

void WarpLayerViews(Document& doc, int layerNumber, Fixed layerDepth, std::uint8_t baseLevel,
    Bitmap depthRaster, const std::filesystem::path& workFolder, Progress& progress) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4) return;
    const bool cmyk = doc.ImageMode == 4;
    const PixelFormat format = cmyk ? PixelFormat::Cmyk32 : PixelFormat::Bgr24;
    const std::int64_t margin = OutlineMargin(doc.SourceDpi, layerDepth);

    // A layer with effects is warped with them, drawn at source resolution.
    const bool effects = doc.Layers.at(static_cast<std::size_t>(layerNumber - 1)).hasEffects();
    if (effects) WriteLayerEffectFiles(doc, static_cast<std::size_t>(layerNumber - 1), workFolder);
    LayerWarp warp = [&] {
        // RGB margins are black, CMYK margins unprinted paper; both transparent.
        Bitmap picture = LoadLayerFile(
            workFolder / (effects ? EffectLayerFileName(layerNumber) : LayerFileName(layerNumber)), format,
            depthRaster, margin, cmyk ? 255 : 0);
        Bitmap mask = LoadLayerFile(
            workFolder / (effects ? EffectLayerMaskFileName(layerNumber) : LayerMaskFileName(layerNumber)),
            PixelFormat::Gray8, depthRaster, margin, 0);
        return LayerWarp(std::move(picture), std::move(mask), std::move(depthRaster), baseLevel,
            LevelShift(doc.SourceWidth, layerDepth, doc.DepthFactor));
    }();

    const int width = warp.picture().width();
    const int height = warp.picture().height();
    Bitmap scaled(ScaledSide(width, doc.WorkScale), ScaledSide(height, doc.WorkScale), format);
    Bitmap scaledMask(scaled.width(), scaled.height(), PixelFormat::Gray8);
    const int layerIndex = layerNumber - 1;

    for (int e = 1; e <= kViewCount; ++e) {
        const int view = 8 - e;
        const int viewIndex = view - 1;
        doc.ProgressBase = static_cast<std::int32_t>(Round((e - 1) * 80.0L / 7.0L) + 20);
        warp.warpView(view, doc.ProgressBase, progress);
        SaveWorkBmp(warp.picture(), workFolder / WarpedViewFileName(layerIndex, viewIndex));
        SaveWorkBmp(warp.mask(), workFolder / WarpedViewMaskFileName(layerIndex, viewIndex));

        StretchNearest(warp.picture(), scaled);
        StretchNearest(warp.mask(), scaledMask);
        SaveWorkBmp(scaled, workFolder / OutlineViewFileName(layerIndex, viewIndex));
        if (cmyk) {
            Bitmap display = scaled;
            CmykToRgb(display);
            SaveWorkBmp(display, workFolder / OutlineViewDisplayFileName(layerIndex, viewIndex));
        }
        SaveWorkBmp(scaledMask, workFolder / OutlineViewMaskFileName(layerIndex, viewIndex));
    }
}

} // namespace deptrix
