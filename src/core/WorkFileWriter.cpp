#include "core/WorkFileWriter.h"

#include "core/BmpFileRows.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/TaskPool.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr std::size_t kSmallestBlock = std::size_t { 64 } << 10;

/// How long written blocks are kept for more rows once the queue is empty.
constexpr std::chrono::seconds kKeepSpareBlocks { 2 };

std::filesystem::path Key(const std::filesystem::path& file) {
    return file.lexically_normal();
}

} // namespace

struct WorkFileWriter::OpenFile {
    int fd = -1;
    std::unique_ptr<DirectFile> bytes;
    bool failed = false;

    void discard(const std::filesystem::path& file) {
        if (fd >= 0) ::close(fd);
        fd = -1;
        ::unlink(file.c_str());
    }
};

WorkFileWriter::WorkFileWriter(std::size_t queueLimitBytes, int threads)
    : m_queueLimit(queueLimitBytes)
    , m_threadLimit(std::clamp(threads, 0, kMaxWriterThreads)) { }

WorkFileWriter::~WorkFileWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_jobsChanged.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

WorkFileWriter::Block WorkFileWriter::takeBlock(std::size_t bytes) {
    // Sizes come in powers of two (counting the room for the phase, so that large
    // blocks fill whole huge pages): the blocks of one band then serve the next,
    // whatever its rows.
    bytes = std::bit_ceil(std::max(bytes + kDirectBlock, kSmallestBlock)) - kDirectBlock;
    {
        const std::lock_guard lock(m_mutex);
        // The smallest spare block that holds the rows, of those the latest written
        // (the most likely to be still in the processor's cache).
        auto best = m_spareBlocks.end();
        for (auto it = m_spareBlocks.end(); it != m_spareBlocks.begin();) {
            --it;
            if (it->capacity() >= bytes && (best == m_spareBlocks.end() || it->capacity() < best->capacity()))
                best = it;
        }
        if (best != m_spareBlocks.end()) {
            Block block = std::move(*best);
            m_spareBlocks.erase(best);
            m_spareBytes -= block.capacity();
            return block;
        }
    }
    return Block(bytes); // filled by the caller
}

void WorkFileWriter::push(Job job) {
    const std::size_t bytes = job.kind == JobKind::Rows ? job.block.capacity() : 0;
    std::unique_lock lock(m_mutex);
    m_jobsChanged.wait(lock, [&] { return m_queuedBytes == 0 || m_queuedBytes + bytes <= m_queueLimit; });
    if (job.kind == JobKind::Begin) {
        job.straightToDisk = m_straightToDisk;
        FileState& state = m_files[job.file];
        ++state.open;
        state.failure.clear();
        state.height = job.height;
        state.stride = RowStride(job.width, job.format);
        state.rowBytes
            = static_cast<std::size_t>(job.width) * static_cast<std::size_t>(BytesPerPixel(job.format));
        state.pixelOffset = BmpPixelOffset(job.format);
    }
    m_queuedBytes += bytes;
    m_queue.push_back(std::move(job));
    const int wanted = m_threadLimit > 0 ? m_threadLimit : std::clamp(TaskThreads(), 1, kMaxWriterThreads);
    while (static_cast<int>(m_threads.size()) < wanted) m_threads.emplace_back([this] { run(); });
    lock.unlock();
    m_jobsChanged.notify_all();
}

void WorkFileWriter::begin(const std::filesystem::path& file, int width, int height, PixelFormat format) {
    Job job { JobKind::Begin, Key(file) };
    job.width = width;
    job.height = height;
    job.format = format;
    push(std::move(job));
}

void WorkFileWriter::write(
    const std::filesystem::path& file, int firstRow, const Bitmap& band, int bandRow, int count) {
    if (count <= 0) return;
    if (bandRow < 0 || bandRow + static_cast<std::int64_t>(count) > band.height())
        throw Error(DisplayName(file) + ": rows outside the band handed over");
    RowsToFill rows = rowsToFill(file, firstRow, count);
    if (rows.m_size != band.stride() * static_cast<std::size_t>(count))
        throw Error(DisplayName(file) + ": rows of another width handed over");
    for (int i = 0; i < count; ++i) std::memcpy(rows.rows().row(i), band.row(bandRow + i), band.stride());
    write(std::move(rows));
}

