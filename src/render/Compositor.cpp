#include "render/Compositor.h"

#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "render/BlendKernels.h"
#include "render/LayerBlend.h"
#include "render/LayerRowBlend.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace deptrix {

namespace {

void ReportLayer(const Document& doc, std::size_t s, Progress& progress) {
    const long double share = static_cast<long double>(doc.ProgressSpan) / doc.LayerCount;
    const std::int64_t position = Round(share * static_cast<long double>(s)) + doc.ProgressBase;
    progress.setPosition(static_cast<int>(std::clamp<std::int64_t>(position, INT_MIN, INT_MAX)));
}

/// What a layer draws in the current view: its own picture and mask, or for an outline
/// layer the warped ones of the view, loaded from the work folder.
struct LayerSource {
    const Bitmap* picture = nullptr; ///< null: the loaded picture
    const Bitmap* mask = nullptr;
    Bitmap loadedPicture;
    Bitmap loadedMask;
    std::int64_t top = 0;
    std::int64_t left = 0;
    std::string what; ///< names the layer or file in messages

    const Bitmap& colour() const { return picture ? *picture : loadedPicture; }
    const Bitmap& opacity() const { return mask ? *mask : loadedMask; }
};

LayerSource SourceOf(const Document& doc, std::size_t s, const std::filesystem::path& workFolder) {
    LayerSource source;
    const LayerRecord& layer = doc.Layers[s];
    source.top = ToWorking(layer.Top, doc.WorkScale);
    if (layer.Group != kGroupOutlineBuilt) {
        source.picture = &doc.LayerBitmaps[s];
        source.mask = &doc.LayerMasks[s];
        source.left = ToWorking(doc.ViewLeft[s], doc.WorkScale);
        source.what = "layer " + std::to_string(s + 1);
        return source;
    }
    const int index = static_cast<int>(s);
    const std::filesystem::path picturePath = workFolder / OutlineViewFileName(index, doc.CurrentView);
    const std::filesystem::path maskPath = workFolder / OutlineViewMaskFileName(index, doc.CurrentView);
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
        = static_cast<long double>(doc.ViewLeft[s]) - static_cast<long double>(margin);
    source.left = ToWorking(sourceLeft, doc.WorkScale);
    source.what = DisplayName(picturePath);
    return source;
}

void LayOverFrom(Document& doc, const LayerSource& source) {
    LayOver(doc.Composite, &doc.Coverage, source.colour(), source.opacity(), source.top, source.left,
        source.what);
}

/// The layer that layer `s` is clipped to, or -1.
std::int64_t ClipBaseOf(const Document& doc, std::size_t s) {
    const std::int32_t base = doc.Layers[s].ClipBase;
    return base >= 0 && static_cast<std::size_t>(base) < s ? base : -1;
}

/// A layer laid over the composite with the layers clipped to it.
struct ClippedLayer {
    LayerSource source;
    Placement placement;
    BlendMode mode;
};

/// Every layer drawn row by row through BlendLayerRow: the path for documents that use
/// blend modes or clipping. Plain layers give the same bytes as LayOver there.
class ModeComposite {
public:
    ModeComposite(Document& doc, const std::filesystem::path& workFolder, std::size_t drawable)
        : m_doc(doc)
        , m_workFolder(workFolder)
        , m_drawable(drawable)
        , m_bpp(doc.Composite.bytesPerPixel()) {
        // The opacity of what lies below is needed up to the last layer that blends
        // in a mode; above it, plain "over" needs nothing more.
        for (std::size_t s = 0; s < drawable; ++s)
            if (ClipBaseOf(doc, s) < 0 && doc.Layers[s].drawnBlendMode() != BlendMode::Normal)
                m_lastModeLayer = static_cast<std::int64_t>(s);
        if (m_lastModeLayer >= 0) {
            m_backdropAlpha = Bitmap(doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8);
            m_backdropAlpha.fill(0);
        }
        m_groupRow.resize(static_cast<std::size_t>(std::max(doc.ImageWidth, 0)) * 4);
    }

