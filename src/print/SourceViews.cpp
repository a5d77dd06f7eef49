#include "print/SourceViews.h"

#include "core/Error.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "render/BlendKernels.h"
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

    const std::size_t count = std::min<std::size_t>(doc.LayerCount, doc.Layers.size());
    for (std::size_t s = 0; s < count; ++s) {
        const LayerRecord& record = doc.Layers[s];
        Layer layer;
        layer.top = record.Top;
        const bool outline = record.Group == kGroupOutlineBuilt;
        const std::int64_t margin = outline ? OutlineMargin(doc.SourceDpi, record.Depth) : 0;
        for (int v = 0; v < kViewCount; ++v) {
            const auto& lefts = viewLefts[static_cast<std::size_t>(v)];
            layer.drawn[v] = s < lefts.size() && DrawnInView(doc, s, v);
            if (layer.drawn[v]) layer.left[v] = static_cast<std::int64_t>(lefts[s]) - margin;
        }
        if (std::none_of(layer.drawn.begin(), layer.drawn.end(), [](bool d) { return d; })) continue;
        const int index = static_cast<int>(s);
        if (outline) {
            for (int v = 0; v < kViewCount; ++v)
                layer.pictures.push_back(layer.drawn[v]
                        ? OpenPicture(workFolder / WarpedViewFileName(index, v),
                            workFolder / WarpedViewMaskFileName(index, v), m_format)
                        : Picture {});
        } else {
            layer.pictures.push_back(OpenPicture(
                workFolder / LayerFileName(index + 1), workFolder / LayerMaskFileName(index + 1), m_format));
        }
        m_layers.push_back(std::move(layer));
    }
}

SourceViews::~SourceViews() = default;

int SourceViews::bandRows() const {
    return static_cast<int>(std::clamp<std::size_t>(kBandBytes / (kViewCount * m_rowBytes), 1, 32));
}

void SourceViews::blend(
    Picture& picture, std::int64_t top, std::int64_t left, int y0, int count, std::uint8_t* band) {
    const int bpp = BytesPerPixel(m_format);
    // As the composite pass: only what both picture and mask hold is drawn.
    const std::int64_t width = std::min(picture.colour->layout().width, picture.mask->layout().width);
    const std::int64_t height = std::min(picture.colour->layout().height, picture.mask->layout().height);
    const std::int64_t firstRow = std::max<std::int64_t>({ y0, top, 0 });
    const std::int64_t lastRow = std::min<std::int64_t>({ y0 + count, top + height, m_height }) - 1;
    const std::int64_t x0 = std::max<std::int64_t>(0, left);
    const std::int64_t x1 = std::min<std::int64_t>(left + width, m_width) - 1;
    if (firstRow > lastRow || x0 > x1) return;
    const auto columns = static_cast<std::size_t>(x1 - x0 + 1);
    const auto sourceColumn = static_cast<std::size_t>(x0 - left);
    for (std::int64_t y = firstRow; y <= lastRow; ++y) {
        const int sy = static_cast<int>(y - top);
        blend::BlendPixelRow(band + static_cast<std::size_t>(y - y0) * m_rowBytes + x0 * bpp,
            picture.colour->row(sy) + sourceColumn * bpp, picture.mask->row(sy) + sourceColumn, columns, bpp,
            nullptr);
    }
}

void SourceViews::readRows(int y0, int count, const ViewRowConsumer& take) {
    const std::size_t bandBytes = static_cast<std::size_t>(count) * m_rowBytes;
    m_bands.resize(bandBytes * kViewCount);
    // White paper, or no ink in all four CMYK bytes.
    std::memset(m_bands.data(), 255, m_bands.size());
    for (Layer& layer : m_layers) {
        if (layer.top >= y0 + count) continue;
        const std::int64_t first = y0 - layer.top;
        const bool perView = layer.pictures.size() > 1;
        for (std::size_t p = 0; p < layer.pictures.size(); ++p) {
            Picture& picture = layer.pictures[p];
            if (!picture.colour) continue;
            picture.colour->mapRows(first, count);
            picture.mask->mapRows(first, count);
            for (int v = 0; v < kViewCount; ++v) {
                if (!layer.drawn[v] || (perView && static_cast<int>(p) != v)) continue;
                blend(picture, layer.top, layer.left[v], y0, count,
                    m_bands.data() + static_cast<std::size_t>(v) * bandBytes);
            }
            picture.colour->unmap();
            picture.mask->unmap();
        }
    }
    for (int i = 0; i < count; ++i)
        for (int v = 0; v < kViewCount; ++v)
            take(v, y0 + i, m_bands.data() + static_cast<std::size_t>(v) * bandBytes + i * m_rowBytes);
}

} // namespace deptrix
