#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace deptrix {

/// Why the import can draw a layer of the file only approximately.
enum class Approximation : std::uint8_t {
    LayerEffects, ///< shadows, glows, strokes and other effects are not drawn
    AdjustmentLayer, ///< the colour correction is not applied to the layers below
    Dissolve, ///< drawn as Normal, without the scattered pixels
    UnknownBlendMode, ///< a mode this program does not know, drawn as Normal
    FolderClipping, ///< clipping to or of a folder is not drawn: drawn unclipped
    FolderComposite, ///< a folder with a mode of its own: its layers blend one by one
};

/// A layer (or folder) of the file that the document shows only approximately.
struct ApproximateLayer {
    std::string name; ///< the layer's or folder's name, UTF-8
    Approximation reason = Approximation::LayerEffects;
};

/// What is drawn instead, in a few words: "layer effects not drawn", ...
std::string_view ApproximationText(Approximation reason);

/// One line for a status bar: "3 layers drawn approximately: layer effects not
/// drawn (2), dissolve drawn as Normal (1)". Empty when there is nothing to say.
std::string ApproximationSummary(const std::vector<ApproximateLayer>& layers);

/// One line per layer, "name: reason", in the order given.
std::string ApproximationList(const std::vector<ApproximateLayer>& layers);

} // namespace deptrix
