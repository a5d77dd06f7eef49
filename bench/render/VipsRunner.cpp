#include "VipsRunner.h"

#include "core/Error.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace deptrix::bench {

namespace {

void WriteRaw(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw Error(path.string() + ": cannot write");
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw Error("failed: " + command);
}

/// Raw interleaved bytes loaded as a native sRGB .v file.
std::string ToVips(const std::filesystem::path& folder, const std::string& name,
    const std::vector<std::uint8_t>& bytes, int width, int height, int bands) {
    const auto raw = folder / (name + ".raw");
    const auto native = folder / (name + ".v");
    WriteRaw(raw, bytes);
    Shell("vips rawload '" + raw.string() + "' '" + native.string() + "' " + std::to_string(width) + " "
        + std::to_string(height) + " " + std::to_string(bands) + " --interpretation srgb");
    std::filesystem::remove(raw);
    return native.string();
}

/// RGBA from a Bgr24 picture and its mask.
std::vector<std::uint8_t> Rgba(const Bitmap& picture, const Bitmap& mask) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(picture.width()) * picture.height() * 4);
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* p = picture.row(y);
        const std::uint8_t* m = mask.row(y);
        for (int x = 0; x < picture.width(); ++x)
            bytes.insert(bytes.end(), { p[3 * x + 2], p[3 * x + 1], p[3 * x], m[x] });
    }
    return bytes;
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : " ") + item;
    return text;
}

std::string CompositeCommand(const std::vector<std::string>& files, const std::vector<std::string>& xs,
    const std::vector<std::string>& ys, const std::filesystem::path& output) {
    const std::vector<std::string> modes(files.size() - 1, "2"); // 2 = over
    return "VIPS_CONCURRENCY=1 vips composite '" + Join(files) + "' '" + output.string() + "' '" + Join(modes)
        + "' --x '" + Join(xs) + "' --y '" + Join(ys) + "'";
}

} // namespace

bool VipsRunner::available() {
    return std::system("vips --version > /dev/null 2>&1") == 0;
}

VipsRunner::VipsRunner(const Document& doc, const std::filesystem::path& folder)
    : m_folder(folder) {
    std::filesystem::create_directories(folder);
    const int width = doc.ImageWidth;
    const int height = doc.ImageHeight;
    std::vector<std::string> full { ToVips(
        folder, "base", std::vector<std::uint8_t>(std::size_t(width) * height * 3, 255), width, height, 3) };
    std::vector<std::string> tiny { ToVips(
        folder, "tinybase", std::vector<std::uint8_t>(2 * 2 * 3, 255), 2, 2, 3) };
    std::vector<std::string> xs, ys, tinyXY;
    for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
        const std::string name = "layer" + std::to_string(i);
        const Bitmap& picture = doc.LayerBitmaps[i];
        full.push_back(
            ToVips(folder, name, Rgba(picture, doc.LayerMasks[i]), picture.width(), picture.height(), 4));
        tiny.push_back(ToVips(folder, "tiny" + name, std::vector<std::uint8_t>(2 * 2 * 4, 128), 2, 2, 4));
        xs.push_back(std::to_string(doc.ViewLeft[i]));
        ys.push_back(std::to_string(doc.Layers[i].Top));
        tinyXY.push_back("0");
    }
    m_fullCommand = CompositeCommand(full, xs, ys, folder / "out.v");
    m_tinyCommand = CompositeCommand(tiny, tinyXY, tinyXY, folder / "tinyout.v");
}

VipsRunner::~VipsRunner() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

double VipsRunner::run(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return status == 0 ? elapsed.count() : -1.0;
}

} // namespace deptrix::bench
