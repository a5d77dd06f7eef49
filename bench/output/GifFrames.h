#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace deptrix::bench {

/// Every image of a GIF as a Bgr24 picture of the logical screen, decoded with giflib.
/// Images are drawn without transparency or disposal: enough for full-screen frames.
std::vector<Bitmap> DecodeGifFrames(std::span<const std::uint8_t> gif);

/// The pictures the 14 frames should show: views 1..7, 7..1, stretched as the export does.
std::vector<Bitmap> SweepFrames(std::span<const Bitmap> views, int maxWidth);

/// Mean absolute difference per channel byte over all frames.
double MeanAbsoluteError(std::span<const Bitmap> frames, std::span<const Bitmap> expected);

} // namespace deptrix::bench
