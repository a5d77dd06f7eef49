#include "render/LayerRowBlend.h"

#include "render/BlendKernels.h"
#include "render/ModeKernels.h"

#include <algorithm>
#include <cstring>

namespace deptrix::blend {

namespace {

/// Pixels handled at a time: the scratch rows stay in L1.
constexpr std::size_t kChunk = 256;

bool AllEqual(const std::uint8_t* bytes, std::size_t count, std::uint8_t value) {
    std::size_t i = 0;
    const std::uint64_t pattern = 0x0101010101010101ull * value;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word != pattern) return false;
    }
    for (; i < count; ++i)
        if (bytes[i] != value) return false;
    return true;
}

/// The colour below before it was laid over white: the picture holds
/// C x alpha + 255 x (1 - alpha). Where alpha is 0 the value is never used.
void Unmatte(const std::uint8_t* matted, const std::uint8_t* alpha, std::uint8_t* out, std::size_t pixels,
    std::size_t bpp) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned a = alpha[i];
        for (std::size_t c = 0; c < bpp; ++c) {
            const unsigned v = matted[i * bpp + c];
            if (a == 255 || a == 0) {
                out[i * bpp + c] = static_cast<std::uint8_t>(v);
                continue;
            }
            const int above = static_cast<int>(v + a) - 255;
            const unsigned n = above > 0 ? static_cast<unsigned>(above) * 255 : 0;
            out[i * bpp + c] = static_cast<std::uint8_t>(std::min(255u, (n + a / 2) / a));
        }
    }
}

} // namespace

void BlendLayerRow(BlendMode mode, std::uint8_t fill, std::uint8_t* dst, const std::uint8_t* src,
    const std::uint8_t* mask, std::size_t count, int bytesPerPixel, std::uint8_t* coverage,
    std::uint8_t* backdropAlpha) {
    if (mode == BlendMode::Normal) {
        BlendPixelRow(dst, src, mask, count, bytesPerPixel, coverage);
        if (backdropAlpha) AccumulateCoverage(backdropAlpha, mask, count);
        return;
    }
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    std::uint8_t backdrop[kChunk * 4];
    std::uint8_t blended[kChunk * 4];
    for (std::size_t done = 0; done < count; done += kChunk) {
        const std::size_t pixels = std::min(kChunk, count - done);
        const std::uint8_t* m = mask + done;
        if (AllEqual(m, pixels, 0)) continue;
        std::uint8_t* d = dst + done * bpp;
        const std::uint8_t* s = src + done * bpp;
        std::uint8_t* alpha = backdropAlpha ? backdropAlpha + done : nullptr;
        const bool opaqueBelow = !alpha || AllEqual(alpha, pixels, 255);
        if (!opaqueBelow && AllEqual(alpha, pixels, 0)) {
            // Nothing below to blend with: the layer shows as itself.
            BlendPixelRow(d, s, m, pixels, bytesPerPixel, coverage ? coverage + done : nullptr);
            AccumulateCoverage(alpha, m, pixels);
            continue;
        }
        if (opaqueBelow) {
            ModeRow(mode, d, s, blended, pixels, bytesPerPixel, fill);
        } else {
            // Where the picture below is partly transparent the layer blends with its
            // colour in proportion to its opacity and shows as itself for the rest.
            Unmatte(d, alpha, backdrop, pixels, bpp);
            ModeRow(mode, backdrop, s, blended, pixels, bytesPerPixel, fill);
            for (std::size_t i = 0; i < pixels; ++i)
                if (alpha[i] != 255)
                    for (std::size_t c = 0; c < bpp; ++c)
                        blended[i * bpp + c] = BlendByte(s[i * bpp + c], blended[i * bpp + c], alpha[i]);
        }
        BlendPixelRow(d, blended, m, pixels, bytesPerPixel, coverage ? coverage + done : nullptr);
        if (!opaqueBelow) AccumulateCoverage(alpha, m, pixels);
    }
}

void BlendClippingGroupRow(BlendMode baseMode, std::uint8_t baseFill, std::uint8_t* dst,
    const std::uint8_t* baseColour, const std::uint8_t* baseMask, std::size_t count, int bytesPerPixel,
    std::span<const ClippedRow> clipped, std::uint8_t* groupRow, std::uint8_t* coverage,
    std::uint8_t* backdropAlpha, const std::uint8_t* baseShape) {
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    std::memcpy(groupRow, baseColour, count * bpp);
    for (const ClippedRow& row : clipped) {
        if (row.offset >= count || row.count == 0) continue;
        const std::size_t pixels = std::min(row.count, count - row.offset);
        if (!baseShape) {
            BlendLayerRow(row.mode, row.fill, groupRow + row.offset * bpp, row.colour, row.mask, pixels,
                bytesPerPixel, nullptr, nullptr);
            continue;
        }
        std::uint8_t shaped[kChunk];
        for (std::size_t done = 0; done < pixels; done += kChunk) {
            const std::size_t n = std::min(kChunk, pixels - done);
            const std::uint8_t* shape = baseShape + row.offset + done;
            for (std::size_t i = 0; i < n; ++i)
                shaped[i]
                    = static_cast<std::uint8_t>(DivideRound255(row.mask[done + i] * unsigned { shape[i] }));
            BlendLayerRow(row.mode, row.fill, groupRow + (row.offset + done) * bpp, row.colour + done * bpp,
                shaped, n, bytesPerPixel, nullptr, nullptr);
        }
    }
    BlendLayerRow(baseMode, baseFill, dst, groupRow, baseMask, count, bytesPerPixel, coverage, backdropAlpha);
}

} // namespace deptrix::blend
