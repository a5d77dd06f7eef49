#include "import/GreyPictureReader.h"

#include "core/Bitmap.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "import/GreyDecoders.h"
#include "import/MappedFile.h"
#include "import/PlainGreyPng.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace deptrix {

namespace grey {

void CheckGreySize(std::int64_t width, std::int64_t height, const std::string& name) {
    if (width <= 0 || height <= 0)
        throw Error(name + ": the picture has no pixels (" + std::to_string(width) + " x "
            + std::to_string(height) + ")");
    if (width > kMaxBitmapSide || height > kMaxBitmapSide
        || static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 2 > kMaxGreyPictureBytes)
        throw Error(name + ": the picture is " + std::to_string(width) + " x " + std::to_string(height)
            + " pixels, larger than a depth map may be (at most " + std::to_string(kMaxBitmapSide)
            + " pixels a side and " + std::to_string(kMaxGreyPictureBytes / 2 / 1000000)
            + " million pixels)");
}

GreyPicture AllocateGrey(std::int64_t width, std::int64_t height, const std::string& name) {
    CheckGreySize(width, height, name);
    GreyPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return picture;
}

GreyPicture DecodeBmpGrey(std::span<const std::uint8_t> bytes, const std::string& name) {
    const BmpLayout layout = ReadBmpLayout(bytes, bytes.size(), name);
    GreyPicture picture = AllocateGrey(layout.width, layout.height, name);
    // An 8-bit file's pixels are indices into its colour table (checked to be there by
    // ReadBmpLayout); 32-bit files are blue, green, red and a spare byte.
    std::array<std::uint16_t, 256> palette {};
    if (layout.format == PixelFormat::Gray8) {
        const std::uint32_t headerSize = bytes[14] | bytes[15] << 8
            | static_cast<std::uint32_t>(bytes[16]) << 16 | static_cast<std::uint32_t>(bytes[17]) << 24;
        std::uint32_t colours = bytes[46] | bytes[47] << 8 | static_cast<std::uint32_t>(bytes[48]) << 16
            | static_cast<std::uint32_t>(bytes[49]) << 24;
        if (colours == 0) colours = 256;
        const std::uint8_t* table = bytes.data() + 14 + headerSize;
        for (std::uint32_t i = 0; i < 256; ++i)
            palette[i]
                = i < colours ? Widen8(Luminance(table[4 * i + 2], table[4 * i + 1], table[4 * i])) : 0;
    }
    const int pixelBytes = BytesPerPixel(layout.format);
    for (int y = 0; y < layout.height; ++y) {
        const std::uint8_t* in = bytes.data() + layout.rowOffset(y);
        std::uint16_t* out = picture.row(y);
        if (pixelBytes == 1) {
            for (int x = 0; x < layout.width; ++x) out[x] = palette[in[x]];
        } else {
            for (int x = 0; x < layout.width; ++x, in += pixelBytes)
                out[x] = Widen8(Luminance(in[2], in[1], in[0]));
        }
    }
    return picture;
}

} // namespace grey

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> signature) {
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

} // namespace

GreyPicture DecodeGreyPicture(
    std::span<const std::uint8_t> bytes, const std::string& fileName, const std::string& layerName) {
    const bool psd = StartsWith(bytes, { '8', 'B', 'P', 'S' });
    if (!layerName.empty() && !psd)
        throw Error(fileName
            + ": only a PSD or PSB file has layers to take a depth map from (asked for the layer \""
            + layerName + "\")");
    if (psd) return grey::DecodePsd(bytes, fileName, layerName);
    if (StartsWith(bytes, { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' }))
        return grey::DecodePng(bytes, fileName);
    if (StartsWith(bytes, { 'I', 'I', 42, 0 }) || StartsWith(bytes, { 'M', 'M', 0, 42 })
        || StartsWith(bytes, { 'I', 'I', 43, 0 }) || StartsWith(bytes, { 'M', 'M', 0, 43 }))
        return grey::DecodeTiff(bytes, fileName);
    if (StartsWith(bytes, { 0xFF, 0xD8, 0xFF })) return grey::DecodeJpeg(bytes, fileName);
    if (StartsWith(bytes, { 'B', 'M' })) return grey::DecodeBmpGrey(bytes, fileName);
    if (bytes.empty()) throw Error(fileName + ": the file is empty");
    throw Error(fileName + ": not a picture a depth map can be read from (PNG, TIFF, JPEG, BMP, PSD or PSB)");
}

GreyPicture ReadGreyPicture(const std::filesystem::path& path, const std::string& layerName) {
    const MappedFile file(path);
    if (layerName.empty() && grey::LooksPlainGreyPng(file.bytes()))
        if (std::optional<GreyPicture> picture = grey::ReadPlainGreyPng(path, file.bytes().size()))
            return std::move(*picture);
    return DecodeGreyPicture(file.bytes(), DisplayName(path), layerName);
}

} // namespace deptrix
