// Writes small, valid seed files for the fuzzers: PSD and PSB files in every colour
// mode, depth and compression the reader takes, with folders, masks, hidden and
// off-canvas layers, and BMP files in the three pixel formats.
//
//   make_fuzz_seeds <psd seed folder> <bmp seed folder>

#include "core/BmpCodec.h"
#include "core/FileIo.h"
#include "import/PsdWriter.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace {

using namespace deptrix;

PsdPlane Ramp(std::int64_t count, int seed, int depth) {
    PsdPlane plane(static_cast<std::size_t>(count));
    const unsigned top = depth == 16 ? 65535u : 255u;
    for (std::size_t i = 0; i < plane.size(); ++i)
        plane[i] = static_cast<std::uint16_t>((i * 37u + seed * 91u) % (top + 1));
    return plane;
}

PsdLayerSpec Layer(
    const std::string& name, PsdRect box, int channels, int depth, int seed, bool transparent) {
    PsdLayerSpec layer;
    layer.name = name;
    layer.box = box;
    const std::int64_t count = box.width() * box.height();
    for (int c = 0; c < channels; ++c) layer.colour.push_back(Ramp(count, seed + c, depth));
    if (transparent) layer.transparency = Ramp(count, seed + 7, depth);
    return layer;
}

std::vector<std::uint8_t> Scene(ColourMode mode, int depth, Compression compression, bool psb) {
    PsdWriterOptions options;
    options.width = 6;
    options.height = 5;
    options.mode = mode;
    options.depth = depth;
    options.compression = compression;
    options.psb = psb;
    const int channels = mode == ColourMode::Cmyk ? 4 : mode == ColourMode::Grayscale ? 1 : 3;
    PsdWriter writer(options);
    writer.addLayer(Layer("Background", { 0, 0, 5, 6 }, channels, depth, 1, false));
    PsdLayerSpec masked = Layer("Masked", { -1, 2, 4, 8 }, channels, depth, 2, true);
    masked.opacity = 200;
    masked.userMask = PsdMaskSpec { { 1, 1, 4, 5 }, 255, false, Ramp(12, 3, depth) };
    writer.addLayer(masked);
    writer.beginFolder();
    writer.addLayer(Layer("Frame 1", { 1, 1, 3, 3 }, channels, depth, 4, true));
    writer.addLayer(Layer("Frame 2", { 2, 2, 4, 4 }, channels, depth, 5, true));
    writer.endFolder("flip");
    PsdLayerSpec hidden = Layer("Hidden", { 0, 0, 2, 2 }, channels, depth, 6, false);
    hidden.hidden = true;
    writer.addLayer(hidden);
    return writer.finish();
}

std::vector<std::uint8_t> MergedOnly() {
    PsdWriterOptions options;
    options.width = 3;
    options.height = 2;
    PsdWriter writer(options);
    writer.setMergedImage({ Ramp(6, 1, 8), Ramp(6, 2, 8), Ramp(6, 3, 8), Ramp(6, 4, 8) }, true);
    return writer.finish();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <psd seed folder> <bmp seed folder>\n");
        return 2;
    }
    try {
        const std::filesystem::path psdFolder = argv[1];
        const std::filesystem::path bmpFolder = argv[2];
        std::filesystem::create_directories(psdFolder);
        std::filesystem::create_directories(bmpFolder);
        int count = 0;
        const ColourMode modes[] = { ColourMode::Rgb, ColourMode::Cmyk, ColourMode::Grayscale };
        const Compression compressions[]
            = { Compression::Raw, Compression::Rle, Compression::Zip, Compression::ZipPredicted };
        for (ColourMode mode : modes)
            for (int depth : { 8, 16 })
                for (Compression compression : compressions)
                    for (bool psb : { false, true }) {
                        const auto bytes = Scene(mode, depth, compression, psb);
                        WriteFileAtomically(
                            psdFolder / ("seed" + std::to_string(count++) + (psb ? ".psb" : ".psd")), bytes);
                    }
        WriteFileAtomically(psdFolder / "merged-only.psd", MergedOnly());

        const PixelFormat formats[] = { PixelFormat::Gray8, PixelFormat::Bgr24, PixelFormat::Cmyk32 };
        int bmpCount = 0;
        for (PixelFormat format : formats) {
            for (auto [w, h] : { std::pair { 1, 1 }, std::pair { 3, 2 }, std::pair { 5, 7 } }) {
                Bitmap bitmap(w, h, format);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w * bitmap.bytesPerPixel(); ++x)
                        bitmap.row(y)[x] = static_cast<std::uint8_t>(x * 29 + y * 53);
                SaveBmp(bitmap, bmpFolder / ("seed" + std::to_string(bmpCount++) + ".bmp"));
            }
        }
        std::printf("%d PSD and %d BMP seeds\n", count + 1, bmpCount);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
