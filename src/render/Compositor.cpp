#include "render/Compositor.h"

#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "render/BlendKernels.h"
#include "render/LayerBlend.h"

#include <algorithm>
#include <climits>
#include <string>

namespace deptrix {

namespace {

void ReportLayer(const Document& doc, std::size_t s, Progress& progress) {
    const long double share = static_cast<long double>(doc.ProgressSpan) / doc.LayerCount;
    const std::int64_t position = Round(share * static_cast<long double>(s)) + doc.ProgressBase;
    progress.setPosition(static_cast<int>(std::clamp<std::int64_t>(position, INT_MIN, INT_MAX)));
}

/// The warped picture of an outline layer for the current view, with its mask.
void LayOutlineLayer(
    Document& doc, std::size_t s, const std::filesystem::path& workFolder, std::int64_t top) {
    const int index = static_cast<int>(s);
    const std::filesystem::path picturePath = workFolder / OutlineViewFileName(index, doc.CurrentView);
    const std::filesystem::path maskPath = workFolder / OutlineViewMaskFileName(index, doc.CurrentView);
    const Bitmap picture = LoadBmp(picturePath);
    const Bitmap mask = LoadBmp(maskPath);
    const PixelFormat wanted = CompositeFormat(doc.ImageMode);
    if (picture.format() != wanted)
        throw Error(DisplayName(picturePath) + ": expected a " + (wanted == PixelFormat::Bgr24 ? "24" : "32")
            + "-bit picture");
    if (mask.format() != PixelFormat::Gray8 || mask.width() != picture.width()
        || mask.height() != picture.height())
        throw Error(
            DisplayName(maskPath) + ": the mask does not match its picture " + DisplayName(picturePath));

    const LayerRecord& layer = doc.Layers[s];
    // The warped picture is wider than the layer by a quarter inch times the
    // layer's depth on each side.
    const std::int64_t margin = Round(static_cast<long double>(doc.SourceDpi)
        * static_cast<long double>(layer.Depth) / 4.0L / 100000000.0L);
    const long double sourceLeft
        = static_cast<long double>(doc.ViewLeft[s]) - static_cast<long double>(margin);
    LayOver(doc.Composite, &doc.Coverage, picture, mask, top, ToWorking(sourceLeft, doc.WorkScale),
        DisplayName(picturePath));
}

} // namespace

bool DrawnInView(const Document& doc, std::size_t layer, int viewIndex) {
    const std::uint8_t code = doc.Layers[layer].Group;
    if (code == kGroupNone || code == kGroupOutlineBuilt) return true;
    // Frames missing for this code (the group step has not run since the codes
    // changed) or a view index out of range: no member can be chosen.
    if (code > doc.GroupFrames.size() || viewIndex < 0 || viewIndex >= kViewCount) return false;
    return doc.GroupFrames[code - 1u][static_cast<std::size_t>(viewIndex)] == layer;
}

void CompositePass(Document& doc, const std::filesystem::path& workFolder, Progress& progress) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4) return;
    ResetPicture(doc.Composite, doc.ImageWidth, doc.ImageHeight, CompositeFormat(doc.ImageMode), 255);
    ResetPicture(doc.Coverage, doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8, kCoverageStart);

    const std::size_t drawable = std::min(
        { doc.Layers.size(), doc.LayerBitmaps.size(), doc.LayerMasks.size(), doc.ViewLeft.size() });
    for (std::size_t s = 0; s < doc.LayerCount; ++s) {
        ReportLayer(doc, s, progress);
        if (s >= drawable || !DrawnInView(doc, s, doc.CurrentView)) continue;
        const LayerRecord& layer = doc.Layers[s];
        const std::int64_t top = ToWorking(layer.Top, doc.WorkScale);
        if (layer.Group == kGroupOutlineBuilt) {
            LayOutlineLayer(doc, s, workFolder, top);
        } else {
            LayOver(doc.Composite, &doc.Coverage, doc.LayerBitmaps[s], doc.LayerMasks[s], top,
                ToWorking(doc.ViewLeft[s], doc.WorkScale), "layer " + std::to_string(s + 1));
        }
    }
}

void CmykToRgb(Bitmap& bitmap) {
    if (bitmap.format() != PixelFormat::Cmyk32) return;
    Bitmap rgb(bitmap.width(), bitmap.height(), PixelFormat::Bgr24);
    const int width = bitmap.width();
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* in = bitmap.row(y);
        std::uint8_t* out = rgb.row(y);
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned k = in[3];
            out[0] = static_cast<std::uint8_t>(blend::DivideRound255(in[2] * k));
            out[1] = static_cast<std::uint8_t>(blend::DivideRound255(in[1] * k));
            out[2] = static_cast<std::uint8_t>(blend::DivideRound255(in[0] * k));
        }
    }
    bitmap = std::move(rgb);
}

} // namespace deptrix
