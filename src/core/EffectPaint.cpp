#include "core/EffectPaint.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace deptrix {

namespace {

/// Where between two stops a point at fraction u lies once the midpoint m is taken
/// into account: m maps to one half.
double ThroughMidpoint(double u, double m) {
    m = std::clamp(m, 0.001, 0.999);
    return u <= m ? 0.5 * u / m : 0.5 + 0.5 * (u - m) / (1 - m);
}

/// Eases `u` (0..1) towards a smooth step by half of `smoothness`.
double Smoothed(double u, double smoothness) {
    const double step = u * u * (3 - 2 * u);
    return u + 0.5 * smoothness * (step - u);
}

template <class Stop, class Mix>
auto Between(const std::vector<Stop>& stops, double t, double smoothness, Mix mix)
    -> decltype(mix(stops[0], stops[0], 0.0)) {
    if (t <= stops.front().location) return mix(stops.front(), stops.front(), 0.0);
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const Stop& a = stops[i - 1];
        const Stop& b = stops[i];
        if (t <= b.location) {
            const double span = b.location - a.location;
            const double u = span > 0 ? (t - a.location) / span : 1.0;
            return mix(a, b, Smoothed(ThroughMidpoint(u, a.midpoint), smoothness));
        }
    }
    return mix(stops.back(), stops.back(), 0.0);
}

} // namespace

EffectPixel EffectColourIn(const EffectColour& colour, PixelFormat format) {
    EffectPixel p;
    const float r = static_cast<float>(colour.red / 255.0), g = static_cast<float>(colour.green / 255.0),
                b = static_cast<float>(colour.blue / 255.0);
    if (format == PixelFormat::Cmyk32) {
        const float k = 1 - std::max({ r, g, b });
        const float rest = 1 - k;
        const auto ink = [&](float v) { return rest > 0 ? (rest - v) / rest : 0.0f; };
        p.c[0] = 1 - ink(r);
        p.c[1] = 1 - ink(g);
        p.c[2] = 1 - ink(b);
        p.c[3] = 1 - k;
    } else {
        p.c[0] = r;
        p.c[1] = g;
        p.c[2] = b;
    }
    return p;
}

GradientSample SampleGradient(const GradientFill& gradient, double t) {
    t = std::clamp(t, 0.0, 1.0);
    GradientSample sample;
    sample.colour = Between(gradient.colours, t, gradient.smoothness,
        [](const GradientColourStop& a, const GradientColourStop& b, double u) {
            return EffectColour { a.colour.red + (b.colour.red - a.colour.red) * u,
                a.colour.green + (b.colour.green - a.colour.green) * u,
                a.colour.blue + (b.colour.blue - a.colour.blue) * u };
        });
    sample.opacity = Between(gradient.opacities, t, gradient.smoothness,
        [](const GradientOpacityStop& a, const GradientOpacityStop& b, double u) {
            return a.opacity + (b.opacity - a.opacity) * u;
        });
    return sample;
}

GradientLayout::GradientLayout(
    const GradientFill& gradient, double left, double top, double width, double height)
    : m_style(gradient.style)
    , m_reverse(gradient.reverse) {
    m_angle = gradient.angle * std::numbers::pi / 180.0;
    m_dx = std::cos(m_angle);
    m_dy = -std::sin(m_angle);
    m_cx = left + width * (0.5 + gradient.offsetX);
    m_cy = top + height * (0.5 + gradient.offsetY);
    // The gradient runs along the line through the box's centre at its angle, from
    // where that line leaves the box on one side to where it leaves on the other.
    const double alongX = std::abs(m_dx) > 1e-9 ? width / std::abs(m_dx) : 1e300;
    const double alongY = std::abs(m_dy) > 1e-9 ? height / std::abs(m_dy) : 1e300;
    m_half = std::max(0.5, 0.5 * std::min(alongX, alongY) * gradient.scale);
}

double GradientLayout::position(double x, double y) const {
    const double px = x - m_cx, py = y - m_cy;
    const double along = px * m_dx + py * m_dy;
    double t = 0;
    switch (m_style) {
    case GradientStyle::Linear:
        t = 0.5 + along / (2 * m_half);
        break;
    case GradientStyle::Reflected:
        t = std::abs(along) / m_half;
        break;
    case GradientStyle::Radial:
        t = std::hypot(px, py) / m_half;
        break;
    case GradientStyle::Diamond:
        t = (std::abs(along) + std::abs(px * -m_dy + py * m_dx)) / m_half;
        break;
    case GradientStyle::Angle: {
        double a = std::atan2(-py, px) - m_angle;
        a = std::fmod(a + 4 * std::numbers::pi, 2 * std::numbers::pi);
        t = 1 - a / (2 * std::numbers::pi);
        break;
    }
    }
    t = std::clamp(t, 0.0, 1.0);
    return m_reverse ? 1 - t : t;
}

bool SamplePattern(const PatternPlacement& pattern, double scale, double originX, double originY, int x,
    int y, EffectPixel& colour, float& alpha) {
    const PatternPicture* picture = pattern.picture.get();
    if (!picture || picture->colour.empty()) return false;
    const double s = std::max(pattern.scale * scale, 1e-3);
    const int w = picture->colour.width(), h = picture->colour.height();
    const auto px = static_cast<std::int64_t>(std::floor((x + 0.5 - originX) / s));
    const auto py = static_cast<std::int64_t>(std::floor((y + 0.5 - originY) / s));
    const auto tx = static_cast<int>(((px % w) + w) % w);
    const auto ty = static_cast<int>(((py % h) + h) % h);
    const int bpp = picture->colour.bytesPerPixel();
    const std::uint8_t* p
        = picture->colour.row(ty) + static_cast<std::size_t>(tx) * static_cast<std::size_t>(bpp);
    if (bpp == 3) {
        colour.c[0] = p[2] / 255.0f;
        colour.c[1] = p[1] / 255.0f;
        colour.c[2] = p[0] / 255.0f;
    } else {
        for (int i = 0; i < bpp && i < 4; ++i) colour.c[i] = p[i] / 255.0f;
    }
    alpha = picture->alpha.empty() ? 1.0f : picture->alpha.row(ty)[tx] / 255.0f;
    return true;
}

} // namespace deptrix
