#pragma once

#include "core/LayerStyle.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// A byte range of the file: `offset` and `length` in bytes from the start of the file.
struct Section {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint64_t end() const { return offset + length; }
};

enum class ColourMode : std::uint16_t {
    Bitmap = 0,
    Grayscale = 1,
    Indexed = 2,
    Rgb = 3,
    Cmyk = 4,
    Multichannel = 7,
    Duotone = 8,
    Lab = 9,
};

/// The fixed 26-byte file header, already checked for a mode and depth we read.
struct PsdHeader {
    int version = 1; ///< 1 PSD, 2 PSB (8-byte section lengths, 4-byte RLE row counts)
    int channels = 0; ///< channels of the merged image, 1..56
    int width = 0; ///< canvas, pixels
    int height = 0; ///< canvas, pixels
    /// Bits per channel: 1 (bitmap), 8, 16, or 32 (floats, linear light).
    int depth = 8;
    ColourMode mode = ColourMode::Rgb;

    bool isPsb() const { return version == 2; }
    /// Colour channels of a pixel: 3 RGB, 4 CMYK, 1 for every mode of one channel
    /// (grey, bitmap, duotone, and indexed, whose one channel holds colour numbers).
    int colourChannels() const { return mode == ColourMode::Cmyk ? 4 : mode == ColourMode::Rgb ? 3 : 1; }
    /// True for the modes read as a grey picture: grey, bitmap and duotone.
    bool readsAsGrey() const {
        return mode == ColourMode::Grayscale || mode == ColourMode::Bitmap || mode == ColourMode::Duotone;
    }
    /// Width in bytes of section and channel length fields that grow in PSB files.
    int longLengthBytes() const { return isPsb() ? 8 : 4; }
    /// Width in bytes of one RLE row count.
    int rowCountBytes() const { return isPsb() ? 4 : 2; }
};

/// How a channel's samples are stored.
enum class Compression : std::uint16_t {
    Raw = 0,
    Rle = 1, ///< PackBits rows behind a table of row byte counts
    Zip = 2, ///< one zlib stream
    ZipPredicted = 3, ///< zlib stream of per-row sample deltas
};

/// Channel ids with a meaning of their own; 0..n-1 are the colour channels.
inline constexpr int kTransparencyChannel = -1;
inline constexpr int kUserMaskChannel = -2;
inline constexpr int kRealUserMaskChannel = -3;

/// A rectangle in canvas pixels as stored: top, left, bottom, right (exclusive).
struct PsdRect {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t bottom = 0;
    std::int32_t right = 0;

    std::int64_t width() const { return static_cast<std::int64_t>(right) - left; }
    std::int64_t height() const { return static_cast<std::int64_t>(bottom) - top; }
    bool empty() const { return width() <= 0 || height() <= 0; }
};

/// One channel of a layer record: its id and where its data lies (the 2-byte
/// compression field included).
struct ChannelInfo {
    std::int16_t id = 0;
    Section data;
};

/// A layer mask: the user mask (channel -2) or the real user mask (channel -3, present
/// when the layer also has a vector mask).
struct LayerMaskInfo {
    bool present = false;
    PsdRect rect; ///< canvas pixels; may differ from the layer's box
    std::uint8_t defaultColour = 255; ///< opacity outside `rect`
    bool disabled = false;
    bool fromRender = false; ///< rendered from other data (a vector mask)
    std::uint8_t density = 255; ///< how far the mask hides: 255 fully, 0 not at all
};

/// What a section-divider block makes of a record.
enum class FolderMark : std::uint8_t {
    None, ///< an ordinary layer
    OpenFolder, ///< the folder's own record, above its children
    ClosedFolder, ///< the same, folder shown closed
    EndOfFolder, ///< the bounding marker below the folder's children
};

/// What an artboard (a folder with artboard data) does to what it holds: its layers
/// show only inside its rectangle, over its background.
struct ArtboardInfo {
    PsdRect rect; ///< canvas pixels
    PsdRect backgroundBox; ///< the part of `rect` on the canvas, where the background is drawn
    bool transparent = false; ///< no background
    std::array<std::uint8_t, 3> rgb { 255, 255, 255 }; ///< the background's colour
};

/// One layer record as stored. Records are kept in file order, index 0 the bottom.
struct PsdLayerRecord {
    int index = 0; ///< position in the file's record list
    PsdRect box;
    std::vector<ChannelInfo> channels;
    std::array<char, 4> blendMode { 'n', 'o', 'r', 'm' };
    std::uint8_t opacity = 255;
    std::uint8_t clipping = 0;
    bool hidden = false;
    LayerMaskInfo userMask;
    LayerMaskInfo realUserMask;
    std::string pascalName; ///< bytes as stored (legacy 8-bit name)
    std::string unicodeName; ///< UTF-8, from the Unicode name block; empty when absent
    FolderMark folder = FolderMark::None;
    /// A folder's own blend mode from its section-divider block; pass-through when
    /// the block names none.
    std::array<char, 4> folderBlendMode { 'p', 'a', 's', 's' };
    std::uint8_t fillOpacity = 255; ///< opacity of the pixels without their effects
    bool adjustment = false; ///< carries an adjustment layer's settings
    LayerStyle style; ///< the layer's effects and the blending options they heed
    std::optional<ArtboardInfo> artboard; ///< a folder's artboard data

    const std::string& name() const { return unicodeName.empty() ? pascalName : unicodeName; }
    bool isFolder() const { return folder == FolderMark::OpenFolder || folder == FolderMark::ClosedFolder; }
    const ChannelInfo* channel(int id) const {
        for (const ChannelInfo& c : channels)
            if (c.id == id) return &c;
        return nullptr;
    }
};

/// The colours of an indexed file: entry i is the colour of colour number i.
struct ColourTable {
    std::array<std::array<std::uint8_t, 3>, 256> rgb {};
    int transparentIndex = -1; ///< the colour number that stands for transparency, or -1
};

/// The parsed structure of a whole file. Pixel data stays in `bytes` and is decoded
/// on demand, one layer at a time.
struct PsdFile {
    std::string name; ///< the file's name, first word of every message
    std::span<const std::uint8_t> bytes;
    PsdHeader header;
    Section colourModeData;
    Section imageResources;
    Section layerAndMask;
    Section layerInfo; ///< the layer info actually used (main block, or a 16/32-bit tagged block)
    Section mergedImage; ///< compression field and data of the merged picture
    double resolutionPpi = 0; ///< 0 when the file states none
    std::vector<std::uint8_t> iccProfile; ///< the embedded colour profile, empty when none
    ColourTable colourTable; ///< indexed files only
    double globalAngle = 120; ///< degrees: the light of effects that use the global angle
    double globalAltitude = 30; ///< degrees
    std::vector<Section> patternBlocks; ///< "Patt", "Pat2" and "Pat3" blocks of the layer section
    std::vector<PsdLayerRecord> records;
    /// The layer count was stored negative: the first channel after the colour
    /// channels of the merged picture is its transparency.
    bool mergedHasTransparency = false;
};

} // namespace deptrix
