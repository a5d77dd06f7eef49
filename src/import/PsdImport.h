#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Fixed.h"
#include "core/Progress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// Receives each layer at source resolution, band by band from the top, as it is
/// decoded, with its number n = index + 1 (the reader writes the work files here).
/// The calls for one layer come in order from one thread; with takesLayersAtOnce(),
/// calls for different layers may come from different threads at the same time.
class SourceLayerSink {
public:
    virtual ~SourceLayerSink() = default;
    /// Whether layers may be given side by side; otherwise they come one after another.
    virtual bool takesLayersAtOnce() const { return false; }
    /// A layer of width x height starts; its colour pictures are in `format`.
    virtual void beginLayer(int number, int width, int height, PixelFormat format) = 0;
    /// Layer rows firstRow .. firstRow + count - 1: rows bandRow .. of `colour` and
    /// `mask` (valid only during the call).
    virtual void takeRows(
        int number, int firstRow, const Bitmap& colour, const Bitmap& mask, int bandRow, int count)
        = 0;
    /// Every row of the layer has been given.
    virtual void endLayer(int number) = 0;

    /// Colour and mask rows where the importer may decode layer rows firstRow ..
    /// firstRow + count - 1 in place, instead of into a band of its own and takeRows();
    /// rowsFilled() says they are set. Without such memory the sink returns nothing.
    struct Rows {
        PixelRows colour;
        PixelRows mask;
    };
    virtual std::optional<Rows> roomForRows(int number, int firstRow, int count) {
        (void)number, (void)firstRow, (void)count;
        return std::nullopt;
    }
    virtual void rowsFilled(int number) { (void)number; }
};

/// Limits a caller may tighten (the fuzzer does, to stay within its memory budget).
struct ImportLimits {
    std::size_t maxPictureBytes = std::size_t { 1 } << 31; ///< any one layer at source resolution
    /// Rows decoded at a time; 0 picks bands of about kImportBandBytes.
    int bandRows = 0;
    /// Called with the stored bytes of each layer once it is decoded, so that a
    /// caller reading through a memory map can let those pages go.
    std::function<void(std::span<const std::uint8_t>)> releaseDecoded;
    /// False for a run that only prints from the sink's files: a layer the import does
    /// not draw on itself (one without effects) goes to the sink alone and stays an
    /// empty picture in the document, which can then make no composite or views.
    bool workingGrid = true;
};

/// Memory for one band of a layer decoded at source resolution and handed to the sink.
inline constexpr std::size_t kImportBandBytes = std::size_t { 4 } << 20;

/// What the reader hands to the document: exactly the fields it is allowed to fill.
struct ImportedDocument {
    LayerRecordList Layers;
    BitmapList LayerBitmaps;
    BitmapList LayerMasks;
    BitmapList LayerClipShapes; ///< Document::LayerClipShapes
    std::int16_t ImageMode = 0;
    std::int16_t SourceMode = 0;
    std::int16_t SourceDepth = 8;
    std::int32_t ArtboardCount = 0;
    std::int32_t SourceWidth = 0;
    std::int32_t SourceHeight = 0;
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    Fixed WorkScale = kFixedOne;
    Fixed SourceDpi = 0;
    Fixed SourceWidthCm = 0;
    Fixed SourceHeightCm = 0;
    /// Top of the file first; what concerns the whole document last.
    std::vector<ApproximateLayer> ApproximateLayers;
    std::vector<std::uint8_t> IccProfile;

    /// Moves the layers and the image description into `doc`, touching nothing else.
    void moveInto(Document& doc);
};

/// Progress position when an import is complete; the composite that follows fills
/// the rest of the bar.
inline constexpr int kImportProgressEnd = 60;

/// Resolution assumed when a file states none, or one below kLowestPpi.
inline constexpr double kDefaultPpi = 72.0;
inline constexpr double kLowestPpi = 1.0;

/// The resolution an import uses for a file that states `statedPpi` (0: none).
double EffectivePpi(double statedPpi);

/// Imports a PSD or PSB held in memory: parses it, selects and decodes the layers on
/// up to TaskThreads() threads (one at a time for a sink that takes them so) in bands of rows (a file without
/// usable layer records gives one layer from its merged picture), hands each band to `sink` (may be null) at
/// source resolution and reduces it to the working grid as it arrives, so that memory goes to the working
/// pictures and one band, not to the source. Reports progress 0..60. Throws Error "<fileName>: <problem>";
/// running out of memory throws Error "not enough memory to import <fileName> (needs about N MB)".
ImportedDocument ImportPsd(std::span<const std::uint8_t> bytes, const std::string& fileName,
    SourceLayerSink* sink, Progress& progress, const ImportLimits& limits = {});

} // namespace deptrix
