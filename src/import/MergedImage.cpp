#include "import/MergedImage.h"

#include "import/ChannelDecoder.h"
#include "import/PixelPlacement.h"
#include "import/PsdFailure.h"
#include "import/SampleDepth.h"

#include <array>
#include <cstring>
#include <limits>
#include <zlib.h>

namespace deptrix {

namespace {

std::span<const std::uint8_t> MergedBytes(const PsdFile& file) {
    return file.bytes.subspan(
        static_cast<std::size_t>(file.mergedImage.offset), static_cast<std::size_t>(file.mergedImage.length));
}

/// True when `data` is one complete zlib stream of exactly `bytes` bytes, found by
/// inflating it through a small buffer so that nothing the size of the picture is
/// allocated.
bool ZipStreamHolds(std::span<const std::uint8_t> data, std::uint64_t bytes) {
    if (data.size() > std::numeric_limits<uInt>::max()) return false;
    z_stream z {};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    std::array<Bytef, 1 << 16> scratch;
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = scratch.data();
        z.avail_out = static_cast<uInt>(scratch.size());
        result = inflate(&z, Z_NO_FLUSH);
        if (z.total_out > bytes) break;
    }
    const bool complete = result == Z_STREAM_END && z.total_out == bytes;
    inflateEnd(&z);
    return complete;
}

std::uint16_t CompressionOf(std::span<const std::uint8_t> data) {
    return static_cast<std::uint16_t>(data[0] << 8 | data[1]);
}

/// Colour numbers to colours; the transparent number, when the file names one, becomes
/// the picture's transparency (indexed files have no channel for it).
void ApplyColourTable(const ColourTable& table, MergedPicture& picture) {
    const int width = picture.colour.width();
    if (table.transparentIndex >= 0 && picture.alpha.empty()) {
        picture.alpha = Bitmap(width, picture.colour.height(), PixelFormat::Gray8, UnfilledPixels {});
        for (int y = 0; y < picture.colour.height(); ++y) {
            const std::uint8_t* colour = picture.colour.row(y);
            std::uint8_t* alpha = picture.alpha.row(y);
            for (int x = 0; x < width; ++x) alpha[x] = colour[3 * x] == table.transparentIndex ? 0 : 255;
        }
    }
    for (int y = 0; y < picture.colour.height(); ++y) ExpandIndexedRow(picture.colour.row(y), width, table);
}

} // namespace

void CheckMergedImage(const PsdFile& file) {
    const auto data = MergedBytes(file);
    if (data.size() < 2) FailPsd(file.name, "missing merged image data");
    const PsdHeader& h = file.header;
    const auto body = data.subspan(2);
    const std::uint64_t rows = static_cast<std::uint64_t>(h.channels) * static_cast<std::uint64_t>(h.height);
    const std::uint64_t rowBytes = StoredRowBytes(static_cast<std::uint64_t>(h.width), h.depth);
    switch (CompressionOf(data)) {
    case static_cast<std::uint16_t>(Compression::Raw):
        if (rows * rowBytes > body.size()) FailPsd(file.name, "truncated merged image data");
        return;
    case static_cast<std::uint16_t>(Compression::Rle): {
        const std::uint64_t tableBytes = rows * static_cast<std::uint64_t>(h.rowCountBytes());
        if (tableBytes > body.size()) FailPsd(file.name, "truncated merged image data");
        const auto counts = ChannelDecoder(h, file.name).readRowCounts(body, rows, "the merged image");
        std::uint64_t total = 0;
        for (std::uint64_t c : counts) total += c;
        if (total > body.size() - tableBytes) FailPsd(file.name, "truncated merged image data");
        return;
    }
    case static_cast<std::uint16_t>(Compression::Zip):
    case static_cast<std::uint16_t>(Compression::ZipPredicted):
        if (!ZipStreamHolds(body, rows * rowBytes))
            FailPsd(file.name, "truncated or corrupt merged image data");
        return;
    default:
        FailPsd(
            file.name, "unknown compression " + std::to_string(CompressionOf(data)) + " of the merged image");
    }
}

