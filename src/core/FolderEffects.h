#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/EffectDrawing.h"
#include "core/LayerStyle.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace deptrix {

/// A folder of several layers whose effects act on its merged picture. Every layer is
/// a plane of its own that moves by its own offset, so that picture is never one plane:
/// what the effects draw outside the merged shape (shadows, outer glow, the outside of
/// a stroke) goes beneath the bottom layer, in its pixels, and what they draw within it
/// (overlays, inner shadow and glow, satin, bevel, the inside of a stroke) goes into
/// each layer over that layer's own pixels. With every offset 0 the layers then show
/// what the editor draws for the folder.
struct FolderEffectSet {
    std::string name; ///< the folder's name
    std::shared_ptr<const LayerStyle> style; ///< global light and patterns filled in
    std::uint8_t fill = 255; ///< the folder's fill opacity: fades its content, not its effects
    std::vector<std::size_t> members; ///< document layer indices, bottom first
    int depth = 0; ///< how deep the folder lies; deeper folders' effects are drawn first
};

/// A layer's picture while folder effects are drawn, placed in pixels of the
/// resolution drawn at.
struct PlacedPicture {
    Bitmap colour;
    Bitmap mask;
    std::int64_t left = 0;
    std::int64_t top = 0;
};

/// A box in pixels of the resolution drawn at.
struct DrawnBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    int width = 0;
    int height = 0;
};

/// How folder effects are drawn: the grid the import drew at decides every box, so that
/// the print (at source resolution) grows them exactly as the import did.
struct FolderDrawing {
    double reachScale = 1; ///< the import's pixels per source pixel (EffectReach's scale)
    /// The box of source pixels (left, top, right, bottom) at the resolution drawn at.
    std::function<DrawnBox(std::int64_t, std::int64_t, std::int64_t, std::int64_t)> drawnBox;
    EffectSettings placement; ///< the scale drawn at and the canvas; left and top unused
};

/// Draws the effects of every FolderEffectSet of `layers` (LayerRecord::MergedFolders),
/// innermost first. `pictures` holds one entry per layer; those of the sets' members
/// hold the layer's pixels with its own effects, faded by its opacity and fill but not
/// by its folders' opacity, placed at drawnBox of its box. The bottom member of each
/// set grows (its box in `layers`, EffectReach and picture) to hold the folder's outer
/// effects; `clipShapes` (per layer, may be short or null) keep their place in it. The
/// folders' opacity (LayerRecord::FolderOpacity) fades every member that is not clipped
/// once its outermost set is drawn. Throws Error when a picture would exceed memory limits.
void DrawFolderEffectSets(LayerRecordList& layers, std::vector<PlacedPicture>& pictures,
    BitmapList* clipShapes, const FolderDrawing& how);

/// Draws the layers of every folder set of `doc` with their own effects and their
/// folders' at source resolution from their work files (LayerFileName,
/// LayerMaskFileName) into EffectLayerFileName and EffectLayerMaskFileName, with the
/// boxes the import gave them; for the print and the warping of outline layers.
/// Returns the indices of the layers written. Throws Error naming a work file that is
/// missing or does not fit its layer.
std::vector<std::size_t> WriteFolderEffectFiles(const Document& doc, const std::filesystem::path& workFolder);

/// The sets of `layers`, each once, in the order they are drawn.
std::vector<const FolderEffectSet*> FolderEffectSetsOf(const LayerRecordList& layers);

} // namespace deptrix
