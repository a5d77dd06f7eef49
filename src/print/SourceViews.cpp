#include "print/SourceViews.h"

#include "core/EffectDrawing.h"
#include "core/Error.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "render/Compositor.h"
#include "render/LayerBlend.h"
#include "render/ViewSet.h"

#include <algorithm>
#include <cstring>

namespace deptrix {

namespace {

/// Bytes the seven bands may hold together.
constexpr std::size_t kBandBytes = std::size_t { 24 } << 20;

/// Largest side of a large-document PSD.
constexpr int kMaxSourceSide = 300000;

} // namespace

SourceViews::Picture SourceViews::OpenPicture(
    const std::filesystem::path& colourPath, const std::filesystem::path& maskPath, PixelFormat format) {
    SourceViews::Picture picture { OpenWorkFile(colourPath), OpenWorkFile(maskPath) };
    if (picture.colour->layout().format != format)
        throw Error(picture.colour->name() + ": expected a " + (format == PixelFormat::Bgr24 ? "24" : "32")
            + "-bit picture");
    if (picture.mask->layout().format != PixelFormat::Gray8)
        throw Error(picture.mask->name() + ": the mask is not an 8-bit picture");
    return picture;
}

ViewLefts PreviewViewLefts(
    const Document& doc, const std::vector<std::int32_t>& offsets, std::int32_t focusOffset) {
    ViewLefts lefts;
    for (int i = 0; i < kViewCount; ++i) {
        auto& view = lefts[static_cast<std::size_t>(i)];
        view.resize(doc.Layers.size());
        for (std::size_t j = 0; j < doc.Layers.size(); ++j) {
            const std::int32_t offset = j < offsets.size() ? offsets[j] : 0;
            view[j] = ViewLeftFor(
                offset, focusOffset, i + 1, doc.CentreView, doc.DepthFactor, doc.Layers[j].Left);
        }
    }
    return lefts;
}

SourceViews::SourceViews(
    const Document& doc, const ViewLefts& viewLefts, const std::filesystem::path& workFolder)
    : m_width(doc.SourceWidth)
    , m_height(doc.SourceHeight)
    , m_format(CompositeFormat(doc.ImageMode)) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4)
        throw Error(
            "only RGB and CMYK documents can be printed (colour mode " + std::to_string(doc.ImageMode) + ")");
    // Only bands of rows are held, so any size a layered file can have will do.
    if (m_width < 1 || m_height < 1 || m_width > kMaxSourceSide || m_height > kMaxSourceSide)
        throw Error("the picture's size " + std::to_string(m_width) + " x " + std::to_string(m_height)
            + " is out of range");
    m_rowBytes = static_cast<std::size_t>(m_width) * BytesPerPixel(m_format);

    std::size_t drawable = std::min<std::size_t>(doc.LayerCount, doc.Layers.size());
    for (const auto& lefts : viewLefts) drawable = std::min(drawable, lefts.size());
    // Up to the last layer in a mode other than Normal, the views keep how opaque
    // their picture is, as the composite pass does.
    const std::int64_t lastModeLayer = LastModeLayer(doc, drawable);
    std::size_t largestGroup = 1;
    for (std::size_t s = 0; s < drawable; ++s) {
        if (ClipBaseOf(doc, s) >= 0) continue; // drawn with its base
        Group group;
        for (int v = 0; v < kViewCount; ++v)
            group.drawn[static_cast<std::size_t>(v)] = DrawnInView(doc, s, v);
        if (std::none_of(group.drawn.begin(), group.drawn.end(), [](bool d) { return d; })) continue;
        group.tracksBackdrop = static_cast<std::int64_t>(s) <= lastModeLayer;
        group.members.push_back(openLayer(doc, viewLefts, s, group.drawn, workFolder));
        for (std::size_t t = s + 1; t < drawable; ++t)
            if (ClipBaseOf(doc, t) == static_cast<std::int64_t>(s))
                group.members.push_back(openLayer(doc, viewLefts, t, group.drawn, workFolder));
        largestGroup = std::max(largestGroup, group.members.size());
        m_tracksBackdrop = m_tracksBackdrop || group.tracksBackdrop;
        m_groups.push_back(std::move(group));
    }
    m_placed.resize(largestGroup);
    m_clippedRows.resize(largestGroup);
    m_groupRow.resize(m_rowBytes);
}

