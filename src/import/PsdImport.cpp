#include "import/PsdImport.h"

#include "import/AreaReduce.h"
#include "import/ChannelDecoder.h"
#include "import/LayerPixels.h"
#include "import/LayerStack.h"
#include "import/MergedImage.h"
#include "import/PsdFailure.h"
#include "import/PsdFile.h"
#include "import/WorkScale.h"

#include <cmath>

namespace deptrix {

namespace {

constexpr int kParsedProgress = 5;

void Describe(const PsdFile& file, ImportedDocument& out) {
    const PsdHeader& h = file.header;
    out.ImageMode = h.mode == ColourMode::Cmyk ? 4 : 3;
    out.SourceWidth = h.width;
    out.SourceHeight = h.height;
    const WorkingSize working = ChooseWorkingSize(h.width, h.height);
    out.WorkScale = working.workScale;
    out.ImageWidth = working.width;
    out.ImageHeight = working.height;
    const long double dpi
        = file.resolutionPpi > 0 && std::isfinite(file.resolutionPpi) ? file.resolutionPpi : kDefaultPpi;
    out.SourceDpi = ToFixed(dpi);
    out.SourceWidthCm = Round(h.width / dpi * 2.54L * 10000.0L);
    out.SourceHeightCm = Round(h.height / dpi * 2.54L * 10000.0L);
    out.IccProfile = file.iccProfile;
}

LayerRecord LayerFromRecord(const SelectedLayer& selected) {
    const PsdLayerRecord& record = *selected.record;
    LayerRecord layer;
    layer.Top = record.box.top;
    layer.Left = record.box.left;
    layer.Bottom = record.box.bottom;
    layer.Right = record.box.right;
    layer.Width = static_cast<std::int32_t>(record.box.width());
    layer.Height = static_cast<std::int32_t>(record.box.height());
    layer.Opacity = record.opacity;
    for (const ChannelInfo& channel : record.channels) layer.ChannelIds.push_back(channel.id);
    layer.StoredName = record.pascalName;
    layer.RecordIndex = record.index;
    layer.UnicodeName = record.unicodeName;
    layer.Group = selected.group;
    layer.BlendModeKey = record.blendMode;
    layer.FolderBlendModeKey = selected.folderBlendMode;
    layer.Clipping = record.clipping != 0;
    layer.ClipBase = selected.clipBase;
    layer.FillOpacity = record.fillOpacity;
    layer.FolderOpacity = selected.folderOpacity;
    return layer;
}

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
        pixels.mask = Bitmap(h.width, h.height, PixelFormat::Gray8);
        pixels.mask.fill(255);
    }
    return pixels;
}

} // namespace

void ImportedDocument::moveInto(Document& doc) {
    doc.Layers = std::move(Layers);
    doc.LayerBitmaps = std::move(LayerBitmaps);
    doc.LayerMasks = std::move(LayerMasks);
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
    doc.ImageMode = ImageMode;
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

ImportedDocument ImportPsd(std::span<const std::uint8_t> bytes, const std::string& fileName,
    SourceLayerSink* sink, Progress& progress, const ImportLimits& limits) {
    progress.setPosition(0);
    const PsdFile file = ParsePsd(bytes, fileName);
    ImportedDocument out;
    Describe(file, out);

    LayerSelection selection = SelectLayers(file.records, fileName);
    const std::vector<SelectedLayer>& selected = selection.layers;
    if (selected.size() > static_cast<std::size_t>(kMaxLayers))
        FailPsd(fileName,
            "too many layers (" + std::to_string(selected.size()) + "; at most " + std::to_string(kMaxLayers)
                + ")");
    // Without a usable layer the file's own flattened picture is the one layer.
    const bool fromMerged = selected.empty();
    if (fromMerged && file.mergedImage.length == 0) FailPsd(fileName, "no visible layer with pixels");
    progress.setPosition(kParsedProgress);

    ChannelDecoder decoder(file.header, fileName);
    const std::size_t count = fromMerged ? 1 : selected.size();
    for (std::size_t i = 0; i < count; ++i) {
        LayerRecord layer;
        LayerPixels pixels;
        if (fromMerged) {
            pixels = MergedLayer(file, limits.maxPictureBytes, layer);
        } else {
            layer = LayerFromRecord(selected[i]);
            pixels = DecodeLayerPixels(
                file, *selected[i].record, decoder, limits.maxPictureBytes, selected[i].maskOpacity);
        }
        if (sink) sink->takeLayer(static_cast<int>(i) + 1, pixels.colour, pixels.mask);
        if (out.WorkScale != kFixedOne) pixels = ReduceLayer(pixels, layer.Left, layer.Top, out.WorkScale);
        out.Layers.push_back(std::move(layer));
        out.LayerBitmaps.push_back(std::move(pixels.colour));
        out.LayerMasks.push_back(std::move(pixels.mask));
        progress.setPosition(kParsedProgress
            + static_cast<int>(
                Round((kImportProgressEnd - kParsedProgress) * static_cast<long double>(i + 1) / count)));
    }
    if (!fromMerged) out.ApproximateLayers = std::move(selection.approximations);
    progress.setPosition(kImportProgressEnd);
    return out;
}

} // namespace deptrix
