#include "print/TiffWriter.h"

#include "core/Error.h"
#include "core/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <sys/uio.h>
#include <tiffio.h>
#include <unistd.h>

namespace deptrix {

namespace {

/// Bytes of a strip that keep a wide row's strip small.
constexpr std::size_t kStripBytes = std::size_t { 32 } << 20;

/// Room for the header, the tags and their values besides the strip tables.
constexpr std::uint64_t kTagBytes = 4096;

} // namespace

struct TiffStripWriter::State {
    int descriptor = -1;
    std::filesystem::path target; ///< for the test hooks of the writes
    int writeError = 0; ///< errno of the first failed write
    std::string message; ///< libtiff's first error message
    TIFF* tiff = nullptr;
    // libtiff's own place in the file and the end of what it wrote. The descriptor's
    // position is not used: strips placed by other threads lie beyond that end.
    std::uint64_t position = 0;
    std::uint64_t end = 0;
    // A strip already in the file: libtiff's write of these bytes only moves on.
    const void* placed = nullptr;
    std::uint64_t placedBytes = 0;
    std::uint64_t placedAt = 0;
    bool misplaced = false; ///< libtiff put a placed strip elsewhere
};

namespace {

using State = TiffStripWriter::State;

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    auto* state = static_cast<State*>(handle);
    const ssize_t got
        = ::pread(state->descriptor, data, static_cast<size_t>(size), static_cast<off_t>(state->position));
    if (got < 0) return static_cast<tmsize_t>(-1);
    state->position += static_cast<std::uint64_t>(got);
    return static_cast<tmsize_t>(got);
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
    auto* state = static_cast<State*>(handle);
    if (state->placed) {
        // The strip's bytes are in the file already; any other write than theirs in
        // one piece at their place would be libtiff's writing elsewhere.
        const bool same = data == state->placed && static_cast<std::uint64_t>(size) == state->placedBytes
            && state->position == state->placedAt;
        state->placed = nullptr;
        if (!same) {
            state->misplaced = true;
            return static_cast<tmsize_t>(-1);
        }
    } else {
        const auto* bytes = static_cast<char*>(data);
        tmsize_t done = 0;
        while (done < size) {
            const iovec piece { const_cast<char*>(bytes + done), static_cast<size_t>(size - done) };
            const long put = detail::WritePiecesAt(state->target, state->descriptor, &piece, 1,
                state->position + static_cast<std::uint64_t>(done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                if (state->writeError == 0) state->writeError = put < 0 ? errno : ENOSPC;
                return static_cast<tmsize_t>(-1);
            }
            done += put;
        }
    }
    state->position += static_cast<std::uint64_t>(size);
    state->end = std::max(state->end, state->position);
    return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* state = static_cast<State*>(handle);
    const std::uint64_t base = whence == SEEK_CUR ? state->position : whence == SEEK_END ? state->end : 0;
    state->position = base + offset;
    return static_cast<toff_t>(state->position);
}

int CloseProc(thandle_t) {
    return 0; // the descriptor belongs to the caller
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<toff_t>(static_cast<State*>(handle)->end);
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) { }

int KeepError(TIFF*, void* userData, const char*, const char* format, va_list args) {
    auto* state = static_cast<State*>(userData);
    if (state->message.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        state->message = text;
    }
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

std::uint64_t RawBytes(const TiffLayout& layout) {
    return static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(layout.height)
        * static_cast<std::uint64_t>(layout.channels);
}

} // namespace

int RowsPerStrip(std::size_t rowBytes) {
    return static_cast<int>(std::clamp<std::size_t>(
        kStripBytes / std::max<std::size_t>(rowBytes, 1), 1, static_cast<std::size_t>(kMaxRowsPerStrip)));
}

namespace {

std::uint64_t StripCount(const TiffLayout& layout) {
    return (static_cast<std::uint64_t>(layout.height) + layout.rowsPerStrip - 1)
        / static_cast<std::uint64_t>(std::max(layout.rowsPerStrip, 1));
}

/// Compressed bytes of `raw` bytes in `strips` strips at worst.
std::uint64_t CompressedBound(TiffCompression compression, std::uint64_t raw, std::uint64_t strips) {
    switch (compression) {
    case TiffCompression::None:
        break;
    case TiffCompression::Deflate:
        // Stored blocks at worst: 5 bytes per 16 KiB block and the stream's frame.
        return raw + raw / 1000 + strips * 64;
    case TiffCompression::Lzw:
        // Codes grow to 12 bits for 8-bit samples.
        return raw + raw / 2 + strips * 64;
    }
    return raw;
}

} // namespace

std::uint64_t TiffDirectoryBytes(const TiffLayout& layout) {
    // Offsets and byte counts of every strip, 8 bytes each in BigTIFF.
    return StripCount(layout) * 16 + layout.iccProfile.size() + kTagBytes;
}

std::uint64_t TiffSizeBound(const TiffLayout& layout) {
    return CompressedBound(layout.compression, RawBytes(layout), StripCount(layout))
        + TiffDirectoryBytes(layout);
}

std::uint64_t TiffStripBound(const TiffLayout& layout) {
    const std::uint64_t raw = static_cast<std::uint64_t>(layout.width)
        * static_cast<std::uint64_t>(layout.channels)
        * static_cast<std::uint64_t>(std::max(layout.rowsPerStrip, 1));
    return CompressedBound(layout.compression, raw, 1);
}

bool NeedsBigTiff(const TiffLayout& layout) {
    return TiffSizeBound(layout) > layout.classicLimit;
}

TiffStripWriter::TiffStripWriter(
    int descriptor, const std::filesystem::path& target, const TiffLayout& layout)
    : m_state(std::make_unique<State>())
    , m_layout(layout)
    , m_target(target) {
    m_state->descriptor = descriptor;
    m_state->target = target;
    constexpr auto kSideLimit = static_cast<std::int64_t>(kClassicTiffLimit);
    if (layout.width < 1 || layout.height < 1 || layout.width > kSideLimit || layout.height > kSideLimit)
        throw Error(DisplayName(target) + ": a TIFF cannot hold " + std::to_string(layout.width) + " x "
            + std::to_string(layout.height) + " pixels");
    if (!layout.bigTiff && layout.compression == TiffCompression::None && NeedsBigTiff(layout))
        throw Error(DisplayName(target) + ": the file may pass 4 GiB and must be a BigTIFF");

    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, m_state.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, m_state.get());
    const std::string name = DisplayName(target);
    m_state->tiff = TIFFClientOpenExt(name.c_str(), layout.bigTiff ? "w8" : "w", m_state.get(), ReadProc,
        WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!m_state->tiff) fail("cannot start the TIFF");

