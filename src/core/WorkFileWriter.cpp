#include "core/WorkFileWriter.h"

#include "core/BmpFileRows.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <unistd.h>

namespace deptrix {

namespace {

/// Finished blocks kept for reuse (bytes in all), so that a steady stream of bands
/// and views does not fault in fresh pages for every one.
constexpr std::size_t kSpareBytes = std::size_t { 16 } << 20;

std::filesystem::path Key(const std::filesystem::path& file) {
    return file.lexically_normal();
}

} // namespace

struct WorkFileWriter::OpenFile {
    int fd = -1;
    std::unique_ptr<BmpFileRows> rows;
    bool failed = false;

    void discard(const std::filesystem::path& file) {
        if (fd >= 0) ::close(fd);
        fd = -1;
        ::unlink(file.c_str());
    }
};

WorkFileWriter::WorkFileWriter(std::size_t queueLimitBytes)
    : m_queueLimit(queueLimitBytes) { }

WorkFileWriter::~WorkFileWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_jobsChanged.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

WorkFileWriter::Block WorkFileWriter::takeBlock(std::size_t bytes) {
    {
        const std::lock_guard lock(m_mutex);
        // The smallest spare block that holds the rows.
        auto best = m_spareBlocks.end();
        for (auto it = m_spareBlocks.begin(); it != m_spareBlocks.end(); ++it)
            if (it->capacity >= bytes && (best == m_spareBlocks.end() || it->capacity < best->capacity))
                best = it;
        if (best != m_spareBlocks.end()) {
            Block block = std::move(*best);
            m_spareBlocks.erase(best);
            m_spareBytes -= block.capacity;
            return block;
        }
    }
    Block block;
    block.bytes.reset(new std::uint8_t[bytes]); // filled by the caller
    block.capacity = bytes;
    return block;
}

void WorkFileWriter::push(Job job) {
    const std::size_t bytes = job.kind == JobKind::Rows ? job.block.capacity : 0;
    std::unique_lock lock(m_mutex);
    m_jobsChanged.wait(lock, [&] { return m_queuedBytes == 0 || m_queuedBytes + bytes <= m_queueLimit; });
    if (job.kind == JobKind::Begin) {
        FileState& state = m_files[job.file];
        ++state.open;
        state.failure.clear();
    }
    m_queuedBytes += bytes;
    m_queue.push_back(std::move(job));
    if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
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
    Job job { JobKind::Rows, Key(file) };
    job.firstRow = firstRow;
    job.count = count;
    job.stride = band.stride();
    const std::size_t bytes = band.stride() * static_cast<std::size_t>(count);
    job.block = takeBlock(bytes);
    job.block.capacity = std::max(job.block.capacity, bytes);
    std::memcpy(job.block.bytes.get(), band.row(bandRow), bytes);
    push(std::move(job));
}

void WorkFileWriter::finish(const std::filesystem::path& file) {
    push(Job { JobKind::Finish, Key(file) });
}

void WorkFileWriter::save(const Bitmap& picture, const std::filesystem::path& file) {
    begin(file, picture.width(), picture.height(), picture.format());
    write(file, 0, picture, 0, picture.height());
    finish(file);
}

void WorkFileWriter::fail(const std::filesystem::path& file, const std::string& message) {
    const std::lock_guard lock(m_mutex);
    const auto it = m_files.find(file);
    if (it != m_files.end() && it->second.failure.empty()) it->second.failure = message;
}

void WorkFileWriter::perform(Job& job, std::map<std::filesystem::path, std::unique_ptr<OpenFile>>& files) {
    switch (job.kind) {
    case JobKind::Begin: {
        auto& open = files[job.file];
        if (open) open->discard(job.file); // begun again before it was finished
        open = std::make_unique<OpenFile>();
        try {
            open->fd = CreateWorkFile(job.file);
            open->rows = std::make_unique<BmpFileRows>(open->fd, job.file, job.width, job.height, job.format);
        } catch (const std::exception& e) {
            open->discard(job.file);
            open->failed = true;
            fail(job.file, e.what());
        }
        return;
    }
    case JobKind::Rows: {
        const auto it = files.find(job.file);
        if (it == files.end() || it->second->failed) return;
        try {
            it->second->rows->write(job.firstRow, job.count, job.block.bytes.get(), job.stride);
        } catch (const std::exception& e) {
            it->second->discard(job.file);
            it->second->failed = true;
            fail(job.file, e.what());
        }
        return;
    }
    case JobKind::Finish: {
        const auto it = files.find(job.file);
        if (it != files.end()) {
            OpenFile& open = *it->second;
            if (!open.failed && !open.rows->complete()) {
                open.discard(job.file);
                fail(job.file, DisplayName(job.file) + ": cannot write the file (not all rows were given)");
            } else if (!open.failed) {
                const int closed = ::close(open.fd);
                const int error = errno;
                open.fd = -1;
                if (closed != 0) {
                    open.discard(job.file);
                    try {
                        ThrowWriteError(job.file, error);
                    } catch (const std::exception& e) {
                        fail(job.file, e.what());
                    }
                }
            }
            files.erase(it);
        }
        const std::lock_guard lock(m_mutex);
        const auto state = m_files.find(job.file);
        if (state != m_files.end() && state->second.open > 0) --state->second.open;
        return;
    }
    case JobKind::Cancel: {
        for (auto& [file, open] : files) open->discard(file);
        files.clear();
        const std::lock_guard lock(m_mutex);
        m_files.clear();
        ++m_cancelsDone;
        return;
    }
    }
}

void WorkFileWriter::run() {
    std::map<std::filesystem::path, std::unique_ptr<OpenFile>> files; // this thread's only
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_jobsChanged.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty()) break; // stopping with nothing left to write
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        if (job.kind == JobKind::Rows) m_queuedBytes -= job.block.capacity;
        m_busy = true;
        lock.unlock();
        m_jobsChanged.notify_all(); // room for a waiting producer
        perform(job, files);
        lock.lock();
        if (job.block.bytes && m_spareBytes + job.block.capacity <= kSpareBytes) {
            m_spareBytes += job.block.capacity;
            m_spareBlocks.push_back(std::move(job.block));
        }
        m_busy = false;
        m_progress.notify_all();
    }
    lock.unlock();
    for (auto& [file, open] : files) open->discard(file); // begun but never finished
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
    m_progress.wait(lock, [&] { return m_queue.empty() && !m_busy; });
    for (const auto& [file, state] : m_files)
        if (!state.failure.empty()) throw Error(state.failure);
}

void WorkFileWriter::cancel() {
    std::unique_lock lock(m_mutex);
    if (!m_thread.joinable()) {
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
