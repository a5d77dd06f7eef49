// Arbitrary bytes into the BMP decoder; whatever decodes must survive a round trip
// through the encoder unchanged.

#include "core/BmpCodec.h"
#include "core/Error.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const deptrix::Bitmap bitmap = deptrix::DecodeBmp({ data, size }, "fuzz.bmp");
        const deptrix::Bitmap again = deptrix::DecodeBmp(deptrix::EncodeBmp(bitmap), "again.bmp");
        if (!again.samePixels(bitmap)) std::abort();
    } catch (const deptrix::Error&) { }
    return 0;
}