    TIFF* tiff = m_state->tiff;
    const bool cmyk = layout.channels == 4;
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(layout.width))
        && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(layout.height))
        && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8)
        && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.channels)
        && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
        && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, cmyk ? PHOTOMETRIC_SEPARATED : PHOTOMETRIC_RGB)
        && TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)
        && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(layout.rowsPerStrip))
        && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH)
        && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<double>(layout.xResolution))
        && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<double>(layout.yResolution))
        && TIFFSetField(tiff, TIFFTAG_SOFTWARE, "Deptrix 10.0");
    if (ok && cmyk) ok = TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    switch (layout.compression) {
    case TiffCompression::None:
        ok = ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        break;
    case TiffCompression::Lzw:
        ok = ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW)
            && TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        break;
    case TiffCompression::Deflate:
        ok = ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE)
            && TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        break;
    }
    if (ok && !layout.iccProfile.empty())
        ok = TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(layout.iccProfile.size()),
            layout.iccProfile.data());
    if (!ok) fail("cannot set the TIFF tags");
}

TiffStripWriter::~TiffStripWriter() {
    if (m_state->tiff) TIFFCleanup(m_state->tiff);
}

void TiffStripWriter::fail(const char* what) {
    if (m_state->writeError != 0) ThrowWriteError(m_target, m_state->writeError);
    throw Error(DisplayName(m_target) + ": " + what
        + (m_state->message.empty() ? "" : " (" + m_state->message + ")"));
}

void TiffStripWriter::writeStrip(const std::uint8_t* pixels, int rows) {
    const auto bytes = static_cast<tmsize_t>(bytesOf(rows));
    // libtiff's interface takes the pixels as non-const.
    if (TIFFWriteEncodedStrip(m_state->tiff, m_nextStrip, const_cast<std::uint8_t*>(pixels), bytes) < 0)
        fail("cannot write the picture");
    ++m_nextStrip;
}

std::uint64_t TiffStripWriter::bytesOf(int rows) const {
    return static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(m_layout.width)
        * static_cast<std::uint64_t>(m_layout.channels);
}

bool TiffStripWriter::placesStrips() const {
    return m_layout.compression == TiffCompression::None;
}

std::uint64_t TiffStripWriter::placeOf(std::uint32_t strip) const {
    // libtiff writes the header when it opens the file and appends the strips after
    // it, each where the one before ended; the directory comes last.
    const std::uint64_t header = m_layout.bigTiff ? 16 : 8;
    return header + std::uint64_t { strip } * bytesOf(m_layout.rowsPerStrip);
}

void TiffStripWriter::placeStrip(std::uint32_t strip, const std::uint8_t* pixels, int rows) const {
    WriteAllBytesAt(
        m_state->descriptor, { pixels, static_cast<std::size_t>(bytesOf(rows)) }, placeOf(strip), m_target);
}

void TiffStripWriter::enterPlacedStrip(int rows) {
    const auto bytes = static_cast<tmsize_t>(bytesOf(rows));
    // Raw, as no compression leaves the bytes as they are: libtiff hands them to the
    // write callback in one piece, which only moves past them. What it is given stands
    // for them: zeros from the system's zero pages, which nothing touches.
    if (!m_standIn) {
        m_standIn.reset(static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1)));
        if (!m_standIn) throw std::bad_alloc();
    }
    m_state->placed = m_standIn.get();
    m_state->placedBytes = static_cast<std::uint64_t>(bytes);
    m_state->placedAt = placeOf(m_nextStrip);
    const tmsize_t entered = TIFFWriteRawStrip(m_state->tiff, m_nextStrip, m_standIn.get(), bytes);
    m_state->placed = nullptr;
    if (m_state->misplaced) fail("cannot write the picture (a strip would not lie where it was placed)");
    if (entered < 0) fail("cannot write the picture");
    ++m_nextStrip;
}

std::uint64_t TiffStripWriter::fileBytes() const {
    return m_state->end;
}

void TiffStripWriter::finish() {
    if (!TIFFFlush(m_state->tiff)) fail("cannot finish the file");
    TIFFClose(m_state->tiff);
    m_state->tiff = nullptr;
    if (m_state->writeError != 0) ThrowWriteError(m_target, m_state->writeError);
}

} // namespace deptrix
