#include "core/EffectDrawing.h"

#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/EffectPaint.h"
#include "core/EffectPlanes.h"
#include "core/EffectStacks.h"
#include "core/Error.h"
#include "core/FolderEffects.h"
#include "core/WorkFiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace deptrix {

namespace {

/// Drawing order of the kinds, bottom first.
int Layering(EffectKind kind) {
    switch (kind) {
    case EffectKind::DropShadow:
        return 0;
    case EffectKind::OuterGlow:
        return 1;
    case EffectKind::PatternOverlay:
        return 3;
    case EffectKind::GradientOverlay:
        return 4;
    case EffectKind::ColorOverlay:
        return 5;
    case EffectKind::Satin:
        return 6;
    case EffectKind::InnerGlow:
        return 7;
    case EffectKind::InnerShadow:
        return 8;
    case EffectKind::Stroke:
        return 9;
    case EffectKind::Bevel:
        return 10;
    }
    return 2;
}
/// Where the layer's own pixels go in that order.
constexpr int kContentLayering = 2;

bool IsInterior(EffectKind kind) {
    const int l = Layering(kind);
    return l > kContentLayering && l < Layering(EffectKind::Stroke);
}

/// `v` (0..255) rounded half away from zero as std::lround does; in double, where
/// adding one half to a float is exact, without the library call.
std::uint8_t ToByte(float v) {
    return static_cast<std::uint8_t>(static_cast<int>(static_cast<double>(v) + 0.5));
}

/// Writes the pixel the stacks within (`inner`) and outside (`outer`) the shape make
/// where the shape's value is `sv`, faded by `opacity`: its colour bytes at `d`
/// (white where nothing shows) and its opacity.
void WritePixel(const EffectStack& inner, const EffectStack& outer, float sv, float opacity, int channels,
    std::uint8_t* d, std::uint8_t& mask) {
    const float alpha = sv * inner.alpha + (1 - sv) * outer.alpha;
    const float m = alpha * opacity;
    mask = ToByte(std::clamp(m, 0.0f, 1.0f) * 255.0f);
    if (alpha <= 0) {
        std::fill(d, d + channels, std::uint8_t { 255 });
        return;
    }
    float v[4];
    for (int c = 0; c < channels; ++c)
        v[c] = std::clamp((sv * inner.colour.c[c] + (1 - sv) * outer.colour.c[c]) / alpha, 0.0f, 1.0f);
    if (channels == 3) {
        d[0] = ToByte(v[2] * 255.0f);
        d[1] = ToByte(v[1] * 255.0f);
        d[2] = ToByte(v[0] * 255.0f);
    } else {
        for (int c = 0; c < 4; ++c) d[c] = ToByte(v[c] * 255.0f);
    }
}

/// Light direction in picture pixels (y down) for an angle in degrees.
void LightOffset(double angle, double distance, double& dx, double& dy) {
    const double a = angle * std::numbers::pi / 180.0;
    dx = -std::cos(a) * distance;
    dy = std::sin(a) * distance;
}

using Matte = EffectMatte;

/// The bounds of the pixels of `shape` that show at all, placed at (boxX, boxY); the
/// whole box when none does.
struct ShownBox {
    double left, top, width, height;
};
ShownBox ShownBoxOf(const Bitmap& shape, int boxX, int boxY) {
    int x0 = shape.width(), y0 = shape.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < shape.height(); ++y) {
        // Each row from both ends: within its outermost shown pixels nothing is looked at.
        const std::uint8_t* row = shape.row(y);
        int first = 0;
        while (first < shape.width() && row[first] == 0) ++first;
        if (first == shape.width()) continue;
        int last = shape.width() - 1;
        while (row[last] == 0) --last;
        x0 = std::min(x0, first), x1 = std::max(x1, last);
        y0 = std::min(y0, y), y1 = y;
    }
    if (x1 < 0) return { double(boxX), double(boxY), double(shape.width()), double(shape.height()) };
    return { double(boxX + x0), double(boxY + y0), double(x1 - x0 + 1), double(y1 - y0 + 1) };
}

Plane Inverse(const Plane& p) {
    Plane out(p.width, p.height, UnsetValues {});
    for (std::size_t i = 0; i < p.values.size(); ++i) out.values[i] = 1 - p.values[i];
    return out;
}

