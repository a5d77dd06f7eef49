#include "output/StereoPair.h"

#include "core/Error.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

// jpeglib.h relies on FILE and size_t being declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace deptrix {

namespace {

/// libjpeg's error manager extended with the jump back into Compress.
struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void LeaveOnError(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

// Warnings would go to stderr; none of them matters for the output.
void IgnoreMessage(j_common_ptr) { }

/// A destination that grows a byte vector owned by the caller. The library's own
/// memory destination is not used: after it has grown its buffer, an abandoned
/// compression leaves the caller holding a freed pointer and leaks the live one.
struct VectorDestination {
    jpeg_destination_mgr manager;
    std::vector<std::uint8_t>* bytes;
};

constexpr std::size_t kJpegChunk = 64 * 1024;

/// No exception may cross libjpeg's C frames, and the error exit must not leave
/// from inside a handler, so allocation failure comes back as false.
bool Resize(std::vector<std::uint8_t>& bytes, std::size_t size) {
    try {
        bytes.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void StartDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    if (!Resize(*dest->bytes, kJpegChunk)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->manager.next_output_byte = dest->bytes->data();
    dest->manager.free_in_buffer = dest->bytes->size();
}

boolean GrowDestination(j_compress_ptr cinfo) {
    // Called only when the whole buffer is full.
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const std::size_t used = dest->bytes->size();
    if (!Resize(*dest->bytes, used * 2)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    dest->manager.next_output_byte = dest->bytes->data() + used;
    dest->manager.free_in_buffer = dest->bytes->size() - used;
    return TRUE;
}

void FinishDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->bytes->resize(dest->bytes->size() - dest->manager.free_in_buffer);
}

/// Runs the whole compression between setjmp and the end of this function, which
/// holds nothing with a destructor, so the long jump skips no C++ clean-up. Returns
/// false with trap.message filled when libjpeg gave up.
bool Compress(const Bitmap& picture, int quality, JpegErrorTrap& trap, VectorDestination& destination) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = LeaveOnError;
    trap.manager.output_message = IgnoreMessage;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    destination.manager.init_destination = StartDestination;
    destination.manager.empty_output_buffer = GrowDestination;
    destination.manager.term_destination = FinishDestination;
    cinfo.dest = &destination.manager;
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg only reads the row; its prototype just lacks the const.
        JSAMPROW row = const_cast<JSAMPLE*>(picture.row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

Bitmap SideBySide(const Bitmap& left, const Bitmap& right) {
    if (left.format() != PixelFormat::Bgr24 || right.format() != PixelFormat::Bgr24)
        throw Error("stereo pair: the views must be 24-bit pictures");
    const int width = left.width();
    const int height = left.height();
    if (width > kMaxBitmapSide / 2)
        throw Error(
            "stereo pair: views of " + std::to_string(width) + " pixels are too wide to sit side by side");
    Bitmap pair(2 * width, height, PixelFormat::Bgr24);
    const auto half = static_cast<std::size_t>(width) * 3;
    const auto rightBytes = static_cast<std::size_t>(std::min(width, right.width())) * 3;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = pair.row(y);
        std::memcpy(out, left.row(y), half);
        if (y < right.height()) std::memcpy(out + half, right.row(y), rightBytes);
    }
    return pair;
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bgr24, int quality) {
    if (bgr24.format() != PixelFormat::Bgr24)
        throw Error("JPEG encoder: the picture must be a 24-bit picture");
    if (bgr24.empty()) throw Error("JPEG encoder: the picture is empty");
    if (quality < 1 || quality > 100)
        throw Error("JPEG encoder: quality " + std::to_string(quality) + " is outside 1..100");
    JpegErrorTrap trap {};
    std::vector<std::uint8_t> bytes;
    VectorDestination destination {};
    destination.bytes = &bytes;
    if (!Compress(bgr24, quality, trap, destination))
        throw Error(std::string("JPEG encoder: ") + trap.message);
    return bytes;
}

} // namespace deptrix
