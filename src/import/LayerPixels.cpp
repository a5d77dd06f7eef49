#include "import/LayerPixels.h"

#include "import/ChannelDecoder.h"
#include "import/PixelPlacement.h"
#include "import/PsdFailure.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace deptrix {

namespace {

/// One mask that scales the layer's opacity, decoded over its own rectangle.
struct MaskFactor {
    Bitmap plane; ///< empty when the rectangle is empty
    PsdRect rect;
    std::uint8_t defaultColour = 255;
    std::uint8_t density = 255;
};

/// Masks enter the product as 65025 - density x (255 - m): the mask value scaled
/// by 255 at full density, weakened towards 65025 (no effect) as density falls.
constexpr std::uint64_t kFactorScale = 255 * 255;

std::span<const std::uint8_t> ChannelBytes(const PsdFile& file, const ChannelInfo& channel) {
    return file.bytes.subspan(
        static_cast<std::size_t>(channel.data.offset), static_cast<std::size_t>(channel.data.length));
}

void CheckStored(const PsdFile& file, const ChannelInfo& channel, std::int64_t width, std::int64_t height,
    const ChannelDecoder& decoder, const std::string& what) {
    if (channel.data.length < decoder.minimumStoredBytes(ChannelBytes(file, channel), width, height))
        FailPsd(file.name, "truncated channel data in " + what + ", channel " + std::to_string(channel.id));
}

/// The row of `factor` over the layer's row `y`, as `width` scaled factors.
void FactorRow(const MaskFactor& factor, const PsdRect& box, int y, int width, std::uint32_t* out) {
    std::array<std::uint32_t, 256> scaled;
    for (int m = 0; m < 256; ++m)
        scaled[static_cast<std::size_t>(m)]
            = static_cast<std::uint32_t>(kFactorScale - factor.density * (255u - m));
    std::fill(out, out + width, scaled[factor.defaultColour]);
    if (factor.plane.empty()) return;
    const std::int64_t canvasY = static_cast<std::int64_t>(box.top) + y;
    if (canvasY < factor.rect.top || canvasY >= factor.rect.bottom) return;
    const std::int64_t from = std::max<std::int64_t>(factor.rect.left, box.left);
    const std::int64_t to = std::min<std::int64_t>(factor.rect.right, box.right);
    if (from >= to) return;
    const std::uint8_t* src
        = factor.plane.row(static_cast<int>(canvasY - factor.rect.top)) + (from - factor.rect.left);
    std::uint32_t* dst = out + (from - box.left);
    for (std::int64_t x = 0; x < to - from; ++x) dst[x] = scaled[src[x]];
}

/// mask := Round(mask x f1 x ... x opacity / (65025^k x 255)), one rounding for all
/// factors; with full density that is Round(alpha x mask x opacity / 255^2).
void ApplyFactors(
    Bitmap& mask, const PsdRect& box, const std::vector<MaskFactor>& factors, std::uint8_t opacity) {
    const bool scaleByOpacity = opacity != 255;
    if (factors.empty() && !scaleByOpacity) return;
    std::uint64_t denominator = scaleByOpacity ? 255 : 1;
    for (std::size_t i = 0; i < factors.size(); ++i) denominator *= kFactorScale;
    // The denominator is odd, so no quotient is ever a tie and half-up rounding
    // equals rounding to even. At most two masks: the numerator stays below 2^49.
    const int width = mask.width();
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * factors.size());
    for (int y = 0; y < mask.height(); ++y) {
        for (std::size_t f = 0; f < factors.size(); ++f)
            FactorRow(factors[f], box, y, width, rows.data() + f * static_cast<std::size_t>(width));
        std::uint8_t* m = mask.row(y);
        for (int x = 0; x < width; ++x) {
            std::uint64_t numerator = m[x];
            for (std::size_t f = 0; f < factors.size(); ++f)
                numerator *= rows[f * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
            if (scaleByOpacity) numerator *= opacity;
            m[x] = static_cast<std::uint8_t>((2 * numerator + denominator) / (2 * denominator));
        }
    }
}

} // namespace

LayerPixels DecodeLayerPixels(const PsdFile& file, const PsdLayerRecord& record, ChannelDecoder& decoder,
    std::size_t limitBytes, std::uint8_t opacity) {
    const PsdHeader& header = file.header;
    const std::string what = "layer record " + std::to_string(record.index);
    const std::string sizeWhat = file.name + ": " + what;
    const std::int64_t width = record.box.width();
    const std::int64_t height = record.box.height();
    const PixelFormat format = LayerPixelFormat(header);
    CheckedImageBytes(width, height, BytesPerPixel(format), sizeWhat.c_str(), limitBytes);

    // Everything the layer needs must be stored before its pictures are allocated.
    for (int c = 0; c < header.colourChannels(); ++c) {
        const ChannelInfo* channel = record.channel(c);
        if (!channel) FailPsd(file.name, what + " has no colour channel " + std::to_string(c));
        CheckStored(file, *channel, width, height, decoder, what);
    }
    const ChannelInfo* alpha = record.channel(kTransparencyChannel);
    if (alpha) CheckStored(file, *alpha, width, height, decoder, what);

    std::vector<std::pair<const ChannelInfo*, const LayerMaskInfo*>> maskSources;
    for (auto [id, info] : { std::pair { kUserMaskChannel, &record.userMask },
             std::pair { kRealUserMaskChannel, &record.realUserMask } }) {
        const ChannelInfo* channel = record.channel(id);
        if (!channel || !info->present || info->disabled) continue;
        if (!info->rect.empty()) {
            CheckedImageBytes(info->rect.width(), info->rect.height(), 1, sizeWhat.c_str(), limitBytes);
            CheckStored(file, *channel, info->rect.width(), info->rect.height(), decoder, what);
        }
        maskSources.emplace_back(channel, info);
    }

    LayerPixels pixels;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    pixels.colour = Bitmap(w, h, format);
    pixels.mask = Bitmap(w, h, PixelFormat::Gray8);
    const int pixelBytes = pixels.colour.bytesPerPixel();

    for (int c = 0; c < header.colourChannels(); ++c) {
        const std::vector<int> offsets = ColourChannelOffsets(header.mode, c);
        decoder.decodeLayerChannel(
            ChannelBytes(file, *record.channel(c)), w, h, what, [&](int y, const std::uint8_t* samples) {
                for (int offset : offsets) ScatterRow(samples, pixels.colour.row(y), w, pixelBytes, offset);
            });
    }

    if (alpha) {
        decoder.decodeLayerChannel(
            ChannelBytes(file, *alpha), w, h, what, [&](int y, const std::uint8_t* samples) {
                std::memcpy(pixels.mask.row(y), samples, static_cast<std::size_t>(w));
            });
    } else {
        pixels.mask.fill(255);
    }

    std::vector<MaskFactor> factors;
    for (auto [channel, info] : maskSources) {
        MaskFactor factor;
        factor.rect = info->rect;
        factor.defaultColour = info->defaultColour;
        factor.density = info->density;
        if (!info->rect.empty()) {
            const int mw = static_cast<int>(info->rect.width());
            factor.plane = Bitmap(mw, static_cast<int>(info->rect.height()), PixelFormat::Gray8);
            decoder.decodeLayerChannel(ChannelBytes(file, *channel), mw, factor.plane.height(), what,
                [&](int y, const std::uint8_t* samples) {
                    std::memcpy(factor.plane.row(y), samples, static_cast<std::size_t>(mw));
                });
        }
        factors.push_back(std::move(factor));
    }
    ApplyFactors(pixels.mask, record.box, factors, opacity);
    return pixels;
}

} // namespace deptrix
