#include "core/EffectBlend.h"

#include <algorithm>
#include <cmath>

namespace deptrix {

namespace {

float Separable(BlendMode mode, float b, float s) {
    switch (mode) {
    case BlendMode::Darken:
        return std::min(b, s);
    case BlendMode::Multiply:
        return b * s;
    case BlendMode::ColorBurn:
        return b >= 1 ? 1 : s <= 0 ? 0 : 1 - std::min(1.0f, (1 - b) / s);
    case BlendMode::LinearBurn:
        return std::max(0.0f, b + s - 1);
    case BlendMode::Lighten:
        return std::max(b, s);
    case BlendMode::Screen:
        return b + s - b * s;
    case BlendMode::ColorDodge:
        return b <= 0 ? 0 : s >= 1 ? 1 : std::min(1.0f, b / (1 - s));
    case BlendMode::LinearDodge:
        return std::min(1.0f, b + s);
    case BlendMode::Overlay:
        return b <= 0.5f ? 2 * b * s : 1 - 2 * (1 - b) * (1 - s);
    case BlendMode::SoftLight: {
        if (s <= 0.5f) return b - (1 - 2 * s) * b * (1 - b);
        const float d = b <= 0.25f ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
        return b + (2 * s - 1) * (d - b);
    }
    case BlendMode::HardLight:
        return s <= 0.5f ? 2 * b * s : 1 - 2 * (1 - b) * (1 - s);
    case BlendMode::VividLight:
        return s <= 0.5f ? Separable(BlendMode::ColorBurn, b, 2 * s)
                         : Separable(BlendMode::ColorDodge, b, 2 * s - 1);
    case BlendMode::LinearLight:
        return std::clamp(b + 2 * s - 1, 0.0f, 1.0f);
    case BlendMode::PinLight:
        return s <= 0.5f ? std::min(b, 2 * s) : std::max(b, 2 * s - 1);
    case BlendMode::HardMix:
        return b + s >= 1 ? 1.0f : 0.0f;
    case BlendMode::Difference:
        return std::abs(b - s);
    case BlendMode::Exclusion:
        return b + s - 2 * b * s;
    case BlendMode::Subtract:
        return std::max(0.0f, b - s);
    case BlendMode::Divide:
        return s <= 0 ? (b > 0 ? 1.0f : 0.0f) : std::min(1.0f, b / s);
    default:
        return s;
    }
}

float Lum(const EffectPixel& p) {
    return 0.3f * p.c[0] + 0.59f * p.c[1] + 0.11f * p.c[2];
}

EffectPixel ClipColour(EffectPixel p) {
    const float l = Lum(p);
    const float n = std::min({ p.c[0], p.c[1], p.c[2] });
    const float x = std::max({ p.c[0], p.c[1], p.c[2] });
    for (int i = 0; i < 3; ++i) {
        if (n < 0) p.c[i] = l + (p.c[i] - l) * l / (l - n);
        if (x > 1) p.c[i] = l + (p.c[i] - l) * (1 - l) / (x - l);
    }
    return p;
}

EffectPixel SetLum(EffectPixel p, float l) {
    const float d = l - Lum(p);
    for (int i = 0; i < 3; ++i) p.c[i] += d;
    return ClipColour(p);
}

float Sat(const EffectPixel& p) {
    return std::max({ p.c[0], p.c[1], p.c[2] }) - std::min({ p.c[0], p.c[1], p.c[2] });
}

EffectPixel SetSat(EffectPixel p, float s) {
    int order[3] = { 0, 1, 2 };
    std::sort(order, order + 3, [&](int a, int b) { return p.c[a] < p.c[b]; });
    float& mn = p.c[order[0]];
    float& md = p.c[order[1]];
    float& mx = p.c[order[2]];
    if (mx > mn) {
        md = (md - mn) * s / (mx - mn);
        mx = s;
    } else {
        md = mx = 0;
    }
    mn = 0;
    return p;
}

} // namespace

EffectPixel BlendColours(BlendMode mode, const EffectPixel& b, const EffectPixel& s, int channels) {
    EffectPixel out = s;
    if (IsNonSeparable(mode) && channels == 3) {
        // The whole-pixel modes act on RGB (in the 0..1 order stored: blue, green, red
        // weights are symmetric enough here that the order does not matter much, so
        // the pixel is taken as red, green, blue).
        switch (mode) {
        case BlendMode::Hue:
            return SetLum(SetSat(s, Sat(b)), Lum(b));
        case BlendMode::Saturation:
            return SetLum(SetSat(b, Sat(s)), Lum(b));
        case BlendMode::Color:
            return SetLum(s, Lum(b));
        case BlendMode::Luminosity:
            return SetLum(b, Lum(s));
        case BlendMode::DarkerColor:
            return Lum(s) < Lum(b) ? s : b;
        case BlendMode::LighterColor:
            return Lum(s) > Lum(b) ? s : b;
        default:
            return s;
        }
    }
    for (int i = 0; i < channels; ++i) out.c[i] = Separable(mode, b.c[i], s.c[i]);
    return out;
}

} // namespace deptrix
