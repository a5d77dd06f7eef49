#pragma once

#include "render/LayerBlend.h"
#include "render/LayerRowBlend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace deptrix::blend {

/// A layer of a clipping group as it falls on the picture: its drawn mode and where it
/// sits (PlaceLayer, PlaceArea).
struct GroupMember {
    BlendMode mode = BlendMode::Normal;
    Placement placement;
    std::uint8_t fill = 255; ///< fill opacity applied inside the blend (LayerRecord::blendFill)
};

/// One row of a layer's colour and mask, each from the layer's first column.
struct LayerRow {
    const std::uint8_t* colour = nullptr;
    const std::uint8_t* mask = nullptr;
    /// A base's own opacity, when its mask holds effects drawn around it; null: the
    /// mask is its shape (BlendClippingGroupRow's baseShape).
    const std::uint8_t* shape = nullptr;
};

/// Lays picture row `y` of a clipping group over the picture: `group[0]` is the base
/// layer, the rest are the layers clipped to it, in order (a base alone is a plain
/// layer). `rowOf(member, layerRow)` gives member `member`'s LayerRow for its own row
/// `layerRow`; it is asked only for rows the member's placement holds.
///
/// `pictureRow` is the picture's whole row; `coverageRow` and `backdropAlpha`, when not
/// null, the matching rows of its coverage and backdrop opacity (see BlendLayerRow).
/// `scratch` holds at least group.size() - 1 entries and `groupRow` the picture's width
/// x `bytesPerPixel` bytes, so that a row costs no allocation. Whoever composites as
/// the preview does goes through here, so that all composite alike.
template <class RowOf>
void BlendGroupRow(std::span<const GroupMember> group, std::int64_t y, const RowOf& rowOf, int bytesPerPixel,
    std::uint8_t* pictureRow, std::uint8_t* coverageRow, std::uint8_t* backdropAlpha,
    std::span<ClippedRow> scratch, std::uint8_t* groupRow) {
    const Placement& base = group.front().placement;
    if (base.empty() || y < base.y0 || y > base.y1) return;
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    const auto x0 = static_cast<std::size_t>(base.x0);
    const std::size_t count = base.columns();
    const LayerRow row = rowOf(std::size_t { 0 }, static_cast<int>(y - base.top));
    const auto column = static_cast<std::size_t>(base.x0 - base.left);
    std::uint8_t* dst = pictureRow + x0 * bpp;
    std::uint8_t* coverage = coverageRow ? coverageRow + x0 : nullptr;
    std::uint8_t* below = backdropAlpha ? backdropAlpha + x0 : nullptr;
    const std::uint8_t* colour = row.colour + column * bpp;
    const std::uint8_t* mask = row.mask + column;
    if (group.size() == 1) {
        BlendLayerRow(
            group.front().mode, group.front().fill, dst, colour, mask, count, bytesPerPixel, coverage, below);
        return;
    }
    std::size_t rows = 0;
    for (std::size_t i = 1; i < group.size() && rows < scratch.size(); ++i) {
        const Placement& p = group[i].placement;
        if (p.empty() || y < p.y0 || y > p.y1) continue;
        const std::int64_t from = std::max(p.x0, base.x0);
        const std::int64_t to = std::min(p.x1, base.x1);
        if (from > to) continue;
        const LayerRow clipped = rowOf(i, static_cast<int>(y - p.top));
        const auto cx = static_cast<std::size_t>(from - p.left);
        scratch[rows++] = { group[i].mode, group[i].fill, clipped.colour + cx * bpp, clipped.mask + cx,
            static_cast<std::size_t>(from - base.x0), static_cast<std::size_t>(to - from + 1) };
    }
    BlendClippingGroupRow(group.front().mode, group.front().fill, dst, colour, mask, count, bytesPerPixel,
        std::span<const ClippedRow>(scratch.data(), rows), groupRow, coverage, below,
        row.shape ? row.shape + column : nullptr);
}

} // namespace deptrix::blend