MergedPicture DecodeMergedImage(const PsdFile& file, std::size_t limitBytes) {
    const auto data = MergedBytes(file);
    if (data.size() < 2) FailPsd(file.name, "missing merged image data");
    const PsdHeader& h = file.header;
    const PixelFormat format = LayerPixelFormat(h);
    const std::string what = file.name + ": merged image";
    CheckedImageBytes(h.width, h.height, BytesPerPixel(format), what.c_str(), limitBytes);

    MergedPicture picture;
    // The header has at least the mode's colour channels, and every one of them fills
    // its bytes of every row, or the decoding fails and the picture is dropped: nothing
    // of it is read before it is written.
    picture.colour = Bitmap(h.width, h.height, format, UnfilledPixels {});
    const int colourChannels = h.colourChannels();
    const bool hasAlpha = file.mergedHasTransparency && h.channels > colourChannels;
    if (hasAlpha) picture.alpha = Bitmap(h.width, h.height, PixelFormat::Gray8, UnfilledPixels {});
    const auto meaningOf = [colourChannels](int channel) {
        return channel < colourChannels ? SampleMeaning::Colour : SampleMeaning::Opacity;
    };
    const int pixelBytes = picture.colour.bytesPerPixel();

    // Rows arrive channel after channel; route each to its place.
    auto sinkFor = [&](int channel) -> ChannelRowSink {
        if (channel < colourChannels) {
            const std::vector<int> offsets = ColourChannelOffsets(h.mode, channel);
            return [&picture, offsets, w = h.width, pixelBytes](int y, const std::uint8_t* samples) {
                for (int offset : offsets) ScatterRow(samples, picture.colour.row(y), w, pixelBytes, offset);
            };
        }
        if (channel == colourChannels && hasAlpha)
            return [&picture, w = h.width](int y, const std::uint8_t* samples) {
                std::memcpy(picture.alpha.row(y), samples, static_cast<std::size_t>(w));
            };
        return [](int, const std::uint8_t*) {};
    };
    const int used = hasAlpha ? colourChannels + 1 : colourChannels;

    ChannelDecoder decoder(h, file.name);
    const auto body = data.subspan(2);
    const std::string where = "the merged image";
    const std::size_t planeBytes
        = static_cast<std::size_t>(StoredRowBytes(static_cast<std::uint64_t>(h.width), h.depth))
        * static_cast<std::size_t>(h.height);
    switch (CompressionOf(data)) {
    case static_cast<std::uint16_t>(Compression::Raw):
        if (static_cast<std::uint64_t>(planeBytes) * static_cast<std::uint64_t>(used) > body.size())
            FailPsd(file.name, "truncated merged image data");
        for (int c = 0; c < used; ++c)
            decoder.decodeRaw(body.subspan(planeBytes * static_cast<std::size_t>(c)), h.width, h.height,
                where, meaningOf(c), sinkFor(c));
        break;
    case static_cast<std::uint16_t>(Compression::Rle): {
        const std::uint64_t rows
            = static_cast<std::uint64_t>(h.channels) * static_cast<std::uint64_t>(h.height);
        const auto counts = decoder.readRowCounts(body, rows, where);
        std::uint64_t at = rows * static_cast<std::uint64_t>(h.rowCountBytes());
        for (int c = 0; c < used; ++c) {
            const auto channelCounts = std::span<const std::uint64_t>(counts).subspan(
                static_cast<std::size_t>(c) * static_cast<std::size_t>(h.height),
                static_cast<std::size_t>(h.height));
            at += decoder.decodeRle(channelCounts, body.subspan(static_cast<std::size_t>(at)), h.width,
                h.height, where, meaningOf(c), sinkFor(c));
        }
        break;
    }
    case static_cast<std::uint16_t>(Compression::Zip):
    case static_cast<std::uint16_t>(Compression::ZipPredicted): {
        // One stream holds every channel's rows in turn, inflated as a whole.
        if (static_cast<std::uint64_t>(planeBytes) * static_cast<std::uint64_t>(h.channels) > limitBytes)
            FailPsd(file.name, "merged image too large to decode");
        std::vector<ChannelRowSink> sinks;
        for (int c = 0; c < h.channels; ++c) sinks.push_back(sinkFor(c));
        decoder.decodeZip(
            body, CompressionOf(data) == static_cast<std::uint16_t>(Compression::ZipPredicted), h.width,
            h.channels * h.height, where, [&](int y) { return meaningOf(y / h.height); },
            [&](int y, const std::uint8_t* samples) {
                sinks[static_cast<std::size_t>(y / h.height)](y % h.height, samples);
            });
        break;
    }
    default:
        FailPsd(
            file.name, "unknown compression " + std::to_string(CompressionOf(data)) + " of the merged image");
    }
    if (h.mode == ColourMode::Indexed) ApplyColourTable(file.colourTable, picture);
    return picture;
}

} // namespace deptrix
