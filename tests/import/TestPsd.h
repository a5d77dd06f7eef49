#pragma once

#include "core/Bitmap.h"
#include "import/PsdImport.h"
#include "import/PsdWriter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deptrix::test {

/// `count` samples of one value.
PsdPlane Flat(std::int64_t count, std::uint16_t value);

/// A layer of one colour over its whole box; `alpha` adds a flat transparency channel.
PsdLayerSpec SolidLayer(const std::string& name, PsdRect box, std::array<std::uint16_t, 3> rgb,
    std::optional<std::uint16_t> alpha = std::nullopt);

/// ImportPsd over bytes held in memory, without work files.
ImportedDocument Import(const std::vector<std::uint8_t>& bytes, const std::string& name = "test.psd");

/// Red, green and blue of a Bgr24 pixel.
std::array<int, 3> Rgb(const Bitmap& bitmap, int x, int y);

/// A small RGB writer setup: canvas w x h, 8-bit RLE at 72 ppi.
PsdWriterOptions RgbOptions(int width, int height);

} // namespace deptrix::test
