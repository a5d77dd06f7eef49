#pragma once

#include "core/Document.h"
#include "print/LayerFile.h"
#include "print/ViewRows.h"

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
/// flip layers, the per-view WarpedViewFileName pictures for outline layers
/// (Group 100, widened by their margin). Group frames must be current
/// (BuildGroupFrames). Only the band's rows of each file are mapped at a time.
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
    /// outline layer), its top row and, per view, its left column or none.
    struct Layer {
        std::vector<Picture> pictures;
        std::int64_t top = 0;
        std::array<std::int64_t, 7> left {};
        std::array<bool, 7> drawn {};
    };

    void blend(Picture& picture, std::int64_t top, std::int64_t left, int y0, int count, std::uint8_t* band);

    int m_width;
    int m_height;
    PixelFormat m_format;
    std::vector<Layer> m_layers;
    std::vector<std::uint8_t> m_bands; ///< seven bands of rows
    std::size_t m_rowBytes;
};

} // namespace deptrix
