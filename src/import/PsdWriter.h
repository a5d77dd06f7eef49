#pragma once

#include "core/LayerStyle.h"
#include "import/PsdStructure.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deptrix {

/// The file a PsdWriter makes.
struct PsdWriterOptions {
    int width = 1; ///< canvas, pixels
    int height = 1; ///< canvas, pixels
    /// Any mode; the modes of one channel (grey, bitmap, indexed, duotone) take one
    /// colour plane per layer.
    ColourMode mode = ColourMode::Rgb;
    /// Bits per sample, 1, 8, 16 or 32; 16- and 32-bit layers go into an "Lr16" or
    /// "Lr32" block.
    int depth = 8;
    bool psb = false; ///< large-document format (version 2)
    Compression compression = Compression::Rle; ///< for every channel and the merged picture
    double resolutionPpi = 72; ///< written as the resolution resource; 0 writes none
    std::vector<std::uint8_t> iccProfile; ///< written as the colour profile resource when not empty
    /// The colour mode data as stored: an indexed file's 256 reds, greens and blues.
    std::vector<std::uint8_t> colourModeData;
    int transparentIndex = -1; ///< written as the transparency index resource when 0..255
};

/// Samples of one channel, row by row; values 0..1 for 1-bit files (1 is black),
/// 0..255 for 8-bit files, 0..65535 for 16-bit ones, the bits of a float for 32-bit
/// ones (see FloatSample). CMYK samples are stored as 255 - ink, like the file holds
/// them.
using PsdPlane = std::vector<std::uint32_t>;

/// A 32-bit sample as a PsdPlane holds it.
std::uint32_t FloatSample(float value);

/// A user layer mask (channel -2) over its own rectangle.
struct PsdMaskSpec {
    PsdRect rect; ///< canvas pixels
    std::uint8_t defaultColour = 0; ///< opacity outside the rectangle
    bool disabled = false;
    PsdPlane samples; ///< rect width x height
    std::uint8_t density = 255; ///< below 255 the mask hides only partly
};

/// A tagged block written as given after the layer's name blocks.
struct PsdBlockSpec {
    std::array<char, 4> key {};
    std::vector<std::uint8_t> data;
};

/// One pixel layer.
struct PsdLayerSpec {
    std::string name; ///< UTF-8; the legacy name gets '?' for anything not ASCII
    PsdRect box; ///< canvas pixels; may extend past the canvas
    std::vector<PsdPlane> colour; ///< one plane per colour channel, box width x height
    PsdPlane transparency; ///< empty: the layer has no transparency channel
    std::optional<PsdMaskSpec> userMask;
    std::uint8_t opacity = 255;
    bool hidden = false;
    std::array<char, 4> blendMode { 'n', 'o', 'r', 'm' };
    bool clipping = false; ///< clipped to the layer below
    std::uint8_t fillOpacity = 255; ///< written as an "iOpa" block when below 255
    std::vector<PsdBlockSpec> blocks;
    std::optional<LayerStyle> effects; ///< written as an "lfx2" block after `blocks`
};

/// An artboard, written as the artboard data ("artb") of its folder.
struct PsdArtboardSpec {
    PsdRect rect; ///< canvas pixels
    /// 1 white, 2 black, 3 transparent, 4 the colour `rgb`; 0 leaves the kind out.
    int background = 1;
    std::array<double, 3> rgb { 255, 255, 255 };
};

/// How a folder composites its content.
struct PsdFolderSpec {
    std::string name;
    bool hidden = false;
    std::uint8_t opacity = 255;
    std::array<char, 4> blendMode { 'p', 'a', 's', 's' }; ///< written only when not pass-through
    bool clipping = false;
    std::optional<PsdArtboardSpec> artboard = std::nullopt; ///< makes the folder an artboard
    std::optional<LayerStyle> effects = std::nullopt; ///< written as an "lfx2" block
};

/// Writes layered PSD or PSB files into memory, for the tests, the benchmark and the
/// sample scene. Layers and folders are added bottom to top; channels are encoded as
/// they are added, so only compressed data is kept.
class PsdWriter {
public:
    explicit PsdWriter(const PsdWriterOptions& options);

    /// Adds a layer above everything added so far.
    void addLayer(const PsdLayerSpec& layer);
    /// Starts a folder: what is added until the matching endFolder goes inside it.
    void beginFolder();
    /// Closes the innermost open folder with its name; a hidden folder hides its content.
    void endFolder(const std::string& name, bool hidden = false);
    /// The same with the folder's opacity, blend mode and clipping flag.
    void endFolder(const PsdFolderSpec& folder);

    /// The flattened picture: one canvas-sized plane per colour channel, and one more
    /// for transparency when `withTransparency`. Without it the picture is white.
    void setMergedImage(std::vector<PsdPlane> channels, bool withTransparency);

    /// The whole file. Throws Error when a folder is still open.
    std::vector<std::uint8_t> finish() const;

private:
    struct Channel {
        std::int16_t id;
        std::vector<std::uint8_t> stored; ///< compression field and data
    };
    struct Record {
        PsdRect box;
        std::vector<Channel> channels;
        std::vector<std::uint8_t> extra; ///< mask data, blending ranges, name and tagged blocks
        std::array<char, 4> blendMode;
        std::uint8_t opacity;
        std::uint8_t flags;
        bool clipping = false;
    };

    Channel encodeChannel(
        std::int16_t id, const PsdPlane& samples, std::int64_t width, std::int64_t height) const;
    std::vector<std::uint8_t> layerInfo() const;
    int colourChannels() const;
    std::vector<std::uint8_t> mergedImage() const;
    void addMarkerRecord(const PsdFolderSpec& folder, std::uint32_t sectionType);

    PsdWriterOptions m_options;
    std::vector<Record> m_records;
    int m_openFolders = 0;
    std::vector<PsdPlane> m_merged;
    bool m_mergedTransparency = false;
};

} // namespace deptrix
