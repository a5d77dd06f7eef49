#include "print/SourceViews.h"

#include "core/EffectDrawing.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "depth/DepthRaster.h"
#include "depth/LayerDepthSource.h"
#include "depth/ViewWarp.h"
#include "depth/WarpLayerViews.h"
#include "render/Compositor.h"
#include "render/LayerBlend.h"

#include <algorithm>
#include <cstring>

namespace deptrix {

namespace {

/// Bytes the bands of all frames may hold together.
constexpr std::size_t kBandBytes = std::size_t { 24 } << 20;

/// Largest side of a large-document PSD.
constexpr int kMaxSourceSide = 300000;

/// Whether layer `layer` takes part in frame index q: ordinary and outline layers
/// always, a flip group's member when `groupFrames` picks it.
bool DrawnInFrame(const Document& doc, const std::vector<std::vector<std::uint8_t>>& groupFrames,
    std::size_t layer, int frameIndex) {
    const std::uint8_t code = doc.Layers[layer].Group;
    if (code == kGroupNone || code == kGroupOutlineBuilt) return true;
    // Frames missing for this code: the group step has not run since the codes changed.
    if (code > groupFrames.size()) return false;
    return groupFrames[code - 1u][static_cast<std::size_t>(frameIndex)] == layer;
}

} // namespace

SourceViews::Picture SourceViews::OpenPicture(
    const std::filesystem::path& colourPath, const std::filesystem::path& maskPath, PixelFormat format) {
    SourceViews::Picture picture { OpenWorkFile(colourPath), OpenWorkFile(maskPath), colourPath, maskPath };
    if (picture.colour->layout().format != format)
        throw Error(picture.colour->name() + ": expected a " + (format == PixelFormat::Bgr24 ? "24" : "32")
            + "-bit picture");
    if (picture.mask->layout().format != PixelFormat::Gray8)
        throw Error(picture.mask->name() + ": the mask is not an 8-bit picture");
    return picture;
}

ViewLefts FrameLefts(const Document& doc, const std::vector<std::int32_t>& offsets, std::int32_t focusOffset,
    const FrameSet& frames) {
    ViewLefts lefts(static_cast<std::size_t>(frames.count()));
    for (int k = 1; k <= frames.count(); ++k) {
        auto& frame = lefts[static_cast<std::size_t>(k - 1)];
        frame.resize(doc.Layers.size());
        for (std::size_t j = 0; j < doc.Layers.size(); ++j) {
            const std::int32_t offset = j < offsets.size() ? offsets[j] : 0;
            frame[j] = ShiftedLeft(offset, focusOffset, frames.shift(k), doc.DepthFactor, doc.Layers[j].Left);
        }
    }
    return lefts;
}

ViewLefts PreviewViewLefts(
    const Document& doc, const std::vector<std::int32_t>& offsets, std::int32_t focusOffset) {
    return FrameLefts(doc, offsets, focusOffset, FrameSet(kViewCount));
}

blend::LayerRow SourceViews::Layer::row(int frame, int layerRow) const {
    if (!warp) {
        if (!shape) return { picture.colour->row(layerRow), picture.mask->row(layerRow) };
        if (shape->rowIndex != layerRow) {
            std::fill(shape->row.begin(), shape->row.end(), std::uint8_t { 0 });
            const std::int64_t stored = layerRow - shape->insetY;
            const BmpLayout& layout = shape->file->layout();
            if (stored >= shape->firstMapped && stored < shape->firstMapped + shape->mappedCount
                && stored >= 0 && stored < layout.height && shape->insetX >= 0) {
                const std::int64_t columns = std::min<std::int64_t>(
                    layout.width, static_cast<std::int64_t>(shape->row.size()) - shape->insetX);
                if (columns > 0)
                    std::memcpy(shape->row.data() + shape->insetX, shape->file->row(static_cast<int>(stored)),
                        static_cast<std::size_t>(columns));
            }
            shape->rowIndex = layerRow;
        }
        return { picture.colour->row(layerRow), picture.mask->row(layerRow), shape->row.data() };
    }
    if (warp->row != layerRow) {
        const BmpLayout& layout = picture.colour->layout();
        const int bpp = BytesPerPixel(layout.format);
        // RGB margins are black, CMYK margins unprinted paper; both transparent.
        PadRow(picture.colour->row(layerRow), layout.width, warp->margin, bpp,
            layout.format == PixelFormat::Cmyk32 ? 255 : 0, warp->picture.data(), width);
        PadRow(picture.mask->row(layerRow), picture.mask->layout().width, warp->margin, 1, 0,
            warp->mask.data(), width);
        warp->rows->warp(warp->picture.data(), warp->mask.data(), warp->levels->row(layerRow));
        warp->row = layerRow;
    }
    return { warp->rows->picture(frame), warp->rows->mask(frame) };
}

SourceViews::SourceViews(
    const Document& doc, const ViewLefts& frameLefts, const std::filesystem::path& workFolder)
    : m_width(doc.SourceWidth)
    , m_height(doc.SourceHeight)
    , m_format(CompositeFormat(doc.ImageMode))
    , m_frames(static_cast<int>(frameLefts.size())) {
    if (doc.ImageMode != 3 && doc.ImageMode != 4)
        throw Error(
            "only RGB and CMYK documents can be printed (colour mode " + std::to_string(doc.ImageMode) + ")");
    // Only bands of rows are held, so any size a layered file can have will do.
    if (m_width < 1 || m_height < 1 || m_width > kMaxSourceSide || m_height > kMaxSourceSide)
        throw Error("the picture's size " + std::to_string(m_width) + " x " + std::to_string(m_height)
            + " is out of range");
    const FrameSet frames(m_frames);
    m_rowBytes = static_cast<std::size_t>(m_width) * BytesPerPixel(m_format);
    const std::vector<std::vector<std::uint8_t>> groupFrames = frames.groupFrames(doc);

    std::size_t drawable = std::min<std::size_t>(doc.LayerCount, doc.Layers.size());
    for (const auto& lefts : frameLefts) drawable = std::min(drawable, lefts.size());
    // Up to the last layer in a mode other than Normal, the frames keep how opaque
    // their picture is, as the composite pass does.
    const std::int64_t lastModeLayer = LastModeLayer(doc, drawable);
    std::size_t largestGroup = 1;
    std::vector<bool> effectFilesWritten(doc.Layers.size(), false);
    for (std::size_t s = 0; s < drawable; ++s) {
        if (ClipBaseOf(doc, s) >= 0) continue; // drawn with its base
        Group group;
        for (int q = 0; q < m_frames; ++q) group.drawn.push_back(DrawnInFrame(doc, groupFrames, s, q));
        if (std::none_of(group.drawn.begin(), group.drawn.end(), [](bool d) { return d; })) continue;
        group.tracksBackdrop = static_cast<std::int64_t>(s) <= lastModeLayer;
        group.members.push_back(openLayer(doc, frameLefts, s, effectFilesWritten, workFolder));
        for (std::size_t t = s + 1; t < drawable; ++t)
            if (ClipBaseOf(doc, t) == static_cast<std::int64_t>(s))
                group.members.push_back(openLayer(doc, frameLefts, t, effectFilesWritten, workFolder));
        if (group.members.size() > 1) openShape(doc, s, group.members.front(), workFolder);
        group.warped = std::any_of(group.members.begin(), group.members.end(),
            [](const Layer& layer) { return layer.warp != nullptr; });
        largestGroup = std::max(largestGroup, group.members.size());
        m_tracksBackdrop = m_tracksBackdrop || group.tracksBackdrop;
        m_groups.push_back(std::move(group));
    }
    m_placed.resize(largestGroup);
    m_clippedRows.resize(largestGroup);
    m_groupRow.resize(m_rowBytes);
}

SourceViews::Layer SourceViews::openLayer(const Document& doc, const ViewLefts& frameLefts, std::size_t index,
    std::vector<bool>& effectFilesWritten, const std::filesystem::path& workFolder) const {
    const LayerRecord& record = doc.Layers[index];
    Layer layer;
    layer.mode = record.drawnBlendMode();
    layer.fill = record.blendFill();
    layer.top = record.Top;
    const int number = static_cast<int>(index) + 1;
    // A layer with effects is drawn, and warped, with them drawn at source resolution.
    if (record.hasEffects()) {
        // A folder's effects over several layers write all of them at once.
        if (!effectFilesWritten.at(index))
            for (const std::size_t written : WriteLayerEffectFiles(doc, index, workFolder))
                if (written < effectFilesWritten.size()) effectFilesWritten[written] = true;
        layer.picture = OpenPicture(
            workFolder / EffectLayerFileName(number), workFolder / EffectLayerMaskFileName(number), m_format);
    } else {
        layer.picture = OpenPicture(
            workFolder / LayerFileName(number), workFolder / LayerMaskFileName(number), m_format);
    }
    const BmpLayout& colour = layer.picture.colour->layout();
    const BmpLayout& mask = layer.picture.mask->layout();
    // As the composite pass: only what both picture and mask hold is drawn.
    layer.width = std::min(colour.width, mask.width);
    layer.height = std::min(colour.height, mask.height);

    const bool outline = record.Group == kGroupOutlineBuilt;
    const std::int64_t margin = outline ? OutlineMargin(doc.SourceDpi, record.Depth) : 0;
    for (const auto& lefts : frameLefts)
        layer.left.push_back(static_cast<std::int64_t>(lefts[index]) - margin);
    if (!outline) return layer;

    static const LineSet noLines;
    auto warp = std::make_unique<Warp>();
    warp->margin = margin;
    const auto levels = std::make_shared<const Bitmap>(LayerDepthRaster(
        doc, index, record, index < doc.LayerLines.size() ? doc.LayerLines[index] : noLines));
    warp->levels = levels;
    for (const auto& [file, layout] :
        { std::pair { layer.picture.colour.get(), colour }, std::pair { layer.picture.mask.get(), mask } })
        if (layout.width + 2 * margin != levels->width() || layout.height != levels->height())
            throw Error(file->name() + ": the picture is " + std::to_string(layout.width) + " x "
                + std::to_string(layout.height) + " pixels, the layer's box is "
                + std::to_string(levels->width() - 2 * margin) + " x " + std::to_string(levels->height()));
    layer.width = levels->width();
    layer.height = levels->height();
    warp->baseLevel = BaseLevelOf(record.BaseOrder);
    warp->levelShift = LevelShift(doc.SourceWidth, record.Depth, doc.DepthFactor);
    startWarp(*warp, layer.width);
    layer.warp = std::move(warp);
    return layer;
}

void SourceViews::startWarp(Warp& warp, std::int64_t width) const {
    const int bpp = BytesPerPixel(m_format);
    warp.rows
        = std::make_unique<FrameRowWarp>(FrameSet(m_frames), warp.baseLevel, warp.levelShift, bpp, width);
    warp.picture.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp));
    warp.mask.resize(static_cast<std::size_t>(width));
    warp.row = -1;
}

