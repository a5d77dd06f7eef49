#include "import/LayerPixels.h"

#include "import/ChannelRows.h"
#include "import/PixelPlacement.h"
#include "import/PsdFailure.h"
#include "import/SampleDepth.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace deptrix {

namespace {

/// Masks enter the product as 65025 - density x (255 - m): the mask value scaled
/// by 255 at full density, weakened towards 65025 (no effect) as density falls.
constexpr std::uint64_t kFactorScale = 255 * 255;

std::span<const std::uint8_t> ChannelBytes(const PsdFile& file, const ChannelInfo& channel) {
    return file.bytes.subspan(
        static_cast<std::size_t>(channel.data.offset), static_cast<std::size_t>(channel.data.length));
}

/// Least number of stored bytes (compression field included) that can hold a
/// channel of width x height, so that a small file cannot make the reader decode
/// and write a huge picture.
std::uint64_t MinimumStoredBytes(
    const PsdHeader& header, std::span<const std::uint8_t> data, std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) return 0;
    if (data.size() < 2) return 2;
    const auto compression = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    const std::uint64_t rowBytes = StoredRowBytes(static_cast<std::uint64_t>(width), header.depth);
    const auto rows = static_cast<std::uint64_t>(height);
    switch (compression) {
    case static_cast<std::uint16_t>(Compression::Raw):
        return 2 + rowBytes * rows;
    case static_cast<std::uint16_t>(Compression::Rle):
        // Each run header covers at most 128 bytes with at least two stored bytes.
        return 2 + rows * static_cast<std::uint64_t>(header.rowCountBytes())
            + rows * 2 * ((rowBytes + 127) / 128);
    case static_cast<std::uint16_t>(Compression::Zip):
    case static_cast<std::uint16_t>(Compression::ZipPredicted):
        return 2 + (rowBytes * rows + kMaxDeflateRatio - 1) / kMaxDeflateRatio;
    default:
        return 2;
    }
}

void CheckStored(const PsdFile& file, const ChannelInfo& channel, std::int64_t width, std::int64_t height,
    const std::string& what) {
    if (channel.data.length < MinimumStoredBytes(file.header, ChannelBytes(file, channel), width, height))
        FailPsd(file.name, "truncated channel data in " + what + ", channel " + std::to_string(channel.id));
}

} // namespace

/// One mask that scales the layer's opacity, decoded over its own rectangle.
struct LayerBandDecoder::Factor {
    std::unique_ptr<ChannelRows> rows; ///< null when the rectangle is empty
    PsdRect rect;
    std::uint8_t defaultColour = 255;
    std::array<std::uint32_t, 256> scaled {};
};