WorkFileWriter::RowsToFill WorkFileWriter::rowsToFill(
    const std::filesystem::path& file, int firstRow, int count) {
    RowsToFill rows;
    rows.m_file = Key(file);
    int height = 0;
    std::size_t rowBytes = 0;
    std::size_t stride = 0;
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_files.find(rows.m_file);
        if (it == m_files.end() || it->second.open == 0)
            throw Error(DisplayName(file) + ": rows for a file that is not being written");
        height = it->second.height;
        rowBytes = it->second.rowBytes;
        stride = it->second.stride;
        rows.m_offset = it->second.pixelOffset;
    }
    if (count < 0 || firstRow < 0 || firstRow + static_cast<std::int64_t>(count) > height)
        throw Error(DisplayName(file) + ": rows " + std::to_string(firstRow) + " + " + std::to_string(count)
            + " outside the picture");
    // Rows are stored bottom-up, so the band is one stretch of the file in reverse
    // row order.
    rows.m_offset += static_cast<std::uint64_t>(height - firstRow - count) * stride;
    rows.m_size = stride * static_cast<std::size_t>(count);
    rows.m_block = takeBlock(rows.m_size);
    std::uint8_t* start = rows.m_block.at(rows.m_offset % kDirectBlock);
    const auto step = static_cast<std::ptrdiff_t>(stride);
    rows.m_rows = { start + (count - 1) * step, -step };
    if (rowBytes != stride)
        for (int i = 0; i < count; ++i) std::memset(start + i * step + rowBytes, 0, stride - rowBytes);
    return rows;
}

void WorkFileWriter::write(RowsToFill rows) {
    Job job { JobKind::Rows, std::move(rows.m_file) };
    job.offset = rows.m_offset;
    job.size = rows.m_size;
    job.block = std::move(rows.m_block);
    if (job.size > 0) push(std::move(job));
}

void WorkFileWriter::finish(const std::filesystem::path& file) {
    push(Job { JobKind::Finish, Key(file) });
}

void WorkFileWriter::save(const Bitmap& picture, const std::filesystem::path& file) {
    begin(file, picture.width(), picture.height(), picture.format());
    write(file, 0, picture, 0, picture.height());
    finish(file);
}

void WorkFileWriter::setStraightToDisk(bool on) {
    const std::lock_guard lock(m_mutex);
    m_straightToDisk = on;
}

void WorkFileWriter::fail(const std::filesystem::path& file, const std::string& message) {
    const std::lock_guard lock(m_mutex);
    const auto it = m_files.find(file);
    if (it != m_files.end() && it->second.failure.empty()) it->second.failure = message;
}

void WorkFileWriter::perform(Job& job, OpenFile* open) {
    switch (job.kind) {
    case JobKind::Begin: {
        try {
            open->fd = CreateWorkFile(job.file);
            const std::vector<std::uint8_t> header = BmpHeaderBytes(job.width, job.height, job.format);
            const std::uint64_t size
                = header.size() + static_cast<std::uint64_t>(RowStride(job.width, job.format)) * job.height;
            open->bytes = std::make_unique<DirectFile>(
                open->fd, job.file, size, job.straightToDisk ? kDirectFrom : UINT64_MAX);
            open->bytes->write(0, header.data(), header.size());
        } catch (const std::exception& e) {
            open->discard(job.file);
            open->failed = true;
            fail(job.file, e.what());
        }
        return;
    }
    case JobKind::Rows: {
        if (!open || open->failed) return;
        try {
            open->bytes->write(job.offset, job.block.at(job.offset % kDirectBlock), job.size, job.cached);
        } catch (const std::exception& e) {
            open->discard(job.file);
            open->failed = true;
            fail(job.file, e.what());
        }
        return;
    }
    case JobKind::Finish: {
        if (open) {
            if (!open->failed && !open->bytes->complete()) {
                open->discard(job.file);
                fail(job.file, DisplayName(job.file) + ": cannot write the file (not all rows were given)");
            } else if (!open->failed) {
                try {
                    open->bytes->finish();
                } catch (const std::exception& e) {
                    open->discard(job.file);
                    open->failed = true;
                    fail(job.file, e.what());
                }
            }
            if (!open->failed && open->fd >= 0) {
                const int closed = ::close(open->fd);
                const int error = errno;
                open->fd = -1;
                if (closed != 0) {
                    open->discard(job.file);
                    try {
                        ThrowWriteError(job.file, error);
                    } catch (const std::exception& e) {
                        fail(job.file, e.what());
                    }
                }
            }
        }
        return; // the thread forgets the file and counts it done
    }
    case JobKind::Cancel: {
        // Nothing else is under way (nextRunnable).
        std::map<std::filesystem::path, std::unique_ptr<OpenFile>> open;
        {
            const std::lock_guard lock(m_mutex);
            open = std::move(m_open);
            m_open.clear();
        }
        for (auto& [file, unfinished] : open) unfinished->discard(file);
        const std::lock_guard lock(m_mutex);
        m_files.clear();
        ++m_cancelsDone;
        return;
    }
    }
}

