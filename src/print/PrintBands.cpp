#include "print/PrintBands.h"

#include "core/Bitmap.h"
#include "core/TaskPool.h"

#include <algorithm>

namespace deptrix {

namespace {

/// Rows a band holds at most: enough to read the frames in long runs, few enough to
/// keep every thread's band small.
constexpr std::size_t kBandBytes = std::size_t { 16 } << 20;

/// Bands each worker gets at least, so that the last band does not leave the other
/// threads idle for long.
constexpr std::int64_t kBandsPerWorker = 4;

} // namespace

PrintBands::PrintBands(ViewRows& frames, const PrintGeometry& geometry, const TiffLayout& layout)
    : m_geometry(geometry) {
    Worker& first = m_workers.emplace_back();
    first.frames = &frames;
    startWorker(first);

    const std::size_t rowBytes
        = static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.channels);
    const std::int64_t stripRows = layout.rowsPerStrip;
    const std::int64_t stripsPerBand = std::max<std::int64_t>(
        static_cast<std::int64_t>(kBandBytes / (rowBytes * static_cast<std::size_t>(stripRows))), 1);
    // A reader holds a band of rows of every frame, and how opaque each pixel is so far.
    const std::size_t readerBytes = static_cast<std::size_t>(std::clamp(frames.bandRows(), 1, 64))
        * static_cast<std::size_t>(frames.frames()) * static_cast<std::size_t>(frames.width())
        * static_cast<std::size_t>(BytesPerPixel(frames.format()) + 1);
    const std::size_t workerBytes = readerBytes + first.picture->heldBytes()
        + rowBytes * static_cast<std::size_t>(stripsPerBand * stripRows);
    const auto affordable
        = static_cast<int>(std::clamp<std::size_t>(kPrintWorkersBytes / workerBytes, 1, 256));
    // One worker more than the threads: while a band waits to be written, every
    // thread goes on making another.
    m_threads = std::min(TaskThreads(), affordable);
    const int wanted = std::min(m_threads > 1 ? m_threads + 1 : 1, affordable);

    // Bands of whole strips, several for every worker while they stay large enough.
    const std::int64_t strips = (layout.height + stripRows - 1) / stripRows;
    const std::int64_t spread = (strips + wanted * kBandsPerWorker - 1) / (wanted * kBandsPerWorker);
    m_bandRows = static_cast<int>(std::clamp<std::int64_t>(spread, 1, stripsPerBand) * stripRows);
    const auto bands = static_cast<int>((layout.height + m_bandRows - 1) / m_bandRows);

    for (int w = 1; w < std::min(wanted, bands); ++w) {
        std::unique_ptr<ViewRows> another = frames.openAnother();
        if (!another) break;
        // Its interlacer and page are made by the thread of its first band.
        Worker& worker = m_workers.emplace_back();
        worker.ownFrames = std::move(another);
        worker.frames = worker.ownFrames.get();
    }
}

void PrintBands::startWorker(Worker& worker) {
    worker.page.reset();
    worker.picture = MakeInterlacer(m_geometry, *worker.frames);
    worker.page = std::make_unique<PrintPage>(m_geometry, *worker.picture);
}

TiffBands PrintBands::start() {
    // The first start uses the workers as made; later ones start each afresh.
    if (m_started)
        for (Worker& worker : m_workers) {
            worker.page.reset();
            worker.picture.reset();
        }
    m_started = true;
    return { std::min(m_threads, workers()), workers(), m_bandRows,
        [this](int index, std::int64_t first, int count, std::uint8_t* out) {
            Worker& worker = m_workers[static_cast<std::size_t>(index)];
            if (!worker.page) startWorker(worker);
            worker.page->makeRows(first, count, out);
        } };
}

} // namespace deptrix
