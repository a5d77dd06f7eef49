// TIFF depth maps through libtiff: 16-bit grey and RGB samples are read as they are,
// everything else (8-bit, palettes, CMYK, YCbCr, odd bit depths) through libtiff's
// RGBA interface at 8 bits.

#include "core/Error.h"
#include "import/GreyDecoders.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace deptrix::grey {

namespace {

/// Largest strip or tile read at once.
constexpr std::size_t kMaxBufferBytes = std::size_t { 256 } << 20;

struct TiffSource {
    std::span<const std::uint8_t> bytes;
    std::uint64_t at = 0;
    std::string message; ///< libtiff's first complaint
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
    auto* source = static_cast<TiffSource*>(handle);
    if (count <= 0 || source->at >= source->bytes.size()) return 0;
    const auto n
        = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), source->bytes.size() - source->at);
    std::memcpy(out, source->bytes.data() + source->at, n);
    source->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<TiffSource*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = source->at;
    if (whence == SEEK_END) base = source->bytes.size();
    source->at = base + offset;
    return source->at;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<TiffSource*>(handle)->bytes.size();
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) { }

int KeepError(TIFF*, void* user, const char*, const char* format, va_list arguments) {
    auto* source = static_cast<TiffSource*>(user);
    if (source->message.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        source->message = text;
    }
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

[[noreturn]] void Fail(const TiffSource& source, const std::string& name, const std::string& problem) {
    throw Error(name + ": " + problem + (source.message.empty() ? "" : " (" + source.message + ")"));
}

/// The 16-bit grey or RGB samples of a strip or tiled file, plane by plane, as
/// weighted sums per pixel: colour samples weighted for luminance (weights of 65536
/// in all), unassociated alpha kept aside.
class Sixteen {
public:
    Sixteen(TIFF* tiff, TiffSource& source, const std::string& name, int width, int height, int samples,
        bool planes, std::array<std::uint32_t, 3> weights, int colours, int alphaSample, bool whiteIsZero)
        : m_tiff(tiff)
        , m_source(source)
        , m_name(name)
        , m_width(width)
        , m_height(height)
        , m_samples(samples)
        , m_planes(planes)
        , m_weights(weights)
        , m_colours(colours)
        , m_alphaSample(alphaSample)
        , m_whiteIsZero(whiteIsZero)
        , m_sums(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        if (alphaSample >= 0) m_alpha.assign(m_sums.size(), 65535);
    }

    GreyPicture read() {
        const int planeCount = m_planes ? std::min(m_samples, std::max(m_colours, m_alphaSample + 1)) : 1;
        for (int plane = 0; plane < planeCount; ++plane) {
            if (TIFFIsTiled(m_tiff))
                readTiles(plane);
            else
                readStrips(plane);
        }
        GreyPicture picture = AllocateGrey(m_width, m_height, m_name);
        for (std::size_t i = 0; i < m_sums.size(); ++i) {
            std::uint32_t value = static_cast<std::uint32_t>((std::uint64_t { m_sums[i] } + 32768) >> 16);
            if (!m_alpha.empty()) value = (value * m_alpha[i] + 32767) / 65535;
            picture.values[i] = static_cast<std::uint16_t>(value);
        }
        return picture;
    }

private:
    /// Adds one decoded row: `samples` per pixel of the plane's samples.
    void takeRow(int plane, int y, const std::uint16_t* row) {
        const int perPixel = m_planes ? 1 : m_samples;
        std::uint32_t* sums = m_sums.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
        std::uint16_t* alpha = m_alpha.empty()
            ? nullptr
            : m_alpha.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
        for (int s = 0; s < perPixel; ++s) {
            const int sample = m_planes ? plane : s;
            const std::uint16_t* in = row + s;
            if (sample < m_colours) {
                const std::uint32_t weight = m_weights[static_cast<std::size_t>(sample)];
                for (int x = 0; x < m_width; ++x, in += perPixel) {
                    const std::uint32_t v = m_whiteIsZero ? 65535u - *in : *in;
                    sums[x] += weight * v;
                }
            } else if (sample == m_alphaSample) {
                for (int x = 0; x < m_width; ++x, in += perPixel) alpha[x] = *in;
            }
        }
    }

    void readStrips(int plane) {
        std::uint32_t rowsPerStrip = 0;
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, static_cast<std::uint32_t>(m_height));
        const std::size_t rowSamples
            = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_planes ? 1 : m_samples);
        if (rowSamples * rowsPerStrip * 2 > kMaxBufferBytes)
            Fail(m_source, m_name, "TIFF strips too large to read");
        std::vector<std::uint16_t> strip(rowSamples * rowsPerStrip);
        for (std::uint32_t y0 = 0; y0 < static_cast<std::uint32_t>(m_height); y0 += rowsPerStrip) {
            const std::uint32_t rows
                = std::min<std::uint32_t>(rowsPerStrip, static_cast<std::uint32_t>(m_height) - y0);
            const tmsize_t wanted = static_cast<tmsize_t>(rowSamples * rows * 2);
            const tmsize_t got = TIFFReadEncodedStrip(m_tiff,
                TIFFComputeStrip(m_tiff, y0, static_cast<std::uint16_t>(plane)), strip.data(), wanted);
            if (got < wanted) Fail(m_source, m_name, "damaged or cut short TIFF file");
            for (std::uint32_t r = 0; r < rows; ++r)
                takeRow(plane, static_cast<int>(y0 + r), strip.data() + rowSamples * r);
        }
    }

    void readTiles(int plane) {
        std::uint32_t tileWidth = 0;
        std::uint32_t tileHeight = 0;
        TIFFGetField(m_tiff, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(m_tiff, TIFFTAG_TILELENGTH, &tileHeight);
        if (tileWidth == 0 || tileHeight == 0 || tileWidth > 65536 || tileHeight > 65536)
            Fail(m_source, m_name, "damaged TIFF file (tile size)");
        const std::size_t perPixel = m_planes ? 1 : static_cast<std::size_t>(m_samples);
        if (std::size_t { tileWidth } * tileHeight * perPixel * 2 > kMaxBufferBytes)
            Fail(m_source, m_name, "TIFF tiles too large to read");
        std::vector<std::uint16_t> tile(static_cast<std::size_t>(tileWidth) * tileHeight * perPixel);
        const std::size_t rowSamples = static_cast<std::size_t>(m_width) * perPixel;
        const std::size_t bandRows = std::min<std::size_t>(tileHeight, static_cast<std::size_t>(m_height));
        if (rowSamples * bandRows * 2 > kMaxBufferBytes)
            Fail(m_source, m_name, "TIFF tiles too large to read");
        std::vector<std::uint16_t> band(rowSamples * bandRows);
        for (std::uint32_t y0 = 0; y0 < static_cast<std::uint32_t>(m_height); y0 += tileHeight) {
            const std::uint32_t rows
                = std::min<std::uint32_t>(tileHeight, static_cast<std::uint32_t>(m_height) - y0);
            for (std::uint32_t x0 = 0; x0 < static_cast<std::uint32_t>(m_width); x0 += tileWidth) {
                const tmsize_t wanted = static_cast<tmsize_t>(tile.size() * 2);
                if (TIFFReadTile(m_tiff, tile.data(), x0, y0, 0, static_cast<std::uint16_t>(plane)) < wanted)
                    Fail(m_source, m_name, "damaged or cut short TIFF file");
                const std::size_t columns
                    = std::min<std::size_t>(tileWidth, static_cast<std::size_t>(m_width) - x0) * perPixel;
                for (std::uint32_t r = 0; r < rows; ++r)
                    std::memcpy(band.data() + rowSamples * r + x0 * perPixel,
                        tile.data() + static_cast<std::size_t>(tileWidth) * perPixel * r, columns * 2);
            }
            for (std::uint32_t r = 0; r < rows; ++r)
                takeRow(plane, static_cast<int>(y0 + r), band.data() + rowSamples * r);
        }
    }

    TIFF* m_tiff;
    TiffSource& m_source;
    const std::string& m_name;
    int m_width;
    int m_height;
    int m_samples;
    bool m_planes;
    std::array<std::uint32_t, 3> m_weights;
    int m_colours;
    int m_alphaSample;
    bool m_whiteIsZero;
    std::vector<std::uint32_t> m_sums;
    std::vector<std::uint16_t> m_alpha;
};

