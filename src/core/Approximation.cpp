#include "core/Approximation.h"

#include <map>

namespace deptrix {

std::string_view ApproximationText(Approximation reason, int language) {
    const bool zh = language == 1;
    switch (reason) {
    case Approximation::LayerEffects:
        return zh ? "图层效果未绘制" : "layer effects not drawn";
    case Approximation::AdjustmentLayer:
        return zh ? "调整图层未应用" : "adjustment layer not applied";
    case Approximation::Dissolve:
        return zh ? "溶解按正常模式绘制" : "dissolve drawn as Normal";
    case Approximation::UnknownBlendMode:
        return zh ? "未知混合模式按正常绘制" : "unknown blend mode drawn as Normal";
    case Approximation::FolderClipping:
        return zh ? "与组的剪贴未绘制" : "clipping with a folder not drawn";
    case Approximation::FolderComposite:
        return zh ? "组的模式逐层应用" : "folder mode applied to its layers one by one";
    case Approximation::DuotoneInks:
        return zh ? "双色调油墨未模拟,按文件存储的灰度显示"
                  : "duotone inks not simulated, shown as the grey the file stores";
    case Approximation::LinearLightBlending:
        return zh ? "32 位图层按 8 位 sRGB 混合,而非在线性光中"
                  : "32-bit layers blended in 8-bit sRGB, not in linear light";
    }
    return zh ? "近似绘制" : "drawn approximately";
}

std::string ApproximationSummary(const std::vector<ApproximateLayer>& layers, int language) {
    const bool zh = language == 1;
    std::map<Approximation, int> counts;
    std::size_t layerCount = 0;
    std::string documentWide;
    for (const ApproximateLayer& layer : layers) {
        const std::string text(ApproximationText(layer.reason, language));
        if (!IsDocumentWide(layer.reason)) {
            ++counts[layer.reason];
            ++layerCount;
        } else if (documentWide.find(text) == std::string::npos) {
            documentWide += (documentWide.empty() ? "" : ", ") + text;
        }
    }
    if (layerCount == 0)
        return documentWide.empty() ? std::string {}
                                    : (zh ? "近似绘制: " : "Drawn approximately: ") + documentWide;
    std::string text = zh
        ? std::to_string(layerCount) + " 个图层为近似绘制: "
        : std::to_string(layerCount) + (layerCount == 1 ? " layer" : " layers") + " drawn approximately: ";
    bool first = true;
    for (const auto& [reason, count] : counts) {
        if (!first) text += ", ";
        first = false;
        text += std::string(ApproximationText(reason, language)) + " (" + std::to_string(count) + ")";
    }
    if (!documentWide.empty()) text += "; " + documentWide;
    return text;
}

std::string ApproximationList(const std::vector<ApproximateLayer>& layers, int language) {
    std::string text;
    for (const ApproximateLayer& layer : layers) {
        if (!text.empty()) text += '\n';
        text += layer.name + ": " + std::string(ApproximationText(layer.reason, language));
    }
    return text;
}

} // namespace deptrix