SourceViews::Layer SourceViews::reopenLayer(const Layer& layer) const {
    Layer copy;
    copy.picture = OpenPicture(layer.picture.colourPath, layer.picture.maskPath, m_format);
    copy.mode = layer.mode;
    copy.fill = layer.fill;
    copy.top = layer.top;
    copy.left = layer.left;
    copy.width = layer.width;
    copy.height = layer.height;
    if (layer.warp) {
        copy.warp = std::make_unique<Warp>();
        copy.warp->levels = layer.warp->levels;
        copy.warp->baseLevel = layer.warp->baseLevel;
        copy.warp->levelShift = layer.warp->levelShift;
        copy.warp->margin = layer.warp->margin;
        startWarp(*copy.warp, layer.width);
    }
    if (layer.shape) {
        copy.shape = std::make_unique<Shape>();
        copy.shape->path = layer.shape->path;
        copy.shape->file = OpenWorkFile(layer.shape->path);
        copy.shape->insetX = layer.shape->insetX;
        copy.shape->insetY = layer.shape->insetY;
        copy.shape->row.resize(layer.shape->row.size());
    }
    return copy;
}

SourceViews::SourceViews(const SourceViews& other)
    : ViewRows()
    , m_width(other.m_width)
    , m_height(other.m_height)
    , m_format(other.m_format)
    , m_frames(other.m_frames)
    , m_tracksBackdrop(other.m_tracksBackdrop)
    , m_rowBytes(other.m_rowBytes) {
    for (const Group& group : other.m_groups) {
        Group copy;
        copy.drawn = group.drawn;
        copy.tracksBackdrop = group.tracksBackdrop;
        copy.warped = group.warped;
        for (const Layer& layer : group.members) copy.members.push_back(reopenLayer(layer));
        m_groups.push_back(std::move(copy));
    }
    m_placed.resize(other.m_placed.size());
    m_clippedRows.resize(other.m_clippedRows.size());
    m_groupRow.resize(other.m_groupRow.size());
}

