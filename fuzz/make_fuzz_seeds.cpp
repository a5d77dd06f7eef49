// Writes small, valid seed files for the fuzzers: PSD and PSB files in every colour
// mode, depth and compression the reader takes, with folders, masks, hidden and
// off-canvas layers and an artboard, BMP files in the three pixel formats, and settings and project
// files of every variant (behind the setup fuzzer's leading byte).
//
//   make_fuzz_seeds <psd seed folder> <bmp seed folder> [<setup seed folder>]

#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/FileIo.h"
#include "files/SetupFields.h"
#include "files/SetupFileWriter.h"
#include "import/PsdWriter.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace deptrix;

PsdPlane Ramp(std::int64_t count, int seed, int depth) {
    PsdPlane plane(static_cast<std::size_t>(count));
    const unsigned top = depth == 1 ? 1u : depth == 16 ? 65535u : 255u;
    for (std::size_t i = 0; i < plane.size(); ++i) {
        const unsigned v = static_cast<unsigned>((i * 37u + seed * 91u) % (top + 1));
        // Floats a little beyond 0..1 on both sides.
        plane[i] = depth == 32 ? FloatSample(static_cast<float>(v) / 230.0f - 0.05f) : v;
    }
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
    if (mode == ColourMode::Indexed) {
        for (int i = 0; i < 768; ++i) options.colourModeData.push_back(static_cast<std::uint8_t>(i * 7));
        options.transparentIndex = 5;
    }
    const int channels = mode == ColourMode::Cmyk ? 4 : mode == ColourMode::Rgb ? 3 : 1;
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
    // An artboard with a background of its own around a layer that reaches past it.
    writer.beginFolder();
    writer.addLayer(Layer("Board", { 0, 1, 4, 7 }, channels, depth, 8, true));
    PsdFolderSpec board;
    board.name = "Artboard";
    board.artboard = PsdArtboardSpec { { 1, 0, 5, 4 }, 4, { 200, 90, 30 } };
    writer.endFolder(board);
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

// The setup fuzzer's first byte: bit 0 project, bits 1-3 layers - 1, bits 4-7 the
// selected layer.
std::string SetupSeed(bool project, int layers, int selected, const std::string& text) {
    const int lead = (project ? 1 : 0) | ((layers - 1) << 1) | (selected << 4);
    return std::string(1, static_cast<char>(lead)) + text;
}

std::string WrittenSetup() {
    Document doc;
    doc.beginImport("C:\\pictures\\shop.psd");
    doc.Layers.assign(4, LayerRecord {});
    doc.LayerCount = 4;
    doc.applyLayerDefaults();
    SetupFields fields(doc);
    fields.showImport({ "-8", "0", "4", "12" }, { "", "", "", "" });
    doc.LayerLines.assign(4, LineSet(kOrderCount));
    doc.LayerLines[1][0] = { { { 10, 10 }, { 50, 10 }, { 30, 40 } }, { { 1, 2 }, { 3, 4 } } };
    doc.LayerLines[3][14] = { { { -100, 7 }, { 2000, 9 }, { 3, 3 }, { 4, 4 } } };
    return FormatSetupFile(doc, fields, nullptr);
}

void WriteSetupSeeds(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::string seeds[] = {
        SetupSeed(false, 3, 1,
            "D:\\work\\shop.psd\r\n42.4775 7 2 1.5\r\n3099 12 0 -8\r\n7 5 1.0\r\n7 5 2.0\r\n7 5 1.0\r\n"
            "1 0 0 2\r\n10 10 50 10 30 40\r\n"),
        SetupSeed(true, 5, 2,
            "five.psd\r\n42.4775 7 3 1\r\n39300 12 8 4\r\n0\r\n-6\r\n2 4 1 2\r\n7 14 1 1 0 0\r\n"),
        SetupSeed(true, 3, 0,
            "shop.psd\n60 9 3 1\n99100 0 0 0\na\nb\nc\nd\n720 4 2 0 8\n1\n2\n3\n7 5 1\n7 5 1\n7 5 1\n"
            "1 0 0 1\n2 3 4 5\n"),
        SetupSeed(false, 3, 2, "shop.psd\n60 7 1 1\n2 3 1 -1\n2 0 0 1\n1 1 2 2\n2 0 2 0\n0 1 1 1 5 5 6 6\n"),
        SetupSeed(false, 4, 1, WrittenSetup()),
        SetupSeed(true, 4, 3, WrittenSetup()),
    };
    int count = 0;
    for (const std::string& seed : seeds)
        WriteFileAtomically(folder / ("seed" + std::to_string(count++) + ".tw3d2"),
            { reinterpret_cast<const std::uint8_t*>(seed.data()), seed.size() });
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(
            stderr, "usage: make_fuzz_seeds <psd seed folder> <bmp seed folder> [<setup seed folder>]\n");
        return 2;
    }
    try {
        const std::filesystem::path psdFolder = argv[1];
        const std::filesystem::path bmpFolder = argv[2];
        std::filesystem::create_directories(psdFolder);
        std::filesystem::create_directories(bmpFolder);
        int count = 0;
        const std::pair<ColourMode, std::vector<int>> modes[] = { { ColourMode::Rgb, { 8, 16, 32 } },
            { ColourMode::Cmyk, { 8, 16 } }, { ColourMode::Grayscale, { 8, 16, 32 } },
            { ColourMode::Indexed, { 8 } }, { ColourMode::Bitmap, { 1 } }, { ColourMode::Duotone, { 8 } } };
        const Compression compressions[]
            = { Compression::Raw, Compression::Rle, Compression::Zip, Compression::ZipPredicted };
        for (const auto& [mode, depths] : modes)
            for (int depth : depths)
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
        if (argc == 4) WriteSetupSeeds(argv[3]);
        std::printf("%d PSD and %d BMP seeds\n", count + 1, bmpCount);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
