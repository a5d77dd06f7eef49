#include "MagickGif.h"

#include "core/Error.h"
#include "core/FileIo.h"

#include <QImage>
#include <chrono>
#include <cstdlib>
#include <string>

namespace deptrix::bench {

void WriteFramePngs(std::span<const Bitmap> frames, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bitmap& frame = frames[i];
        QImage image(frame.width(), frame.height(), QImage::Format_RGB888);
        for (int y = 0; y < frame.height(); ++y) {
            const std::uint8_t* from = frame.row(y);
            std::uint8_t* to = image.scanLine(y);
            for (int x = 0; x < frame.width(); ++x) {
                to[3 * x] = from[3 * x + 2];
                to[3 * x + 1] = from[3 * x + 1];
                to[3 * x + 2] = from[3 * x];
            }
        }
        std::string name = std::to_string(i + 1);
        const auto path = folder / name.insert(0, 1, 'f').append(".png");
        if (!image.save(QString::fromStdString(path.string()), "PNG"))
            throw Error("cannot write " + path.string());
    }
}

bool MagickAvailable() {
    return std::system("convert -version > /dev/null 2>&1") == 0;
}

namespace {

double RunMagick(const std::filesystem::path& folder, const char* output) {
    std::string command
        = "cd '" + folder.string() + "' && MAGICK_THREAD_LIMIT=1 convert -delay 10 -loop 0 +dither";
    for (int i = 1; i <= 14; ++i) command += " f" + std::to_string(i) + ".png";
    command += " ";
    command += output;
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) throw Error("convert failed");
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

} // namespace

double RunMagickGif(const std::filesystem::path& folder, std::vector<std::uint8_t>& gif) {
    const double seconds = RunMagick(folder, "out.gif");
    gif = ReadFileBytes(folder / "out.gif");
    return seconds;
}

double RunMagickWithoutOutput(const std::filesystem::path& folder) {
    return RunMagick(folder, "null:");
}

} // namespace deptrix::bench