std::unique_ptr<ViewRows> SourceViews::openAnother() const {
    return std::unique_ptr<ViewRows>(new SourceViews(*this));
}

void SourceViews::openShape(
    const Document& doc, std::size_t index, Layer& layer, const std::filesystem::path& workFolder) {
    const LayerRecord& record = doc.Layers[index];
    // As the import keeps them: only where the effects reach beyond the layer's pixels;
    // an outline layer's warped mask is its shape.
    if (layer.warp || !record.hasEffects() || record.EffectReach <= 0) return;
    auto shape = std::make_unique<Shape>();
    shape->path = workFolder / LayerMaskFileName(static_cast<int>(index) + 1);
    shape->file = OpenWorkFile(shape->path);
    if (shape->file->layout().format != PixelFormat::Gray8)
        throw Error(shape->file->name() + ": the mask is not an 8-bit picture");
    shape->insetX = record.EffectReach;
    shape->insetY = record.EffectReach;
    shape->row.resize(static_cast<std::size_t>(std::max<std::int64_t>(layer.width, 0)));
    layer.shape = std::move(shape);
}

SourceViews::~SourceViews() = default;

int SourceViews::bandRows() const {
    return static_cast<int>(
        std::clamp<std::size_t>(kBandBytes / (static_cast<std::size_t>(m_frames) * m_rowBytes), 1, 32));
}

