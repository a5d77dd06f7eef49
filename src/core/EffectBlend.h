#pragma once

#include "core/BlendModes.h"

namespace deptrix {

/// Colour channels of an effect pixel, 0..1 additive values (RGB, or CMYK as stored,
/// 1 - ink); only the first `channels` are used.
struct EffectPixel {
    float c[4] {};
};

/// What `mode` makes of source colour `s` over backdrop colour `b` (neither
/// premultiplied), channel by channel or, for the modes of the whole pixel, as a
/// pixel. Dissolve and pass-through act as Normal.
EffectPixel BlendColours(BlendMode mode, const EffectPixel& b, const EffectPixel& s, int channels);

/// Premultiplied colour and opacity of a stack of effects being built.
struct EffectStack {
    EffectPixel colour; ///< premultiplied
    float alpha = 0;

    /// Lays colour `s` with opacity `a` over the stack in `mode`, as a layer over its
    /// backdrop: where the stack is transparent the colour shows as itself.
    void over(BlendMode mode, const EffectPixel& s, float a, int channels);
};

// Inline: it runs several times for every pixel an effect reaches.
inline void EffectStack::over(BlendMode mode, const EffectPixel& s, float a, int channels) {
    if (a <= 0) return;
    const bool plain
        = mode == BlendMode::Normal || mode == BlendMode::Dissolve || mode == BlendMode::PassThrough;
    if (plain || alpha <= 0) {
        for (int i = 0; i < channels; ++i) colour.c[i] = colour.c[i] * (1 - a) + s.c[i] * a;
    } else {
        EffectPixel backdrop;
        for (int i = 0; i < channels; ++i) backdrop.c[i] = colour.c[i] / alpha;
        const EffectPixel blended = BlendColours(mode, backdrop, s, channels);
        for (int i = 0; i < channels; ++i)
            colour.c[i] = colour.c[i] * (1 - a) + a * ((1 - alpha) * s.c[i] + alpha * blended.c[i]);
    }
    alpha = alpha + a * (1 - alpha);
}

} // namespace deptrix
