#pragma once

#include "core/Bitmap.h"
#include "core/LayerStyle.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace deptrix {

/// How a layer's effects are drawn at one resolution.
struct EffectSettings {
    double scale = 1; ///< pixels of this resolution per source pixel: sizes scale with it
    double fill = 1; ///< the layer's fill opacity: fades its pixels, not its effects
    double opacity = 1; ///< fades the layer and its effects together
    /// Where the output picture's top-left pixel lies on the canvas, and the canvas's
    /// size, in pixels of this resolution (gradients not aligned with the layer and
    /// patterns not linked to it are laid on the canvas).
    std::int64_t left = 0;
    std::int64_t top = 0;
    int canvasWidth = 0;
    int canvasHeight = 0;
};

/// Sets the fill and whole-layer opacity of `settings` from a layer's stored
/// opacities (0..255): the folders' opacity counts for a layer that is not clipped
/// (a clipped layer shows through its base, which carries it).
inline void SetLayerOpacities(
    EffectSettings& settings, int opacity, int fill, int folderOpacity, bool clipped) {
    settings.fill = fill / 255.0;
    settings.opacity = opacity / 255.0 * (clipped ? 1.0 : folderOpacity / 255.0);
}

/// How far the drawn effects reach beyond the layer's box on every side, in source
/// pixels (0 when all of them stay inside its shape), whether drawn at source
/// resolution or at `scale` (pixels per source pixel, below 1 for the working grid).
int EffectReach(const LayerStyle& style, double scale = 1);

/// A layer with its effects drawn: colour in the layer's format and opacity, both
/// the size asked for.
struct EffectPicture {
    Bitmap colour;
    Bitmap mask;
};

/// Draws `style` around and over the layer whose pixels are `colour` (Bgr24 or
/// Cmyk32) and whose shape is `shape` (Gray8 opacity without the layer's opacity and
/// fill), into a picture of outWidth x outHeight in which the layer's box starts at
/// (boxX, boxY). Effects are stacked as editors stack them: drop shadows and outer
/// glow below the layer, overlays, satin, inner glow and inner shadow over it within
/// its shape, then the stroke and the bevel. Each effect blends in its own mode with
/// what of the layer lies below it; outside the shape, with the effects below.
/// The result's opacity includes `settings.opacity`; a transparent pixel is white
/// (no ink). Throws Error when the picture would exceed memory limits.
EffectPicture DrawLayerEffects(const Bitmap& colour, const Bitmap& shape, int outWidth, int outHeight,
    int boxX, int boxY, const LayerStyle& style, const EffectSettings& settings);

struct LayerRecord;

/// How far the effects of `layer` (its own and its folder's) reach beyond its stored
/// box, in source pixels, drawn at source resolution or at `scale`.
int LayerEffectReach(const LayerRecord& layer, double scale = 1);

/// Draws the effects of `layer`: its own style over its pixels with its fill and
/// opacity, then its folder's style over that with the folder's fill and the
/// folders' opacity (DrawLayerEffects for the arguments). `placement` gives the
/// scale, the picture's place and the canvas.
EffectPicture DrawEffectsOf(const LayerRecord& layer, const Bitmap& colour, const Bitmap& shape, int outWidth,
    int outHeight, int boxX, int boxY, const EffectSettings& placement);

struct Document;

/// Layer number `n`'s own pixels at source resolution from its work files
/// (LayerFileName, LayerMaskFileName), checked to fill `layer`'s box less its
/// EffectReach on every side. Throws Error naming a file that is missing or does not fit.
EffectPicture LoadLayerWorkFiles(const LayerRecord& layer, int n, const std::filesystem::path& workFolder);

/// Draws layer `index` of `doc` with its effects at source resolution from its work
/// files (LayerFileName, LayerMaskFileName: its stored box without effects, opacity
/// or fill) into EffectLayerFileName and EffectLayerMaskFileName in `workFolder`, as
/// the import draws them on its grid; for the print and the warping of outline
/// layers. A layer whose folder draws effects over several layers is drawn with the
/// other layers of such folders (WriteFolderEffectFiles). Returns the indices of the
/// layers written. Throws Error naming a file that is missing or does not fit the layer.
std::vector<std::size_t> WriteLayerEffectFiles(
    const Document& doc, std::size_t index, const std::filesystem::path& workFolder);

} // namespace deptrix
