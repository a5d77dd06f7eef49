// Writes a benchmark document for timed command-line runs:
//
//   make_bench_psd OUT.psd WIDTH HEIGHT LAYERS rle|zip|zip-predicted [flat]
//
// e.g. 2048 1536 12 rle, 4096 3072 12 rle, 8000 6000 48 rle, 16000 16000 2 zip flat.

#include "BenchPsd.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <string_view>

namespace {

bool ReadInt(const char* text, int& value) {
    const std::string_view s(text);
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size() && value > 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace deptrix;
    BenchPsdShape shape;
    if (argc < 6 || !ReadInt(argv[2], shape.width) || !ReadInt(argv[3], shape.height)
        || !ReadInt(argv[4], shape.layers)) {
        std::fprintf(
            stderr, "usage: make_bench_psd OUT.psd WIDTH HEIGHT LAYERS rle|zip|zip-predicted [flat]\n");
        return 2;
    }
    const std::string_view kind(argv[5]);
    if (kind == "rle")
        shape.compression = Compression::Rle;
    else if (kind == "zip")
        shape.compression = Compression::Zip;
    else if (kind == "zip-predicted")
        shape.compression = Compression::ZipPredicted;
    else {
        std::fprintf(stderr, "make_bench_psd: unknown compression %s\n", argv[5]);
        return 2;
    }
    shape.flat = argc > 6 && std::string_view(argv[6]) == "flat";
    try {
        WriteBenchPsd(argv[1], shape);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_bench_psd: %s\n", e.what());
        return 1;
    }
    return 0;
}
