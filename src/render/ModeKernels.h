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

/// The blended colour of a mode that takes fill opacity inside the blend
/// (FillActsInBlend) at `fill` 0..254: the source weighs in with fill / 255 of its
/// strength. The burns, dodges, lights and difference move the source towards the
/// colour that leaves the backdrop as it is (white for the burns, black for the
/// dodges and difference, middle grey for the lights) before blending; hard mix,
/// which has no such colour, turns its threshold a + b >= 255 into the slope
/// (a - f (255 - b)) / (1 - f). Computed in real numbers and rounded to the nearest
/// level (halves up). At fill 255, or for any other mode, SeparableByte.
std::uint8_t FilledSeparableByte(BlendMode mode, unsigned a, unsigned b, unsigned fill);

/// out[i] := SeparableByte(mode, backdrop[i], source[i]) for i < count, or
/// FilledSeparableByte when `fill` is below 255 in a mode that takes it. Fast paths
/// for the common modes; the others look their results up in a table made on first
/// use (one per mode and fill).
void SeparableRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t count, std::uint8_t fill = 255);

/// The non-separable modes (hue, saturation, colour, luminosity, darker and lighter
/// colour) over `pixels` pixels of `bytesPerPixel` bytes: 3 for blue-green-red, 4 for
/// CMYK as stored (255 - ink), whose C, M and Y bytes stand for red, green and blue,
/// so that the modes act on the additive values. K takes the backdrop's value for hue,
/// saturation and colour, the source's for luminosity, and follows the chosen pixel
/// for darker and lighter colour.
void NonSeparableRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source,
    std::uint8_t* out, std::size_t pixels, int bytesPerPixel);

/// The blended colour of any mode over `pixels` pixels: the separable modes byte by
/// byte (with `fill` as SeparableRow takes it), the others pixel by pixel. Normal
/// gives the source.
void ModeRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t pixels, int bytesPerPixel, std::uint8_t fill = 255);

} // namespace deptrix::blend
