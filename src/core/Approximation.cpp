#include "core/Approximation.h"

#include <map>
#include <set>

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
    case Approximation::FolderEffectsOnLayers:
        return zh ? "组效果按合并图绘制在各图层的平面上" : "folder effects drawn on its layers' planes";
    case Approximation::DuotoneInks:
        return zh ? "双色调油墨未模拟,按文件存储的灰度显示"
                  : "duotone inks not simulated, shown as the grey the file stores";
    case Approximation::LinearLightBlending:
        return zh ? "32 位图层按 8 位 sRGB 混合,而非在线性光中"
                  : "32-bit layers blended in 8-bit sRGB, not in linear light";
    case Approximation::EffectNoise:
        return zh ? "杂色未绘制" : "noise not drawn";
    case Approximation::EffectBlendMode:
        return zh ? "混合模式只作用于本图层" : "blend mode applied to the layer alone";
    case Approximation::EffectContour:
        return zh ? "等高线按折线绘制" : "curved contour drawn with straight segments";
    case Approximation::EffectShading:
        return zh ? "明暗为近似模型" : "shading modelled approximately";
    case Approximation::EffectTexture:
        return zh ? "纹理未绘制" : "texture not drawn";
    case Approximation::EffectPatternMissing:
        return zh ? "文件中缺少图案,未绘制" : "pattern missing from the file, not drawn";
    case Approximation::EffectNoiseGradient:
        return zh ? "杂色渐变按简单渐变绘制" : "noise gradient drawn as a plain ramp";
    case Approximation::EffectsInLayerMode:
        return zh ? "效果也按图层的混合模式混合" : "effects blended in the layer's mode";
    case Approximation::EffectsMaskOptions:
        return zh ? "蒙版隐藏效果选项未应用" : "mask options of the effects not applied";
    case Approximation::EffectsKnockout:
        return zh ? "挖空未绘制" : "knockout not drawn";
    case Approximation::EffectsUnderClipped:
        return zh ? "剪贴的图层仍与其按组混合" : "clipped layers still blended with it as a group";
    }
    return zh ? "近似绘制" : "drawn approximately";
}

std::string ApproximationDetail(const ApproximateLayer& layer, int language) {
    std::string text;
    if (layer.effect) text = std::string(EffectName(*layer.effect, language)) + ": ";
    return text + std::string(ApproximationText(layer.reason, language));
}

std::string ApproximationSummary(const std::vector<ApproximateLayer>& layers, int language) {
    const bool zh = language == 1;
    // Counted by reason (and effect), in the order of the reasons.
    std::map<std::pair<Approximation, int>, int> counts;
    std::set<std::string> names;
    std::string documentWide;
    for (const ApproximateLayer& layer : layers) {
        if (!IsDocumentWide(layer.reason)) {
            ++counts[{ layer.reason, layer.effect ? static_cast<int>(*layer.effect) : -1 }];
            names.insert(layer.name);
            continue;
        }
        const std::string text(ApproximationText(layer.reason, language));
        if (documentWide.find(text) == std::string::npos)
            documentWide += (documentWide.empty() ? "" : ", ") + text;
    }
    if (names.empty())
        return documentWide.empty() ? std::string {}
                                    : (zh ? "近似绘制: " : "Drawn approximately: ") + documentWide;
    const std::size_t n = names.size();
    std::string text = zh ? std::to_string(n) + " 个图层为近似绘制: "
                          : std::to_string(n) + (n == 1 ? " layer" : " layers") + " drawn approximately: ";
    bool first = true;
    for (const auto& [key, count] : counts) {
        if (!first) text += ", ";
        first = false;
        ApproximateLayer entry;
        entry.reason = key.first;
        if (key.second >= 0) entry.effect = static_cast<EffectKind>(key.second);
        text += ApproximationDetail(entry, language) + " (" + std::to_string(count) + ")";
    }
    if (!documentWide.empty()) text += "; " + documentWide;
    return text;
}

std::string ApproximationList(const std::vector<ApproximateLayer>& layers, int language) {
    std::string text;
    for (const ApproximateLayer& layer : layers) {
        if (!text.empty()) text += '\n';
        text += layer.name + ": " + ApproximationDetail(layer, language);
    }
    return text;
}

} // namespace deptrix
