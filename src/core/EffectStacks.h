#pragma once

#include "core/EffectBlend.h"
#include "core/EffectDrawing.h"
#include "core/EffectPaint.h"
#include "core/EffectPlanes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// The colour of a picture pixel of `channels` bytes at `p` as effect channels: RGB in
/// red, green, blue order, or the four CMYK bytes as stored; channels not used stay 1.
inline EffectPixel EffectPixelAt(const std::uint8_t* p, int channels) {
    EffectPixel colour { { 1, 1, 1, 1 } };
    if (channels == 3) {
        colour.c[0] = p[2] / 255.0f;
        colour.c[1] = p[1] / 255.0f;
        colour.c[2] = p[0] / 255.0f;
    } else {
        for (int c = 0; c < 4; ++c) colour.c[c] = p[c] / 255.0f;
    }
    return colour;
}

/// The mattes of one effect at a picture's size, with room around it.
struct EffectMatte {
    const LayerEffect* effect = nullptr;
    Plane a; ///< coverage (stroke: outside part; bevel: highlight)
    Plane b; ///< stroke: inside part; bevel: shadow
    EffectPixel colour; ///< the effect's colour in the picture's channels
    EffectPixel shadowColour; ///< bevel
};

/// A style's effects laid out over a shape once, then asked pixel by pixel for what
/// they make within the shape (over the content found there) and outside it. Serves
/// a layer's own effects and a folder's, whose shape is its merged picture while the
/// content within it is each layer's own.
class EffectStacks {
public:
    /// `shape` (Gray8) lies at (boxX, boxY) in a picture of outWidth x outHeight of
    /// `format`; `settings` gives the scale, the fill and where the picture lies on the
    /// canvas (its opacity is not used here).
    EffectStacks(const Bitmap& shape, int outWidth, int outHeight, int boxX, int boxY,
        const LayerStyle& style, const EffectSettings& settings, PixelFormat format);

    /// The index of picture pixel (x, y) in the planes.
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y + m_pad) * static_cast<std::size_t>(m_planeWidth)
            + static_cast<std::size_t>(x + m_pad);
    }
    /// The shape's value 0..1 at plane index `i`.
    float shapeAt(std::size_t i) const { return m_shape.values[i]; }
    /// Whether some effect adds to the stack within the shape at `i`.
    bool innerShows(std::size_t i) const;
    /// Whether innerShows can hold anywhere at all.
    bool innerCanShow() const { return m_innerCanShow; }
    /// Whether no effect reaches `i` at all.
    bool noneReaches(std::size_t i) const;
    /// How many of the `count` pixels from plane index `i` on along the row lie outside
    /// the shape where no effect reaches (0 when the first one does not).
    int emptyRun(std::size_t i, int count) const;
    /// The stacks within and outside the shape at picture pixel (x, y), plane index
    /// `i`, over `content`; a stack not asked for stays empty.
    void build(int x, int y, std::size_t i, const EffectPixel& content, bool withInner, bool withOuter,
        EffectStack& inner, EffectStack& outer) const;

private:
    struct Paint {
        bool gradient = false;
        bool pattern = false;
        bool reachesInner = false; ///< for some pixel, with a matte value above 0
        bool innerEverywhere = false; ///< whatever the matte values
    };

    const LayerStyle& m_style;
    EffectSettings m_settings;
    PixelFormat m_format;
    int m_channels;
    int m_boxX;
    int m_boxY;
    int m_pad = 0;
    int m_planeWidth = 0;
    Plane m_shape;
    std::vector<EffectMatte> m_mattes;
    std::vector<GradientLayout> m_layouts;
    std::vector<Paint> m_paints;
    bool m_innerCanShow = false;
};

} // namespace deptrix
