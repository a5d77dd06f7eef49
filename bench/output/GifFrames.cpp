#include "GifFrames.h"

#include "core/Canvas.h"
#include "core/Error.h"
#include "output/GifExport.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <string>

namespace deptrix::bench {

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

std::vector<Bitmap> DecodeGifFrames(std::span<const std::uint8_t> gif) {
    Source source { gif };
    int code = 0;
    GifFileType* file = DGifOpen(&source, Read, &code);
    if (!file) throw Error(std::string("GIF decoder: ") + GifErrorString(code));
    if (DGifSlurp(file) != GIF_OK) {
        const std::string message = GifErrorString(file->Error);
        DGifCloseFile(file, nullptr);
        throw Error("GIF decoder: " + message);
    }
    std::vector<Bitmap> frames;
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
        Bitmap frame(file->SWidth, file->SHeight, PixelFormat::Bgr24);
        for (int y = 0; y < image.ImageDesc.Height; ++y) {
            std::uint8_t* row = frame.row(image.ImageDesc.Top + y) + 3 * image.ImageDesc.Left;
            for (int x = 0; x < image.ImageDesc.Width; ++x) {
                const GifColorType& c = map->Colors[image.RasterBits[y * image.ImageDesc.Width + x]];
                row[3 * x] = c.Blue;
                row[3 * x + 1] = c.Green;
                row[3 * x + 2] = c.Red;
            }
        }
        frames.push_back(std::move(frame));
    }
    DGifCloseFile(file, nullptr);
    return frames;
}

std::vector<Bitmap> SweepFrames(std::span<const Bitmap> views, int maxWidth) {
    const GifFrameSize size = GifFrameSizeFor(views[0].width(), views[0].height(), maxWidth);
    std::vector<Bitmap> frames;
    for (int i = 0; i < 14; ++i) {
        Bitmap frame(size.width, size.height, PixelFormat::Bgr24);
        StretchNearest(views[static_cast<std::size_t>(i < 7 ? i : 13 - i)], frame);
        frames.push_back(std::move(frame));
    }
    return frames;
}

double MeanAbsoluteError(std::span<const Bitmap> frames, std::span<const Bitmap> expected) {
    if (frames.size() != expected.size()) throw Error("frame counts differ");
    std::uint64_t total = 0, bytes = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bitmap& a = frames[i];
        const Bitmap& b = expected[i];
        if (a.width() != b.width() || a.height() != b.height()) throw Error("frame sizes differ");
        for (int y = 0; y < a.height(); ++y) {
            const std::uint8_t* p = a.row(y);
            const std::uint8_t* q = b.row(y);
            for (int x = 0; x < a.width() * 3; ++x)
                total += static_cast<std::uint64_t>(std::abs(p[x] - q[x]));
        }
        bytes += static_cast<std::uint64_t>(a.width()) * a.height() * 3;
    }
    return static_cast<double>(total) / static_cast<double>(bytes);
}

} // namespace deptrix::bench
