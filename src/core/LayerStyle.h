#pragma once

#include "core/Bitmap.h"
#include "core/BlendModes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace deptrix {

/// The kinds of layer effect, in the order editors list them in a layer's style.
enum class EffectKind : std::uint8_t {
    DropShadow,
    InnerShadow,
    OuterGlow,
    InnerGlow,
    Bevel,
    Satin,
    ColorOverlay,
    GradientOverlay,
    PatternOverlay,
    Stroke,
};

/// A colour as the effects store it, converted to RGB 0..255.
struct EffectColour {
    double red = 0;
    double green = 0;
    double blue = 0;
};

/// A tone curve ("contour") through points of 0..255 on both axes, sorted by input.
struct Contour {
    std::vector<std::array<double, 2>> points { { 0, 0 }, { 255, 255 } };
    bool smooth = false; ///< some inner point is a smooth (not a corner) point

    bool isLinear() const;
    /// The curve at `v` in 0..1, straight between points.
    double map(double v) const;
};

struct GradientColourStop {
    double location = 0; ///< 0..1
    double midpoint = 0.5; ///< where between this stop and the next the colours meet half way
    EffectColour colour;
};
struct GradientOpacityStop {
    double location = 0;
    double midpoint = 0.5;
    double opacity = 1;
};

enum class GradientStyle : std::uint8_t { Linear, Radial, Angle, Reflected, Diamond };

/// A gradient and how it lies over the layer.
struct GradientFill {
    std::vector<GradientColourStop> colours;
    std::vector<GradientOpacityStop> opacities;
    bool noise = false; ///< a random "noise" gradient, drawn from its two end colours
    GradientStyle style = GradientStyle::Linear;
    double angle = 90; ///< degrees, counter-clockwise from the right
    bool reverse = false;
    bool alignWithLayer = true;
    double scale = 1; ///< 1 = 100 %
    double offsetX = 0; ///< fractions of the box
    double offsetY = 0;
    /// 0..1: 0 runs straight from stop to stop; 1 (the editor's default) eases half
    /// way towards a smooth step, which is how its smoothest gradients come out.
    double smoothness = 0;
};

/// A pattern picture from the document's pattern block: Bgr24 or Cmyk32 as the layers
/// are, and its opacity (Gray8), both the pattern's tile size.
struct PatternPicture {
    Bitmap colour;
    Bitmap alpha;
};

/// A pattern by its id in the document's pattern block, as the effect places it.
struct PatternPlacement {
    std::string id;
    std::string name;
    std::shared_ptr<const PatternPicture> picture; ///< null when the file lacks the pattern
    double scale = 1;
    bool linkedWithLayer = true;
    double phaseX = 0;
    double phaseY = 0;
};

enum class StrokePosition : std::uint8_t { Outside, Inside, Centre };
enum class StrokePaint : std::uint8_t { Colour, Gradient, Pattern };
enum class BevelStyle : std::uint8_t { Inner, Outer, Emboss, Pillow, StrokeEmboss };
enum class BevelTechnique : std::uint8_t { Smooth, ChiselHard, ChiselSoft };

/// One effect with the parameters of its kind; sizes in source pixels, the style's
/// scale already applied; opacities and percentages as fractions 0..1.
struct LayerEffect {
    EffectKind kind = EffectKind::ColorOverlay;
    BlendMode mode = BlendMode::Normal;
    bool knownMode = true;
    double opacity = 1;
    EffectColour colour;

    // Shadows, satin and bevel: where the light comes from.
    double angle = 120; ///< degrees
    bool globalAngle = false; ///< the document's global light angle applies instead
    double distance = 0;
    double spread = 0; ///< spread or choke, 0..1
    double size = 0;
    double noise = 0;
    bool knockedOut = true; ///< drop shadow: the layer knocks it out
    Contour contour;
    bool antiAliased = false;

    // Glows.
    bool precise = false;
    bool fromCentre = false; ///< inner glow: from the centre instead of the edge
    double range = 0.5;
    double jitter = 0;
    bool usesGradient = false; ///< glows: the gradient instead of the colour

    // Satin.
    bool invert = false;

    // Stroke, gradient and pattern overlay.
    StrokePosition position = StrokePosition::Outside;
    StrokePaint paint = StrokePaint::Colour;
    GradientFill gradient;
    PatternPlacement pattern;

    // Bevel and emboss.
    BevelStyle bevelStyle = BevelStyle::Inner;
    BevelTechnique technique = BevelTechnique::Smooth;
    double depth = 1; ///< 1 = 100 %
    bool up = true;
    double soften = 0;
    double altitude = 30; ///< degrees
    bool globalAltitude = false;
    BlendMode highlightMode = BlendMode::Screen;
    EffectColour highlightColour { 255, 255, 255 };
    double highlightOpacity = 0.75;
    BlendMode shadowMode = BlendMode::Multiply;
    EffectColour shadowColour;
    double shadowOpacity = 0.75;
    bool usesContour = false; ///< the bevel's own contour shapes its profile
    bool usesTexture = false;
};

/// The effects of one layer that are switched on, bottom of the drawing order first.
struct LayerStyle {
    bool present = false; ///< the layer has an effects block
    bool readable = true; ///< false: the block could not be read; nothing is drawn
    bool masterOn = true; ///< the style's own switch
    std::vector<LayerEffect> effects; ///< only the enabled ones

    // The layer's blending options that bear on its effects.
    bool blendInterior = false; ///< interior effects blend with the layer as a group
    bool blendClipped = true; ///< clipped layers blend with the layer as a group
    std::uint8_t knockout = 0; ///< 0 none, 1 shallow, 2 deep
    /// Where patterns linked with the layer start, in source pixels of the canvas (the
    /// editor's effects reference point); without one, at the layer's top-left corner.
    bool hasReference = false;
    double referenceX = 0;
    double referenceY = 0;
    bool layerMaskHidesEffects = false;
    bool vectorMaskHidesEffects = false;
    bool transparencyShapesLayer = true;

    /// Whether anything is drawn: the block read, the switch on, an effect enabled.
    bool draws() const { return readable && masterOn && !effects.empty(); }
    /// Whether the block turns some effect on as far as can be told; an unreadable
    /// block counts as showing.
    bool shows() const { return !readable || draws(); }
};

/// The effect's name as editors show it, in English (0) or Chinese (1).
const char* EffectName(EffectKind kind, int language = 0);

} // namespace deptrix
