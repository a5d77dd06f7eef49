// JPEG depth maps through libjpeg, which decodes straight to grey (the luma of colour
// files). Its errors leave by a long jump, so the function holding the setjmp keeps
// no object with a destructor.

#include "core/Error.h"
#include "import/GreyDecoders.h"

#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <vector>

namespace deptrix::grey {

namespace {

struct JpegTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Leave(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<JpegTrap*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

void IgnoreMessage(j_common_ptr) { }

/// libjpeg decodes past damaged data with a warning and fills in grey; for a depth
/// map that would be made-up depth, so those warnings end the decoding.
void WarnOrLeave(j_common_ptr cinfo, int level) {
    if (level != -1) return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        Leave(cinfo);
    default:
        break;
    }
}

/// Owns the decompressor once it is created.
struct JpegReader {
    jpeg_decompress_struct cinfo;
    JpegTrap trap;
    bool created = false;
    ~JpegReader() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

bool ReadHeader(JpegReader& reader, std::span<const std::uint8_t> bytes) {
    jpeg_decompress_struct& cinfo = reader.cinfo;
    cinfo.err = jpeg_std_error(&reader.trap.manager);
    reader.trap.manager.error_exit = Leave;
    reader.trap.manager.output_message = IgnoreMessage;
    reader.trap.manager.emit_message = WarnOrLeave;
    if (setjmp(reader.trap.jump)) return false;
    jpeg_create_decompress(&cinfo);
    reader.created = true;
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    return true;
}

/// Decodes every row into `out` (width bytes per row) once the size is known good.
bool ReadRows(JpegReader& reader, std::uint8_t* out, std::size_t width) {
    jpeg_decompress_struct& cinfo = reader.cinfo;
    if (setjmp(reader.trap.jump)) return false;
    cinfo.out_color_space = JCS_GRAYSCALE;
    // Progressive files keep every coefficient: bound what the library may take.
    cinfo.mem->max_memory_to_use = static_cast<long>(kMaxGreyPictureBytes);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out + width * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

GreyPicture DecodeJpeg(std::span<const std::uint8_t> bytes, const std::string& name) {
    JpegReader reader {};
    if (!ReadHeader(reader, bytes)) throw Error(name + ": damaged JPEG file (" + reader.trap.message + ")");
    const jpeg_decompress_struct& cinfo = reader.cinfo;
    CheckGreySize(cinfo.image_width, cinfo.image_height, name);
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
        throw Error(name + ": CMYK JPEG files are not read as depth maps; save it as greyscale or RGB");
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(cinfo.image_width) * cinfo.image_height);
    if (!ReadRows(reader, samples.data(), cinfo.image_width))
        throw Error(name + ": damaged JPEG file (" + reader.trap.message + ")");
    GreyPicture picture = AllocateGrey(cinfo.image_width, cinfo.image_height, name);
    for (std::size_t i = 0; i < samples.size(); ++i) picture.values[i] = Widen8(samples[i]);
    return picture;
}

} // namespace deptrix::grey
