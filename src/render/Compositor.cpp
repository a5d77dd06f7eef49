#include "render/Compositor.h"

#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "render/BlendKernels.h"
#include "render/ClippingGroupRow.h"
#include "render/LayerBlend.h"
#include "render/LayerRowBlend.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace deptrix {

namespace {

void ReportLayer(const Document& doc, std::size_t s, Progress* progress) {
    if (!progress) return;
    const long double share = static_cast<long double>(doc.ProgressSpan) / doc.LayerCount;
    const std::int64_t position = Round(share * static_cast<long double>(s)) + doc.ProgressBase;
    progress->setPosition(static_cast<int>(std::clamp<std::int64_t>(position, INT_MIN, INT_MAX)));
}

/// What a layer draws in the current view: its own picture and mask, or for an outline
/// layer the warped ones of the view, loaded from the work folder.
struct LayerSource {
    const Bitmap* picture = nullptr; ///< null: the loaded picture
    const Bitmap* mask = nullptr;
    const Bitmap* shape = nullptr; ///< the clip shape (Document::LayerClipShapes), or null
    Bitmap loadedPicture;
    Bitmap loadedMask;
    std::int64_t top = 0;
    std::int64_t left = 0;
    std::string what; ///< names the layer or file in messages

    const Bitmap& colour() const { return picture ? *picture : loadedPicture; }
    const Bitmap& opacity() const { return mask ? *mask : loadedMask; }
};

LayerSource SourceOf(
    const Document& doc, const ViewPass& pass, std::size_t s, const std::filesystem::path& workFolder) {
    LayerSource source;
    const LayerRecord& layer = doc.Layers[s];
    source.top = ToWorking(layer.Top, doc.WorkScale);
    if (layer.Group != kGroupOutlineBuilt) {
        source.picture = &doc.LayerBitmaps[s];
        source.mask = &doc.LayerMasks[s];
        if (s < doc.LayerClipShapes.size()) {
            const Bitmap& shape = doc.LayerClipShapes[s];
            if (!shape.empty() && shape.width() == source.mask->width()
                && shape.height() == source.mask->height())
                source.shape = &shape;
        }
        source.left = ToWorking(pass.viewLeft[s], doc.WorkScale);
        source.what = "layer " + std::to_string(s + 1);
        return source;
    }
    const int index = static_cast<int>(s);
    const std::filesystem::path picturePath = workFolder / OutlineViewFileName(index, pass.viewIndex);
    const std::filesystem::path maskPath = workFolder / OutlineViewMaskFileName(index, pass.viewIndex);
    source.loadedPicture = LoadBmp(picturePath);
    source.loadedMask = LoadBmp(maskPath);
    const PixelFormat wanted = CompositeFormat(doc.ImageMode);
    if (source.loadedPicture.format() != wanted)
        throw Error(DisplayName(picturePath) + ": expected a " + (wanted == PixelFormat::Bgr24 ? "24" : "32")
            + "-bit picture");
    if (source.loadedMask.format() != PixelFormat::Gray8
        || source.loadedMask.width() != source.loadedPicture.width()
        || source.loadedMask.height() != source.loadedPicture.height())
        throw Error(
            DisplayName(maskPath) + ": the mask does not match its picture " + DisplayName(picturePath));

    // The warped picture is wider than the layer by a quarter inch times the
    // layer's depth on each side.
    const std::int64_t margin = Round(static_cast<long double>(doc.SourceDpi)
        * static_cast<long double>(layer.Depth) / 4.0L / 100000000.0L);
    const long double sourceLeft
        = static_cast<long double>(pass.viewLeft[s]) - static_cast<long double>(margin);
    source.left = ToWorking(sourceLeft, doc.WorkScale);
    source.what = DisplayName(picturePath);
    return source;
}

void LayOverFrom(const ViewPass& pass, const LayerSource& source) {
    LayOver(pass.composite, pass.coverage, source.colour(), source.opacity(), source.top, source.left,
        source.what);
}

/// Every layer drawn row by row through BlendLayerRow: the path for documents that use
/// blend modes or clipping. Plain layers give the same bytes as LayOver there.
class ModeComposite {
public:
    ModeComposite(const Document& doc, const ViewPass& pass, const std::filesystem::path& workFolder,
        std::size_t drawable)
        : m_doc(doc)
        , m_pass(pass)
        , m_workFolder(workFolder)
        , m_drawable(drawable)
        , m_bpp(pass.composite.bytesPerPixel())
        , m_lastModeLayer(LastModeLayer(doc, drawable)) {
        if (m_lastModeLayer >= 0) {
            m_backdropAlpha = Bitmap(doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8);
            m_backdropAlpha.fill(0);
        }
        m_groupRow.resize(static_cast<std::size_t>(std::max(doc.ImageWidth, 0)) * 4);
    }

