#pragma once

#include "core/EffectBlend.h"
#include "core/LayerStyle.h"

namespace deptrix {

/// An effect colour in the channels of a picture of `format`: RGB in red, green,
/// blue order, or CMYK as stored (1 - ink, by the plain complement of RGB).
EffectPixel EffectColourIn(const EffectColour& colour, PixelFormat format);

/// The colour and opacity of a gradient at `t` (0..1, clamped), midpoints honoured.
struct GradientSample {
    EffectColour colour;
    double opacity = 1;
};
GradientSample SampleGradient(const GradientFill& gradient, double t);

/// Where on a gradient a point lies: built once for a box (in pixels of the picture
/// being drawn), then asked per pixel centre.
class GradientLayout {
public:
    /// `box` left, top, width and height; `scale` the gradient's own scale.
    GradientLayout(const GradientFill& gradient, double left, double top, double width, double height);
    /// Position 0..1 along the gradient of the point (x, y), reversal applied.
    double position(double x, double y) const;

private:
    GradientStyle m_style;
    bool m_reverse;
    double m_cx, m_cy;
    double m_dx, m_dy; ///< unit direction of the gradient's angle, y down
    double m_half; ///< half the gradient's length
    double m_angle; ///< radians
};

/// The pattern's colour (in its picture's format) and opacity at picture pixel (x, y),
/// for a pattern whose origin lies at (originX, originY) in the same pixels.
bool SamplePattern(const PatternPlacement& pattern, double scale, double originX, double originY, int x,
    int y, EffectPixel& colour, float& alpha);

} // namespace deptrix
