#include "import/EffectsWriter.h"

#include <cstring>
#include <string>

namespace deptrix {

namespace {

class DescriptorOut {
public:
    std::vector<std::uint8_t> bytes;

    void u32(std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) bytes.push_back(static_cast<std::uint8_t>(v >> s));
    }
    void raw(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
    void id(const std::string& s) {
        u32(s.size() == 4 ? 0 : static_cast<std::uint32_t>(s.size()));
        raw(s);
    }
    void begin(const std::string& cls, std::uint32_t members) {
        u32(1);
        bytes.push_back(0), bytes.push_back(0); // an empty name: one zero unit
        id(cls);
        u32(members);
    }
    void key(const std::string& k, const char* type) {
        id(k);
        raw(type);
    }
    void real(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u32(static_cast<std::uint32_t>(bits >> 32));
        u32(static_cast<std::uint32_t>(bits));
    }
    void unit(const std::string& k, const char* u, double v) {
        key(k, "UntF");
        raw(u);
        real(v);
    }
    void flag(const std::string& k, bool v) {
        key(k, "bool");
        bytes.push_back(v ? 1 : 0);
    }
    void word(const std::string& k, const std::string& type, const std::string& v) {
        key(k, "enum");
        id(type);
        id(v);
    }
    void integer(const std::string& k, std::int32_t v) {
        key(k, "long");
        u32(static_cast<std::uint32_t>(v));
    }
    void colour(const std::string& k, const EffectColour& c) {
        key(k, "Objc");
        begin("RGBC", 3);
        key("Rd  ", "doub"), real(c.red);
        key("Grn ", "doub"), real(c.green);
        key("Bl  ", "doub"), real(c.blue);
    }
};

const char* ModeWord(BlendMode mode) {
    switch (mode) {
    case BlendMode::Multiply:
        return "Mltp";
    case BlendMode::Screen:
        return "Scrn";
    case BlendMode::Overlay:
        return "Ovrl";
    case BlendMode::Darken:
        return "Drkn";
    case BlendMode::Lighten:
        return "Lghn";
    case BlendMode::Difference:
        return "Dfrn";
    case BlendMode::LinearDodge:
        return "linearDodge";
    default:
        return "Nrml";
    }
}

/// The gradient object and the five members that place it: six members in all.
void Gradient(DescriptorOut& o, const GradientFill& g) {
    o.key("Grad", "Objc");
    o.begin("Grdn", 4);
    o.word("GrdF", "GrdF", "CstS");
    o.integer("Intr", static_cast<std::int32_t>(g.smoothness * 4096 + 0.5));
    o.key("Clrs", "VlLs");
    o.u32(static_cast<std::uint32_t>(g.colours.size()));
    for (const GradientColourStop& s : g.colours) {
        o.raw("Objc");
        o.begin("Clrt", 4);
        o.colour("Clr ", s.colour);
        o.word("Type", "Clry", "UsrS");
        o.integer("Lctn", static_cast<std::int32_t>(s.location * 4096 + 0.5));
        o.integer("Mdpn", static_cast<std::int32_t>(s.midpoint * 100 + 0.5));
    }
    o.key("Trns", "VlLs");
    o.u32(static_cast<std::uint32_t>(g.opacities.size()));
    for (const GradientOpacityStop& s : g.opacities) {
        o.raw("Objc");
        o.begin("TrnS", 3);
        o.unit("Opct", "#Prc", s.opacity * 100);
        o.integer("Lctn", static_cast<std::int32_t>(s.location * 4096 + 0.5));
        o.integer("Mdpn", static_cast<std::int32_t>(s.midpoint * 100 + 0.5));
    }
    static constexpr const char* kTypes[] = { "Lnr ", "Rdl ", "Angl", "Rflc", "Dmnd" };
    o.unit("Angl", "#Ang", g.angle);
    o.word("Type", "GrdT", kTypes[static_cast<int>(g.style)]);
    o.flag("Rvrs", g.reverse);
    o.flag("Algn", g.alignWithLayer);
    o.unit("Scl ", "#Prc", g.scale * 100);
}

const char* Key(EffectKind kind) {
    switch (kind) {
    case EffectKind::DropShadow:
        return "DrSh";
    case EffectKind::InnerShadow:
        return "IrSh";
    case EffectKind::OuterGlow:
        return "OrGl";
    case EffectKind::InnerGlow:
        return "IrGl";
    case EffectKind::Bevel:
        return "ebbl";
    case EffectKind::Satin:
        return "ChFX";
    case EffectKind::ColorOverlay:
        return "SoFi";
    case EffectKind::GradientOverlay:
        return "GrFl";
    case EffectKind::PatternOverlay:
        return "patternFill";
    case EffectKind::Stroke:
        return "FrFX";
    }
    return "SoFi";
}

void Effect(DescriptorOut& o, const LayerEffect& e) {
    const bool gradient = e.kind == EffectKind::GradientOverlay || e.paint == StrokePaint::Gradient;
    const bool stroke = e.kind == EffectKind::Stroke;
    const bool bevel = e.kind == EffectKind::Bevel;
    o.begin(Key(e.kind), 3u + (gradient ? 7u : 1u) + 4u + (stroke ? 3u : 0u) + 13u);
    o.flag("enab", true);
    o.word("Md  ", "BlnM", ModeWord(e.mode));
    o.unit("Opct", "#Prc", e.opacity * 100);
    if (!gradient) o.colour("Clr ", e.colour);
    if (gradient) {
        Gradient(o, e.gradient);
        o.colour("Clr ", e.colour); // editors keep the colour beside a gradient stroke
    }
    o.flag("uglg", e.globalAngle);
    o.unit("lagl", "#Ang", e.angle);
    o.unit("Dstn", "#Pxl", e.distance);
    o.unit("blur", "#Pxl", e.size);
    if (stroke) {
        static constexpr const char* kPositions[] = { "OutF", "InsF", "CtrF" };
        static constexpr const char* kPaints[] = { "SClr", "GrFl", "Ptrn" };
        o.word("Styl", "FStl", kPositions[static_cast<int>(e.position)]);
        o.word("PntT", "FrFl", kPaints[static_cast<int>(e.paint)]);
        o.unit("Sz  ", "#Pxl", e.size);
    }
    if (bevel) {
        static constexpr const char* kStyles[] = { "InrB", "OtrB", "Embs", "PlEb", "strokeEmboss" };
        static constexpr const char* kTechniques[] = { "SfBL", "PrBL", "Slmt" };
        o.word("hglM", "BlnM", ModeWord(e.highlightMode));
        o.colour("hglC", e.highlightColour);
        o.unit("hglO", "#Prc", e.highlightOpacity * 100);
        o.word("sdwM", "BlnM", ModeWord(e.shadowMode));
        o.colour("sdwC", e.shadowColour);
        o.unit("sdwO", "#Prc", e.shadowOpacity * 100);
        o.word("bvlT", "bvlT", kTechniques[static_cast<int>(e.technique)]);
        o.word("bvlS", "BESl", kStyles[static_cast<int>(e.bevelStyle)]);
        o.unit("Lald", "#Ang", e.altitude);
        o.unit("srgR", "#Prc", e.depth * 100);
        o.word("bvlD", "BESs", e.up ? "In  " : "Out ");
        o.unit("Sftn", "#Pxl", e.soften);
        o.flag("useTexture", e.usesTexture);
    } else {
        o.unit("Ckmt", "#Prc", e.spread * 100);
        o.unit("Nose", "#Prc", e.noise * 100);
        o.flag("layerConceals", e.knockedOut);
        o.word("GlwT", "BETE", e.precise ? "PrBL" : "SfBL");
        o.word("glwS", "IGSr", e.fromCentre ? "SrcC" : "SrcE");
        o.unit("Inpr", "#Prc", e.range * 100);
        o.flag("Invr", e.invert);
        o.flag("AntA", e.antiAliased);
        o.unit("Scl ", "#Prc", 100);
        o.flag("Lnkd", e.pattern.linkedWithLayer);
        o.flag("Algn", e.gradient.alignWithLayer);
        o.key("Ptrn", "Objc");
        o.begin("Ptrn", 1);
        o.key("Idnt", "TEXT");
        o.u32(static_cast<std::uint32_t>(e.pattern.id.size()));
        for (char c : e.pattern.id) o.bytes.push_back(0), o.bytes.push_back(static_cast<std::uint8_t>(c));
        o.unit("ShdN", "#Prc", e.jitter * 100);
    }
}

} // namespace

std::vector<std::uint8_t> EffectsBlockData(const LayerStyle& style) {
    DescriptorOut o;
    o.u32(0); // block version
    o.u32(16); // descriptor version
    o.begin("null", static_cast<std::uint32_t>(style.effects.size()) + 1);
    o.flag("masterFXSwitch", style.masterOn);
    for (const LayerEffect& e : style.effects) {
        o.key(Key(e.kind), "Objc");
        Effect(o, e);
    }
    return o.bytes;
}

} // namespace deptrix