LayerBandDecoder::LayerBandDecoder(const PsdFile& file, const PsdLayerRecord& record, std::size_t limitBytes,
    std::uint8_t opacity, std::optional<PsdRect> clip)
    : m_fileName(file.name)
    , m_box(record.box)
    , m_opacity(opacity)
    , m_colourTable(file.header.mode == ColourMode::Indexed ? &file.colourTable : nullptr)
    , m_clip(clip) {
    const PsdHeader& header = file.header;
    const std::string what = "layer record " + std::to_string(record.index);
    const std::string sizeWhat = file.name + ": " + what;
    const std::int64_t width = record.box.width();
    const std::int64_t height = record.box.height();
    m_format = LayerPixelFormat(header);
    CheckedImageBytes(width, height, BytesPerPixel(m_format), sizeWhat.c_str(), limitBytes);

    // Everything the layer needs must be stored before any of it is decoded.
    for (int c = 0; c < header.colourChannels(); ++c) {
        const ChannelInfo* channel = record.channel(c);
        if (!channel) FailPsd(file.name, what + " has no colour channel " + std::to_string(c));
        CheckStored(file, *channel, width, height, what);
    }
    const ChannelInfo* alpha = record.channel(kTransparencyChannel);
    if (alpha) CheckStored(file, *alpha, width, height, what);

    std::vector<std::pair<const ChannelInfo*, const LayerMaskInfo*>> maskSources;
    for (auto [id, info] : { std::pair { kUserMaskChannel, &record.userMask },
             std::pair { kRealUserMaskChannel, &record.realUserMask } }) {
        const ChannelInfo* channel = record.channel(id);
        if (!channel || !info->present || info->disabled) continue;
        if (!info->rect.empty()) {
            CheckedImageBytes(info->rect.width(), info->rect.height(), 1, sizeWhat.c_str(), limitBytes);
            CheckStored(file, *channel, info->rect.width(), info->rect.height(), what);
        }
        maskSources.emplace_back(channel, info);
    }

    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    for (int c = 0; c < header.colourChannels(); ++c) {
        m_colour.push_back(std::make_unique<ChannelRows>(header, file.name,
            ChannelBytes(file, *record.channel(c)), m_width, m_height, what, SampleMeaning::Colour));
        m_colourOffsets.push_back(ColourChannelOffsets(header.mode, c));
    }
    // Whole pixels when the channels fill each byte of a pixel exactly once.
    std::array<int, 4> filled {};
    const int pixelBytes = BytesPerPixel(m_format);
    m_wholePixels = pixelBytes <= 4;
    for (const std::vector<int>& offsets : m_colourOffsets)
        for (int offset : offsets) {
            if (offset < 0 || offset >= pixelBytes || offset >= 4)
                m_wholePixels = false;
            else
                ++filled[static_cast<std::size_t>(offset)];
        }
    for (int k = 0; k < pixelBytes && k < 4; ++k)
        if (filled[static_cast<std::size_t>(k)] != 1) m_wholePixels = false;
    if (alpha)
        m_alpha = std::make_unique<ChannelRows>(
            header, file.name, ChannelBytes(file, *alpha), m_width, m_height, what, SampleMeaning::Opacity);
    for (auto [channel, info] : maskSources) {
        Factor factor;
        factor.rect = info->rect;
        factor.defaultColour = info->defaultColour;
        for (int m = 0; m < 256; ++m)
            factor.scaled[static_cast<std::size_t>(m)]
                = static_cast<std::uint32_t>(kFactorScale - info->density * (255u - m));
        if (!info->rect.empty())
            factor.rows = std::make_unique<ChannelRows>(header, file.name, ChannelBytes(file, *channel),
                static_cast<int>(info->rect.width()), static_cast<int>(info->rect.height()), what,
                SampleMeaning::Opacity);
        m_factors.push_back(std::move(factor));
    }
    m_factorRows.resize(static_cast<std::size_t>(m_width) * m_factors.size());
}

LayerBandDecoder::~LayerBandDecoder() = default;