/// Refuses, before a picture of the declared size is made, a file whose compression
/// libtiff cannot undo or whose strips or tiles lie outside it or, uncompressed, are
/// too short for the picture: a few hundred bytes may declare hundreds of megapixels.
void CheckPictureData(TIFF* tiff, const TiffSource& source, const std::string& name, std::uint32_t width,
    std::uint32_t height, std::uint16_t samples, bool planes) {
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFIsCODECConfigured(compression))
        throw Error(name + ": TIFF compression " + std::to_string(compression) + " cannot be read");
    const bool tiled = TIFFIsTiled(tiff) != 0;
    const std::uint32_t count = tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0) throw Error(name + ": damaged TIFF file (no picture data)");
    const std::uint64_t fileSize = source.bytes.size();
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(tiff, i);
        const std::uint64_t size = TIFFGetStrileByteCount(tiff, i);
        if (size == 0 || offset >= fileSize || size > fileSize - offset)
            throw Error(name + ": the TIFF file ends before its picture does ("
                + std::string(tiled ? "tile " : "strip ") + std::to_string(i + 1) + " of "
                + std::to_string(count) + " is not in the file)");
        total += size;
    }
    if (compression != COMPRESSION_NONE) return;
    std::uint64_t needed = 0;
    const bool overflow = tiled
        ? __builtin_mul_overflow(TIFFTileSize64(tiff), std::uint64_t { count }, &needed)
        : __builtin_mul_overflow(
            TIFFScanlineSize64(tiff), std::uint64_t { height } * (planes ? samples : 1), &needed);
    if (overflow || total < needed)
        throw Error(name + ": the TIFF file holds " + std::to_string(total)
            + " bytes of pixels, too few for a picture of " + std::to_string(width) + " x "
            + std::to_string(height) + " pixels");
}

