#include "core/BlendModes.h"

#include <cstring>

namespace deptrix {

namespace {

struct ModeEntry {
    const char* key;
    BlendMode mode;
    std::string_view name;
};

constexpr ModeEntry kModes[] = {
    { "norm", BlendMode::Normal, "Normal" },
    { "diss", BlendMode::Dissolve, "Dissolve" },
    { "dark", BlendMode::Darken, "Darken" },
    { "mul ", BlendMode::Multiply, "Multiply" },
    { "idiv", BlendMode::ColorBurn, "Color Burn" },
    { "lbrn", BlendMode::LinearBurn, "Linear Burn" },
    { "dkCl", BlendMode::DarkerColor, "Darker Color" },
    { "lite", BlendMode::Lighten, "Lighten" },
    { "scrn", BlendMode::Screen, "Screen" },
    { "div ", BlendMode::ColorDodge, "Color Dodge" },
    { "lddg", BlendMode::LinearDodge, "Linear Dodge (Add)" },
    { "lgCl", BlendMode::LighterColor, "Lighter Color" },
    { "over", BlendMode::Overlay, "Overlay" },
    { "sLit", BlendMode::SoftLight, "Soft Light" },
    { "hLit", BlendMode::HardLight, "Hard Light" },
    { "vLit", BlendMode::VividLight, "Vivid Light" },
    { "lLit", BlendMode::LinearLight, "Linear Light" },
    { "pLit", BlendMode::PinLight, "Pin Light" },
    { "hMix", BlendMode::HardMix, "Hard Mix" },
    { "diff", BlendMode::Difference, "Difference" },
    { "smud", BlendMode::Exclusion, "Exclusion" },
    { "fsub", BlendMode::Subtract, "Subtract" },
    { "fdiv", BlendMode::Divide, "Divide" },
    { "hue ", BlendMode::Hue, "Hue" },
    { "sat ", BlendMode::Saturation, "Saturation" },
    { "colr", BlendMode::Color, "Color" },
    { "lum ", BlendMode::Luminosity, "Luminosity" },
    { "pass", BlendMode::PassThrough, "Pass Through" },
};

const ModeEntry* Find(const BlendKey& key) {
    for (const ModeEntry& entry : kModes)
        if (std::memcmp(entry.key, key.data(), 4) == 0) return &entry;
    return nullptr;
}

} // namespace

BlendMode BlendModeFromKey(const BlendKey& key) {
    const ModeEntry* entry = Find(key);
    return entry ? entry->mode : BlendMode::Normal;
}

bool IsKnownBlendModeKey(const BlendKey& key) {
    return Find(key) != nullptr;
}

std::string_view BlendModeName(BlendMode mode) {
    for (const ModeEntry& entry : kModes)
        if (entry.mode == mode) return entry.name;
    return "Normal";
}

} // namespace deptrix
