#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace deptrix {

/// How a layer's colour combines with what lies below it. The separable modes act on
/// each colour byte alone; Hue .. LighterColor need the whole pixel.
enum class BlendMode : std::uint8_t {
    Normal,
    Dissolve,
    Darken,
    Multiply,
    ColorBurn,
    LinearBurn,
    DarkerColor,
    Lighten,
    Screen,
    ColorDodge,
    LinearDodge,
    LighterColor,
    Overlay,
    SoftLight,
    HardLight,
    VividLight,
    LinearLight,
    PinLight,
    HardMix,
    Difference,
    Exclusion,
    Subtract,
    Divide,
    Hue,
    Saturation,
    Color,
    Luminosity,
    PassThrough, ///< folders only: the members blend with what lies below the folder
};

/// A blend mode key as PSD files store it ("norm", "mul ", "lddg", ...).
using BlendKey = std::array<char, 4>;

inline constexpr BlendKey kNormalKey { 'n', 'o', 'r', 'm' };
inline constexpr BlendKey kPassThroughKey { 'p', 'a', 's', 's' };

/// The mode of a stored key; a key this program does not know reads as Normal.
BlendMode BlendModeFromKey(const BlendKey& key);

/// True for a key that names a known mode.
bool IsKnownBlendModeKey(const BlendKey& key);

/// The mode's name as editors show it: "Multiply", "Linear Dodge (Add)", ...
std::string_view BlendModeName(BlendMode mode);

/// True for the modes that combine the whole pixel (hue, saturation, colour,
/// luminosity, darker and lighter colour).
constexpr bool IsNonSeparable(BlendMode mode) {
    return mode == BlendMode::Hue || mode == BlendMode::Saturation || mode == BlendMode::Color
        || mode == BlendMode::Luminosity || mode == BlendMode::DarkerColor || mode == BlendMode::LighterColor;
}

/// True for the modes in which an editor applies a layer's fill opacity inside the
/// blend formula (the source's strength in it) rather than as a fade of the result:
/// color and linear burn, color and linear dodge, vivid and linear light, hard mix
/// and difference. In every other mode fill opacity acts like opacity.
constexpr bool FillActsInBlend(BlendMode mode) {
    switch (mode) {
    case BlendMode::ColorBurn:
    case BlendMode::LinearBurn:
    case BlendMode::ColorDodge:
    case BlendMode::LinearDodge:
    case BlendMode::VividLight:
    case BlendMode::LinearLight:
    case BlendMode::HardMix:
    case BlendMode::Difference:
        return true;
    default:
        return false;
    }
}

/// The mode a layer is drawn with: dissolve scatters pixels at random in editors and
/// is drawn as its smooth average, Normal; pass-through means Normal for a layer.
constexpr BlendMode DrawnMode(BlendMode mode) {
    return mode == BlendMode::Dissolve || mode == BlendMode::PassThrough ? BlendMode::Normal : mode;
}

} // namespace deptrix
