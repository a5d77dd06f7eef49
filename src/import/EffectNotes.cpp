#include "import/EffectNotes.h"

#include "core/EffectDrawing.h"

namespace deptrix {

namespace {

bool IsWhite(const EffectColour& c) {
    return c.red > 254.5 && c.green > 254.5 && c.blue > 254.5;
}
bool IsBlack(const EffectColour& c) {
    return c.red < 0.5 && c.green < 0.5 && c.blue < 0.5;
}

/// Whether `mode` with `colour` over whatever lies below gives what Normal gives over
/// the effects and layer this program draws it against.
bool ActsAsNormal(BlendMode mode, const EffectColour& colour) {
    switch (mode) {
    case BlendMode::Normal:
    case BlendMode::Dissolve:
    case BlendMode::PassThrough:
        return true;
    case BlendMode::Multiply:
    case BlendMode::LinearBurn:
    case BlendMode::Darken:
    case BlendMode::DarkerColor:
        return IsBlack(colour);
    case BlendMode::Screen:
    case BlendMode::LinearDodge:
    case BlendMode::Lighten:
    case BlendMode::LighterColor:
        return IsWhite(colour);
    default:
        return false;
    }
}

bool Outward(const LayerEffect& e) {
    return e.kind == EffectKind::DropShadow || e.kind == EffectKind::OuterGlow
        || (e.kind == EffectKind::Stroke && e.position != StrokePosition::Inside)
        || (e.kind == EffectKind::Bevel && e.bevelStyle != BevelStyle::Inner);
}

} // namespace

std::vector<std::pair<Approximation, std::optional<EffectKind>>> EffectNotes(
    const PsdLayerRecord& record, const PatternMap* patterns, bool clipBase) {
    std::vector<std::pair<Approximation, std::optional<EffectKind>>> notes;
    const LayerStyle& style = record.style;
    if (!style.present) return notes;
    if (!style.readable) {
        notes.emplace_back(Approximation::LayerEffects, std::nullopt);
        return notes;
    }
    if (!style.draws()) return notes;
    const auto note = [&](Approximation reason, EffectKind kind) {
        for (const auto& n : notes)
            if (n.first == reason && n.second == kind) return;
        notes.emplace_back(reason, kind);
    };
    // Interior effects blend with the layer; where the layer is see-through they miss
    // what lies below it.
    const bool seeThrough = record.fillOpacity < 255;
    for (const LayerEffect& e : style.effects) {
        if (e.noise > 0 || (e.jitter > 0 && e.usesGradient)) note(Approximation::EffectNoise, e.kind);
        const bool contoured = e.kind == EffectKind::DropShadow || e.kind == EffectKind::InnerShadow
            || e.kind == EffectKind::OuterGlow || e.kind == EffectKind::InnerGlow
            || e.kind == EffectKind::Satin || e.kind == EffectKind::Bevel;
        if (contoured && e.contour.smooth && !e.contour.isLinear())
            note(Approximation::EffectContour, e.kind);
        if (e.kind == EffectKind::Bevel || e.kind == EffectKind::Satin)
            note(Approximation::EffectShading, e.kind);
        if (e.kind == EffectKind::Bevel && e.usesTexture) note(Approximation::EffectTexture, e.kind);
        const bool patterned = e.kind == EffectKind::PatternOverlay
            || (e.kind == EffectKind::Stroke && e.paint == StrokePaint::Pattern);
        if (patterned && (!patterns || !patterns->count(e.pattern.id)))
            note(Approximation::EffectPatternMissing, e.kind);
        const bool graded
            = e.usesGradient || (e.kind == EffectKind::Stroke && e.paint == StrokePaint::Gradient);
        if (graded && e.gradient.noise) note(Approximation::EffectNoiseGradient, e.kind);
        bool modeExact = e.knownMode;
        if (e.kind == EffectKind::Bevel) {
            modeExact = modeExact && ActsAsNormal(e.highlightMode, e.highlightColour)
                && ActsAsNormal(e.shadowMode, e.shadowColour);
        } else if (Outward(e) || seeThrough) {
            const bool plainColour = !e.usesGradient && e.paint == StrokePaint::Colour
                && e.kind != EffectKind::PatternOverlay && e.kind != EffectKind::GradientOverlay;
            modeExact = modeExact
                && (e.mode == BlendMode::Normal || (plainColour && ActsAsNormal(e.mode, e.colour)));
        }
        if (!modeExact) note(Approximation::EffectBlendMode, e.kind);
    }
    const auto whole = [&](Approximation reason) { notes.emplace_back(reason, std::nullopt); };
    if (DrawnMode(BlendModeFromKey(record.blendMode)) != BlendMode::Normal)
        whole(Approximation::EffectsInLayerMode);
    if (style.layerMaskHidesEffects || style.vectorMaskHidesEffects || !style.transparencyShapesLayer)
        whole(Approximation::EffectsMaskOptions);
    if (style.knockout != 0) whole(Approximation::EffectsKnockout);
    // The clipped layers keep to the layer's own pixels; blending them one by one with
    // what lies below instead of as a group with the layer is not drawn.
    if (clipBase && !style.blendClipped) whole(Approximation::EffectsUnderClipped);
    return notes;
}

} // namespace deptrix