/// A shape grown by `spread` of `size` and softened by the rest, as shadows and glows
/// take it.
Plane SpreadAndSoften(const Plane& shape, double size, double spread) {
    Plane p = GrownPlane(shape, size * spread);
    SoftenPlane(p, size * (1 - spread));
    return p;
}

/// Applies a contour and, for glows, the range: a glow's softened edge reaches full
/// strength where it has fallen to `range` (1 for shadows: no gain).
void Shape(Plane& p, const Contour& contour, double range) {
    const bool linear = contour.isLinear();
    const double gain = range > 0 ? 1.0 / range : 1.0;
    if (linear && std::abs(gain - 1.0) < 1e-9) return;
    for (float& v : p.values) {
        const double u = std::min(1.0, v * gain);
        v = static_cast<float>(linear ? u : contour.map(u));
    }
}

/// Half of the bevel's size lies on either side of the edge for the embossing styles.
bool Straddles(BevelStyle style) {
    return style == BevelStyle::Emboss || style == BevelStyle::Pillow || style == BevelStyle::StrokeEmboss;
}

/// Height of the bevel's surface, 0..1. The smooth technique raises the shape softened
/// by the bevel's size, so that a shape narrower than the size swells as a whole; the
/// chisels rise straight from the edge over the size (the soft one rounded a little).
/// A pillow sinks at the edge and rises to either side.
Plane BevelHeight(const LayerEffect& e, const Plane& shape, double size) {
    Plane h;
    if (e.technique == BevelTechnique::Smooth) {
        h = shape;
        SoftenPlane(h, size);
    } else {
        const Plane inside = DistanceToOutside(shape);
        const Plane outside = DistanceToInside(shape);
        h = Plane(shape.width, shape.height, UnsetValues {});
        for (std::size_t i = 0; i < h.values.size(); ++i) {
            const double din = inside.values[i] > 0 ? inside.values[i] - 0.5 : 0;
            const double dout = outside.values[i] > 0 ? outside.values[i] - 0.5 : 0;
            const double sd = din - dout; // positive within the shape
            const double v = e.bevelStyle == BevelStyle::Inner ? sd / size
                : e.bevelStyle == BevelStyle::Outer            ? 1 + sd / size
                                                               : 0.5 + sd / (2 * size);
            h.values[i] = static_cast<float>(std::clamp(v, 0.0, 1.0));
        }
        if (e.technique == BevelTechnique::ChiselSoft) SoftenPlane(h, std::min(size * 0.15, 3.0));
    }
    for (float& v : h.values) {
        double u = v;
        if (e.bevelStyle == BevelStyle::Pillow) u = std::abs(u - 0.5);
        if (e.usesContour) u = e.contour.map(u);
        v = static_cast<float>(u);
    }
    return h;
}

/// Lights the bevel's surface from the effect's angle and altitude: `a` the highlight,
/// `b` the shadow, each 0..1 by how much more or less light a point gets than level
/// ground does.
void ShadeBevel(Matte& m, const Plane& shape, double size) {
    const LayerEffect& e = *m.effect;
    if (Straddles(e.bevelStyle)) size *= 0.5;
    size = std::max(size, 1.0);
    const Plane h = BevelHeight(e, shape, size);
    const double alt = std::clamp(e.altitude, 0.0, 90.0) * std::numbers::pi / 180.0;
    const double az = e.angle * std::numbers::pi / 180.0;
    const double lx = std::cos(alt) * std::cos(az), ly = -std::cos(alt) * std::sin(az), lz = std::sin(alt);
    const double flat = lz;
    // Heights scale with the size, so that the slopes do not depend on it.
    const double k = size * e.depth * (e.up ? 1.0 : -1.0);
    m.a = Plane(shape.width, shape.height, UnsetValues {});
    m.b = Plane(shape.width, shape.height, UnsetValues {});
    for (int y = 0; y < h.height; ++y)
        for (int x = 0; x < h.width; ++x) {
            const auto v = [&](int xx, int yy) {
                return h.at(std::clamp(xx, 0, h.width - 1), std::clamp(yy, 0, h.height - 1));
            };
            const double gx = (v(x + 1, y) - v(x - 1, y)) * 0.5 * k;
            const double gy = (v(x, y + 1) - v(x, y - 1)) * 0.5 * k;
            const double norm = std::sqrt(gx * gx + gy * gy + 1);
            double shade = (-gx * lx - gy * ly + lz) / norm;
            if (!e.contour.isLinear() && !e.usesContour) shade = e.contour.map(shade);
            const double light = flat < 1 ? std::max(0.0, (shade - flat) / (1 - flat)) : 0.0;
            const double dark = flat > 0 ? std::max(0.0, (flat - shade) / flat) : 0.0;
            m.a.row(y)[x] = static_cast<float>(std::min(1.0, light));
            m.b.row(y)[x] = static_cast<float>(std::min(1.0, dark));
        }
    SoftenPlane(m.a, e.soften);
    SoftenPlane(m.b, e.soften);
}