/// Anything libtiff can turn into RGBA, at 8 bits, in bands of rows. Its alpha comes
/// premultiplied, which is the picture over black.
GreyPicture ReadRgba(TIFF* tiff, TiffSource& source, const std::string& name, int width, int height) {
    char problem[1024] = {};
    TIFFRGBAImage image {};
    // Stopping at the first strip or tile that fails to decode: going on would fill
    // the rest of the picture with made-up pixels, slowly.
    if (!TIFFRGBAImageOK(tiff, problem) || !TIFFRGBAImageBegin(&image, tiff, 1, problem))
        Fail(source, name, std::string("TIFF file of a kind that cannot be read: ") + problem);
    struct End {
        TIFFRGBAImage* image;
        ~End() { TIFFRGBAImageEnd(image); }
    } end { &image };
    image.req_orientation = ORIENTATION_TOPLEFT;
    GreyPicture picture = AllocateGrey(width, height, name);
    // libtiff decodes a strip or tile from its start for every band that reads from
    // it, so a band holds a whole strip where that is affordable: a file written as one
    // large strip is then not decoded once per band.
    std::uint32_t rowsPerStrip = 0;
    if (TIFFIsTiled(tiff))
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rowsPerStrip);
    else
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    constexpr std::size_t kBandBytes = std::size_t { 64 } << 20;
    const std::size_t affordableRows = std::max<std::size_t>(64, kBandBytes / (std::size_t { 4 } * width));
    const int bandRows = static_cast<int>(std::min<std::size_t>(
        { std::max<std::size_t>(64, rowsPerStrip), affordableRows, static_cast<std::size_t>(height) }));
    std::vector<std::uint32_t> band(static_cast<std::size_t>(width) * static_cast<std::size_t>(bandRows));
    for (int y0 = 0; y0 < height; y0 += bandRows) {
        const int rows = std::min(bandRows, height - y0);
        image.row_offset = y0;
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(
                &image, band.data(), static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(rows)))
            Fail(source, name, "damaged or cut short TIFF file");
        for (int r = 0; r < rows; ++r) {
            const std::uint32_t* in
                = band.data() + static_cast<std::size_t>(width) * static_cast<std::size_t>(r);
            std::uint16_t* out = picture.row(y0 + r);
            for (int x = 0; x < width; ++x)
                out[x] = Widen8(Luminance(TIFFGetR(in[x]), TIFFGetG(in[x]), TIFFGetB(in[x])));
        }
    }
    return picture;
}

} // namespace

GreyPicture DecodeTiff(std::span<const std::uint8_t> bytes, const std::string& name) {
    TiffSource source { bytes, 0, {} };
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, &source);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxGreyPictureBytes));
    const std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt(name.c_str(), "rm", &source, ReadProc,
        WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options));
    TIFFOpenOptionsFree(options);
    if (!tiff) Fail(source, name, "damaged TIFF file");

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width)
        || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height))
        Fail(source, name, "damaged TIFF file (no picture size)");
    CheckGreySize(width, height, name);
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
    std::uint16_t photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (format == SAMPLEFORMAT_IEEEFP)
        Fail(source, name,
            "floating-point TIFF samples are not read as a depth map; save it with 8 or 16-bit integers");

    CheckPictureData(tiff.get(), source, name, width, height, samples, planar == PLANARCONFIG_SEPARATE);

    const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const int colours = grey ? 1 : 3;
    if (bits == 16 && format == SAMPLEFORMAT_UINT && samples >= colours
        && (grey || photometric == PHOTOMETRIC_RGB)) {
        // The first extra sample is the alpha when the file says so; premultiplied
        // colour is already the picture over black.
        int alphaSample = -1;
        std::uint16_t extraCount = 0;
        std::uint16_t* extraKinds = nullptr;
        if (samples > colours && TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds)
            && extraCount > 0 && extraKinds[0] == EXTRASAMPLE_UNASSALPHA)
            alphaSample = colours;
        const std::array<std::uint32_t, 3> weights = grey
            ? std::array<std::uint32_t, 3> { 65536, 0, 0 }
            : std::array<std::uint32_t, 3> { 19595, 38470, 7471 };
        return Sixteen(tiff.get(), source, name, static_cast<int>(width), static_cast<int>(height), samples,
            planar == PLANARCONFIG_SEPARATE, weights, colours, alphaSample,
            photometric == PHOTOMETRIC_MINISWHITE)
            .read();
    }
    return ReadRgba(tiff.get(), source, name, static_cast<int>(width), static_cast<int>(height));
}

} // namespace deptrix::grey
