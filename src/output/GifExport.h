#pragma once

#include "core/Bitmap.h"
#include "core/Progress.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace deptrix {

struct GifFrameSize {
    int width;
    int height;
    bool operator==(const GifFrameSize&) const = default;
};

/// The frame size for views of w x h: unchanged while narrower than `maxWidth`,
/// otherwise `maxWidth` wide and Round(maxWidth x h / w) high (ties to even), at least
/// one row so that a very wide strip still gives a picture. Throws Error for sides
/// below 1.
GifFrameSize GifFrameSizeFor(int w, int h, int maxWidth = 800);

/// The animated GIF of seven Bgr24 views: 14 frames sweeping views 1..7 and back
/// 7..1, each stretched (nearest neighbour) to the frame size of view 1 and preceded
/// by a "NETSCAPE2.0" loop-forever extension and a graphic control extension with
/// `delay` hundredths of a second; each frame has its own colour table (the twenty
/// system colours and up to 236 colours of the frame from the octree quantizer,
/// refined), every pixel the nearest colour of that table, no dithering.
/// Progress goes 10, then Round(n x 45 / 7) + 10 after view n of the forward pass and
/// Round((8 - n) x 45 / 7) + 55 after view n of the backward pass. Throws Error unless
/// there are seven non-empty Bgr24 views.
std::vector<std::uint8_t> EncodeAnimatedGif(
    std::span<const Bitmap> views, int maxWidth, int delay, Progress& progress);

/// Reads the seven view files of the work folder (ViewFileName(n, imageMode), 24-bit
/// BMP), encodes them as above with frames at most 800 wide and a delay of 10 (progress
/// starts at 0 and ends at 100; resetting it afterwards is the caller's), and
/// writes the GIF to `target` through a temporary file, so that nothing half-written
/// ever carries the chosen name. A missing or damaged view file or a target that
/// cannot be written throws Error naming the file; the target is then left as it was.
void ExportGif(const std::filesystem::path& workFolder, int imageMode, const std::filesystem::path& target,
    Progress& progress);

/// The same export from the seven views in memory (slots 1..7 of Document::Views
/// while they are the current ones): the GIF is byte for byte the one the view files
/// give, without reading them back.
void ExportGif(std::span<const Bitmap> views, const std::filesystem::path& target, Progress& progress);

} // namespace deptrix