Matte MakeMatte(const LayerEffect& e, const Plane& shape, double scale, PixelFormat format) {
    Matte m;
    m.effect = &e;
    m.colour = EffectColourIn(e.kind == EffectKind::Bevel ? e.highlightColour : e.colour, format);
    m.shadowColour = EffectColourIn(e.shadowColour, format);
    const double size = e.size * scale;
    const double distance = e.distance * scale;
    double dx = 0, dy = 0;
    LightOffset(e.angle, distance, dx, dy);
    switch (e.kind) {
    case EffectKind::DropShadow:
        m.a = ShiftedPlane(SpreadAndSoften(shape, size, e.spread), dx, dy);
        Shape(m.a, e.contour, 1.0);
        break;
    case EffectKind::InnerShadow:
        m.a = ShiftedPlane(SpreadAndSoften(Inverse(shape), size, e.spread), dx, dy, 1.0f);
        Shape(m.a, e.contour, 1.0);
        break;
    case EffectKind::OuterGlow:
        if (e.precise) {
            m.a = DistanceToInside(shape);
            for (float& v : m.a.values)
                v = std::clamp(1.0f - (v - 0.5f) / static_cast<float>(std::max(size, 0.5)), 0.0f, 1.0f);
        } else {
            m.a = SpreadAndSoften(shape, size, e.spread);
        }
        Shape(m.a, e.contour, e.range);
        break;
    case EffectKind::InnerGlow:
        if (e.precise) {
            m.a = DistanceToOutside(shape);
            for (float& v : m.a.values)
                v = std::clamp(1.0f - (v - 0.5f) / static_cast<float>(std::max(size, 0.5)), 0.0f, 1.0f);
        } else {
            m.a = SpreadAndSoften(Inverse(shape), size, e.spread);
        }
        if (e.fromCentre)
            for (float& v : m.a.values) v = 1 - v;
        Shape(m.a, e.contour, e.range);
        break;
    case EffectKind::Satin: {
        // Two copies, each the full distance from the shape, one either way.
        Plane one = ShiftedPlane(shape, dx, dy);
        Plane two = ShiftedPlane(shape, -dx, -dy);
        SoftenPlane(one, size);
        SoftenPlane(two, size);
        m.a = Plane(shape.width, shape.height, UnsetValues {});
        for (std::size_t i = 0; i < m.a.values.size(); ++i) {
            double v = e.contour.map(std::abs(one.values[i] - two.values[i]));
            if (e.invert) v = 1 - v;
            m.a.values[i] = static_cast<float>(v);
        }
        break;
    }
    case EffectKind::Stroke: {
        const double out = e.position == StrokePosition::Outside ? size
            : e.position == StrokePosition::Centre               ? size * 0.5
                                                                 : 0.0;
        const double in = e.position == StrokePosition::Inside ? size
            : e.position == StrokePosition::Centre             ? size * 0.5
                                                               : 0.0;
        // The stroke reaches `out` pixels beyond the nearest pixel that shows at all,
        // and as much further as that pixel is opaque: beside an opaque edge a stroke
        // of one pixel covers one whole pixel, beside a faint one only that faintly.
        // Outside, it lies under the whole shape, showing through what of the layer is
        // see-through; inside, it covers all of the shape that is not wholly opaque.
        // A part of no width stays empty: it covers nothing.
        if (out > 0)
            m.a = OuterStrokeCover(shape, out);
        else
            m.a = Plane(shape.width, shape.height);
        if (in > 0) m.b = InnerStrokeCover(shape, in);
        break;
    }
    case EffectKind::Bevel:
        ShadeBevel(m, shape, size);
        break;
    default:
        break;
    }
    return m;
}

} // namespace

