// Arbitrary bytes into the depth map reader (every format it tells by the first bytes,
// and the layer lookup of PSD files); whatever decodes must have the size it states.

#include "core/Error.h"
#include "import/GreyPictureReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const char* layer : { "", "Depth" }) {
        try {
            const deptrix::GreyPicture picture = deptrix::DecodeGreyPicture({ data, size }, "fuzz", layer);
            if (picture.values.size() != static_cast<std::size_t>(picture.width) * picture.height) std::abort();
        } catch (const deptrix::Error&) { }
    }
    return 0;
}
