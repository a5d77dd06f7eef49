#pragma once

#include "core/LayerStyle.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace deptrix {

/// Why the import can draw a layer of the file only approximately.
enum class Approximation : std::uint8_t {
    LayerEffects, ///< effects that could not be read are not drawn
    AdjustmentLayer, ///< the colour correction is not applied to the layers below
    Dissolve, ///< drawn as Normal, without the scattered pixels
    UnknownBlendMode, ///< a mode this program does not know, drawn as Normal
    FolderClipping, ///< clipping to or of a folder is not drawn: drawn unclipped
    FolderComposite, ///< a folder with a mode of its own: its layers blend one by one
    FolderEffectsOnLayers, ///< a folder's effects drawn from its merged picture onto its layers' planes
    // What concerns the whole document; the entry then carries the file's name.
    DuotoneInks, ///< a duotone (or tritone, quadtone) file is shown as the grey it stores
    LinearLightBlending, ///< 32-bit layers blend after their conversion to 8-bit sRGB
    // Of one effect (ApproximateLayer::effect says which).
    EffectNoise, ///< noise or jitter not drawn
    EffectBlendMode, ///< its blend mode acts on the layer alone, not on what lies below
    EffectContour, ///< a curved contour drawn with straight segments
    EffectShading, ///< bevel, emboss and satin shading modelled, not the editor's own
    EffectTexture, ///< a bevel's texture not drawn
    EffectPatternMissing, ///< the pattern is not in the file: not drawn
    EffectNoiseGradient, ///< a noise gradient drawn as a plain ramp
    // Of the layer's effects as a whole.
    EffectsInLayerMode, ///< the layer's blend mode applies to its effects too
    EffectsMaskOptions, ///< "mask hides effects" and similar options not applied
    EffectsKnockout, ///< the layer's knockout not drawn
    EffectsUnderClipped, ///< layers clipped to it blend as a group with it, against its options
};

/// True for the reasons that concern the whole document rather than some layers.
constexpr bool IsDocumentWide(Approximation reason) {
    return reason == Approximation::DuotoneInks || reason == Approximation::LinearLightBlending;
}

/// A layer (or folder) of the file that the document shows only approximately.
struct ApproximateLayer {
    std::string name; ///< the layer's or folder's name, UTF-8
    Approximation reason = Approximation::LayerEffects;
    std::optional<EffectKind> effect; ///< the effect concerned, for the effect reasons
};

/// What is drawn instead, in a few words: "layer effects not drawn", ...; English (0)
/// or Chinese (1).
std::string_view ApproximationText(Approximation reason, int language = 0);

/// The reason with the effect it concerns: "drop shadow: noise not drawn".
std::string ApproximationDetail(const ApproximateLayer& layer, int language = 0);

/// One line for a status bar: "3 layers drawn approximately: layer effects not
/// drawn (2), dissolve drawn as Normal (1)", followed by what concerns the whole
/// document ("...; duotone inks not simulated"), or only that ("Drawn
/// approximately: duotone inks not simulated"). Empty when there is nothing to say.
std::string ApproximationSummary(const std::vector<ApproximateLayer>& layers, int language = 0);

/// One line per layer, "name: reason", in the order given.
std::string ApproximationList(const std::vector<ApproximateLayer>& layers, int language = 0);

} // namespace deptrix
