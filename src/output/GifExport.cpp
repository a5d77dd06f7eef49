#include "output/GifExport.h"

#include "core/BmpCodec.h"
#include "core/Canvas.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/Fixed.h"
#include "core/TaskPool.h"
#include "core/WorkFiles.h"
#include "output/GifWriter.h"
#include "output/IndexedFrame.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>

namespace deptrix {

namespace {

constexpr int kViewCount = 7;
constexpr int kExportMaxWidth = 800;
constexpr int kExportDelay = 10;

/// View n = 1..7, loaded into `loaded` when it has to be read; the reference stays
/// valid while `loaded` lives.
using ViewSource = std::function<const Bitmap&(int viewNumber, Bitmap& loaded)>;

void RequireView(const Bitmap& view, const std::string& name) {
    if (view.format() != PixelFormat::Bgr24) throw Error(name + ": not a 24-bit picture");
    if (view.empty()) throw Error(name + ": the picture is empty");
}

int ForwardProgress(int n) {
    return static_cast<int>(Round(n * 45.0L / 7.0L)) + 10;
}
int BackwardProgress(int n) {
    return static_cast<int>(Round((8 - n) * 45.0L / 7.0L)) + 55;
}

/// The sweep 1..7, 7..1. Each view is loaded, stretched and reduced once, the views
/// side by side, and compressed once in order: its second frame is the same picture,
/// so it repeats the first one's bytes.
std::vector<std::uint8_t> EncodeSweep(
    const ViewSource& loadView, int maxWidth, int delay, Progress& progress) {
    Bitmap firstLoaded;
    const Bitmap& first = loadView(1, firstLoaded);
    const GifFrameSize size = GifFrameSizeFor(first.width(), first.height(), maxWidth);
    progress.setPosition(10);

    GifWriter writer(size.width, size.height);
    struct WrittenFrame {
        IndexedFrame frame;
        GifWriter::EncodedPixels pixels;
    };
    std::array<std::optional<IndexedFrame>, kViewCount + 1> reduced;
    std::array<std::optional<WrittenFrame>, kViewCount + 1> written;
    const auto reduce = [&](int i) {
        const int n = i + 1;
        Bitmap loaded;
        Bitmap framePicture(size.width, size.height, PixelFormat::Bgr24, UnfilledPixels {});
        StretchNearest(n == 1 ? first : loadView(n, loaded), framePicture);
        if (n == 1) firstLoaded.release();
        reduced[static_cast<std::size_t>(n)] = ReduceFrame(framePicture);
    };
    const auto writeFrame = [&](int n) {
        writer.addLoopExtension(0);
        writer.addGraphicControl(delay);
        auto& done = written[static_cast<std::size_t>(n)];
        if (done) {
            writer.repeatImage(done->frame, done->pixels);
            return;
        }
        IndexedFrame frame = std::move(*reduced[static_cast<std::size_t>(n)]);
        reduced[static_cast<std::size_t>(n)].reset();
        GifWriter::EncodedPixels pixels = writer.addImage(frame);
        done = WrittenFrame { std::move(frame), std::move(pixels) };
    };
    ParallelInOrder(kViewCount, reduce, [&](int i) {
        writeFrame(i + 1);
        progress.setPosition(ForwardProgress(i + 1));
    });
    for (int n = kViewCount; n >= 1; --n) {
        writeFrame(n);
        progress.setPosition(BackwardProgress(n));
    }
    return writer.finish();
}

} // namespace

GifFrameSize GifFrameSizeFor(int w, int h, int maxWidth) {
    if (w < 1 || h < 1)
        throw Error("GIF export: views of " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
    if (maxWidth < 1) throw Error("GIF export: the frame width limit must be positive");
    if (w < maxWidth) return { w, h };
    const std::int64_t height = Round(static_cast<long double>(maxWidth) * h / w);
    return { maxWidth, static_cast<int>(std::max<std::int64_t>(height, 1)) };
}

std::vector<std::uint8_t> EncodeAnimatedGif(
    std::span<const Bitmap> views, int maxWidth, int delay, Progress& progress) {
    if (views.size() != kViewCount)
        throw Error("GIF export: " + std::to_string(views.size()) + " views instead of seven");
    for (int n = 1; n <= kViewCount; ++n) RequireView(views[n - 1], "view " + std::to_string(n));
    return EncodeSweep(
        [views](int n, Bitmap&) -> const Bitmap& { return views[n - 1]; }, maxWidth, delay, progress);
}

void ExportGif(const std::filesystem::path& workFolder, int imageMode, const std::filesystem::path& target,
    Progress& progress) {
    progress.setPosition(0);
    // A view is in memory only while its frame is made: views of print documents
    // are large.
    const std::vector<std::uint8_t> gif = EncodeSweep(
        [&](int n, Bitmap& loaded) -> const Bitmap& {
            const std::filesystem::path file = workFolder / ViewFileName(n, imageMode);
            loaded = LoadBmp(file);
            RequireView(loaded, DisplayName(file));
            return loaded;
        },
        kExportMaxWidth, kExportDelay, progress);
    WriteFileAtomically(target, gif);
}

void ExportGif(std::span<const Bitmap> views, const std::filesystem::path& target, Progress& progress) {
    progress.setPosition(0);
    const std::vector<std::uint8_t> gif = EncodeAnimatedGif(views, kExportMaxWidth, kExportDelay, progress);
    WriteFileAtomically(target, gif);
}

} // namespace deptrix
