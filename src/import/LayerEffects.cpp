#include "import/LayerEffects.h"

#include "core/ByteReader.h"
#include "core/Error.h"
#include "import/Descriptor.h"
#include "import/TaggedBlocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace deptrix {

namespace {

/// Largest effect size or distance taken from a file, in pixels: editors offer 250
/// (and up to 1000 % scale); more marks a damaged block and would only cost time.
constexpr double kMaxEffectPixels = 1000;

double Finite(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

double Clamp(double v, double low, double high, double fallback) {
    return std::clamp(Finite(v, fallback), low, high);
}

BlendMode ModeFromWord(std::string_view word, bool& known) {
    struct Entry {
        const char* word;
        BlendMode mode;
    };
    static constexpr Entry kModes[] = { { "Nrml", BlendMode::Normal }, { "Dslv", BlendMode::Dissolve },
        { "Drkn", BlendMode::Darken }, { "Mltp", BlendMode::Multiply }, { "CBrn", BlendMode::ColorBurn },
        { "linearBurn", BlendMode::LinearBurn }, { "darkerColor", BlendMode::DarkerColor },
        { "Lghn", BlendMode::Lighten }, { "Scrn", BlendMode::Screen }, { "CDdg", BlendMode::ColorDodge },
        { "linearDodge", BlendMode::LinearDodge }, { "lighterColor", BlendMode::LighterColor },
        { "Ovrl", BlendMode::Overlay }, { "SftL", BlendMode::SoftLight }, { "HrdL", BlendMode::HardLight },
        { "vividLight", BlendMode::VividLight }, { "linearLight", BlendMode::LinearLight },
        { "pinLight", BlendMode::PinLight }, { "hardMix", BlendMode::HardMix },
        { "Dfrn", BlendMode::Difference }, { "Xclu", BlendMode::Exclusion },
        { "blendSubtraction", BlendMode::Subtract }, { "blendDivide", BlendMode::Divide },
        { "H   ", BlendMode::Hue }, { "Strt", BlendMode::Saturation }, { "Clr ", BlendMode::Color },
        { "Lmns", BlendMode::Luminosity } };
    known = true;
    for (const Entry& entry : kModes)
        if (word == entry.word) return entry.mode;
    known = word.empty();
    return BlendMode::Normal;
}

/// HSB (hue in degrees, saturation and brightness 0..1) to RGB 0..255.
EffectColour FromHsb(double hue, double saturation, double brightness) {
    hue = std::fmod(std::fmod(hue, 360.0) + 360.0, 360.0) / 60.0;
    const int sector = static_cast<int>(hue) % 6;
    const double f = hue - std::floor(hue);
    const double v = brightness * 255.0;
    const double p = v * (1 - saturation), q = v * (1 - saturation * f), t = v * (1 - saturation * (1 - f));
    switch (sector) {
    case 0:
        return { v, t, p };
    case 1:
        return { q, v, p };
    case 2:
        return { p, v, t };
    case 3:
        return { p, q, v };
    case 4:
        return { t, p, v };
    default:
        return { v, p, q };
    }
}

EffectColour ReadColour(const DescriptorValue* colour, EffectColour fallback) {
    if (!colour || colour->type != DescriptorValue::Type::Object) return fallback;
    const auto pct = [&](std::string_view key) { return Clamp(colour->number(key, 0), 0, 100, 0) / 100.0; };
    EffectColour c = fallback;
    const std::string& cls = colour->text;
    if (cls == "RGBC") {
        if (colour->find("redFloat")) {
            c = { colour->number("redFloat", 0) * 255, colour->number("greenFloat", 0) * 255,
                colour->number("blueFloat", 0) * 255 };
        } else {
            c = { colour->number("Rd  ", 0), colour->number("Grn ", 0), colour->number("Bl  ", 0) };
        }
    } else if (cls == "HSBC") {
        c = FromHsb(Finite(colour->number("H   ", 0), 0), pct("Strt"), pct("Brgh"));
    } else if (cls == "CMYC") {
        // Without the document's profile: the plain complement.
        const double k = 1 - pct("Blck");
        c = { 255 * (1 - pct("Cyn ")) * k, 255 * (1 - pct("Mgnt")) * k, 255 * (1 - pct("Ylw ")) * k };
    } else if (cls == "Grsc") {
        const double v = 255 * (1 - pct("Gry "));
        c = { v, v, v };
    } else if (cls == "LbCl") {
        // CIE L*a*b* (D50) to sRGB, enough for the rare effect colour stored so.
        const double l = Finite(colour->number("Lmnc", 0), 0), a = Finite(colour->number("A   ", 0), 0),
                     b = Finite(colour->number("B   ", 0), 0);
        const double fy = (l + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
        const auto inv = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * 36.0 / 841 * (t - 4.0 / 29); };
        const double x = 0.9642 * inv(fx), y = inv(fy), z = 0.8249 * inv(fz);
        const double rl = 3.1339 * x - 1.6169 * y - 0.4906 * z;
        const double gl = -0.9788 * x + 1.9161 * y + 0.0335 * z;
        const double bl = 0.0719 * x - 0.2290 * y + 1.4052 * z;
        const auto gamma = [](double v) {
            v = std::clamp(v, 0.0, 1.0);
            return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
        };
        c = { gamma(rl), gamma(gl), gamma(bl) };
    }
    c.red = Clamp(c.red, 0, 255, 0);
    c.green = Clamp(c.green, 0, 255, 0);
    c.blue = Clamp(c.blue, 0, 255, 0);
    return c;
}

Contour ReadContour(const DescriptorValue* shape) {
    Contour contour;
    if (!shape) return contour;
    const DescriptorValue* curve = shape->find("Crv ");
    if (!curve || curve->type != DescriptorValue::Type::List || curve->list.size() < 2) return contour;
    contour.points.clear();
    for (std::size_t i = 0; i < curve->list.size(); ++i) {
        const DescriptorValue& point = curve->list[i];
        contour.points.push_back(
            { Clamp(point.number("Hrzn", 0), 0, 255, 0), Clamp(point.number("Vrtc", 0), 0, 255, 0) });
        const bool inner = i > 0 && i + 1 < curve->list.size();
        if (inner && point.flag("Cnty", true)) contour.smooth = true;
    }
    std::stable_sort(contour.points.begin(), contour.points.end(),
        [](const auto& a, const auto& b) { return a[0] < b[0]; });
    return contour;
}

GradientFill ReadGradient(const DescriptorValue& effect) {
    GradientFill fill;
    const DescriptorValue* gradient = effect.find("Grad");
    if (gradient && gradient->type == DescriptorValue::Type::Object) {
        fill.noise = gradient->word("GrdF") == "ClNs";
        fill.smoothness = Clamp(gradient->number("Intr", 0), 0, 4096, 0) / 4096.0;
        if (const DescriptorValue* stops = gradient->find("Clrs"))
            for (const DescriptorValue& stop : stops->list) {
                GradientColourStop s;
                s.location = Clamp(stop.number("Lctn", 0), 0, 4096, 0) / 4096.0;
                s.midpoint = Clamp(stop.number("Mdpn", 50), 0, 100, 50) / 100.0;
                // Stops that take the foreground or background colour are stored with
                // what the colours were when saved, or without: black and white then.
                const std::string_view type = stop.word("Type");
                const EffectColour fallback
                    = type == "BckC" ? EffectColour { 255, 255, 255 } : EffectColour {};
                s.colour = ReadColour(stop.find("Clr "), fallback);
                fill.colours.push_back(s);
            }
        if (const DescriptorValue* stops = gradient->find("Trns"))
            for (const DescriptorValue& stop : stops->list) {
                GradientOpacityStop s;
                s.location = Clamp(stop.number("Lctn", 0), 0, 4096, 0) / 4096.0;
                s.midpoint = Clamp(stop.number("Mdpn", 50), 0, 100, 50) / 100.0;
                s.opacity = Clamp(stop.number("Opct", 100), 0, 100, 100) / 100.0;
                fill.opacities.push_back(s);
            }
    }
    if (fill.noise || fill.colours.empty())
        fill.colours = { { 0, 0.5, { 0, 0, 0 } }, { 1, 0.5, { 255, 255, 255 } } };
    if (fill.opacities.empty()) fill.opacities = { { 0, 0.5, 1 }, { 1, 0.5, 1 } };
    const auto byLocation = [](const auto& a, const auto& b) { return a.location < b.location; };
    std::stable_sort(fill.colours.begin(), fill.colours.end(), byLocation);
    std::stable_sort(fill.opacities.begin(), fill.opacities.end(), byLocation);

    const std::string_view type = effect.word("Type");
    fill.style = type == "Rdl " ? GradientStyle::Radial
        : type == "Angl"        ? GradientStyle::Angle
        : type == "Rflc"        ? GradientStyle::Reflected
        : type == "Dmnd"        ? GradientStyle::Diamond
                                : GradientStyle::Linear;
    fill.angle = Finite(effect.number("Angl", 90), 90);
    fill.reverse = effect.flag("Rvrs", false);
    fill.alignWithLayer = effect.flag("Algn", true);
    fill.scale = Clamp(effect.number("Scl ", 100), 1, 1000, 100) / 100.0;
    if (const DescriptorValue* offset = effect.find("Ofst")) {
        fill.offsetX = Clamp(offset->number("Hrzn", 0), -1000, 1000, 0) / 100.0;
        fill.offsetY = Clamp(offset->number("Vrtc", 0), -1000, 1000, 0) / 100.0;
    }
    return fill;
}

PatternPlacement ReadPattern(const DescriptorValue& effect) {
    PatternPlacement pattern;
    if (const DescriptorValue* p = effect.find("Ptrn")) {
        pattern.id = std::string(p->word("Idnt"));
        pattern.name = std::string(p->word("Nm  "));
    }
    pattern.scale = Clamp(effect.number("Scl ", 100), 1, 1000, 100) / 100.0;
    pattern.linkedWithLayer = effect.flag("Algn", effect.flag("Lnkd", true));
    if (const DescriptorValue* phase = effect.find("phase")) {
        pattern.phaseX = Clamp(phase->number("Hrzn", 0), -1e6, 1e6, 0);
        pattern.phaseY = Clamp(phase->number("Vrtc", 0), -1e6, 1e6, 0);
    }
    return pattern;
}

/// The effect's common and kind-specific parameters; `scale` is the style's scale.
LayerEffect ReadEffect(EffectKind kind, const DescriptorValue& d, double scale) {
    LayerEffect e;
    e.kind = kind;
    const auto pixels = [&](std::string_view key, double fallback) {
        return Clamp(d.number(key, fallback) * scale, 0, kMaxEffectPixels, fallback);
    };
    const auto fraction = [&](std::string_view key, double fallback) {
        return Clamp(d.number(key, fallback), 0, 100, fallback) / 100.0;
    };
    e.mode = ModeFromWord(d.word("Md  "), e.knownMode);
    e.opacity = fraction("Opct", 100);
    e.colour = ReadColour(d.find("Clr "), {});
    e.angle = Finite(d.number("lagl", 120), 120);
    e.globalAngle = d.flag("uglg", false);
    e.distance = pixels("Dstn", 0);
    e.spread = fraction("Ckmt", 0);
    e.size = pixels("blur", 0);
    e.noise = fraction("Nose", 0);
    e.knockedOut = d.flag("layerConceals", true);
    e.antiAliased = d.flag("AntA", false);
    e.contour = ReadContour(d.find(kind == EffectKind::Satin ? "MpgS" : "TrnS"));
    e.precise = d.word("GlwT") == "PrBL";
    e.fromCentre = d.word("glwS") == "SrcC";
    e.range = fraction("Inpr", 50);
    e.jitter = fraction("ShdN", 0);
    e.invert = d.flag("Invr", false);
    e.usesGradient = d.find("Grad") && !d.find("Clr ");

    switch (kind) {
    case EffectKind::Stroke: {
        const std::string_view style = d.word("Styl");
        e.position = style == "InsF" ? StrokePosition::Inside
            : style == "CtrF"        ? StrokePosition::Centre
                                     : StrokePosition::Outside;
        const std::string_view paint = d.word("PntT");
        e.paint = paint == "GrFl" ? StrokePaint::Gradient
            : paint == "Ptrn"     ? StrokePaint::Pattern
                                  : StrokePaint::Colour;
        e.size = pixels("Sz  ", 3);
        break;
    }
    case EffectKind::Bevel: {
        bool known = true;
        e.highlightMode = ModeFromWord(d.word("hglM"), known);
        e.shadowMode = ModeFromWord(d.word("sdwM"), known);
        e.knownMode = known;
        e.highlightColour = ReadColour(d.find("hglC"), { 255, 255, 255 });
        e.shadowColour = ReadColour(d.find("sdwC"), {});
        e.highlightOpacity = fraction("hglO", 75);
        e.shadowOpacity = fraction("sdwO", 75);
        const std::string_view technique = d.word("bvlT");
        e.technique = technique == "PrBL" ? BevelTechnique::ChiselHard
            : technique == "Slmt"         ? BevelTechnique::ChiselSoft
                                          : BevelTechnique::Smooth;
        const std::string_view style = d.word("bvlS");
        e.bevelStyle = style == "OtrB" ? BevelStyle::Outer
            : style == "Embs"          ? BevelStyle::Emboss
            : style == "PlEb"          ? BevelStyle::Pillow
            : style == "strokeEmboss"  ? BevelStyle::StrokeEmboss
                                       : BevelStyle::Inner;
        e.altitude = Clamp(d.number("Lald", 30), 0, 90, 30);
        e.globalAltitude = e.globalAngle;
        e.depth = Clamp(d.number("srgR", 100), 1, 1000, 100) / 100.0;
        e.up = d.word("bvlD") != "Out ";
        e.soften = pixels("Sftn", 0);
        e.usesContour = d.flag("useShape", false);
        if (e.usesContour) e.contour = ReadContour(d.find("MpgS"));
        e.usesTexture = d.flag("useTexture", false);
        break;
    }
    case EffectKind::GradientOverlay:
        e.usesGradient = true;
        break;
    default:
        break;
    }
    if (e.usesGradient || e.paint == StrokePaint::Gradient) e.gradient = ReadGradient(d);
    if (kind == EffectKind::PatternOverlay || e.paint == StrokePaint::Pattern) e.pattern = ReadPattern(d);
    return e;
}

struct KeyKind {
    const char* key;
    EffectKind kind;
};
constexpr KeyKind kSingleKeys[] = { { "DrSh", EffectKind::DropShadow }, { "IrSh", EffectKind::InnerShadow },
    { "OrGl", EffectKind::OuterGlow }, { "IrGl", EffectKind::InnerGlow }, { "ebbl", EffectKind::Bevel },
    { "ChFX", EffectKind::Satin }, { "SoFi", EffectKind::ColorOverlay },
    { "GrFl", EffectKind::GradientOverlay }, { "patternFill", EffectKind::PatternOverlay },
    { "FrFX", EffectKind::Stroke } };
constexpr KeyKind kMultiKeys[] = { { "dropShadowMulti", EffectKind::DropShadow },
    { "innerShadowMulti", EffectKind::InnerShadow }, { "solidFillMulti", EffectKind::ColorOverlay },
    { "gradientFillMulti", EffectKind::GradientOverlay }, { "frameFXMulti", EffectKind::Stroke } };

LayerStyle StyleFromDescriptor(const DescriptorValue& root) {
    LayerStyle style;
    style.present = true;
    style.masterOn = root.flag("masterFXSwitch", true);
    // "Scl " records the scale last applied to the style; the sizes stored are
    // already the scaled ones.
    const double scale = 1.0;
    const auto take = [&](EffectKind kind, const DescriptorValue& effect) {
        if (effect.type == DescriptorValue::Type::Object && effect.flag("enab", false))
            style.effects.push_back(ReadEffect(kind, effect, scale));
    };
    for (const DescriptorItem& item : root.items) {
        for (const KeyKind& k : kSingleKeys)
            if (item.key == k.key) take(k.kind, item.value);
        for (const KeyKind& k : kMultiKeys)
            if (item.key == k.key)
                // The first of several is the top one: drawn last.
                for (auto it = item.value.list.rbegin(); it != item.value.list.rend(); ++it)
                    take(k.kind, *it);
    }
    return style;
}

/// The older fixed-layout records.
class OldEffects {
public:
    explicit OldEffects(ByteReader in)
        : m_in(in) { }

    LayerStyle read() {
        LayerStyle style;
        style.present = true;
        m_in.skip(2); // version
        const std::uint16_t count = m_in.u16();
        for (std::uint16_t i = 0; i < count; ++i) {
            m_in.skip(4); // signature
            const auto key = m_in.bytes(4);
            ByteReader data = m_in.sub(m_in.u32(), m_in.context());
            const std::string k(key.begin(), key.end());
            if (k == "cmnS") {
                data.skip(4);
                style.masterOn = data.u8() != 0;
            } else if (k == "dsdw" || k == "isdw") {
                shadow(data, k == "dsdw" ? EffectKind::DropShadow : EffectKind::InnerShadow, style);
            } else if (k == "oglw" || k == "iglw") {
                glow(data, k == "oglw" ? EffectKind::OuterGlow : EffectKind::InnerGlow, style);
            } else if (k == "bevl") {
                bevel(data, style);
            } else if (k == "sofi") {
                LayerEffect e;
                e.kind = EffectKind::ColorOverlay;
                data.skip(4);
                e.mode = mode(data, e.knownMode);
                e.colour = colour(data);
                e.opacity = data.u8() / 255.0;
                if (data.u8() != 0) style.effects.push_back(e);
            }
        }
        return style;
    }

private:
    /// Sizes are whole pixels in some writers and 16.16 fixed point in others.
    static double pixels(ByteReader& in) {
        const std::uint32_t raw = in.u32();
        const double v = raw > 0xFFFF ? raw / 65536.0 : raw;
        return std::min(v, kMaxEffectPixels);
    }
    static EffectColour colour(ByteReader& in) {
        in.skip(2); // colour space: RGB in every file seen
        EffectColour c;
        c.red = in.u16() / 257.0;
        c.green = in.u16() / 257.0;
        c.blue = in.u16() / 257.0;
        in.skip(2);
        return c;
    }
    static BlendMode mode(ByteReader& in, bool& known) {
        in.skip(4);
        const auto key = in.bytes(4);
        BlendKey k;
        std::memcpy(k.data(), key.data(), 4);
        known = IsKnownBlendModeKey(k);
        return BlendModeFromKey(k);
    }
    static void shadow(ByteReader& in, EffectKind kind, LayerStyle& style) {
        LayerEffect e;
        e.kind = kind;
        in.skip(4); // version
        e.size = pixels(in);
        in.skip(4); // intensity
        e.angle = static_cast<std::int32_t>(in.u32());
        e.distance = pixels(in);
        e.colour = colour(in);
        e.mode = mode(in, e.knownMode);
        const bool enabled = in.u8() != 0;
        e.globalAngle = in.u8() != 0;
        e.opacity = in.u8() / 255.0;
        if (enabled) style.effects.push_back(e);
    }
    static void glow(ByteReader& in, EffectKind kind, LayerStyle& style) {
        LayerEffect e;
        e.kind = kind;
        in.skip(4);
        e.size = pixels(in);
        in.skip(4);
        e.colour = colour(in);
        e.mode = mode(in, e.knownMode);
        const bool enabled = in.u8() != 0;
        e.opacity = in.u8() / 255.0;
        if (enabled) style.effects.push_back(e);
    }
    static void bevel(ByteReader& in, LayerStyle& style) {
        LayerEffect e;
        e.kind = EffectKind::Bevel;
        in.skip(4);
        e.angle = static_cast<std::int32_t>(in.u32());
        e.depth = std::clamp(static_cast<double>(in.u32()) / 100.0, 0.01, 10.0);
        e.size = pixels(in);
        bool known = true;
        e.highlightMode = mode(in, known);
        e.shadowMode = mode(in, known);
        e.knownMode = known;
        e.highlightColour = colour(in);
        e.shadowColour = colour(in);
        const std::uint8_t bevelStyle = in.u8();
        e.bevelStyle = bevelStyle == 1 ? BevelStyle::Outer
            : bevelStyle == 3          ? BevelStyle::Emboss
            : bevelStyle == 4          ? BevelStyle::Pillow
                                       : BevelStyle::Inner;
        e.highlightOpacity = in.u8() / 255.0;
        e.shadowOpacity = in.u8() / 255.0;
        const bool enabled = in.u8() != 0;
        e.globalAngle = e.globalAltitude = in.u8() != 0;
        e.up = in.u8() == 0;
        if (enabled) style.effects.push_back(e);
    }

    ByteReader m_in;
};

} // namespace

LayerStyle ReadLayerStyle(const TaggedBlock& block) {
    try {
        ByteReader in(block.data, ByteOrder::BigEndian, "effects");
        if (block.is("lrFX")) return OldEffects(in).read();
        in.skip(8); // block version, descriptor version
        return StyleFromDescriptor(ReadDescriptor(in));
    } catch (const Error&) {
        LayerStyle style;
        style.present = true;
        style.readable = false;
        return style;
    }
}

} // namespace deptrix
