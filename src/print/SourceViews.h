#pragma once

#include "core/Document.h"
#include "print/LayerFile.h"
#include "print/ViewRows.h"
#include "render/ClippingGroupRow.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace deptrix {

/// Per view index 0..6, every layer's ViewLeft (source px).
using ViewLefts = std::array<std::vector<std::int32_t>, 7>;

/// ViewLefts of the seven views as Preview places the layers: from each layer's
/// offset relative to the focus offset, the document's DepthFactor and the layer's Left.
ViewLefts PreviewViewLefts(
    const Document& doc, const std::vector<std::int32_t>& offsets, std::int32_t focusOffset);

/// The seven views at source resolution (SourceWidth x SourceHeight), composited a
/// band of rows at a time exactly as the composite pass builds the preview's views
/// (same flip-group frames, same placement, same blend), but from the layers' work
/// files at source resolution: LayerFileName/LayerMaskFileName for ordinary and
/// flip layers (a layer with effects: drawn from them at source resolution into
/// EffectLayerFileName pictures first), the per-view WarpedViewFileName pictures for outline layers
/// (Group 100, widened by their margin). Blend modes and clipped layers are drawn
/// through the preview's own row functions (BlendGroupRow). Group frames must be
/// current (BuildGroupFrames). Only the band's rows of each file are mapped at a time.
class SourceViews final : public ViewRows {
public:
    /// Opens and checks every file a view will read; throws Error naming a file that
    /// is missing, unreadable or of the wrong kind. Only RGB and CMYK documents.
    SourceViews(const Document& doc, const ViewLefts& viewLefts, const std::filesystem::path& workFolder);
    ~SourceViews() override;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    PixelFormat format() const override { return m_format; }
    int bandRows() const override;
    void readRows(int y0, int count, const ViewRowConsumer& take) override;

private:
    struct Picture {
        std::unique_ptr<LayerFile> colour;
        std::unique_ptr<LayerFile> mask;
    };
    static Picture OpenPicture(
        const std::filesystem::path& colourPath, const std::filesystem::path& maskPath, PixelFormat format);
    /// One layer as the views draw it: its pictures (one, or one per view for an
    /// outline layer), its drawn blend mode and fill, its top row and, per view, its left
    /// column.
    struct Layer {
        std::vector<Picture> pictures;
        BlendMode mode = BlendMode::Normal;
        std::uint8_t fill = 255; ///< applied inside the blend
        std::int64_t top = 0;
        std::array<std::int64_t, 7> left {};

        const Picture& picture(int view) const {
            return pictures[pictures.size() > 1 ? static_cast<std::size_t>(view) : 0];
        }
    };
    /// A layer with the layers clipped to it (members[0]), drawn together in the views
    /// that draw the base.
    struct Group {
        std::vector<Layer> members;
        std::array<bool, 7> drawn {};
        bool tracksBackdrop = false; ///< whether the views' backdrop opacity is kept up
    };

    Layer openLayer(const Document& doc, const ViewLefts& viewLefts, std::size_t index,
        const std::array<bool, 7>& views, const std::filesystem::path& workFolder) const;
    void blendGroup(
        const Group& group, int view, int y0, int count, std::uint8_t* band, std::uint8_t* backdrop);

    int m_width;
    int m_height;
    PixelFormat m_format;
    std::vector<Group> m_groups;
    bool m_tracksBackdrop = false;
    std::vector<std::uint8_t> m_bands; ///< seven bands of rows
    std::vector<std::uint8_t> m_backdrops; ///< per view, how opaque its band is so far
    std::size_t m_rowBytes;
    // Scratch for BlendGroupRow, sized for the largest group.
    std::vector<blend::GroupMember> m_placed;
    std::vector<blend::ClippedRow> m_clippedRows;
    std::vector<std::uint8_t> m_groupRow;
};

} // namespace deptrix
