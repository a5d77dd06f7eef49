#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace deptrix {

class ChannelRows;

/// A layer at source resolution: its colour and its 8-bit opacity, both the size of
/// the layer's box.
struct LayerPixels {
    Bitmap colour; ///< Bgr24 or Cmyk32 (bytes as stored, 255 - ink)
    Bitmap mask; ///< Gray8 opacity
};

/// Decodes the pixels of one record in bands of rows, top to bottom, so that a layer
/// of any size needs memory for one band. The opacity combines the transparency
/// channel (-1; opaque when the layer has none), the user mask (-2) and the real
/// user mask (-3), each over its own rectangle with its default colour outside it,
/// left out when disabled and weakened by its density, and `opacity`:
///     m = Round(alpha x mask x opacity / 255^2)
/// (with one more factor and divisor 255 for each further mask). `opacity` is the
/// record's own unless the caller folds fill and folder opacity into it. An indexed
/// file's colour numbers become their colours, and its transparent number hides the
/// pixel. With `clip` (canvas pixels, an artboard's rectangle) nothing outside it
/// shows. Layer effects, mask feathering and vector mask paths are not interpreted.
/// Every size is checked against `limitBytes` and against the stored data when the
/// decoder is made, before anything is decompressed.
class LayerBandDecoder {
public:
    LayerBandDecoder(const PsdFile& file, const PsdLayerRecord& record, std::size_t limitBytes,
        std::uint8_t opacity, std::optional<PsdRect> clip = std::nullopt);
    ~LayerBandDecoder();
    LayerBandDecoder(const LayerBandDecoder&) = delete;
    LayerBandDecoder& operator=(const LayerBandDecoder&) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }
    PixelFormat format() const { return m_format; }
    int rowsDone() const { return m_rowsDone; }

    /// Decodes the next `count` layer rows (fewer at the bottom) into rows
    /// firstRow .. of `colour` and `mask` (width() wide, format() and Gray8), setting
    /// every pixel byte of them. Returns the rows decoded.
    int decode(Bitmap& colour, Bitmap& mask, int firstRow, int count) {
        return decode(colour.rows(firstRow), mask.rows(firstRow), count);
    }
    /// The same into rows anywhere in memory.
    int decode(PixelRows colour, PixelRows mask, int count);

private:
    struct Factor;

    void applyFactors(std::uint8_t* mask, std::int64_t canvasY, std::uint64_t denominator);
    void applyColourTable(std::uint8_t* colourRow, std::uint8_t* mask) const;
    void clipRow(std::uint8_t* mask, std::int64_t canvasY) const;

    std::string m_fileName;
    PsdRect m_box;
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Bgr24;
    std::uint8_t m_opacity = 255;
    int m_rowsDone = 0;
    std::vector<std::unique_ptr<ChannelRows>> m_colour;
    std::vector<std::vector<int>> m_colourOffsets;
    bool m_wholePixels = false; ///< the channels fill each byte of a pixel once
    std::unique_ptr<ChannelRows> m_alpha;
    std::vector<Factor> m_factors;
    std::vector<std::uint32_t> m_factorRows; ///< one row of scaled factors per mask
    const ColourTable* m_colourTable = nullptr; ///< indexed files
    std::optional<PsdRect> m_clip;
};

/// The whole layer at once through LayerBandDecoder.
LayerPixels DecodeLayerPixels(const PsdFile& file, const PsdLayerRecord& record, std::size_t limitBytes,
    std::uint8_t opacity, std::optional<PsdRect> clip = std::nullopt);

} // namespace deptrix