namespace {

/// EffectReach in pixels of the resolution drawn at.
int EffectReachPixels(const LayerStyle& style, double scale) {
    if (!style.draws()) return 0;
    double reach = 0;
    for (const LayerEffect& e : style.effects) {
        const double size = e.size * scale;
        const double grown = size * e.spread;
        const double softened = SoftenReach(size - grown);
        switch (e.kind) {
        case EffectKind::DropShadow:
            reach = std::max(reach, e.distance * scale + grown + softened + 1);
            break;
        case EffectKind::OuterGlow:
            reach = std::max(reach, (e.precise ? size : grown + softened) + 1);
            break;
        case EffectKind::Stroke:
            if (e.position != StrokePosition::Inside)
                reach = std::max(reach, (e.position == StrokePosition::Centre ? size * 0.5 : size) + 1);
            break;
        case EffectKind::Bevel:
            if (e.bevelStyle != BevelStyle::Inner) {
                const double bevel = Straddles(e.bevelStyle) ? size * 0.5 : size;
                reach = std::max(
                    reach, std::max(bevel, double(SoftenReach(bevel))) + SoftenReach(e.soften * scale) + 1);
            }
            break;
        default:
            break;
        }
    }
    return static_cast<int>(std::ceil(reach));
}

} // namespace

int EffectReach(const LayerStyle& style, double scale) {
    // The softening reaches whole pixels of the resolution drawn at: at a fine scale
    // that is more source pixels than at full size.
    int reach = EffectReachPixels(style, 1);
    if (scale > 0 && scale < 1)
        reach = std::max(reach, static_cast<int>(std::ceil(EffectReachPixels(style, scale) / scale)));
    return reach;
}

EffectStacks::EffectStacks(const Bitmap& shape, int outWidth, int outHeight, int boxX, int boxY,
    const LayerStyle& style, const EffectSettings& settings, PixelFormat format)
    : m_style(style)
    , m_settings(settings)
    , m_format(format)
    , m_channels(format == PixelFormat::Cmyk32 ? 4 : 3)
    , m_boxX(boxX)
    , m_boxY(boxY) {
    // The mattes are made with room around the picture, so that what lies just
    // beyond its edges (transparent) counts as it does for the effects inside.
    double inward = 0;
    for (const LayerEffect& e : style.effects) {
        const double size = std::max(e.size, e.soften) * settings.scale;
        inward = std::max(inward, e.distance * settings.scale + size + SoftenReach(size));
    }
    m_pad = static_cast<int>(std::min(std::ceil(inward), 4096.0)) + 2;
    const int pad = m_pad;
    m_planeWidth = outWidth + 2 * pad;
    const int planeWidth = m_planeWidth;
    CheckedImageBytes(planeWidth, outHeight + 2 * pad, 4 * 4, "layer effects");
    // Each value is written once: the shape where it lies within the picture, 0 elsewhere.
    m_shape = Plane(planeWidth, outHeight + 2 * pad, UnsetValues {});
    Plane& s = m_shape;
    const int shapeFrom = std::clamp(boxX, 0, outWidth); // picture columns the shape covers
    const int shapeTo = std::clamp(boxX + shape.width(), shapeFrom, outWidth);
    for (int py = 0; py < s.height; ++py) {
        float* row = s.row(py);
        const int y = py - pad - boxY; // the shape's row
        if (py < pad || py >= pad + outHeight || y < 0 || y >= shape.height() || shapeFrom == shapeTo) {
            std::fill(row, row + planeWidth, 0.0f);
            continue;
        }
        std::fill(row, row + pad + shapeFrom, 0.0f);
        const std::uint8_t* from = shape.row(y) + (shapeFrom - boxX);
        for (int x = shapeFrom; x < shapeTo; ++x) row[x + pad] = from[x - shapeFrom] / 255.0f;
        std::fill(row + pad + shapeTo, row + planeWidth, 0.0f);
    }

    std::vector<const LayerEffect*> order;
    if (style.draws())
        for (const LayerEffect& e : style.effects) order.push_back(&e);
    std::stable_sort(order.begin(), order.end(),
        [](const LayerEffect* a, const LayerEffect* b) { return Layering(a->kind) < Layering(b->kind); });
    for (const LayerEffect* e : order) m_mattes.push_back(MakeMatte(*e, s, settings.scale, format));

    // Paint that varies over the picture: gradients over what of the layer shows (or
    // the canvas), patterns from the effects' reference point (or the canvas's corner).
    const double scale = settings.scale;
    const ShownBox shown = ShownBoxOf(shape, boxX, boxY);
    for (const Matte& m : m_mattes) {
        const LayerEffect& e = *m.effect;
        double left = shown.left, top = shown.top, width = shown.width, height = shown.height;
        if (e.kind == EffectKind::Stroke && e.position != StrokePosition::Inside) {
            const double grow = (e.position == StrokePosition::Centre ? 0.5 : 1.0) * e.size * scale;
            left -= grow, top -= grow, width += 2 * grow, height += 2 * grow;
        }
        if (!e.gradient.alignWithLayer) {
            left = -static_cast<double>(settings.left);
            top = -static_cast<double>(settings.top);
            width = settings.canvasWidth;
            height = settings.canvasHeight;
        }
        m_layouts.emplace_back(e.gradient, left, top, width, height);
    }

    // What each effect is painted with, and whether it can show within the shape.
    for (const Matte& m : m_mattes) {
        const LayerEffect& e = *m.effect;
        Paint p;
        p.gradient = e.kind == EffectKind::GradientOverlay
            || (e.kind == EffectKind::Stroke && e.paint == StrokePaint::Gradient)
            || ((e.kind == EffectKind::OuterGlow || e.kind == EffectKind::InnerGlow) && e.usesGradient);
        p.pattern = e.kind == EffectKind::PatternOverlay
            || (e.kind == EffectKind::Stroke && e.paint == StrokePaint::Pattern);
        switch (e.kind) {
        case EffectKind::DropShadow:
            p.reachesInner = !e.knockedOut;
            break;
        case EffectKind::OuterGlow:
            break;
        case EffectKind::ColorOverlay:
        case EffectKind::GradientOverlay:
        case EffectKind::PatternOverlay:
            p.innerEverywhere = true;
            break;
        case EffectKind::Stroke:
            p.reachesInner = !m.b.values.empty();
            break;
        case EffectKind::Bevel:
            p.reachesInner = e.bevelStyle != BevelStyle::Outer;
            break;
        default:
            p.reachesInner = true;
            break;
        }
        m_paints.push_back(p);
        m_innerCanShow = m_innerCanShow || p.innerEverywhere || p.reachesInner;
    }
}

