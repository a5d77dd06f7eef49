#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace deptrix::bench {

/// The frames written as PNG files f1.png .. f14.png into `folder`.
void WriteFramePngs(std::span<const Bitmap> frames, const std::filesystem::path& folder);

/// Whether ImageMagick's `convert` can be run.
bool MagickAvailable();

/// Runs `convert -delay 10 -loop 0 +dither f1.png ... f14.png out.gif` in `folder` on
/// one thread; returns the wall-clock seconds and fills `gif` with the result.
double RunMagickGif(const std::filesystem::path& folder, std::vector<std::uint8_t>& gif);

/// The same run writing nothing (`null:`): process start and reading the frames, so
/// that the GIF run minus this one is ImageMagick's encoding alone.
double RunMagickWithoutOutput(const std::filesystem::path& folder);

} // namespace deptrix::bench