    void layer(std::size_t s) {
        std::vector<LayerSource> sources;
        sources.push_back(SourceOf(m_doc, m_pass, s, m_workFolder));
        std::vector<blend::GroupMember> group;
        group.push_back(
            { m_doc.Layers[s].drawnBlendMode(), place(sources.back()), m_doc.Layers[s].blendFill() });
        for (std::size_t t = s + 1; t < m_drawable; ++t) {
            if (ClipBaseOf(m_doc, t) != static_cast<std::int64_t>(s)) continue;
            sources.push_back(SourceOf(m_doc, m_pass, t, m_workFolder));
            group.push_back(
                { m_doc.Layers[t].drawnBlendMode(), place(sources.back()), m_doc.Layers[t].blendFill() });
        }
        const Placement& placement = group.front().placement;
        if (placement.empty()) return;

        const bool trackAlpha = static_cast<std::int64_t>(s) <= m_lastModeLayer;
        std::vector<blend::ClippedRow> scratch(group.size());
        const auto rowOf = [&sources](std::size_t member, int row) {
            const LayerSource& source = sources[member];
            return blend::LayerRow { source.colour().row(row), source.opacity().row(row),
                source.shape ? source.shape->row(row) : nullptr };
        };
        for (std::int64_t y = placement.y0; y <= placement.y1; ++y) {
            const int row = static_cast<int>(y);
            blend::BlendGroupRow(group, y, rowOf, m_bpp, m_pass.composite.row(row),
                m_pass.coverage ? m_pass.coverage->row(row) : nullptr,
                trackAlpha ? m_backdropAlpha.row(row) : nullptr, scratch, m_groupRow.data());
        }
    }

private:
    Placement place(const LayerSource& source) const {
        return PlaceLayer(
            m_pass.composite, source.colour(), source.opacity(), source.top, source.left, source.what);
    }

    const Document& m_doc;
    const ViewPass& m_pass;
    const std::filesystem::path& m_workFolder;
    std::size_t m_drawable;
    int m_bpp;
    std::int64_t m_lastModeLayer;
    Bitmap m_backdropAlpha; ///< how opaque the composite is so far, 0..255
    std::vector<std::uint8_t> m_groupRow;
};

/// Plain documents, where every layer is Normal and none is clipped, keep the plain
/// layer-by-layer pass.
bool NeedsModes(const Document& doc, std::size_t drawable) {
    for (std::size_t s = 0; s < drawable; ++s)
        if (ClipBaseOf(doc, s) >= 0 || doc.Layers[s].drawnBlendMode() != BlendMode::Normal) return true;
    return false;
}

} // namespace

std::int64_t ClipBaseOf(const Document& doc, std::size_t layer) {
    const std::int32_t base = doc.Layers[layer].ClipBase;
    return base >= 0 && static_cast<std::size_t>(base) < layer ? base : -1;
}

std::int64_t LastModeLayer(const Document& doc, std::size_t drawable) {
    std::int64_t last = -1;
    for (std::size_t s = 0; s < drawable; ++s)
        if (ClipBaseOf(doc, s) < 0 && doc.Layers[s].drawnBlendMode() != BlendMode::Normal)
            last = static_cast<std::int64_t>(s);
    return last;
}

bool DrawnInView(const Document& doc, std::size_t layer, int viewIndex) {
    const std::uint8_t code = doc.Layers[layer].Group;
    if (code == kGroupNone || code == kGroupOutlineBuilt) return true;
    // Frames missing for this code (the group step has not run since the codes
    // changed) or a view index out of range: no member can be chosen.
    if (code > doc.GroupFrames.size() || viewIndex < 0 || viewIndex >= kViewCount) return false;
    return doc.GroupFrames[code - 1u][static_cast<std::size_t>(viewIndex)] == layer;
}

void CompositeView(
    const Document& doc, const ViewPass& pass, const std::filesystem::path& workFolder, Progress* progress) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4) return;
    ResetPicture(pass.composite, doc.ImageWidth, doc.ImageHeight, CompositeFormat(doc.ImageMode), 255);
    if (pass.coverage)
        ResetPicture(*pass.coverage, doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8, kCoverageStart);

    const std::size_t drawable = std::min(
        { doc.Layers.size(), doc.LayerBitmaps.size(), doc.LayerMasks.size(), pass.viewLeft.size() });
    if (NeedsModes(doc, drawable)) {
        ModeComposite modes(doc, pass, workFolder, drawable);
        for (std::size_t s = 0; s < doc.LayerCount; ++s) {
            ReportLayer(doc, s, progress);
            // A clipped layer is drawn with its base, and only when the base is.
            if (s >= drawable || ClipBaseOf(doc, s) >= 0 || !DrawnInView(doc, s, pass.viewIndex)) continue;
            modes.layer(s);
        }
        return;
    }
    for (std::size_t s = 0; s < doc.LayerCount; ++s) {
        ReportLayer(doc, s, progress);
        if (s >= drawable || !DrawnInView(doc, s, pass.viewIndex)) continue;
        LayOverFrom(pass, SourceOf(doc, pass, s, workFolder));
    }
}

void CompositePass(
    Document& doc, const std::filesystem::path& workFolder, Progress& progress, CoveragePlane plane) {
    const ViewPass pass { doc.ViewLeft, doc.CurrentView, doc.Composite,
        plane == CoveragePlane::Build ? &doc.Coverage : nullptr };
    CompositeView(doc, pass, workFolder, &progress);
}

void CmykToRgb(Bitmap& bitmap) {
    if (bitmap.format() != PixelFormat::Cmyk32) return;
    Bitmap rgb(bitmap.width(), bitmap.height(), PixelFormat::Bgr24);
    const int width = bitmap.width();
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* in = bitmap.row(y);
        std::uint8_t* out = rgb.row(y);
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned k = in[3];
            out[0] = static_cast<std::uint8_t>(blend::DivideRound255(in[2] * k));
            out[1] = static_cast<std::uint8_t>(blend::DivideRound255(in[1] * k));
            out[2] = static_cast<std::uint8_t>(blend::DivideRound255(in[0] * k));
        }
    }
    bitmap = std::move(rgb);
}

} // namespace deptrix
