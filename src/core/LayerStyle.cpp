#include "core/LayerStyle.h"

#include <algorithm>
#include <cmath>

namespace deptrix {

bool Contour::isLinear() const {
    for (const auto& p : points)
        if (std::abs(p[0] - p[1]) > 0.5) return false;
    return true;
}

double Contour::map(double v) const {
    const double x = std::clamp(v, 0.0, 1.0) * 255.0;
    if (points.empty()) return v;
    if (x <= points.front()[0]) return points.front()[1] / 255.0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const auto& a = points[i - 1];
        const auto& b = points[i];
        if (x <= b[0]) {
            const double span = b[0] - a[0];
            const double t = span > 0 ? (x - a[0]) / span : 1.0;
            return (a[1] + (b[1] - a[1]) * t) / 255.0;
        }
    }
    return points.back()[1] / 255.0;
}

const char* EffectName(EffectKind kind, int language) {
    const bool zh = language == 1;
    switch (kind) {
    case EffectKind::DropShadow:
        return zh ? "投影" : "drop shadow";
    case EffectKind::InnerShadow:
        return zh ? "内阴影" : "inner shadow";
    case EffectKind::OuterGlow:
        return zh ? "外发光" : "outer glow";
    case EffectKind::InnerGlow:
        return zh ? "内发光" : "inner glow";
    case EffectKind::Bevel:
        return zh ? "斜面和浮雕" : "bevel and emboss";
    case EffectKind::Satin:
        return zh ? "光泽" : "satin";
    case EffectKind::ColorOverlay:
        return zh ? "颜色叠加" : "colour overlay";
    case EffectKind::GradientOverlay:
        return zh ? "渐变叠加" : "gradient overlay";
    case EffectKind::PatternOverlay:
        return zh ? "图案叠加" : "pattern overlay";
    case EffectKind::Stroke:
        return zh ? "描边" : "stroke";
    }
    return zh ? "效果" : "effect";
}

} // namespace deptrix
