#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Fixed.h"
#include "core/Progress.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// Receives each layer at source resolution before it is reduced to the working
/// grid, with its number n = index + 1 (the reader writes the work files here).
class SourceLayerSink {
public:
    virtual ~SourceLayerSink() = default;
    virtual void takeLayer(int number, const Bitmap& colour, const Bitmap& mask) = 0;
};

/// Limits a caller may tighten (the fuzzer does, to stay within its memory budget).
struct ImportLimits {
    std::size_t maxPictureBytes = std::size_t { 1 } << 31; ///< any one decoded picture
};

/// What the reader hands to the document: exactly the fields it is allowed to fill.
struct ImportedDocument {
    LayerRecordList Layers;
    BitmapList LayerBitmaps;
    BitmapList LayerMasks;
    std::int16_t ImageMode = 0;
    std::int32_t SourceWidth = 0;
    std::int32_t SourceHeight = 0;
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    Fixed WorkScale = kFixedOne;
    Fixed SourceDpi = 0;
    Fixed SourceWidthCm = 0;
    Fixed SourceHeightCm = 0;
    std::vector<ApproximateLayer> ApproximateLayers; ///< top of the file first
    std::vector<std::uint8_t> IccProfile;

    /// Moves the layers and the image description into `doc`, touching nothing else.
    void moveInto(Document& doc);
};

/// Progress position when an import is complete; the composite that follows fills
/// the rest of the bar.
inline constexpr int kImportProgressEnd = 60;

/// Resolution assumed when a file states none.
inline constexpr double kDefaultPpi = 72.0;

/// Imports a PSD or PSB held in memory: parses it, selects and decodes the layers one
/// at a time (a file without usable layer records gives one layer from its merged
/// picture), hands each to `sink` (may be null) at source resolution and reduces it
/// to the working grid. Reports progress 0..60. Throws Error "<fileName>: <problem>".
ImportedDocument ImportPsd(std::span<const std::uint8_t> bytes, const std::string& fileName,
    SourceLayerSink* sink, Progress& progress, const ImportLimits& limits = {});

} // namespace deptrix
