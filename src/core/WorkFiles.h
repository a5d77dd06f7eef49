#pragma once

#include <string>

namespace deptrix {

// Names of the pictures kept in the work folder. They are Windows BMP files despite
// the ".gjs" extension. Numbers are decimal without leading zeros.

/// The layer at source resolution, layer number n = index + 1 ("ly3.gjs").
inline std::string LayerFileName(int n) {
    return "ly" + std::to_string(n) + ".gjs";
}
/// The layer's 8-bit mask at source resolution ("lyt3.gjs").
inline std::string LayerMaskFileName(int n) {
    return "lyt" + std::to_string(n) + ".gjs";
}

/// A layer with its effects drawn at source resolution, for the print ("lyfx3.gjs"),
/// and its mask ("lyfxt3.gjs").
inline std::string EffectLayerFileName(int n) {
    return "lyfx" + std::to_string(n) + ".gjs";
}
inline std::string EffectLayerMaskFileName(int n) {
    return "lyfxt" + std::to_string(n) + ".gjs";
}

/// Per-view picture of an outline layer: layer index 2 in view index 4 is "3xgx5.gjs".
inline std::string OutlineViewFileName(int layerIndex, int viewIndex) {
    return std::to_string(layerIndex + 1) + "xgx" + std::to_string(viewIndex + 1) + ".gjs";
}
/// Its 8-bit mask ("3xgxt5.gjs").
inline std::string OutlineViewMaskFileName(int layerIndex, int viewIndex) {
    return std::to_string(layerIndex + 1) + "xgxt" + std::to_string(viewIndex + 1) + ".gjs";
}

/// For CMYK documents, the per-view picture converted to RGB for display ("3xgxv5.gjs").
inline std::string OutlineViewDisplayFileName(int layerIndex, int viewIndex) {
    return std::to_string(layerIndex + 1) + "xgxv" + std::to_string(viewIndex + 1) + ".gjs";
}
/// The per-view picture of an outline layer at source resolution ("3gx5.gjs").
inline std::string WarpedViewFileName(int layerIndex, int viewIndex) {
    return std::to_string(layerIndex + 1) + "gx" + std::to_string(viewIndex + 1) + ".gjs";
}
/// Its 8-bit mask ("3gxt5.gjs").
inline std::string WarpedViewMaskFileName(int layerIndex, int viewIndex) {
    return std::to_string(layerIndex + 1) + "gxt" + std::to_string(viewIndex + 1) + ".gjs";
}

/// Coverage of view n = 1..7 ("vwt3.gjs").
inline std::string CoverageFileName(int n) {
    return "vwt" + std::to_string(n) + ".gjs";
}

/// View n = 1..7 as a 24-bit picture: "vw3.gjs" for RGB documents, "vwv3.gjs" for
/// CMYK documents (their views already converted to RGB).
inline std::string ViewFileName(int n, int imageMode) {
    return (imageMode == 4 ? "vwv" : "vw") + std::to_string(n) + ".gjs";
}

/// The stereo pair written by the stereo-pair command.
inline constexpr const char* kStereoPairFileName = "glasses.jps";

} // namespace deptrix
