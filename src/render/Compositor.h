#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Progress.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace deptrix {

/// Flattens the layers into Composite (and their accumulated opacity into Coverage)
/// for view index CurrentView. RGB documents (ImageMode 3) give a Bgr24 Composite on
/// white, CMYK documents (4) a Cmyk32 one on all-255 paper; any other mode leaves
/// both pictures alone. Coverage is an 8-bit plane starting at kCoverageStart (255).
///
/// Layers go bottom to top. A layer is drawn when its Group is 0 or 100, or when it is
/// the member that GroupFrames[Group - 1] picks for CurrentView. Outline layers (Group
/// 100) are read from their per-view files in `workFolder`, widened by a quarter inch
/// times their Depth on each side; every other layer from LayerBitmaps/LayerMasks,
/// placed at (Top, ViewLeft) in source pixels. Per layer s the progress position is
/// Round(ProgressSpan / LayerCount x s) + ProgressBase.
///
/// A layer whose drawn blend mode is not Normal, and a layer clipped to one below it
/// (ClipBase), are drawn row by row through BlendLayerRow and BlendClippingGroupRow:
/// a clipped layer is drawn with its base, in index order, whenever the base is drawn,
/// and never in its own place. Documents without either take the plain "over" pass.
///
/// Layers beyond any of the per-layer arrays are not drawn. A missing or unreadable
/// per-view file throws Error naming it; the layers blended before stay in Composite.
///
/// With CoveragePlane::Skip, for callers that do not keep it, Coverage is left as it was.
enum class CoveragePlane : std::uint8_t { Build, Skip };
void CompositePass(Document& doc, const std::filesystem::path& workFolder, Progress& progress,
    CoveragePlane coverage = CoveragePlane::Build);

/// One view's pass into pictures of the caller's: the layers' places across
/// (ViewLeft, one per layer), the view index (CurrentView), the composite and, unless
/// null, the coverage plane.
struct ViewPass {
    std::span<const std::int32_t> viewLeft;
    int viewIndex = 0;
    Bitmap& composite;
    Bitmap* coverage = nullptr;
};

/// CompositePass for `pass`, reading the document and changing nothing in it, so that
/// views can be built side by side. Without a progress sink nothing is reported.
void CompositeView(
    const Document& doc, const ViewPass& pass, const std::filesystem::path& workFolder, Progress* progress);

/// The layer that layer `layer` is clipped to (its ClipBase when that names a layer
/// below it), or -1.
std::int64_t ClipBaseOf(const Document& doc, std::size_t layer);

/// The highest of the first `drawable` layers that blends in a mode other than Normal
/// and is not clipped, or -1: up to that layer the composite must know how opaque the
/// picture below is (BlendLayerRow's backdropAlpha).
std::int64_t LastModeLayer(const Document& doc, std::size_t drawable);

/// Whether layer `layer` takes part in view index `viewIndex` (0..6): ordinary and
/// outline layers always, a flip group's member when GroupFrames picks it.
bool DrawnInView(const Document& doc, std::size_t layer, int viewIndex);

/// A Cmyk32 picture becomes Bgr24 in place: red = Round(C' x K' / 255), green from M',
/// blue from Y', with the stored (255 - ink) bytes. Other formats are left unchanged.
void CmykToRgb(Bitmap& bitmap);

} // namespace deptrix
