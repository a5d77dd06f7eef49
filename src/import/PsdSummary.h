#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

namespace deptrix {

/// What a file dialog shows about a PSD or PSB before it is imported.
struct PsdSummary {
    int width = 0; ///< canvas, pixels
    int height = 0; ///< canvas, pixels
    int depth = 8; ///< bits per channel as stored
    ColourMode mode = ColourMode::Rgb; ///< as stored
    ColourMode importedMode = ColourMode::Rgb; ///< what the import makes of it, at 8 bits
    int artboardCount = 0;
    bool largeDocument = false; ///< PSB
    double resolutionPpi = 0; ///< as the import takes it (72 when the file states none)
    int layerCount = 0; ///< layers an import makes of it
    /// The file's merged picture, reduced so that its longer side is at most the
    /// requested size: Bgr24 (grey copied into all three) or Cmyk32 as stored.
    /// Empty when the file has none or it could not be decoded (see pictureProblem).
    Bitmap picture;
    std::string pictureProblem;
};

/// Reads the structure of a file held in memory and decodes its merged picture when
/// it takes at most `maxPictureBytes`. Throws Error "<fileName>: <problem>" when the
/// file is not one the import could read.
PsdSummary SummarisePsd(std::span<const std::uint8_t> bytes, const std::string& fileName, int maxSide,
    std::size_t maxPictureBytes = std::size_t { 256 } << 20);

/// The same for a file on disk (mapped, not copied).
PsdSummary SummarisePsdFile(const std::filesystem::path& path, int maxSide);

} // namespace deptrix
