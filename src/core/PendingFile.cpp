#include "core/PendingFile.h"

#include "core/Error.h"
#include "core/FileIo.h"
#include "core/TemporaryFiles.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace deptrix {

namespace {

// Enough tries to get past names that someone planted; random names rarely collide.
constexpr int kNameAttempts = 100;

mode_t CurrentUmask() {
    // Read without changing it: umask() can only be learnt by setting it, which would
    // briefly widen the permissions of files other threads create meanwhile.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) != 0) continue;
        const std::size_t start = line.find_first_not_of(" \t", 6);
        unsigned value = 0;
        if (start != std::string::npos
            && std::from_chars(line.data() + start, line.data() + line.size(), value, 8).ec == std::errc())
            return static_cast<mode_t>(value & 0777);
    }
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

} // namespace

void RefuseReadOnlyTarget(const std::filesystem::path& target) {
    struct stat status { };
    if (::stat(target.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
    // The rename would replace the file whatever its permissions say. No write
    // permission for anyone (which root would pass by), or none for this user, is the
    // owner's way of saying that the file must stay as it is.
    if ((status.st_mode & 0222) == 0
        || (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES))
        throw Error(DisplayName(target) + ": the file in " + DisplayFolder(target)
            + " is read-only; it was left as it is");
}

PendingFile::PendingFile(std::filesystem::path target)
    : m_target(std::move(target)) {
    const std::string base = m_target.filename().string();
    if (base.empty() || base == "." || base == "..")
        throw Error(PrintableText(m_target.string()) + ": not a file name");
    RefuseReadOnlyTarget(m_target);
    ClearInterruptedWrites(m_target);
    const std::filesystem::path folder = m_target.parent_path();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate
            = folder / TemporaryFileName(m_target, detail::NextTemporaryTag());
        const int fd = ::open(
            candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = candidate;
            detail::Checkpoint("temporary file made");
            return;
        }
        if (errno != EEXIST) ThrowWriteError(m_target, errno);
    }
    throw Error(DisplayName(m_target) + ": cannot write the file in " + DisplayFolder(m_target)
        + " (every temporary name tried is taken)");
}

PendingFile::~PendingFile() {
    discard();
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : m_target(std::move(other.m_target))
    , m_temporary(std::move(other.m_temporary))
    , m_fd(other.m_fd)
    , m_committed(other.m_committed) {
    other.m_fd = -1;
    other.m_temporary.clear();
}

void PendingFile::write(std::span<const std::uint8_t> bytes) {
    if (m_fd < 0) throw Error(DisplayName(m_target) + ": written after it was finished");
    try {
        WriteAllBytes(m_fd, bytes, m_target);
    } catch (...) {
        discard();
        throw;
    }
}

void PendingFile::startWriteback() noexcept {
    if (m_fd >= 0) ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

void PendingFile::finish() {
    if (m_fd < 0) {
        if (m_temporary.empty()) throw Error(DisplayName(m_target) + ": finished after it was discarded");
        return;
    }
    detail::Checkpoint("finishing");
    const auto fail = [this](int error) {
        discard();
        ThrowWriteError(m_target, error);
    };
    // Some file systems cannot sync (EINVAL); the data is then as safe as they allow.
    if (::fsync(m_fd) != 0 && errno != EINVAL) fail(errno);
    if (::fchmod(m_fd, 0666 & ~CurrentUmask()) != 0) fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) fail(errno); // network file systems report a full disk here
}

void PendingFile::commit() {
    if (m_committed) return;
    finish();
    detail::Checkpoint("renaming");
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        discard();
        ThrowWriteError(m_target, error);
    }
    m_committed = true;
    m_temporary.clear();
    SyncFolder(m_target.parent_path());
    detail::Checkpoint("renamed");
}

void PendingFile::discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty() && !m_committed) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

void PendingFileSet::add(const std::filesystem::path& target, const std::function<void(PendingFile&)>& fill) {
    try {
        // One record lists the renames of the whole set, so it lives in one folder.
        if (!m_files.empty() && target.parent_path() != m_files.front().target().parent_path())
            throw Error(DisplayName(target) + ": the files of a set must share a folder");
        PendingFile file(target);
        fill(file);
        // The disk works on this file while the next ones are made; commit() waits.
        file.startWriteback();
        m_files.push_back(std::move(file));
    } catch (...) {
        m_files.clear();
        throw;
    }
}

void PendingFileSet::add(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
    add(target, [bytes](PendingFile& file) { file.write(bytes); });
}

void PendingFileSet::commit() {
    if (m_files.empty()) return;
    std::filesystem::path record;
    try {
        for (PendingFile& file : m_files) file.finish();
        // From the record on the set is complete: a run stopped between the renames
        // below leaves it to the next write in the folder to finish them.
        std::vector<SetRename> renames;
        for (const PendingFile& file : m_files)
            renames.push_back(
                { file.temporaryPath().filename().string(), file.target().filename().string() });
        record = RecordFileSet(m_files.front().target().parent_path(), renames, m_files.front().target());
    } catch (...) {
        m_files.clear();
        throw;
    }
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        try {
            m_files[i].commit();
        } catch (...) {
            for (std::size_t j = 0; j < i; ++j) ::unlink(m_files[j].target().c_str());
            m_files.clear();
            ::unlink(record.c_str());
            throw;
        }
    }
    ::unlink(record.c_str());
    SyncFolder(record.parent_path());
    m_files.clear();
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    PendingFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace deptrix
