#pragma once

#include "core/BlendModes.h"

#include <cstddef>
#include <cstdint>

namespace deptrix::blend {

/// The blended colour of the separable modes for backdrop byte `a` and source byte
/// `b` (0..255), rounded to the nearest level. Multiply, screen, overlay, hard light,
/// darken, lighten, difference, exclusion, the linear modes, subtract, pin light and
/// hard mix are exact integer formulas; colour dodge and burn, divide and vivid light
/// round the exact quotient (halves up); soft light rounds its real-valued formula.
/// Any other mode gives `b`.
std::uint8_t SeparableByte(BlendMode mode, unsigned a, unsigned b);

/// out[i] := SeparableByte(mode, backdrop[i], source[i]) for i < count. Fast paths for
/// the common modes; the others look their results up in a table made on first use.
void SeparableRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t count);

/// The non-separable modes (hue, saturation, colour, luminosity, darker and lighter
/// colour) over `pixels` pixels of `bytesPerPixel` bytes: 3 for blue-green-red, 4 for
/// CMYK as stored (255 - ink), whose C, M and Y bytes stand for red, green and blue,
/// so that the modes act on the additive values. K takes the backdrop's value for hue,
/// saturation and colour, the source's for luminosity, and follows the chosen pixel
/// for darker and lighter colour.
void NonSeparableRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source,
    std::uint8_t* out, std::size_t pixels, int bytesPerPixel);

/// The blended colour of any mode over `pixels` pixels: the separable modes byte by
/// byte, the others pixel by pixel. Normal gives the source.
void ModeRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t pixels, int bytesPerPixel);

} // namespace deptrix::blend