bool EffectStacks::innerShows(std::size_t i) const {
    for (std::size_t k = 0; k < m_mattes.size(); ++k) {
        const Paint& p = m_paints[k];
        if (p.innerEverywhere) return true;
        if (!p.reachesInner) continue;
        const Matte& m = m_mattes[k];
        if ((m.a.values.empty() || m.a.values[i] != 0) && m.effect->kind != EffectKind::Stroke) return true;
        if (!m.b.values.empty() && m.b.values[i] != 0) return true;
    }
    return false;
}

bool EffectStacks::noneReaches(std::size_t i) const {
    bool none = true;
    for (const Matte& m : m_mattes)
        none = none && (m.a.values.empty() || m.a.values[i] == 0)
            && (m.b.values.empty() || m.b.values[i] == 0);
    return none;
}

int EffectStacks::emptyRun(std::size_t i, int count) const {
    int n = 0;
    while (n < count && !(m_shape.values[i + static_cast<std::size_t>(n)] > 0)
        && noneReaches(i + static_cast<std::size_t>(n)))
        ++n;
    return n;
}

void EffectStacks::build(int x, int y, std::size_t i, const EffectPixel& content, bool withInner,
    bool withOuter, EffectStack& inner, EffectStack& outer) const {
    const int channels = m_channels;
    const LayerStyle& style = m_style;
    const EffectSettings& settings = m_settings;
    const double scale = settings.scale;
    const auto fill = static_cast<float>(std::clamp(settings.fill, 0.0, 1.0));
    const auto intoInner = [&](BlendMode mode, const EffectPixel& paint, float a, int n) {
        if (withInner) inner.over(mode, paint, a, n);
    };
    const auto intoOuter = [&](BlendMode mode, const EffectPixel& paint, float a, int n) {
        if (withOuter) outer.over(mode, paint, a, n);
    };
    bool contentDrawn = false;
    bool interiorDone = false;
    const auto drawContent = [&] {
        intoInner(BlendMode::Normal, content, style.blendInterior ? 1.0f : fill, channels);
        contentDrawn = true;
    };
    const auto endInterior = [&] {
        if (style.blendInterior) {
            for (int c = 0; c < channels; ++c) inner.colour.c[c] *= fill;
            inner.alpha *= fill;
        }
        interiorDone = true;
    };
    for (std::size_t k = 0; k < m_mattes.size(); ++k) {
        const Matte& m = m_mattes[k];
        const LayerEffect& e = *m.effect;
        if (!contentDrawn && Layering(e.kind) > kContentLayering) drawContent();
        if (!interiorDone && contentDrawn && !IsInterior(e.kind)) endInterior();
        const float a = m.a.values.empty() ? 1.0f : m.a.values[i];
        const auto op = static_cast<float>(e.opacity);
        EffectPixel paint = m.colour;
        float paintAlpha = 1;
        if (m_paints[k].gradient) {
            const bool glow = e.kind == EffectKind::OuterGlow || e.kind == EffectKind::InnerGlow;
            // Taken at the pixel's corner, as the editor's own gradients come out.
            const double t = glow ? 1.0 - a : m_layouts[k].position(x, y);
            const GradientSample g = SampleGradient(e.gradient, t);
            paint = EffectColourIn(g.colour, m_format);
            paintAlpha = static_cast<float>(g.opacity);
        } else if (m_paints[k].pattern) {
            double ox = -static_cast<double>(settings.left), oy = -static_cast<double>(settings.top);
            if (e.pattern.linkedWithLayer && style.hasReference) {
                ox += style.referenceX * scale;
                oy += style.referenceY * scale;
            } else if (e.pattern.linkedWithLayer) {
                ox = m_boxX;
                oy = m_boxY;
            }
            if (!SamplePattern(e.pattern, scale, ox + e.pattern.phaseX * scale, oy + e.pattern.phaseY * scale,
                    x, y, paint, paintAlpha))
                paintAlpha = 0;
        }
        switch (e.kind) {
        case EffectKind::DropShadow:
            intoOuter(e.mode, paint, op * a, channels);
            if (!e.knockedOut) intoInner(e.mode, paint, op * a, channels);
            break;
        case EffectKind::OuterGlow:
            intoOuter(e.mode, paint, op * a * paintAlpha, channels);
            break;
        case EffectKind::ColorOverlay:
        case EffectKind::GradientOverlay:
        case EffectKind::PatternOverlay:
            intoInner(e.mode, paint, op * paintAlpha, channels);
            break;
        case EffectKind::Satin:
        case EffectKind::InnerShadow:
        case EffectKind::InnerGlow:
            intoInner(e.mode, paint, op * a * paintAlpha, channels);
            break;
        case EffectKind::Stroke:
            intoOuter(e.mode, paint, op * a * paintAlpha, channels);
            intoInner(e.mode, paint, op * (m.b.values.empty() ? 0.0f : m.b.values[i]) * paintAlpha, channels);
            break;
        case EffectKind::Bevel: {
            const float light = static_cast<float>(e.highlightOpacity) * a;
            const float dark = static_cast<float>(e.shadowOpacity) * m.b.values[i];
            const bool inside = e.bevelStyle != BevelStyle::Outer;
            const bool outside = e.bevelStyle != BevelStyle::Inner;
            if (inside) {
                intoInner(e.shadowMode, m.shadowColour, dark, channels);
                intoInner(e.highlightMode, paint, light, channels);
            }
            if (outside) {
                intoOuter(e.shadowMode, m.shadowColour, dark, channels);
                intoOuter(e.highlightMode, paint, light, channels);
            }
            break;
        }
        }
    }
    if (!contentDrawn) drawContent();
    if (!interiorDone) endInterior();
}