void SourceViews::blendGroup(
    const Group& group, int frame, int y0, int count, std::uint8_t* band, std::uint8_t* backdrop) {
    const std::size_t members = group.members.size();
    for (std::size_t i = 0; i < members; ++i) {
        const Layer& layer = group.members[i];
        m_placed[i] = { layer.mode,
            PlaceArea(m_width, m_height, layer.width, layer.height, layer.top,
                layer.left[static_cast<std::size_t>(frame)]),
            layer.fill };
    }
    const Placement& base = m_placed.front().placement;
    const std::int64_t first = std::max<std::int64_t>(base.y0, y0);
    const std::int64_t last = std::min<std::int64_t>(base.y1, y0 + count - 1);
    if (base.empty() || first > last) return;
    const auto rowOf
        = [&group, frame](std::size_t member, int row) { return group.members[member].row(frame, row); };
    const std::span<const blend::GroupMember> placed(m_placed.data(), members);
    const auto width = static_cast<std::size_t>(m_width);
    for (std::int64_t y = first; y <= last; ++y) {
        const auto r = static_cast<std::size_t>(y - y0);
        blend::BlendGroupRow(placed, y, rowOf, BytesPerPixel(m_format), band + r * m_rowBytes, nullptr,
            backdrop ? backdrop + r * width : nullptr, m_clippedRows, m_groupRow.data());
    }
}

void SourceViews::readRows(int y0, int count, const ViewRowConsumer& take) {
    const auto frames = static_cast<std::size_t>(m_frames);
    const std::size_t bandBytes = static_cast<std::size_t>(count) * m_rowBytes;
    m_bands.resize(bandBytes * frames);
    // White paper, or no ink in all four CMYK bytes.
    std::memset(m_bands.data(), 255, m_bands.size());
    // Nothing lies below the first layer: the paper shows through.
    const auto width = static_cast<std::size_t>(m_width);
    const std::size_t backdropBytes = static_cast<std::size_t>(count) * width;
    if (m_tracksBackdrop) {
        m_backdrops.resize(backdropBytes * frames);
        std::memset(m_backdrops.data(), 0, m_backdrops.size());
    }
    for (Group& group : m_groups) {
        if (group.members.front().top >= y0 + count) continue;
        for (Layer& layer : group.members) {
            layer.picture.colour->loadRows(y0 - layer.top, count);
            layer.picture.mask->loadRows(y0 - layer.top, count);
            if (layer.shape) {
                layer.shape->firstMapped = y0 - layer.top - layer.shape->insetY;
                layer.shape->mappedCount = count;
                layer.shape->rowIndex = -1;
                layer.shape->file->loadRows(layer.shape->firstMapped, count);
            }
        }
        // An outline layer warps a row into every frame at once, so its rows go first.
        const int rowsAtOnce = group.warped ? 1 : count;
        for (int y = y0; y < y0 + count; y += rowsAtOnce)
            for (std::size_t q = 0; q < frames; ++q) {
                if (!group.drawn[q]) continue;
                const auto r = static_cast<std::size_t>(y - y0);
                blendGroup(group, static_cast<int>(q), y, rowsAtOnce,
                    m_bands.data() + q * bandBytes + r * m_rowBytes,
                    group.tracksBackdrop ? m_backdrops.data() + q * backdropBytes + r * width : nullptr);
            }
        for (Layer& layer : group.members) {
            layer.picture.colour->release();
            layer.picture.mask->release();
            if (layer.shape) layer.shape->file->release();
        }
    }
    for (int i = 0; i < count; ++i)
        for (std::size_t q = 0; q < frames; ++q)
            take(static_cast<int>(q), y0 + i,
                m_bands.data() + q * bandBytes + static_cast<std::size_t>(i) * m_rowBytes);
}

} // namespace deptrix
