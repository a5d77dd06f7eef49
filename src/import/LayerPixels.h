#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <cstddef>
#include <cstdint>

namespace deptrix {

class ChannelDecoder;

/// A layer at source resolution: its colour and its 8-bit opacity, both the size of
/// the layer's box.
struct LayerPixels {
    Bitmap colour; ///< Bgr24 or Cmyk32 (bytes as stored, 255 - ink)
    Bitmap mask; ///< Gray8 opacity
};

/// Decodes the pixels of one record. The opacity combines the transparency channel
/// (-1; opaque when the layer has none), the user mask (-2) and the real user mask
/// (-3), each over its own rectangle with its default colour outside it, left out
/// when disabled and weakened by its density, and `opacity`:
///     m = Round(alpha x mask x opacity / 255^2)
/// (with one more factor and divisor 255 for each further mask). `opacity` is the
/// record's own unless the caller folds fill and folder opacity into it. Layer
/// effects, mask feathering and vector mask paths are not interpreted. Every size is
/// checked against `limitBytes` and against the stored data before anything is
/// allocated.
LayerPixels DecodeLayerPixels(const PsdFile& file, const PsdLayerRecord& record, ChannelDecoder& decoder,
    std::size_t limitBytes, std::uint8_t opacity);

} // namespace deptrix
