#pragma once

#include "core/Bitmap.h"
#include "core/DirectFile.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace deptrix {

/// Writes the BMP work files on threads of their own, so that importing and building
/// views do not wait for the disk. Pictures are handed over whole or band by band
/// (rows are copied into a queue bounded by `queueLimitBytes`, already in the order
/// of the file; a producer waits while the queue is full) and written in the order
/// given for each file, each into its file, created afresh as CreateWorkFile does, and
/// large ones past the page cache (DirectFile). Different files may be written side by
/// side, on as many threads as the task layer uses (TaskThreads(), at most
/// kMaxWriterThreads; one with one task thread); a cancel waits for every write under way.
///
/// Each file has a ready state: await(file) returns once everything handed over for
/// it is written, and throws the Error of a failed write (naming the file) to whoever
/// needs the file next. A file that failed is removed, never left half-written.
class WorkFileWriter {
public:
    /// The most threads that write at once.
    static constexpr int kMaxWriterThreads = 4;

    /// `threads` writing threads at most; 0: as many as TaskThreads() (within 1..kMaxWriterThreads).
    explicit WorkFileWriter(std::size_t queueLimitBytes = std::size_t { 64 } << 20, int threads = 0);
    /// Writes what is queued, then stops the threads.
    ~WorkFileWriter();
    WorkFileWriter(const WorkFileWriter&) = delete;
    WorkFileWriter& operator=(const WorkFileWriter&) = delete;

    /// Starts `file` as a width x height picture of `format`; from now until finish()
    /// await(file) waits. An earlier failure of the same file is forgotten.
    void begin(const std::filesystem::path& file, int width, int height, PixelFormat format);
    /// Queues picture rows firstRow .. firstRow + count - 1 of `file`, taken from
    /// rows bandRow .. of `band` (same width and format as begun).
    void write(const std::filesystem::path& file, int firstRow, const Bitmap& band, int bandRow, int count);

    /// Picture rows of a begun file that the caller sets in place, in the writer's
    /// memory (which saves write() its copy), then hands back to write(RowsToFill).
    class RowsToFill {
    public:
        /// The rows, firstRow at 0; the padding after each row is zero already.
        PixelRows rows() const { return m_rows; }

    private:
        friend class WorkFileWriter;
        std::filesystem::path m_file;
        std::uint64_t m_offset = 0;
        std::size_t m_size = 0;
        AlignedBytes m_block;
        PixelRows m_rows;
    };
    /// Memory for rows firstRow .. firstRow + count - 1 of `file`; throws Error when
    /// the file is not begun or the rows are outside its picture.
    RowsToFill rowsToFill(const std::filesystem::path& file, int firstRow, int count);
    /// Queues rows from rowsToFill() once every pixel byte of them is set.
    void write(RowsToFill rows);
    /// Ends `file`; writing fewer rows than its height is a failure of the file.
    void finish(const std::filesystem::path& file);
    /// begin + write of every row + finish.
    void save(const Bitmap& picture, const std::filesystem::path& file);

    /// Whether files begun from now on may go straight to the disk (DirectFile), the
    /// default; off, they stay in the page cache, where short-lived files (a run's own
    /// temporary folder) are gone before the disk sees them.
    void setStraightToDisk(bool on);

    /// Waits until `file` is written. Throws Error with the failure when writing it
    /// failed. A file this writer was never given returns at once.
    void await(const std::filesystem::path& file);
    /// Waits until everything handed over is written; throws Error with the first
    /// failure, if any.
    void awaitAll();
    /// Drops what is queued, removes the files not yet finished and forgets every
    /// file's state (for a new import or closing). Returns once the thread is idle.
    void cancel();

private:
    using Block = AlignedBytes;
    enum class JobKind : std::uint8_t { Begin, Rows, Finish, Cancel };
    struct Job {
        Job(JobKind k, std::filesystem::path f)
            : kind(k)
            , file(std::move(f)) { }
        JobKind kind;
        std::filesystem::path file;
        int width = 0;
        int height = 0;
        PixelFormat format = PixelFormat::Gray8;
        bool straightToDisk = true;
        std::uint64_t offset = 0; ///< of the rows in the file
        std::size_t size = 0;
        bool cached = false; ///< through the page cache: the queue was filling up
        Block block; ///< the rows from block.at(offset % kDirectBlock) on
    };
    struct FileState {
        int open = 0; ///< begun and not yet finished by the thread
        std::string failure;
        int height = 0; ///< of the picture begun last
        std::size_t rowBytes = 0; ///< the pixels of a row, without its padding
        std::size_t stride = 0;
        std::uint64_t pixelOffset = 0;
    };
    struct OpenFile;

    void push(Job job);
    void run();
    /// The first queued job that may start now (under the lock): none of its file is
    /// under way or queued before it, and a cancel waits until nothing is under way.
    std::deque<Job>::iterator nextRunnable();
    void perform(Job& job, OpenFile* open);
    void fail(const std::filesystem::path& file, const std::string& message);
    Block takeBlock(std::size_t bytes);

    const std::size_t m_queueLimit;
    std::mutex m_mutex;
    std::condition_variable m_jobsChanged; ///< queue gained a job or room, or stopping
    std::condition_variable m_progress; ///< a job finished
    std::deque<Job> m_queue;
    std::size_t m_queuedBytes = 0;
    int m_busy = 0; ///< jobs under way
    std::vector<std::filesystem::path> m_busyFiles; ///< the files of the jobs under way
    bool m_straightToDisk = true;
    bool m_stopping = false;
    std::uint64_t m_cancelsDone = 0;
    std::map<std::filesystem::path, FileState> m_files;
    /// Files begun and not finished; each touched only by the thread with a job of it under way.
    std::map<std::filesystem::path, std::unique_ptr<OpenFile>> m_open;
    std::vector<Block> m_spareBlocks; ///< written blocks for the next rows, until the writer idles
    std::size_t m_spareBytes = 0;
    const int m_threadLimit; ///< 0: follow TaskThreads()
    std::vector<std::thread> m_threads;
};

/// The writer the program's work files go through.
WorkFileWriter& SharedWorkFileWriter();

/// Waits for `file` if the shared writer has it in hand (see WorkFileWriter::await).
void AwaitWorkFile(const std::filesystem::path& file);

} // namespace deptrix
