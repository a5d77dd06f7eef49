#include "import/PsdImport.h"

#include "core/EffectDrawing.h"
#include "core/EffectPlanes.h"
#include "core/FolderEffects.h"
#include "core/TaskPool.h"
#include "import/AreaReduce.h"
#include "import/LayerPixels.h"
#include "import/LayerStack.h"
#include "import/MergedImage.h"
#include "import/PatternBlock.h"
#include "import/PixelPlacement.h"
#include "import/PsdFailure.h"
#include "import/PsdFile.h"
#include "import/WorkScale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace deptrix {

namespace {

constexpr int kParsedProgress = 5;

void Describe(const PsdFile& file, ImportedDocument& out) {
    const PsdHeader& h = file.header;
    out.ImageMode = h.mode == ColourMode::Cmyk ? 4 : 3;
    out.SourceMode = static_cast<std::int16_t>(h.mode);
    out.SourceDepth = static_cast<std::int16_t>(h.depth);
    out.SourceWidth = h.width;
    out.SourceHeight = h.height;
    const WorkingSize working = ChooseWorkingSize(h.width, h.height);
    out.WorkScale = working.workScale;
    out.ImageWidth = working.width;
    out.ImageHeight = working.height;
    const long double dpi = EffectivePpi(file.resolutionPpi);
    out.SourceDpi = ToFixed(dpi);
    out.SourceWidthCm = Round(h.width / dpi * 2.54L * 10000.0L);
    out.SourceHeightCm = Round(h.height / dpi * 2.54L * 10000.0L);
    out.IccProfile = file.iccProfile;
}

/// The canvas area a selected layer covers: its record's box, or for an artboard's
/// background the part of the artboard on the canvas.
const PsdRect& BoxOf(const SelectedLayer& selected) {
    return selected.artboardBackground ? selected.artboardBackground->backgroundBox : selected.record->box;
}

LayerRecord LayerFromRecord(const SelectedLayer& selected) {
    const PsdLayerRecord& record = *selected.record;
    const PsdRect& box = BoxOf(selected);
    LayerRecord layer;
    layer.Top = box.top;
    layer.Left = box.left;
    layer.Bottom = box.bottom;
    layer.Right = box.right;
    layer.Width = static_cast<std::int32_t>(box.width());
    layer.Height = static_cast<std::int32_t>(box.height());
    // A background is a plain plane of colour in the artboard's place.
    const bool background = selected.artboardBackground != nullptr;
    layer.Opacity = background ? 255 : record.opacity;
    if (!background)
        for (const ChannelInfo& channel : record.channels) layer.ChannelIds.push_back(channel.id);
    layer.StoredName = record.pascalName;
    layer.RecordIndex = record.index;
    layer.UnicodeName = record.unicodeName;
    layer.Group = selected.group;
    layer.BlendModeKey = background ? kNormalKey : record.blendMode;
    layer.FolderBlendModeKey = selected.folderBlendMode;
    layer.Clipping = !background && record.clipping != 0;
    layer.ClipBase = selected.clipBase;
    layer.FillOpacity = background ? 255 : record.fillOpacity;
    layer.FolderOpacity = selected.folderOpacity;
    return layer;
}

/// The rows of an artboard's background: its colour, through an opacity of the
/// artboard's (and its folders') opacity. Shaped like LayerBandDecoder.
class BackgroundRows {
public:
    BackgroundRows(const PsdHeader& header, const SelectedLayer& selected, const std::string& fileName,
        std::size_t limitBytes)
        : m_format(LayerPixelFormat(header))
        , m_opacity(selected.maskOpacity) {
        const ArtboardInfo& artboard = *selected.artboardBackground;
        const PsdRect& box = artboard.backgroundBox;
        const std::string what = fileName + ": artboard " + selected.record->name();
        CheckedImageBytes(box.width(), box.height(), BytesPerPixel(m_format), what.c_str(), limitBytes);
        m_width = static_cast<int>(box.width());
        m_height = static_cast<int>(box.height());
        const auto [r, g, b] = artboard.rgb;
        if (m_format == PixelFormat::Cmyk32) {
            // Light as stored ink values (255 - ink), no black: what CmykToRgb shows as this colour.
            m_pixel = { r, g, b, 255 };
        } else if (header.readsAsGrey()) {
            const auto grey = static_cast<std::uint8_t>(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
            m_pixel = { grey, grey, grey, 0 };
        } else {
            m_pixel = { b, g, r, 0 };
        }
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    PixelFormat format() const { return m_format; }

    int decode(Bitmap& colour, Bitmap& mask, int firstRow, int count) {
        return decode(colour.rows(firstRow), mask.rows(firstRow), count);
    }
    int decode(PixelRows colour, PixelRows mask, int count) {
        const int rows = std::clamp(m_height - m_rowsDone, 0, count);
        const auto bpp = static_cast<std::size_t>(BytesPerPixel(m_format));
        for (int r = 0; r < rows; ++r) {
            std::uint8_t* pixel = colour.row(r);
            for (int x = 0; x < m_width; ++x, pixel += bpp) std::memcpy(pixel, m_pixel.data(), bpp);
            std::memset(mask.row(r), m_opacity, static_cast<std::size_t>(m_width));
        }
        m_rowsDone += rows;
        return rows;
    }

private:
    PixelFormat m_format;
    std::uint8_t m_opacity;
    int m_width = 0;
    int m_height = 0;
    int m_rowsDone = 0;
    std::array<std::uint8_t, 4> m_pixel {};
};

/// The merged picture as one ordinary layer covering the canvas.
LayerPixels MergedLayer(const PsdFile& file, std::size_t limitBytes, LayerRecord& layer) {
    MergedPicture merged = DecodeMergedImage(file, limitBytes);
    const PsdHeader& h = file.header;
    layer.Width = layer.Right = h.width;
    layer.Height = layer.Bottom = h.height;
    layer.Opacity = 255;
    layer.RecordIndex = -1; // not a record of the file
    for (int c = 0; c < h.colourChannels(); ++c) layer.ChannelIds.push_back(c);
    LayerPixels pixels;
    pixels.colour = std::move(merged.colour);
    if (!merged.alpha.empty()) {
        layer.ChannelIds.push_back(kTransparencyChannel);
        pixels.mask = std::move(merged.alpha);
    } else {
        pixels.mask = Bitmap(h.width, h.height, PixelFormat::Gray8, UnfilledPixels {});
        pixels.mask.fill(255);
    }
    return pixels;
}

} // namespace

double EffectivePpi(double statedPpi) {
    // Writers that leave the resolution out, or store 0 or a fraction of a pixel per
    // inch, would otherwise give printed sizes of kilometres.
    return statedPpi >= kLowestPpi && std::isfinite(statedPpi) ? statedPpi : kDefaultPpi;
}

void ImportedDocument::moveInto(Document& doc) {
    doc.Layers = std::move(Layers);
    doc.LayerBitmaps = std::move(LayerBitmaps);
    doc.LayerMasks = std::move(LayerMasks);
    doc.LayerClipShapes = std::move(LayerClipShapes);
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
    doc.ImageMode = ImageMode;
    doc.SourceMode = SourceMode;
    doc.SourceDepth = SourceDepth;
    doc.ArtboardCount = ArtboardCount;
    doc.SourceWidth = SourceWidth;
    doc.SourceHeight = SourceHeight;
    doc.ImageWidth = ImageWidth;
    doc.ImageHeight = ImageHeight;
    doc.WorkScale = WorkScale;
    doc.SourceDpi = SourceDpi;
    doc.SourceWidthCm = SourceWidthCm;
    doc.SourceHeightCm = SourceHeightCm;
    doc.ApproximateLayers = std::move(ApproximateLayers);
    doc.IccProfile = std::move(IccProfile);
}

namespace {

/// Memory for a band decoded only to be reduced to the working grid, with no sink to
/// take it: small enough that it is still in the core's cache when it is reduced right
/// after (4 MB bands cost an 8000 x 6000 x 48 import about a tenth more CPU, more with
/// every thread).
constexpr std::size_t kReducedBandBytes = std::size_t { 1 } << 20;

int BandRowsFor(
    const ImportLimits& limits, int width, PixelFormat format, std::size_t bandBytes = kImportBandBytes) {
    if (limits.bandRows > 0) return limits.bandRows;
    const std::size_t rowBytes = RowStride(width, format) + RowStride(width, PixelFormat::Gray8);
    return static_cast<int>(std::clamp<std::size_t>(bandBytes / std::max<std::size_t>(rowBytes, 1), 1, 4096));
}

/// The stored bytes of a record's channels, from the first to the end of the last.
std::span<const std::uint8_t> StoredBytes(const PsdFile& file, const PsdLayerRecord& record) {
    std::uint64_t from = UINT64_MAX;
    std::uint64_t to = 0;
    for (const ChannelInfo& channel : record.channels) {
        if (channel.data.length == 0) continue;
        from = std::min(from, channel.data.offset);
        to = std::max(to, channel.data.offset + channel.data.length);
    }
    if (from >= to || to > file.bytes.size()) return {};
    return file.bytes.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

/// The layer's effects as they are drawn: global light and patterns filled in; null
/// when nothing is drawn.
std::shared_ptr<const LayerStyle> ResolvedStyle(
    const PsdFile& file, const PsdLayerRecord& record, const PatternMap& patterns) {
    if (!record.style.draws()) return nullptr;
    auto style = std::make_shared<LayerStyle>(record.style);
    for (LayerEffect& e : style->effects) {
        if (e.globalAngle) e.angle = file.globalAngle;
        if (e.globalAltitude) e.altitude = file.globalAltitude;
        if (!e.pattern.id.empty()) {
            const auto it = patterns.find(e.pattern.id);
            if (it != patterns.end()) e.pattern.picture = it->second;
        }
    }
    return style;
}

/// `shape` in a picture of width x height, at (x, y), transparent around it.
Bitmap PlacedShape(const Bitmap& shape, int width, int height, int x, int y) {
    Bitmap placed(width, height, PixelFormat::Gray8);
    placed.fill(0);
    const int columns = std::min(shape.width(), width - x);
    if (x < 0 || y < 0 || columns <= 0) return placed;
    for (int row = 0; row < shape.height() && row + y < height; ++row)
        std::memcpy(placed.row(row + y) + x, shape.row(row), static_cast<std::size_t>(columns));
    return placed;
}

/// Draws the effects of `layer` around its pixels `pixels` (source resolution when
/// `workScale` is 1, else on the working grid), growing its box by their reach. With
/// `clipShape`, a layer whose effects reach beyond its pixels keeps its own shape there
/// in the grown box, for the layers clipped to it.
LayerPixels WithEffects(const LayerPixels& pixels, LayerRecord& layer, const ImportedDocument& out,
    std::size_t limitBytes, const std::string& what, Bitmap* clipShape) {
    const std::int64_t reach = LayerEffectReach(layer, out.WorkScale / static_cast<double>(kFixedOne));
    const std::int64_t left = static_cast<std::int64_t>(layer.Left) - reach;
    const std::int64_t top = static_cast<std::int64_t>(layer.Top) - reach;
    const std::int64_t right = static_cast<std::int64_t>(layer.Right) + reach;
    const std::int64_t bottom = static_cast<std::int64_t>(layer.Bottom) + reach;
    const WorkingBox grown = ToWorkingBox(left, top, right, bottom, out.WorkScale);
    const WorkingBox own = ToWorkingBox(layer.Left, layer.Top, layer.Right, layer.Bottom, out.WorkScale);
    CheckedImageBytes(grown.width, grown.height, 4, what.c_str(), limitBytes);
    EffectSettings placement;
    placement.scale = out.WorkScale / static_cast<double>(kFixedOne);
    placement.canvasWidth = out.ImageWidth;
    placement.canvasHeight = out.ImageHeight;
    placement.left = grown.left;
    placement.top = grown.top;
    EffectPicture drawn = DrawEffectsOf(layer, pixels.colour, pixels.mask, grown.width, grown.height,
        static_cast<int>(own.left - grown.left), static_cast<int>(own.top - grown.top), placement);
    // A folder's effects may grow the box later: the shape is kept for the folder's too.
    if (clipShape && (reach > 0 || !layer.MergedFolders.empty()))
        *clipShape = PlacedShape(pixels.mask, grown.width, grown.height,
            static_cast<int>(own.left - grown.left), static_cast<int>(own.top - grown.top));
    layer.EffectReach = static_cast<std::int32_t>(reach);
    layer.Left = static_cast<std::int32_t>(left);
    layer.Top = static_cast<std::int32_t>(top);
    layer.Right = static_cast<std::int32_t>(right);
    layer.Bottom = static_cast<std::int32_t>(bottom);
    layer.Width = static_cast<std::int32_t>(right - left);
    layer.Height = static_cast<std::int32_t>(bottom - top);
    return { std::move(drawn.colour), std::move(drawn.mask) };
}

/// What a thread keeps from one layer to the next while a document is read: the
/// band a layer is decoded into when the sink lends no rows.
struct LayerScratch {
    Bitmap bandColour;
    Bitmap bandMask;
    LayerPixels beforeEffects; ///< a layer's own pixels, until its effects are drawn

    /// The band pictures, width x rows of `format`, kept when they fit already.
    void bandFor(int width, int rows, PixelFormat format) {
        if (bandColour.width() == width && bandColour.height() >= rows && bandColour.format() == format)
            return;
        bandColour.release(); // the old band goes before the new one is made
        bandMask.release();
        bandColour = Bitmap(width, rows, format, UnfilledPixels {});
        bandMask = Bitmap(width, rows, PixelFormat::Gray8, UnfilledPixels {});
    }
};

/// The scratch of an import, one set per thread decoding a layer at the time.
class ScratchShelf {
public:
    /// A set of scratch for the calling thread until it ends.
    class Lease {
    public:
        explicit Lease(ScratchShelf& shelf)
            : m_shelf(shelf) {
            const std::lock_guard lock(shelf.m_mutex);
            if (shelf.m_free.empty()) {
                m_scratch = std::make_unique<LayerScratch>();
            } else {
                m_scratch = std::move(shelf.m_free.back());
                shelf.m_free.pop_back();
            }
        }
        ~Lease() {
            const std::lock_guard lock(m_shelf.m_mutex);
            m_shelf.m_free.push_back(std::move(m_scratch));
        }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        LayerScratch& operator*() const { return *m_scratch; }

    private:
        ScratchShelf& m_shelf;
        std::unique_ptr<LayerScratch> m_scratch;
    };

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<LayerScratch>> m_free;
};

/// Decodes one layer band by band from `decoder` (a LayerBandDecoder or BackgroundRows)
/// into `sink` and onto the working grid; `box` is where the layer lies on the canvas.
/// Pictures used only until the layer's effects are drawn go into `storage`.
template <class Rows>
LayerPixels ImportRows(Rows& decoder, const PsdRect& box, const ImportedDocument& out, int number,
    SourceLayerSink* sink, const ImportLimits& limits, LayerScratch& scratch, LayerPixels storage,
    bool onGrid) {
    const int w = decoder.width();
    const int h = decoder.height();
    if (sink) sink->beginLayer(number, w, h, decoder.format());
    LayerPixels result;
    if (onGrid && out.WorkScale == kFixedOne) {
        // Kept at source resolution: decoded straight into the layer's own pictures.
        result = std::move(storage);
        result.colour.reuseAs(w, h, decoder.format());
        result.mask.reuseAs(w, h, PixelFormat::Gray8);
        const int band = BandRowsFor(limits, w, decoder.format());
        for (int y = 0; y < h;) {
            const int rows = decoder.decode(result.colour, result.mask, y, band);
            if (sink) sink->takeRows(number, y, result.colour, result.mask, y, rows);
            y += rows;
        }
    } else {
        const int band
            = std::min(BandRowsFor(limits, w, decoder.format(), sink ? kImportBandBytes : kReducedBandBytes),
                std::max(h, 1));
        std::optional<AreaReducer> reducer;
        if (onGrid)
            reducer.emplace(w, h, box.left, box.top, out.WorkScale, decoder.format(), std::move(storage));
        for (int y = 0; y < h;) {
            const int count = std::min(band, h - y);
            // Rows the sink keeps are decoded straight into its memory and reduced from there.
            if (const auto room = sink ? sink->roomForRows(number, y, count) : std::nullopt) {
                decoder.decode(room->colour, room->mask, count);
                if (reducer) reducer->addRows(room->colour, room->mask, count);
                sink->rowsFilled(number);
            } else {
                // A band of our own, for a sink without memory for rows.
                scratch.bandFor(w, band, decoder.format());
                Bitmap& colour = scratch.bandColour;
                Bitmap& mask = scratch.bandMask;
                decoder.decode(colour, mask, 0, count);
                if (sink) sink->takeRows(number, y, colour, mask, 0, count);
                if (reducer) reducer->addRows(colour, mask, 0, count);
            }
            y += count;
        }
        if (reducer) result = reducer->finish();
    }
    if (sink) sink->endLayer(number);
    return result;
}

/// One selected layer: a record's pixels, or an artboard's background. A layer with
/// effects is decoded without its opacity and fill, which the effects apply.
LayerPixels ImportLayer(const PsdFile& file, const SelectedLayer& selected, const ImportedDocument& out,
    int number, SourceLayerSink* sink, const ImportLimits& limits, bool withEffects, LayerScratch& scratch) {
    LayerPixels storage;
    if (withEffects) storage = std::move(scratch.beforeEffects);
    // A layer with effects keeps its working-grid pictures even in a run that only
    // prints: its effects and their reach are worked out on them at import.
    const bool onGrid = limits.workingGrid || withEffects || !sink;
    if (selected.artboardBackground) {
        BackgroundRows background(file.header, selected, file.name, limits.maxPictureBytes);
        return ImportRows(
            background, BoxOf(selected), out, number, sink, limits, scratch, std::move(storage), onGrid);
    }
    const PsdLayerRecord& record = *selected.record;
    LayerBandDecoder decoder(file, record, limits.maxPictureBytes,
        withEffects ? std::uint8_t { 255 } : selected.maskOpacity, selected.clip);
    LayerPixels result
        = ImportRows(decoder, record.box, out, number, sink, limits, scratch, std::move(storage), onGrid);
    if (limits.releaseDecoded) limits.releaseDecoded(StoredBytes(file, record));
    return result;
}

/// Draws the effects of folders of several layers onto their layers' pictures on the
/// working grid, as the print draws them at source resolution (WriteFolderEffectFiles).
void DrawMergedFolders(ImportedDocument& out) {
    FolderDrawing how;
    how.reachScale = out.WorkScale / static_cast<double>(kFixedOne);
    const Fixed scale = out.WorkScale;
    how.drawnBox = [scale](std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
        const WorkingBox box = ToWorkingBox(left, top, right, bottom, scale);
        return DrawnBox { box.left, box.top, box.width, box.height };
    };
    how.placement.scale = how.reachScale;
    how.placement.canvasWidth = out.ImageWidth;
    how.placement.canvasHeight = out.ImageHeight;
    std::vector<PlacedPicture> pictures(out.Layers.size());
    std::vector<bool> member(out.Layers.size(), false);
    for (const FolderEffectSet* set : FolderEffectSetsOf(out.Layers))
        for (const std::size_t m : set->members) member[m] = true;
    for (std::size_t m = 0; m < out.Layers.size(); ++m) {
        if (!member[m]) continue;
        const LayerRecord& layer = out.Layers[m];
        const WorkingBox box = ToWorkingBox(layer.Left, layer.Top, layer.Right, layer.Bottom, scale);
        pictures[m] = { std::move(out.LayerBitmaps[m]), std::move(out.LayerMasks[m]), box.left, box.top };
    }
    DrawFolderEffectSets(out.Layers, pictures, &out.LayerClipShapes, how);
    for (std::size_t m = 0; m < out.Layers.size(); ++m) {
        if (!member[m]) continue;
        out.LayerBitmaps[m] = std::move(pictures[m].colour);
        out.LayerMasks[m] = std::move(pictures[m].mask);
        // As the print, which keeps a base's own shape only where its effects reach
        // beyond its box.
        if (out.Layers[m].EffectReach <= 0 && m < out.LayerClipShapes.size())
            out.LayerClipShapes[m] = Bitmap();
    }
}

/// Memory an import needs: every layer on the working grid, one band and the
/// pictures the composite after it makes, in MB rounded up.
std::uint64_t NeededMegabytes(const PsdFile& file, const std::vector<SelectedLayer>& selected,
    const ImportedDocument& out, const ImportLimits& limits) {
    const PixelFormat format = LayerPixelFormat(file.header);
    const int pixelBytes = BytesPerPixel(format) + 1;
    std::uint64_t bytes = 0;
    std::uint64_t widest = 0;
    for (const SelectedLayer& layer : selected) {
        const PsdRect& box = BoxOf(layer);
        const WorkingBox working = ToWorkingBox(box.left, box.top, box.right, box.bottom, out.WorkScale);
        bytes += static_cast<std::uint64_t>(working.width) * static_cast<std::uint64_t>(working.height)
            * pixelBytes;
        widest = std::max<std::uint64_t>(
            widest, static_cast<std::uint64_t>(std::max<std::int64_t>(box.width(), 0)));
    }
    if (selected.empty())
        bytes += static_cast<std::uint64_t>(file.header.width)
            * static_cast<std::uint64_t>(file.header.height) * pixelBytes * 2;
    const int band
        = BandRowsFor(limits, static_cast<int>(std::min<std::uint64_t>(widest, kMaxBitmapSide)), format);
    bytes += widest * static_cast<std::uint64_t>(band) * pixelBytes;
    bytes += static_cast<std::uint64_t>(out.ImageWidth) * static_cast<std::uint64_t>(out.ImageHeight) * 8;
    return (bytes + (1u << 20) - 1) >> 20;
}

} // namespace

ImportedDocument ImportPsd(std::span<const std::uint8_t> bytes, const std::string& fileName,
    SourceLayerSink* sink, Progress& progress, const ImportLimits& limits) {
    progress.setPosition(0);
    const PsdFile file = ParsePsd(bytes, fileName);
    ImportedDocument out;
    Describe(file, out);
    for (const PsdLayerRecord& record : file.records)
        if (record.isFolder() && record.artboard) ++out.ArtboardCount;

    PatternMap patterns;
    for (const Section& block : file.patternBlocks)
        ReadPatterns(file.bytes.subspan(
                         static_cast<std::size_t>(block.offset), static_cast<std::size_t>(block.length)),
            LayerPixelFormat(file.header), patterns);
    LayerSelection selection = SelectLayers(file.records, fileName, &patterns);
    const std::vector<SelectedLayer>& selected = selection.layers;
    if (selected.size() > static_cast<std::size_t>(kMaxLayers))
        FailPsd(fileName,
            "too many layers (" + std::to_string(selected.size()) + "; at most " + std::to_string(kMaxLayers)
                + ")");
    // Without a usable layer the file's own flattened picture is the one layer.
    const bool fromMerged = selected.empty();
    if (fromMerged && file.mergedImage.length == 0) FailPsd(fileName, "no visible layer with pixels");
    progress.setPosition(kParsedProgress);

    const int count = fromMerged ? 1 : static_cast<int>(selected.size());
    // Layers are decoded side by side, each with its effects, and taken into the
    // document in their order.
    struct DecodedLayer {
        LayerRecord layer;
        LayerPixels pixels;
        Bitmap clipShape; ///< the layer's own shape, kept for a base of clipped layers
    };
    std::vector<DecodedLayer> decoded(static_cast<std::size_t>(count));
    std::vector<bool> clipBases(static_cast<std::size_t>(count), false);
    for (const SelectedLayer& layer : selected)
        if (layer.clipBase >= 0 && layer.clipBase < count)
            clipBases[static_cast<std::size_t>(layer.clipBase)] = true;
    // Folders of several layers with effects, given to their layers before these are
    // decoded: their layers are read without their opacity, which the effects apply.
    std::vector<std::shared_ptr<const FolderEffectSet>> mergedFolders;
    for (const MergedFolder& folder : selection.mergedFolders) {
        auto set = std::make_shared<FolderEffectSet>();
        set->name = folder.record->name();
        set->style = ResolvedStyle(file, *folder.record, patterns);
        set->fill = folder.record->fillOpacity;
        for (const int m : folder.members) set->members.push_back(static_cast<std::size_t>(m));
        set->depth = folder.depth;
        mergedFolders.push_back(std::move(set));
    }
    ScratchShelf scratchShelf;
    PlaneStore effectPlanes(TaskThreads());
    const auto produce = [&](int i) {
        const ScratchShelf::Lease scratch(scratchShelf);
        const PlaneStore::Use planes(effectPlanes); // one layer's effect planes serve the next
        const int number = i + 1;
        LayerRecord& layer = decoded[static_cast<std::size_t>(i)].layer;
        LayerPixels& pixels = decoded[static_cast<std::size_t>(i)].pixels;
        if (fromMerged) {
            pixels = MergedLayer(file, limits.maxPictureBytes, layer);
            if (sink) {
                sink->beginLayer(
                    number, pixels.colour.width(), pixels.colour.height(), pixels.colour.format());
                sink->takeRows(number, 0, pixels.colour, pixels.mask, 0, pixels.colour.height());
                sink->endLayer(number);
            }
            if (out.WorkScale != kFixedOne)
                pixels = ReduceLayer(pixels, layer.Left, layer.Top, out.WorkScale);
            return;
        }
        const SelectedLayer& chosen = selected[static_cast<std::size_t>(i)];
        layer = LayerFromRecord(chosen);
        if (!chosen.artboardBackground) layer.Effects = ResolvedStyle(file, *chosen.record, patterns);
        if (const PsdLayerRecord* folder = chosen.styledFolder) {
            layer.FolderEffects = ResolvedStyle(file, *folder, patterns);
            layer.FolderFillOpacity = folder->fillOpacity;
        }
        for (const int f : chosen.mergedFolders)
            layer.MergedFolders.push_back(mergedFolders[static_cast<std::size_t>(f)]);
        pixels = ImportLayer(file, chosen, out, number, sink, limits, layer.hasEffects(), *scratch);
        if (layer.hasEffects()) {
            LayerPixels drawn = WithEffects(pixels, layer, out, limits.maxPictureBytes,
                fileName + ": layer " + std::to_string(number) + " with its effects",
                clipBases[static_cast<std::size_t>(i)] ? &decoded[static_cast<std::size_t>(i)].clipShape
                                                       : nullptr);
            (*scratch).beforeEffects = std::exchange(pixels, std::move(drawn)); // for the next layer
        }
    };
    const auto finish = [&](int i) {
        DecodedLayer& done = decoded[static_cast<std::size_t>(i)];
        out.Layers.push_back(std::move(done.layer));
        out.LayerBitmaps.push_back(std::move(done.pixels.colour));
        out.LayerMasks.push_back(std::move(done.pixels.mask));
        out.LayerClipShapes.push_back(std::move(done.clipShape));
        progress.setPosition(kParsedProgress
            + static_cast<int>(
                Round((kImportProgressEnd - kParsedProgress) * static_cast<long double>(i + 1) / count)));
    };
    try {
        if (!sink || sink->takesLayersAtOnce()) {
            // Finishing a layer only moves it into the document, which holds every
            // layer anyway: the threads need not wait for a slow one before them.
            ParallelInOrder(count, produce, finish, kMaxTaskThreads, count);
        } else {
            for (int i = 0; i < count; ++i) {
                produce(i);
                finish(i);
            }
        }
        if (!mergedFolders.empty()) DrawMergedFolders(out);
    } catch (const std::bad_alloc&) {
        const std::uint64_t needed = NeededMegabytes(file, selected, out, limits);
        // What was decoded so far goes before the message is made.
        decltype(decoded)().swap(decoded);
        out = ImportedDocument {};
        throw Error(
            "not enough memory to import " + fileName + " (needs about " + std::to_string(needed) + " MB)");
    }
    if (!fromMerged) out.ApproximateLayers = std::move(selection.approximations);
    // A duotone's inks would tint its grey; blending 32-bit layers in linear light
    // differs from blending them after conversion wherever they overlap.
    if (file.header.mode == ColourMode::Duotone)
        out.ApproximateLayers.push_back({ fileName, Approximation::DuotoneInks, {} });
    if (file.header.depth == 32 && out.Layers.size() > 1)
        out.ApproximateLayers.push_back({ fileName, Approximation::LinearLightBlending, {} });
    progress.setPosition(kImportProgressEnd);
    return out;
}

} // namespace deptrix