void LayerBandDecoder::applyFactors(std::uint8_t* m, std::int64_t canvasY, std::uint64_t denominator) {
    const int w = m_width;
    for (std::size_t f = 0; f < m_factors.size(); ++f) {
        Factor& factor = m_factors[f];
        std::uint32_t* out = m_factorRows.data() + f * static_cast<std::size_t>(w);
        std::fill(out, out + w, factor.scaled[factor.defaultColour]);
        if (!factor.rows || canvasY < factor.rect.top || canvasY >= factor.rect.bottom) continue;
        // The mask's rows are read in order, skipping those above the layer.
        const auto maskRow = static_cast<int>(canvasY - factor.rect.top);
        while (factor.rows->rowsDone() < maskRow) factor.rows->next();
        const std::uint8_t* src = factor.rows->next();
        const std::int64_t from = std::max<std::int64_t>(factor.rect.left, m_box.left);
        const std::int64_t to = std::min<std::int64_t>(factor.rect.right, m_box.right);
        if (from >= to) continue;
        src += from - factor.rect.left;
        std::uint32_t* dst = out + (from - m_box.left);
        for (std::int64_t x = 0; x < to - from; ++x) dst[x] = factor.scaled[src[x]];
    }
    const bool scaleByOpacity = m_opacity != 255;
    for (int x = 0; x < w; ++x) {
        std::uint64_t numerator = m[x];
        for (std::size_t f = 0; f < m_factors.size(); ++f)
            numerator *= m_factorRows[f * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
        if (scaleByOpacity) numerator *= m_opacity;
        m[x] = static_cast<std::uint8_t>((2 * numerator + denominator) / (2 * denominator));
    }
}

void LayerBandDecoder::applyColourTable(std::uint8_t* colourRow, std::uint8_t* m) const {
    const int transparent = m_colourTable->transparentIndex;
    if (transparent >= 0)
        for (int x = 0; x < m_width; ++x)
            if (colourRow[3 * x] == transparent) m[x] = 0;
    ExpandIndexedRow(colourRow, m_width, *m_colourTable);
}

void LayerBandDecoder::clipRow(std::uint8_t* m, std::int64_t canvasY) const {
    const PsdRect& clip = *m_clip;
    if (canvasY < clip.top || canvasY >= clip.bottom) {
        std::memset(m, 0, static_cast<std::size_t>(m_width));
        return;
    }
    const std::int64_t from = std::clamp<std::int64_t>(clip.left - m_box.left, 0, m_width);
    const std::int64_t to = std::clamp<std::int64_t>(clip.right - m_box.left, from, m_width);
    std::memset(m, 0, static_cast<std::size_t>(from));
    std::memset(m + to, 0, static_cast<std::size_t>(m_width - to));
}

int LayerBandDecoder::decode(PixelRows colour, PixelRows mask, int count) {
    const int rows = std::clamp(m_height - m_rowsDone, 0, count);
    const int w = m_width;
    const int pixelBytes = BytesPerPixel(m_format);
    const bool scaleByOpacity = m_opacity != 255;
    // mask := Round(mask x f1 x ... x opacity / (65025^k x 255)), one rounding for all
    // factors; with full density that is Round(alpha x mask x opacity / 255^2). The
    // denominator is odd, so no quotient is ever a tie and half-up rounding equals
    // rounding to even. At most two masks: the numerator stays below 2^49.
    std::uint64_t denominator = scaleByOpacity ? 255 : 1;
    for (std::size_t i = 0; i < m_factors.size(); ++i) denominator *= kFactorScale;

    for (int r = 0; r < rows; ++r) {
        const int y = m_rowsDone + r;
        std::uint8_t* colourRow = colour.row(r);
        if (m_wholePixels) {
            // Every byte of the pixel has one channel: all are placed in one pass.
            std::array<const std::uint8_t*, 4> byOffset {};
            for (std::size_t c = 0; c < m_colour.size(); ++c) {
                const std::uint8_t* samples = m_colour[c]->next();
                for (int offset : m_colourOffsets[c]) byOffset[static_cast<std::size_t>(offset)] = samples;
            }
            InterleaveRow(byOffset.data(), colourRow, w, pixelBytes);
        } else {
            for (std::size_t c = 0; c < m_colour.size(); ++c) {
                const std::uint8_t* samples = m_colour[c]->next();
                for (int offset : m_colourOffsets[c]) ScatterRow(samples, colourRow, w, pixelBytes, offset);
            }
        }
        std::uint8_t* m = mask.row(r);
        if (m_alpha)
            std::memcpy(m, m_alpha->next(), static_cast<std::size_t>(w));
        else
            std::memset(m, 255, static_cast<std::size_t>(w));
        const std::int64_t canvasY = static_cast<std::int64_t>(m_box.top) + y;
        if (!m_factors.empty() || scaleByOpacity) applyFactors(m, canvasY, denominator);
        if (m_colourTable) applyColourTable(colourRow, m);
        if (m_clip) clipRow(m, canvasY);
    }
    m_rowsDone += rows;
    return rows;
}

LayerPixels DecodeLayerPixels(const PsdFile& file, const PsdLayerRecord& record, std::size_t limitBytes,
    std::uint8_t opacity, std::optional<PsdRect> clip) {
    LayerBandDecoder decoder(file, record, limitBytes, opacity, clip);
    LayerPixels pixels;
    pixels.colour = Bitmap(decoder.width(), decoder.height(), decoder.format(), UnfilledPixels {});
    pixels.mask = Bitmap(decoder.width(), decoder.height(), PixelFormat::Gray8, UnfilledPixels {});
    decoder.decode(pixels.colour, pixels.mask, 0, decoder.height());
    return pixels;
}

} // namespace deptrix
