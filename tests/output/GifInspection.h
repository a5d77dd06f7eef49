#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace deptrix::testing {

/// One extension block as giflib's decoder reports it: the function code and the data
/// of one sub-block (continuation sub-blocks come as code 0x00).
struct GifBlock {
    int code;
    std::vector<std::uint8_t> data;
};

struct GifImage {
    int left, top, width, height;
    bool interlaced;
    std::vector<std::uint8_t> palette; // r, g, b per entry; empty without a local table
    std::vector<std::uint8_t> indices;
    std::vector<GifBlock> extensions; // those written before this image
};

struct GifFile {
    std::string version; // the signature and version, "GIF89a"
    int width, height;
    bool globalColourTable;
    std::vector<GifImage> images;
};

/// Everything giflib's decoder reads from `bytes`; fails the test through an exception
/// when giflib refuses the file.
GifFile InspectGif(std::span<const std::uint8_t> bytes);

/// The image drawn with its own colour table, as a Bgr24 picture.
Bitmap ImagePicture(const GifImage& image);

} // namespace deptrix::testing