EffectPicture DrawLayerEffects(const Bitmap& colour, const Bitmap& shape, int outWidth, int outHeight,
    int boxX, int boxY, const LayerStyle& style, const EffectSettings& settings) {
    const PixelFormat format = colour.format();
    const int channels = format == PixelFormat::Cmyk32 ? 4 : 3;
    CheckedImageBytes(outWidth, outHeight, 4 * 4, "layer effects");
    EffectPicture out;
    out.colour = Bitmap(outWidth, outHeight, format, UnfilledPixels {});
    out.mask = Bitmap(outWidth, outHeight, PixelFormat::Gray8, UnfilledPixels {});
    const EffectStacks stacks(shape, outWidth, outHeight, boxX, boxY, style, settings, format);

    const auto fill = static_cast<float>(std::clamp(settings.fill, 0.0, 1.0));
    const auto opacity = static_cast<float>(std::clamp(settings.opacity, 0.0, 1.0));
    const int bpp = BytesPerPixel(format);
    const EffectPixel white { { 1, 1, 1, 1 } };
    // Wholly inside the shape where no effect shows, a pixel is the layer's own faded
    // by its fill and opacity: every byte of it becomes one output byte, and the
    // opacity is the same throughout. Worked out once as any pixel is.
    std::array<std::uint8_t, 256> interiorByte {};
    std::uint8_t interiorMask = 0;
    for (int b = 0; b < 256; ++b) {
        EffectPixel content = white;
        for (int c = 0; c < channels; ++c) content.c[c] = b / 255.0f;
        EffectStack inner;
        inner.over(BlendMode::Normal, content, style.blendInterior ? 1.0f : fill, channels);
        if (style.blendInterior) {
            for (int c = 0; c < channels; ++c) inner.colour.c[c] *= fill;
            inner.alpha *= fill;
        }
        std::array<std::uint8_t, 4> pixel {};
        WritePixel(inner, EffectStack {}, 1.0f, opacity, channels, pixel.data(), interiorMask);
        interiorByte[static_cast<std::size_t>(b)] = pixel[0];
    }
    bool interiorAsIs = interiorMask == 255;
    for (int b = 0; b < 256; ++b)
        interiorAsIs = interiorAsIs && interiorByte[static_cast<std::size_t>(b)] == b;
    const bool innerCanShow = stacks.innerCanShow();
    const auto ubpp = static_cast<std::size_t>(bpp);
    for (int y = 0; y < outHeight; ++y) {
        std::uint8_t* dst = out.colour.row(y);
        std::uint8_t* dstMask = out.mask.row(y);
        const int ly = y - boxY;
        const bool rowInBox = ly >= 0 && ly < colour.height();
        const std::size_t rowIndex = stacks.index(0, y);
        for (int x = 0; x < outWidth;) {
            const std::size_t i = rowIndex + static_cast<std::size_t>(x);
            const float sv = stacks.shapeAt(i);
            // Where the shape is empty or full only the stack outside or within it shows.
            const bool showsInner = sv > 0;
            const bool showsOuter = sv < 1;
            if (!showsOuter && !innerCanShow) {
                // A run wholly inside the shape where no effect shows: the layer's own bytes.
                int end = x + 1;
                // Eight at a time, counted without a branch per value.
                while (end + 8 <= outWidth) {
                    int full = 0;
                    for (int k = 0; k < 8; ++k)
                        full += stacks.shapeAt(rowIndex + static_cast<std::size_t>(end + k)) >= 1 ? 1 : 0;
                    if (full < 8) break;
                    end += 8;
                }
                while (end < outWidth && stacks.shapeAt(rowIndex + static_cast<std::size_t>(end)) >= 1) ++end;
                const std::uint8_t* p = colour.row(ly) + static_cast<std::size_t>(x - boxX) * ubpp;
                std::uint8_t* d = dst + static_cast<std::size_t>(x) * ubpp;
                const auto bytes = static_cast<std::size_t>(end - x) * ubpp;
                if (interiorAsIs)
                    std::memcpy(d, p, bytes);
                else
                    for (std::size_t k = 0; k < bytes; ++k) d[k] = interiorByte[p[k]];
                std::memset(dstMask + x, interiorMask, static_cast<std::size_t>(end - x));
                x = end;
                continue;
            }
            if (!showsOuter && !stacks.innerShows(i)) {
                const std::uint8_t* p = colour.row(ly) + static_cast<std::size_t>(x - boxX) * ubpp;
                std::uint8_t* d = dst + static_cast<std::size_t>(x) * ubpp;
                for (int k = 0; k < bpp; ++k) d[k] = interiorByte[p[k]];
                dstMask[x] = interiorMask;
                ++x;
                continue;
            }
            if (!showsInner) { // where nothing reaches: transparent
                const int run = stacks.emptyRun(i, outWidth - x);
                if (run > 0) {
                    std::memset(dstMask + x, 0, static_cast<std::size_t>(run));
                    std::memset(
                        dst + static_cast<std::size_t>(x) * ubpp, 255, static_cast<std::size_t>(run) * ubpp);
                    x += run;
                    continue;
                }
            }
            EffectPixel content = white;
            const int lx = x - boxX;
            if (showsInner && rowInBox && lx >= 0 && lx < colour.width())
                content = EffectPixelAt(colour.row(ly) + static_cast<std::size_t>(lx) * ubpp, channels);
            EffectStack inner;
            EffectStack outer;
            stacks.build(x, y, i, content, showsInner, showsOuter, inner, outer);
            WritePixel(
                inner, outer, sv, opacity, channels, dst + static_cast<std::size_t>(x) * ubpp, dstMask[x]);
            ++x;
        }
    }
    return out;
}

