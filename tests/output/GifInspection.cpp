#include "GifInspection.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <stdexcept>

namespace deptrix::testing {

namespace {

struct Source {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

int Read(GifFileType* gif, GifByteType* into, int length) {
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t n
        = std::min<std::size_t>(static_cast<std::size_t>(length), source->bytes.size() - source->at);
    std::memcpy(into, source->bytes.data() + source->at, n);
    source->at += n;
    return static_cast<int>(n);
}

} // namespace

GifFile InspectGif(std::span<const std::uint8_t> bytes) {
    Source source { bytes };
    int code = 0;
    GifFileType* gif = DGifOpen(&source, Read, &code);
    if (!gif) throw std::runtime_error(std::string("giflib cannot open the GIF: ") + GifErrorString(code));
    if (DGifSlurp(gif) != GIF_OK) {
        const std::string message = GifErrorString(gif->Error);
        DGifCloseFile(gif, nullptr);
        throw std::runtime_error("giflib cannot read the GIF: " + message);
    }
    // The header is read here: giflib 5.2.1 reports every file as 87a.
    GifFile file { std::string(bytes.begin(), bytes.begin() + 6), gif->SWidth, gif->SHeight,
        gif->SColorMap != nullptr, {} };
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        const GifImageDesc& desc = saved.ImageDesc;
        GifImage image { desc.Left, desc.Top, desc.Width, desc.Height, desc.Interlace, {}, {}, {} };
        if (desc.ColorMap)
            for (int c = 0; c < desc.ColorMap->ColorCount; ++c) {
                const GifColorType& colour = desc.ColorMap->Colors[c];
                image.palette.insert(image.palette.end(), { colour.Red, colour.Green, colour.Blue });
            }
        image.indices.assign(
            saved.RasterBits, saved.RasterBits + static_cast<std::size_t>(desc.Width) * desc.Height);
        for (int e = 0; e < saved.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = saved.ExtensionBlocks[e];
            image.extensions.push_back({ block.Function, { block.Bytes, block.Bytes + block.ByteCount } });
        }
        file.images.push_back(std::move(image));
    }
    DGifCloseFile(gif, nullptr);
    return file;
}

Bitmap ImagePicture(const GifImage& image) {
    Bitmap picture(image.width, image.height, PixelFormat::Bgr24);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < image.width; ++x) {
            const std::size_t entry = 3u * image.indices[static_cast<std::size_t>(y) * image.width + x];
            if (entry + 2 >= image.palette.size())
                throw std::runtime_error("pixel index beyond the colour table");
            row[3 * x] = image.palette[entry + 2];
            row[3 * x + 1] = image.palette[entry + 1];
            row[3 * x + 2] = image.palette[entry];
        }
    }
    return picture;
}

} // namespace deptrix::testing
