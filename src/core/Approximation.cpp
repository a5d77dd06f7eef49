#include "core/Approximation.h"

#include <map>

namespace deptrix {

std::string_view ApproximationText(Approximation reason) {
    switch (reason) {
    case Approximation::LayerEffects:
        return "layer effects not drawn";
    case Approximation::AdjustmentLayer:
        return "adjustment layer not applied";
    case Approximation::Dissolve:
        return "dissolve drawn as Normal";
    case Approximation::UnknownBlendMode:
        return "unknown blend mode drawn as Normal";
    case Approximation::FolderClipping:
        return "clipping with a folder not drawn";
    case Approximation::FolderComposite:
        return "folder mode applied to its layers one by one";
    }
    return "drawn approximately";
}

std::string ApproximationSummary(const std::vector<ApproximateLayer>& layers) {
    if (layers.empty()) return {};
    std::map<Approximation, int> counts;
    for (const ApproximateLayer& layer : layers) ++counts[layer.reason];
    std::string text = std::to_string(layers.size()) + (layers.size() == 1 ? " layer" : " layers")
        + " drawn approximately: ";
    bool first = true;
    for (const auto& [reason, count] : counts) {
        if (!first) text += ", ";
        first = false;
        text += std::string(ApproximationText(reason)) + " (" + std::to_string(count) + ")";
    }
    return text;
}

std::string ApproximationList(const std::vector<ApproximateLayer>& layers) {
    std::string text;
    for (const ApproximateLayer& layer : layers) {
        if (!text.empty()) text += '\n';
        text += layer.name + ": " + std::string(ApproximationText(layer.reason));
    }
    return text;
}

} // namespace deptrix
