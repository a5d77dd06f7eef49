#include "core/PendingFile.h"

#include "core/Error.h"
#include "core/FileIo.h"

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
// Room for ".tmp" and the tag within the usual 255-byte limit of a file name.
constexpr std::size_t kMaxBaseBytes = 200;

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

void SyncFolder(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return; // the rename happened; only its durability is in question
    ::fsync(fd);
    ::close(fd);
}

} // namespace

PendingFile::PendingFile(std::filesystem::path target)
    : m_target(std::move(target)) {
    std::string base = m_target.filename().string();
    if (base.empty() || base == "." || base == "..")
        throw Error(PrintableText(m_target.string()) + ": not a file name");
    if (base.size() > kMaxBaseBytes) base.resize(kMaxBaseBytes);
    const std::filesystem::path folder = m_target.parent_path();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = folder / (base + ".tmp" + detail::NextTemporaryTag());
        const int fd = ::open(
            candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = candidate;
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
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        discard();
        ThrowWriteError(m_target, error);
    }
    m_committed = true;
    m_temporary.clear();
    SyncFolder(m_target);
}

void PendingFile::discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty() && !m_committed) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

void PendingFileSet::add(const std::filesystem::path& target, const std::function<void(PendingFile&)>& fill) {
    try {
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
    try {
        for (PendingFile& file : m_files) file.finish();
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
            throw;
        }
    }
    m_files.clear();
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    PendingFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace deptrix
