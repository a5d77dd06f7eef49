// Depth maps written for other programs. libpng reports errors by a long jump back to
// the setjmp of the function that called it, so that function keeps no object with a
// destructor; the byte vector belongs to the caller.

#include "output/DepthMapFile.h"

#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <png.h>

namespace deptrix {

namespace {

struct PngSink {
    std::vector<std::uint8_t>* bytes;
    char message[200];
};

[[noreturn]] void Fail(png_structp png, png_const_charp message) {
    auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) { }

/// No exception may cross libpng's frames: a failed allocation becomes libpng's error.
void Append(png_structp png, png_bytep data, png_size_t count) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    bool grown = true;
    try {
        sink->bytes->insert(sink->bytes->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown) png_error(png, "out of memory");
}

void Flush(png_structp) { }

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

/// Writes the whole file; `row` is a buffer of one row of samples.
bool Write(PngWriter& writer, const Bitmap& grey, bool sixteenBits, png_bytep row) {
    png_structp png = writer.png;
    png_infop info = writer.info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(grey.width()), static_cast<png_uint_32>(grey.height()),
        sixteenBits ? 16 : 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < grey.height(); ++y) {
        const std::uint8_t* in = grey.row(y);
        if (sixteenBits) {
            // v x 257 is v in both bytes.
            for (int x = 0; x < grey.width(); ++x) row[2 * x] = row[2 * x + 1] = in[x];
        } else {
            std::memcpy(row, in, static_cast<std::size_t>(grey.width()));
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodeGreyPng(const Bitmap& grey, bool sixteenBits) {
    if (grey.format() != PixelFormat::Gray8) throw Error("PNG encoder: the picture must be an 8-bit picture");
    if (grey.empty()) throw Error("PNG encoder: the picture is empty");
    std::vector<std::uint8_t> bytes;
    PngSink sink { &bytes, {} };
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, Fail, IgnoreWarning);
    if (!writer.png) throw Error("PNG encoder: cannot start");
    writer.info = png_create_info_struct(writer.png);
    if (!writer.info) throw Error("PNG encoder: cannot start");
    png_set_write_fn(writer.png, &sink, Append, Flush);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(grey.width()) * (sixteenBits ? 2 : 1));
    if (!Write(writer, grey, sixteenBits, row.data()))
        throw Error(std::string("PNG encoder: ") + sink.message);
    return bytes;
}

bool IsPngPath(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension == ".png";
}

void SaveDepthMap(const Bitmap& raster, const std::filesystem::path& path, bool sixteenBits) {
    if (IsPngPath(path)) {
        WriteFileAtomically(path, EncodeGreyPng(raster, sixteenBits));
        return;
    }
    if (sixteenBits)
        throw Error(DisplayName(path)
            + ": 16-bit depth maps are written as PNG files; give the name the extension .png");
    SaveBmp(raster, path);
}

} // namespace deptrix
