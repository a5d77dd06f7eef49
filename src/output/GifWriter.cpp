#include "output/GifWriter.h"

#include "core/Error.h"

#include <algorithm>
#include <gif_lib.h>
#include <new>
#include <string>

namespace deptrix {

namespace {

[[noreturn]] void Fail(const char* step, int code) {
    const char* text = GifErrorString(code);
    throw Error(std::string("GIF encoder: ") + step + " failed (" + (text ? text : "unknown error") + ")");
}

} // namespace

void GifWriter::Closer::operator()(GifFileType* gif) const {
    EGifCloseFile(gif, nullptr);
}

GifWriter::GifWriter(int width, int height)
    : m_width(width)
    , m_height(height) {
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        throw Error("GIF encoder: a frame of " + std::to_string(width) + " x " + std::to_string(height)
            + " pixels does not fit a GIF");
    int code = 0;
    m_gif.reset(EGifOpen(this, &GifWriter::Append, &code));
    if (!m_gif) Fail("opening", code);
    // The extensions come after the header, so giflib cannot work out the version itself.
    EGifSetGifVersion(m_gif.get(), true);
    check(EGifPutScreenDesc(m_gif.get(), width, height, 8, 0, nullptr), "screen descriptor");
}

GifWriter::~GifWriter() = default;

int GifWriter::Append(GifFileType* gif, const std::uint8_t* data, int length) {
    auto* self = static_cast<GifWriter*>(gif->UserData);
    try {
        self->m_bytes.insert(self->m_bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0; // giflib reports a write error
    }
    return length;
}

GifFileType* GifWriter::file(const char* step) {
    if (!m_gif) throw Error(std::string("GIF encoder: ") + step + " after the end of the file");
    return m_gif.get();
}

void GifWriter::check(int result, const char* step) {
    if (result != GIF_OK) Fail(step, m_gif->Error);
}

void GifWriter::addLoopExtension(int loopCount) {
    if (loopCount < 0 || loopCount > 65535) throw Error("GIF encoder: loop count out of range");
    static const std::uint8_t kName[] = { 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0' };
    const std::uint8_t loop[]
        = { 1, static_cast<std::uint8_t>(loopCount & 0xFF), static_cast<std::uint8_t>(loopCount >> 8) };
    GifFileType* gif = file("loop extension");
    check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), "loop extension");
    check(EGifPutExtensionBlock(gif, sizeof kName, kName), "loop extension");
    check(EGifPutExtensionBlock(gif, sizeof loop, loop), "loop extension");
    check(EGifPutExtensionTrailer(gif), "loop extension");
}

void GifWriter::addGraphicControl(int delay) {
    if (delay < 0 || delay > 65535) throw Error("GIF encoder: frame delay out of range");
    const std::uint8_t block[]
        = { 0, static_cast<std::uint8_t>(delay & 0xFF), static_cast<std::uint8_t>(delay >> 8), 0 };
    check(EGifPutExtension(file("graphic control extension"), GRAPHICS_EXT_FUNC_CODE, sizeof block, block),
        "graphic control extension");
}

void GifWriter::describeImage(const IndexedFrame& frame) {
    GifFileType* gif = file("image descriptor");
    if (frame.width != m_width || frame.height != m_height
        || frame.indices.size() != static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height))
        throw Error("GIF encoder: a frame differs in size from the screen");
    GifColorType colours[256];
    for (std::size_t i = 0; i < frame.palette.size(); ++i)
        colours[i] = { frame.palette[i].r, frame.palette[i].g, frame.palette[i].b };
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!map) throw Error("GIF encoder: out of memory for a colour table");
    const int described = EGifPutImageDesc(gif, 0, 0, m_width, m_height, false, map);
    GifFreeMapObject(map); // giflib keeps its own copy
    check(described, "image descriptor");
}

GifWriter::EncodedPixels GifWriter::addImage(const IndexedFrame& frame) {
    describeImage(frame);
    // The descriptor ends with the code size byte; what follows is the compressed data.
    const std::size_t dataStart = m_bytes.size();
    GifFileType* gif = m_gif.get();
    // giflib masks the pixels of the line it is given in place, so it gets a copy.
    std::vector<GifPixelType> line(static_cast<std::size_t>(m_width));
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* row = frame.indices.data() + static_cast<std::size_t>(y) * m_width;
        std::copy(row, row + m_width, line.begin());
        check(EGifPutLine(gif, line.data(), m_width), "image data");
    }
    return { std::vector<std::uint8_t>(
        m_bytes.begin() + static_cast<std::ptrdiff_t>(dataStart), m_bytes.end()) };
}

void GifWriter::repeatImage(const IndexedFrame& frame, const EncodedPixels& pixels) {
    // Sub-blocks of up to 255 bytes, each after its length, then an empty one. Checked
    // before the descriptor: giflib cannot abandon an image once it has begun.
    const std::vector<std::uint8_t>& blocks = pixels.blocks;
    std::size_t end = 0;
    while (end < blocks.size() && blocks[end] != 0) end += 1u + blocks[end];
    if (end >= blocks.size()) throw Error("GIF encoder: damaged image data to repeat");
    describeImage(frame);
    GifFileType* gif = m_gif.get();
    for (std::size_t at = 0; at < end; at += 1u + blocks[at])
        check(EGifPutCodeNext(gif, blocks.data() + at), "image data");
    check(EGifPutCodeNext(gif, nullptr), "image data");
}

std::vector<std::uint8_t> GifWriter::finish() {
    int code = 0;
    // EGifCloseFile releases the file whatever it returns.
    const int result = EGifCloseFile(file("closing"), &code);
    m_gif.release();
    if (result != GIF_OK) Fail("closing", code);
    return std::move(m_bytes);
}

} // namespace deptrix