    void layer(std::size_t s) {
        const LayerSource base = SourceOf(m_doc, s, m_workFolder);
        const Placement placement
            = PlaceLayer(m_doc.Composite, base.colour(), base.opacity(), base.top, base.left, base.what);
        std::vector<ClippedLayer> clipped;
        for (std::size_t t = s + 1; t < m_drawable; ++t) {
            if (ClipBaseOf(m_doc, t) != static_cast<std::int64_t>(s)) continue;
            LayerSource source = SourceOf(m_doc, t, m_workFolder);
            const Placement p = PlaceLayer(
                m_doc.Composite, source.colour(), source.opacity(), source.top, source.left, source.what);
            clipped.push_back({ std::move(source), p, m_doc.Layers[t].drawnBlendMode() });
        }
        if (placement.empty()) return;

        const BlendMode mode = m_doc.Layers[s].drawnBlendMode();
        const bool trackAlpha = static_cast<std::int64_t>(s) <= m_lastModeLayer;
        std::vector<blend::ClippedRow> rows;
        rows.reserve(clipped.size());
        const std::size_t count = placement.columns();
        const auto bpp = static_cast<std::size_t>(m_bpp);
        for (std::int64_t y = placement.y0; y <= placement.y1; ++y) {
            const int row = static_cast<int>(y);
            const int sy = static_cast<int>(y - placement.top);
            const auto sx = static_cast<std::size_t>(placement.x0 - placement.left);
            std::uint8_t* dst = m_doc.Composite.row(row) + static_cast<std::size_t>(placement.x0) * bpp;
            std::uint8_t* coverage = m_doc.Coverage.row(row) + placement.x0;
            std::uint8_t* below = trackAlpha ? m_backdropAlpha.row(row) + placement.x0 : nullptr;
            const std::uint8_t* colour = base.colour().row(sy) + sx * bpp;
            const std::uint8_t* mask = base.opacity().row(sy) + sx;
            if (clipped.empty()) {
                blend::BlendLayerRow(mode, dst, colour, mask, count, m_bpp, coverage, below);
                continue;
            }
            rows.clear();
            for (const ClippedLayer& c : clipped) {
                const Placement& p = c.placement;
                if (p.empty() || y < p.y0 || y > p.y1) continue;
                const std::int64_t from = std::max(p.x0, placement.x0);
                const std::int64_t to = std::min(p.x1, placement.x1);
                if (from > to) continue;
                const int cy = static_cast<int>(y - p.top);
                const auto cx = static_cast<std::size_t>(from - p.left);
                rows.push_back({ c.mode, c.source.colour().row(cy) + cx * bpp,
                    c.source.opacity().row(cy) + cx, static_cast<std::size_t>(from - placement.x0),
                    static_cast<std::size_t>(to - from + 1) });
            }
            blend::BlendClippingGroupRow(
                mode, dst, colour, mask, count, m_bpp, rows, m_groupRow.data(), coverage, below);
        }
    }

private:
    Document& m_doc;
    const std::filesystem::path& m_workFolder;
    std::size_t m_drawable;
    int m_bpp;
    std::int64_t m_lastModeLayer = -1;
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

bool DrawnInView(const Document& doc, std::size_t layer, int viewIndex) {
    const std::uint8_t code = doc.Layers[layer].Group;
    if (code == kGroupNone || code == kGroupOutlineBuilt) return true;
    // Frames missing for this code (the group step has not run since the codes
    // changed) or a view index out of range: no member can be chosen.
    if (code > doc.GroupFrames.size() || viewIndex < 0 || viewIndex >= kViewCount) return false;
    return doc.GroupFrames[code - 1u][static_cast<std::size_t>(viewIndex)] == layer;
}

void CompositePass(Document& doc, const std::filesystem::path& workFolder, Progress& progress) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4) return;
    ResetPicture(doc.Composite, doc.ImageWidth, doc.ImageHeight, CompositeFormat(doc.ImageMode), 255);
    ResetPicture(doc.Coverage, doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8, kCoverageStart);

    const std::size_t drawable = std::min(
        { doc.Layers.size(), doc.LayerBitmaps.size(), doc.LayerMasks.size(), doc.ViewLeft.size() });
    if (NeedsModes(doc, drawable)) {
        ModeComposite pass(doc, workFolder, drawable);
        for (std::size_t s = 0; s < doc.LayerCount; ++s) {
            ReportLayer(doc, s, progress);
            // A clipped layer is drawn with its base, and only when the base is.
            if (s >= drawable || ClipBaseOf(doc, s) >= 0 || !DrawnInView(doc, s, doc.CurrentView)) continue;
            pass.layer(s);
        }
        return;
    }
    for (std::size_t s = 0; s < doc.LayerCount; ++s) {
        ReportLayer(doc, s, progress);
        if (s >= drawable || !DrawnInView(doc, s, doc.CurrentView)) continue;
        LayOverFrom(doc, SourceOf(doc, s, workFolder));
    }
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