std::deque<WorkFileWriter::Job>::iterator WorkFileWriter::nextRunnable() {
    const auto busy = [this](const std::filesystem::path& file) {
        return std::find(m_busyFiles.begin(), m_busyFiles.end(), file) != m_busyFiles.end();
    };
    std::vector<const std::filesystem::path*> passed; // files of the jobs passed over
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it->kind == JobKind::Cancel) return it == m_queue.begin() && m_busy == 0 ? it : m_queue.end();
        const bool waits = busy(it->file)
            || std::any_of(passed.begin(), passed.end(), [&](const auto* file) { return *file == it->file; });
        if (!waits) return it;
        passed.push_back(&it->file);
    }
    return m_queue.end();
}

void WorkFileWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        auto job = m_queue.end();
        const auto ready = [&] {
            job = nextRunnable();
            return job != m_queue.end() || (m_stopping && m_queue.empty() && m_busy == 0);
        };
        if (!m_jobsChanged.wait_for(lock, kKeepSpareBlocks, ready)) {
            // Idle for a while: the blocks go back to the system.
            std::vector<Block> spare = std::move(m_spareBlocks);
            m_spareBlocks.clear();
            m_spareBytes = 0;
            lock.unlock();
            spare.clear();
            lock.lock();
            m_jobsChanged.wait(lock, ready);
        }
        if (job == m_queue.end()) break; // stopping with nothing left to write
        Job taken = std::move(*job);
        m_queue.erase(job);
        if (taken.kind == JobKind::Rows) {
            m_queuedBytes -= taken.block.capacity();
            // While the queue stays full the disk is the bottleneck; the page cache
            // then takes the rows at the speed of memory.
            taken.cached = m_queuedBytes >= m_queueLimit / 2;
        }
        OpenFile* open = nullptr;
        std::unique_ptr<OpenFile> replaced;
        if (taken.kind == JobKind::Begin) {
            auto& slot = m_open[taken.file];
            replaced = std::move(slot); // begun again before it was finished
            slot = std::make_unique<OpenFile>();
            open = slot.get();
        } else if (taken.kind != JobKind::Cancel) {
            const auto it = m_open.find(taken.file);
            open = it != m_open.end() ? it->second.get() : nullptr;
        }
        ++m_busy;
        m_busyFiles.push_back(taken.file);
        lock.unlock();
        m_jobsChanged.notify_all(); // room for a waiting producer
        if (replaced) replaced->discard(taken.file);
        perform(taken, open);
        lock.lock();
        if (taken.kind == JobKind::Finish) {
            m_open.erase(taken.file);
            const auto state = m_files.find(taken.file);
            if (state != m_files.end() && state->second.open > 0) --state->second.open;
        }
        if (taken.block && m_spareBytes + taken.block.capacity() <= m_queueLimit) {
            m_spareBytes += taken.block.capacity();
            m_spareBlocks.push_back(std::move(taken.block));
        }
        m_busyFiles.erase(std::find(m_busyFiles.begin(), m_busyFiles.end(), taken.file));
        --m_busy;
        m_progress.notify_all();
        m_jobsChanged.notify_all(); // jobs of the same file, or a cancel, may go now
    }
    // Stopping, with nothing queued or under way: what was begun but never finished goes.
    std::map<std::filesystem::path, std::unique_ptr<OpenFile>> unfinished = std::move(m_open);
    m_open.clear();
    lock.unlock();
    for (auto& [file, open] : unfinished) open->discard(file);
}

void WorkFileWriter::await(const std::filesystem::path& file) {
    const std::filesystem::path key = Key(file);
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [&] {
        const auto it = m_files.find(key);
        return it == m_files.end() || it->second.open == 0;
    });
    const auto it = m_files.find(key);
    if (it != m_files.end() && !it->second.failure.empty()) throw Error(it->second.failure);
}

void WorkFileWriter::awaitAll() {
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [&] { return m_queue.empty() && m_busy == 0; });
    for (const auto& [file, state] : m_files)
        if (!state.failure.empty()) throw Error(state.failure);
}

void WorkFileWriter::cancel() {
    std::unique_lock lock(m_mutex);
    if (m_threads.empty()) {
        m_files.clear();
        return;
    }
    m_queue.clear();
    m_queuedBytes = 0;
    m_queue.push_back(Job { JobKind::Cancel, {} });
    const std::uint64_t target = m_cancelsDone + 1;
    lock.unlock();
    m_jobsChanged.notify_all();
    lock.lock();
    m_progress.wait(lock, [&] { return m_cancelsDone >= target; });
}

WorkFileWriter& SharedWorkFileWriter() {
    static WorkFileWriter writer;
    return writer;
}

void AwaitWorkFile(const std::filesystem::path& file) {
    SharedWorkFileWriter().await(file);
}

} // namespace deptrix
