#pragma once

#include "import/PsdStructure.h"

#include <filesystem>

namespace deptrix {

/// What a benchmark document holds: an opaque background and soft-edged shapes of
/// about a third of the canvas, half of them with a photographic grain that RLE
/// cannot pack (a "flat" document has no grain, so ZIP packs it almost to nothing),
/// optionally each with a drop shadow and a stroke as designers put on them.
struct BenchPsdShape {
    int width = 4000;
    int height = 3000;
    int layers = 12;
    Compression compression = Compression::Rle;
    bool flat = false;
    bool effects = false; ///< a drop shadow and a stroke on every layer
};

/// Writes the document as an RGB 8-bit PSD (PSB beyond 30000 pixels a side).
void WriteBenchPsd(const std::filesystem::path& file, const BenchPsdShape& shape);

/// The document of `shape` in a temporary folder, written once and kept between
/// runs under a name that says its shape.
std::filesystem::path BenchPsdPath(const BenchPsdShape& shape);

/// The 4000 x 3000 RGB RLE PSD of 12 layers.
const std::filesystem::path& BenchPsdPath();

} // namespace deptrix
