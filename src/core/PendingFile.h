#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace deptrix {

/// A file on its way to `target`, written under a temporary name in the target's
/// folder (TemporaryFileName). A read-only target is refused before anything is
/// written, and temporary files of the target that killed runs left are removed first
/// (ClearInterruptedWrites). The temporary file is created exclusively (a file or link
/// planted at the name is never opened or followed; another name is tried) and is
/// readable by its owner only while it is written. commit() flushes it to the disk,
/// gives it the usual permissions (0666 less the umask) and renames it over the target,
/// which replaces a link at the target instead of writing through it. A file that is
/// not committed is removed; the target is then left as it was.
class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target);
    ~PendingFile();
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);

    /// Asks the system to start writing what has been written so far to the disk,
    /// without waiting, so that finish() of several files finds most of it done.
    void startWriteback() noexcept;

    /// Flushes the data to the disk, sets the final permissions and closes the file:
    /// a full disk shows here at the latest. The rename is left to commit().
    void finish();

    /// finish() if that has not happened, then the rename over the target.
    void commit();

    /// The open file, for writers that need one (finish() closes it).
    int descriptor() const { return m_fd; }
    const std::filesystem::path& target() const { return m_target; }
    const std::filesystem::path& temporaryPath() const { return m_temporary; }

private:
    void discard() noexcept;

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    bool m_committed = false;
};

/// Throws Error naming the file when `target` is a file that is read-only (to everyone,
/// or to this user): an output never replaces it.
void RefuseReadOnlyTarget(const std::filesystem::path& target);

/// Several files of one folder that reach their names together or not at all: each is
/// written to its temporary name, all are finished, the renames are recorded
/// (RecordFileSet), and only then is any renamed. When a write fails, the pending files
/// are removed; a run stopped during the renames has its set completed by the next
/// write in the folder; when a rename fails, the files renamed before it are removed
/// too, so the set is never left half replaced by new files.
class PendingFileSet {
public:
    /// Writes one more file of the set: `fill` writes its contents into the open file.
    void add(const std::filesystem::path& target, const std::function<void(PendingFile&)>& fill);
    void add(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);
    /// Finishes every file (a full disk shows here at the latest), then renames them.
    void commit();

private:
    std::vector<PendingFile> m_files;
};

} // namespace deptrix