int LayerEffectReach(const LayerRecord& layer, double scale) {
    return (layer.Effects ? EffectReach(*layer.Effects, scale) : 0)
        + (layer.FolderEffects ? EffectReach(*layer.FolderEffects, scale) : 0);
}

EffectPicture DrawEffectsOf(const LayerRecord& layer, const Bitmap& colour, const Bitmap& shape, int outWidth,
    int outHeight, int boxX, int boxY, const EffectSettings& placement) {
    static const LayerStyle kNone;
    const bool clipped = layer.ClipBase >= 0;
    // The folders' opacity of a layer whose folder draws effects over several layers
    // comes after those effects (DrawFolderEffectSets).
    const int folderOpacity = layer.MergedFolders.empty() ? layer.FolderOpacity : 255;
    EffectSettings own = placement;
    if (!layer.FolderEffects) {
        SetLayerOpacities(own, layer.Opacity, layer.FillOpacity, folderOpacity, clipped);
        return DrawLayerEffects(
            colour, shape, outWidth, outHeight, boxX, boxY, layer.Effects ? *layer.Effects : kNone, own);
    }
    SetLayerOpacities(own, layer.Opacity, layer.FillOpacity, 255, true);
    const EffectPicture first = DrawLayerEffects(
        colour, shape, outWidth, outHeight, boxX, boxY, layer.Effects ? *layer.Effects : kNone, own);
    EffectSettings folder = placement;
    SetLayerOpacities(folder, 255, layer.FolderFillOpacity, folderOpacity, clipped);
    return DrawLayerEffects(
        first.colour, first.mask, outWidth, outHeight, 0, 0, *layer.FolderEffects, folder);
}

