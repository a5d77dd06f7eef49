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

} // namespace deptrix