SourceViews::Layer SourceViews::openLayer(const Document& doc, const ViewLefts& viewLefts, std::size_t index,
    const std::array<bool, 7>& views, const std::filesystem::path& workFolder) const {
    const LayerRecord& record = doc.Layers[index];
    Layer layer;
    layer.mode = record.drawnBlendMode();
    layer.fill = record.blendFill();
    layer.top = record.Top;
    const bool outline = record.Group == kGroupOutlineBuilt;
    const std::int64_t margin = outline ? OutlineMargin(doc.SourceDpi, record.Depth) : 0;
    for (std::size_t v = 0; v < views.size(); ++v)
        if (views[v]) layer.left[v] = static_cast<std::int64_t>(viewLefts[v][index]) - margin;
    const int number = static_cast<int>(index);
    if (outline) {
        for (int v = 0; v < kViewCount; ++v)
            layer.pictures.push_back(views[static_cast<std::size_t>(v)]
                    ? OpenPicture(workFolder / WarpedViewFileName(number, v),
                        workFolder / WarpedViewMaskFileName(number, v), m_format)
                    : Picture {});
    } else if (record.hasEffects()) {
        WriteLayerEffectFiles(doc, index, workFolder);
        layer.pictures.push_back(OpenPicture(workFolder / EffectLayerFileName(number + 1),
            workFolder / EffectLayerMaskFileName(number + 1), m_format));
    } else {
        layer.pictures.push_back(OpenPicture(
            workFolder / LayerFileName(number + 1), workFolder / LayerMaskFileName(number + 1), m_format));
    }
    return layer;
}

SourceViews::~SourceViews() = default;

int SourceViews::bandRows() const {
    return static_cast<int>(std::clamp<std::size_t>(kBandBytes / (kViewCount * m_rowBytes), 1, 32));
}

void SourceViews::blendGroup(
    const Group& group, int view, int y0, int count, std::uint8_t* band, std::uint8_t* backdrop) {
    const std::size_t members = group.members.size();
    for (std::size_t i = 0; i < members; ++i) {
        const Layer& layer = group.members[i];
        const Picture& picture = layer.picture(view);
        // As the composite pass: only what both picture and mask hold is drawn.
        const std::int64_t width = std::min(picture.colour->layout().width, picture.mask->layout().width);
        const std::int64_t height = std::min(picture.colour->layout().height, picture.mask->layout().height);
        m_placed[i] = { layer.mode,
            PlaceArea(
                m_width, m_height, width, height, layer.top, layer.left[static_cast<std::size_t>(view)]),
            layer.fill };
    }
    const Placement& base = m_placed.front().placement;
    const std::int64_t first = std::max<std::int64_t>(base.y0, y0);
    const std::int64_t last = std::min<std::int64_t>(base.y1, y0 + count - 1);
    if (base.empty() || first > last) return;
    const auto rowOf = [&group, view](std::size_t member, int row) {
        const Picture& picture = group.members[member].picture(view);
        return blend::LayerRow { picture.colour->row(row), picture.mask->row(row) };
    };
    const std::span<const blend::GroupMember> placed(m_placed.data(), members);
    const auto width = static_cast<std::size_t>(m_width);
    for (std::int64_t y = first; y <= last; ++y) {
        const auto r = static_cast<std::size_t>(y - y0);
        blend::BlendGroupRow(placed, y, rowOf, BytesPerPixel(m_format), band + r * m_rowBytes, nullptr,
            backdrop ? backdrop + r * width : nullptr, m_clippedRows, m_groupRow.data());
    }
}

void SourceViews::readRows(int y0, int count, const ViewRowConsumer& take) {
    const std::size_t bandBytes = static_cast<std::size_t>(count) * m_rowBytes;
    m_bands.resize(bandBytes * kViewCount);
    // White paper, or no ink in all four CMYK bytes.
    std::memset(m_bands.data(), 255, m_bands.size());
    // Nothing lies below the first layer: the paper shows through.
    const std::size_t backdropBytes = static_cast<std::size_t>(count) * static_cast<std::size_t>(m_width);
    if (m_tracksBackdrop) {
        m_backdrops.resize(backdropBytes * kViewCount);
        std::memset(m_backdrops.data(), 0, m_backdrops.size());
    }
    for (Group& group : m_groups) {
        if (group.members.front().top >= y0 + count) continue;
        for (Layer& layer : group.members)
            for (Picture& picture : layer.pictures) {
                if (!picture.colour) continue;
                picture.colour->mapRows(y0 - layer.top, count);
                picture.mask->mapRows(y0 - layer.top, count);
            }
        for (int v = 0; v < kViewCount; ++v) {
            if (!group.drawn[static_cast<std::size_t>(v)]) continue;
            const auto view = static_cast<std::size_t>(v);
            blendGroup(group, v, y0, count, m_bands.data() + view * bandBytes,
                group.tracksBackdrop ? m_backdrops.data() + view * backdropBytes : nullptr);
        }
        for (Layer& layer : group.members)
            for (Picture& picture : layer.pictures)
                if (picture.colour) {
                    picture.colour->unmap();
                    picture.mask->unmap();
                }
    }
    for (int i = 0; i < count; ++i)
        for (int v = 0; v < kViewCount; ++v)
            take(v, y0 + i, m_bands.data() + static_cast<std::size_t>(v) * bandBytes + i * m_rowBytes);
}

} // namespace deptrix
