// PNG depth maps through libpng. libpng reports errors by a long jump back to the
// setjmp of the function that called it, so the functions holding a setjmp keep no
// object with a destructor: the decoder state and every buffer belong to the caller.

#include "core/Error.h"
#include "core/TaskPool.h"
#include "import/GreyDecoders.h"
#include "import/PlainGreyPng.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

namespace deptrix::grey {

namespace {

/// What the callbacks reach through libpng's io and error pointers.
struct PngSource {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
    char message[200] = {};
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->at) png_error(png, "the file is cut short");
    std::memcpy(out, source->bytes.data() + source->at, count);
    source->at += count;
}

[[noreturn]] void Fail(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) { }

/// Owns libpng's read state.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct PngShape {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0; ///< after the transforms: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int sampleBytes = 1;
    int passes = 1;
};

/// Reads the header and sets the transforms that leave 8 or 16-bit grey or RGB
/// samples with an optional alpha. False with the message in `source` on failure.
bool ReadHeader(PngReader& reader, PngShape& shape) {
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int depth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &shape.width, &shape.height, &depth, &colourType, &interlace, nullptr, nullptr);
    // Palettes, low bit depths and transparent colours become plain samples.
    png_set_expand(png);
    if (interlace != PNG_INTERLACE_NONE) shape.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    shape.channels = png_get_channels(png, info);
    shape.sampleBytes = png_get_bit_depth(png, info) == 16 ? 2 : 1;
    return true;
}

/// Reads `count` rows, `rowBytes` apart from `rows` on, `passes` times over (each pass
/// of an interlaced file fills in more of every row).
bool ReadRows(PngReader& reader, png_bytep rows, std::size_t rowBytes, png_uint_32 count, int passes) {
    png_structp png = reader.png;
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < count; ++y) png_read_row(png, rows + rowBytes * y, nullptr);
    return true;
}

std::uint32_t Sample(const std::uint8_t* at, int sampleBytes) {
    return sampleBytes == 2 ? static_cast<std::uint32_t>(at[0] << 8 | at[1]) : at[0];
}

/// One row of samples to grey: colour to luminance, alpha darkens toward black.
void ConvertRow(const std::uint8_t* in, const PngShape& shape, std::uint16_t* out) {
    const int step = shape.channels * shape.sampleBytes;
    const int b = shape.sampleBytes;
    const std::uint32_t top = b == 2 ? 65535 : 255;
    // Plain grey, the common depth map, in a loop the compiler can widen.
    if (shape.channels == 1) {
        if (b == 2)
            for (png_uint_32 x = 0; x < shape.width; ++x)
                out[x] = static_cast<std::uint16_t>(in[2 * x] << 8 | in[2 * x + 1]);
        else
            for (png_uint_32 x = 0; x < shape.width; ++x) out[x] = Widen8(in[x]);
        return;
    }
    for (png_uint_32 x = 0; x < shape.width; ++x, in += step) {
        std::uint32_t value = 0;
        std::uint32_t alpha = top;
        switch (shape.channels) {
        case 1:
            value = Sample(in, b);
            break;
        case 2:
            value = Sample(in, b);
            alpha = Sample(in + b, b);
            break;
        default:
            value = Luminance(Sample(in, b), Sample(in + b, b), Sample(in + 2 * b, b));
            if (shape.channels == 4) alpha = Sample(in + 3 * b, b);
        }
        if (alpha != top) value = (value * alpha + top / 2) / top;
        out[x] = static_cast<std::uint16_t>(b == 2 ? value : value * 257);
    }
}

} // namespace

GreyPicture DecodePng(std::span<const std::uint8_t> bytes, const std::string& name) {
    if (std::optional<GreyPicture> plain = DecodePlainGreyPng(bytes)) return std::move(*plain);
    PngSource source { bytes };
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, Fail, IgnoreWarning);
    if (!reader.png) throw Error(name + ": cannot start the PNG decoder");
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info) throw Error(name + ": cannot start the PNG decoder");
    png_set_read_fn(reader.png, &source, ReadBytes);
    // The pixels are bounded below; ancillary chunks (profiles, text) get a small budget.
    png_set_user_limits(reader.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(reader.png, kPngChunkLimit);
    // Each chunk's CRC already guards the compressed bytes; the zlib stream's own
    // checksum would be one more pass over every decoded byte of a large map.
    png_set_option(reader.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);

    PngShape shape;
    if (!ReadHeader(reader, shape)) throw Error(name + ": damaged PNG file (" + source.message + ")");
    GreyPicture picture = AllocateGrey(shape.width, shape.height, name);
    const std::size_t rowBytes = static_cast<std::size_t>(shape.width)
        * static_cast<std::size_t>(shape.channels) * static_cast<std::size_t>(shape.sampleBytes);

    const auto damaged = [&] { return Error(name + ": damaged PNG file (" + source.message + ")"); };

    if (shape.passes == 1) {
        // Bands of rows are decoded on this thread while the band before is turned
        // into grey on another: libpng's inflating and unfiltering is the larger part,
        // the conversion and the first writes to the fresh picture the rest.
        constexpr png_uint_32 kBandRows = 16;
        constexpr int kBuffers = 3;
        const auto bands = static_cast<int>((shape.height + kBandRows - 1) / kBandRows);
        const std::size_t bandBytes = rowBytes * kBandRows;
        std::vector<std::uint8_t> buffers(bandBytes * kBuffers);
        const auto bandRows = [&](int band) {
            return std::min<png_uint_32>(
                kBandRows, shape.height - static_cast<png_uint_32>(band) * kBandRows);
        };
        const auto bufferOf = [&](int band) {
            return buffers.data() + bandBytes * static_cast<std::size_t>(band % kBuffers);
        };
        ParallelInTwoStages(
            bands,
            [&](int band) {
                if (!ReadRows(reader, bufferOf(band), rowBytes, bandRows(band), 1)) throw damaged();
            },
            [&](int band) {
                const std::uint8_t* in = bufferOf(band);
                const int first = band * static_cast<int>(kBandRows);
                for (png_uint_32 y = 0; y < bandRows(band); ++y, in += rowBytes)
                    ConvertRow(in, shape, picture.row(first + static_cast<int>(y)));
            },
            kBuffers);
        return picture;
    }
    // The passes of an interlaced file fill the rows in turn, so all rows are kept.
    if (rowBytes * shape.height > 4 * kMaxGreyPictureBytes)
        throw Error(name + ": the interlaced PNG file is too large to read as a depth map");
    std::vector<std::uint8_t> samples(rowBytes * shape.height);
    if (!ReadRows(reader, samples.data(), rowBytes, shape.height, shape.passes)) throw damaged();
    for (png_uint_32 y = 0; y < shape.height; ++y)
        ConvertRow(samples.data() + rowBytes * y, shape, picture.row(static_cast<int>(y)));
    return picture;
}

} // namespace deptrix::grey
