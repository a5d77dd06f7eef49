#pragma once

#include "core/Document.h"
#include "print/LayerFile.h"
#include "print/ViewRows.h"
#include "render/ClippingGroupRow.h"
#include "render/FrameSet.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace deptrix {

class FrameRowWarp;

/// Per frame index, every layer's left edge (source px).
using ViewLefts = std::vector<std::vector<std::int32_t>>;

/// Left edges in every frame of `frames`: from each layer's offset relative to the
/// focus offset, the document's DepthFactor and the layer's Left, by FrameSet::shift.
ViewLefts FrameLefts(const Document& doc, const std::vector<std::int32_t>& offsets, std::int32_t focusOffset,
    const FrameSet& frames);

/// The seven views' left edges, as Preview places the layers.
ViewLefts PreviewViewLefts(
    const Document& doc, const std::vector<std::int32_t>& offsets, std::int32_t focusOffset);

/// The frames at source resolution (SourceWidth x SourceHeight), composited a band of
/// rows at a time exactly as the composite pass builds the preview's views (flip
/// groups spread over the frames by FrameSet::groupFrames, the same placement, the
/// same blend), but from the layers' work files at source resolution
/// (LayerFileName/LayerMaskFileName; a layer with effects: drawn from them at source
/// resolution into EffectLayerFileName pictures first). Outline and depth map layers
/// (Group 100) are warped row by row into every frame (FrameRowWarp) from their layer
/// file, widened by their margin, and their smoothed depth raster (LayerDepthRaster:
/// from the map, else from the lines), which is held while the frames are read; for the
/// seven views these are the preview's own warped pictures. Blend modes and clipped
/// layers are drawn through the preview's own row functions (BlendGroupRow). Group
/// frames must be current (BuildGroupFrames). Only the band's rows of each file are
/// read at a time. The number of frames is the number of entries of `frameLefts`.
class SourceViews final : public ViewRows {
public:
    /// Opens and checks every file a frame will read; throws Error naming a file that
    /// is missing, unreadable or of the wrong kind. Only RGB and CMYK documents.
    SourceViews(const Document& doc, const ViewLefts& frameLefts, const std::filesystem::path& workFolder);
    ~SourceViews() override;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    PixelFormat format() const override { return m_format; }
    int frames() const override { return m_frames; }
    int bandRows() const override;
    void readRows(int y0, int count, const ViewRowConsumer& take) override;
    /// Opens the same work files again; the depth rasters are shared.
    std::unique_ptr<ViewRows> openAnother() const override;

private:
    SourceViews(const SourceViews& other);
    SourceViews& operator=(const SourceViews&) = delete;

    struct Picture {
        std::unique_ptr<LayerFile> colour;
        std::unique_ptr<LayerFile> mask;
        std::filesystem::path colourPath;
        std::filesystem::path maskPath;
    };
    static Picture OpenPicture(
        const std::filesystem::path& colourPath, const std::filesystem::path& maskPath, PixelFormat format);
    /// An outline layer's frames, one layer row at a time.
    struct Warp {
        std::shared_ptr<const Bitmap> levels; ///< the depth raster, as wide as the widened layer
        std::uint8_t baseLevel = 0;
        std::int64_t levelShift = 0;
        std::unique_ptr<FrameRowWarp> rows;
        std::int64_t margin = 0;
        std::vector<std::uint8_t> picture; ///< the widened row
        std::vector<std::uint8_t> mask;
        int row = -1; ///< the layer row warped last
    };
    /// A clip base's own opacity, read from its stored pixels' mask and placed in its
    /// drawn box, a row at a time (Document::LayerClipShapes at source resolution).
    struct Shape {
        std::unique_ptr<LayerFile> file;
        std::filesystem::path path;
        std::int64_t insetX = 0; ///< where the stored box lies in the drawn one
        std::int64_t insetY = 0;
        std::int64_t firstMapped = 0; ///< rows of the file read
        std::int64_t mappedCount = 0;
        std::vector<std::uint8_t> row; ///< the placed row
        int rowIndex = -1; ///< the layer row placed last
    };
    /// One layer as the frames draw it: its picture (warped per frame for an outline
    /// layer), its drawn blend mode and fill, its top row and, per frame, its left column.
    struct Layer {
        Picture picture;
        std::unique_ptr<Warp> warp;
        std::unique_ptr<Shape> shape; ///< set for a base whose effects reach beyond its pixels
        BlendMode mode = BlendMode::Normal;
        std::uint8_t fill = 255; ///< applied inside the blend
        std::int64_t top = 0;
        std::vector<std::int64_t> left;
        std::int64_t width = 0; ///< as drawn: widened for an outline layer
        std::int64_t height = 0;

        blend::LayerRow row(int frame, int layerRow) const;
    };
    /// A layer with the layers clipped to it (members[0]), drawn together in the frames
    /// that draw the base.
    struct Group {
        std::vector<Layer> members;
        std::vector<bool> drawn;
        bool tracksBackdrop = false; ///< whether the frames' backdrop opacity is kept up
        bool warped = false; ///< whether a member is an outline layer
    };

    Layer openLayer(const Document& doc, const ViewLefts& frameLefts, std::size_t index,
        std::vector<bool>& effectFilesWritten, const std::filesystem::path& workFolder) const;
    /// The same layer over files of its own.
    Layer reopenLayer(const Layer& layer) const;
    /// The warp's buffers for a layer `width` pixels wide.
    void startWarp(Warp& warp, std::int64_t width) const;
    /// Gives a base of clipped layers its own shape where its effects reach beyond it.
    static void openShape(
        const Document& doc, std::size_t index, Layer& layer, const std::filesystem::path& workFolder);
    void blendGroup(
        const Group& group, int frame, int y0, int count, std::uint8_t* band, std::uint8_t* backdrop);

    int m_width;
    int m_height;
    PixelFormat m_format;
    int m_frames;
    std::vector<Group> m_groups;
    bool m_tracksBackdrop = false;
    // Set in full for every band: pixel memory, not zero-filled first.
    std::vector<std::uint8_t, PixelAllocator<std::uint8_t>> m_bands; ///< one band of rows per frame
    std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>
        m_backdrops; ///< per frame, how opaque its band is so far
    std::size_t m_rowBytes;
    // Scratch for BlendGroupRow, sized for the largest group.
    std::vector<blend::GroupMember> m_placed;
    std::vector<blend::ClippedRow> m_clippedRows;
    std::vector<std::uint8_t> m_groupRow;
};

} // namespace deptrix
