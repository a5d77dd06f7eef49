// PSD and PSB depth maps through the import's own reader: the merged picture, or one
// named layer placed on the canvas.

#include "core/Error.h"
#include "import/GreyDecoders.h"
#include "import/LayerPixels.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"

#include <algorithm>

namespace deptrix::grey {

namespace {

/// Bytes a decoded 24 or 32-bit picture of a depth map may take.
constexpr std::size_t kMaxColourBytes = 2 * kMaxGreyPictureBytes;

/// The grey of one pixel of a decoded picture: luminance of blue-green-red, or of
/// CMYK stored as 255 - ink, made into RGB by the inks' product.
std::uint32_t PixelGrey(const std::uint8_t* pixel, PixelFormat format) {
    if (format == PixelFormat::Bgr24) return Luminance(pixel[2], pixel[1], pixel[0]);
    const std::uint32_t paper = pixel[3];
    return Luminance(
        (pixel[0] * paper + 127) / 255, (pixel[1] * paper + 127) / 255, (pixel[2] * paper + 127) / 255);
}

/// Writes row `y` of `colour` (and of `alpha`, when not empty) as 16-bit grey over
/// black into `out`.
void GreyRow(const Bitmap& colour, const Bitmap& alpha, int y, std::uint16_t* out) {
    const std::uint8_t* in = colour.row(y);
    const std::uint8_t* a = alpha.empty() ? nullptr : alpha.row(y);
    const int step = colour.bytesPerPixel();
    for (int x = 0; x < colour.width(); ++x, in += step) {
        const std::uint32_t value = Widen8(PixelGrey(in, colour.format()));
        out[x] = static_cast<std::uint16_t>(a ? (value * a[x] + 127) / 255 : value);
    }
}

const PsdLayerRecord& FindLayer(const PsdFile& file, const std::string& layerName) {
    bool anyLayer = false;
    for (auto record = file.records.rbegin(); record != file.records.rend(); ++record) {
        if (record->folder != FolderMark::None) continue;
        anyLayer = true;
        if (record->name() == layerName) return *record;
    }
    if (!anyLayer)
        throw Error(file.name + ": the file has no layers (asked for the layer \"" + layerName + "\")");
    throw Error(file.name + ": the file has no layer named \"" + layerName + "\"");
}

} // namespace

GreyPicture DecodePsd(
    std::span<const std::uint8_t> bytes, const std::string& name, const std::string& layerName) {
    const PsdFile file = ParsePsd(bytes, name);
    const int width = file.header.width;
    const int height = file.header.height;
    CheckGreySize(width, height, name);

    if (layerName.empty()) {
        const MergedPicture merged = DecodeMergedImage(file, kMaxColourBytes);
        GreyPicture picture = AllocateGrey(width, height, name);
        for (int y = 0; y < height; ++y) GreyRow(merged.colour, merged.alpha, y, picture.row(y));
        return picture;
    }

    const PsdLayerRecord& record = FindLayer(file, layerName);
    GreyPicture picture = AllocateGrey(width, height, name);
    std::fill(picture.values.begin(), picture.values.end(), std::uint16_t { 0 });
    if (record.box.empty()) return picture;
    const LayerPixels layer = DecodeLayerPixels(file, record, kMaxColourBytes, record.opacity);
    // The layer over black, where its box meets the canvas.
    const std::int64_t firstColumn = std::max<std::int64_t>(0, record.box.left);
    const std::int64_t endColumn = std::min<std::int64_t>(width, record.box.right);
    const std::int64_t firstRow = std::max<std::int64_t>(0, record.box.top);
    const std::int64_t endRow = std::min<std::int64_t>(height, record.box.bottom);
    if (firstColumn >= endColumn || firstRow >= endRow) return picture;
    std::vector<std::uint16_t> row(static_cast<std::size_t>(layer.colour.width()));
    for (std::int64_t y = firstRow; y < endRow; ++y) {
        GreyRow(layer.colour, layer.mask, static_cast<int>(y - record.box.top), row.data());
        std::copy(row.begin() + (firstColumn - record.box.left), row.begin() + (endColumn - record.box.left),
            picture.row(static_cast<int>(y)) + firstColumn);
    }
    return picture;
}

} // namespace deptrix::grey
