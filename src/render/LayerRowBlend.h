#pragma once

#include "core/BlendModes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace deptrix::blend {

/// The one place where a layer's row meets the row below it, for the preview's
/// composite and for anything that must composite exactly as it does.
///
/// `dst` holds `count` pixels of `bytesPerPixel` (3 blue-green-red, 4 CMYK as stored)
/// colour bytes, `src` the layer's pixels over them and `mask` its opacity per pixel.
/// Normal gives BlendPixelRow exactly: dst := Round((dst x (255 - m) + src x m) / 255).
/// Any other mode first blends src with dst (BlendMode's formulas on the stored bytes,
/// so that in CMYK Multiply still darkens), then lays that result over dst through the
/// mask in the same way. `mode` is the drawn mode (see DrawnMode); `fill` the fill
/// opacity applied inside the blend (LayerRecord::blendFill, 255 for none).
///
/// `coverage`, when not null, accumulates the mask as Normal does.
/// `backdropAlpha`, when not null, is how opaque the picture below is (0 where only
/// the white paper shows): a mode blends only with what is there, and over nothing
/// the layer shows as Normal, as in an editor's transparent document later flattened
/// onto white; it accumulates the mask too. Null means an opaque picture below. To
/// match the composite pass, keep one such row per picture row, starting at 0, and
/// pass it for every layer (Normal ones only accumulate into it) whenever some layer
/// of the picture blends in another mode; the pass itself stops updating it above the
/// last such layer, which changes nothing.
///
/// Works in chunks on the stack: no allocation.
void BlendLayerRow(BlendMode mode, std::uint8_t fill, std::uint8_t* dst, const std::uint8_t* src,
    const std::uint8_t* mask, std::size_t count, int bytesPerPixel, std::uint8_t* coverage,
    std::uint8_t* backdropAlpha);

/// A row of a layer clipped to a base layer, placed `offset` pixels right of the
/// base row's first pixel and `count` pixels long (within the base row).
struct ClippedRow {
    BlendMode mode = BlendMode::Normal;
    std::uint8_t fill = 255; ///< applied inside the blend (BlendLayerRow)
    const std::uint8_t* colour = nullptr;
    const std::uint8_t* mask = nullptr;
    std::size_t offset = 0;
    std::size_t count = 0;
};

/// A base layer's row with the layers clipped to it: the clipped rows are blended, in
/// order, into a copy of the base's colour (each in its own mode, through its own
/// mask), so they show only where the base does; the result is then laid over `dst`
/// in the base's mode through the base's mask, with `coverage` and `backdropAlpha` as
/// for BlendLayerRow. `groupRow` is scratch space for `count` x `bytesPerPixel` bytes.
/// `baseShape`, when not null, is the base's own opacity where its mask also holds
/// effects drawn around it (a drop shadow, a glow, an outer stroke): the clipped rows
/// then show only within the base's own pixels, as in the editor, not over its effects.
void BlendClippingGroupRow(BlendMode baseMode, std::uint8_t baseFill, std::uint8_t* dst,
    const std::uint8_t* baseColour, const std::uint8_t* baseMask, std::size_t count, int bytesPerPixel,
    std::span<const ClippedRow> clipped, std::uint8_t* groupRow, std::uint8_t* coverage,
    std::uint8_t* backdropAlpha, const std::uint8_t* baseShape = nullptr);

} // namespace deptrix::blend