EffectPicture LoadLayerWorkFiles(const LayerRecord& layer, int n, const std::filesystem::path& workFolder) {
    EffectPicture own { LoadBmp(workFolder / LayerFileName(n)), LoadBmp(workFolder / LayerMaskFileName(n)) };
    const std::int64_t reach = layer.EffectReach;
    if (own.mask.format() != PixelFormat::Gray8 || own.colour.width() != own.mask.width()
        || own.colour.height() != own.mask.height() || own.colour.width() + 2 * reach != layer.Width
        || own.colour.height() + 2 * reach != layer.Height)
        throw Error(LayerFileName(n) + ": the layer's work files do not fit its box");
    return own;
}

std::vector<std::size_t> WriteLayerEffectFiles(
    const Document& doc, std::size_t index, const std::filesystem::path& workFolder) {
    const LayerRecord& record = doc.Layers.at(index);
    if (!record.MergedFolders.empty()) return WriteFolderEffectFiles(doc, workFolder);
    const int n = static_cast<int>(index) + 1;
    const EffectPicture own = LoadLayerWorkFiles(record, n, workFolder);
    const std::int64_t reach = record.EffectReach;
    EffectSettings placement;
    placement.left = record.Left;
    placement.top = record.Top;
    placement.canvasWidth = doc.SourceWidth;
    placement.canvasHeight = doc.SourceHeight;
    const EffectPicture drawn = DrawEffectsOf(record, own.colour, own.mask, record.Width, record.Height,
        static_cast<int>(reach), static_cast<int>(reach), placement);
    SaveWorkBmp(drawn.colour, workFolder / EffectLayerFileName(n));
    SaveWorkBmp(drawn.mask, workFolder / EffectLayerMaskFileName(n));
    return { index };
}

} // namespace deptrix
