#include "core/FileIo.h"

#include "core/Error.h"
#include "core/FileDescriptor.h"
#include "core/PrintableText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <sys/uio.h>
#include <system_error>
#include <unistd.h>

namespace deptrix {

namespace {

FileIoHooks& Hooks() {
    static FileIoHooks hooks;
    return hooks;
}

/// Held around each call of the write hook: test hooks count what they let through.
std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string Reason(int errorNumber) {
    return std::generic_category().message(errorNumber);
}

bool IsOutOfSpace(int errorNumber) {
    return errorNumber == ENOSPC || errorNumber == EFBIG
#ifdef EDQUOT
        || errorNumber == EDQUOT
#endif
        ;
}

} // namespace

namespace detail {

std::string NextTemporaryTag() {
    if (Hooks().temporaryTag) return Hooks().temporaryTag();
    return RandomTag();
}

std::string RandomTag() {
    // Exclusive creation is what keeps a file safe; the random part only makes a
    // name taken by someone else unlikely.
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::uint64_t bits = (std::uint64_t { source() } << 32) | source();
    std::string tag;
    for (int i = 0; i < 8; ++i, bits /= 62) tag += kAlphabet[bits % 62];
    return tag;
}

void Checkpoint(const char* step) {
    if (Hooks().checkpoint) Hooks().checkpoint(step);
}

long WriteOnce(const std::filesystem::path& shownAs, int fd, const void* data, std::size_t size) {
    Checkpoint("write");
    const auto& hook = Hooks().write;
    if (!hook) return ::write(fd, data, size);
    const std::lock_guard lock(HookMutex());
    return hook(shownAs, fd, data, size);
}

long WritePiecesAt(
    const std::filesystem::path& shownAs, int fd, const iovec* pieces, int count, std::uint64_t offset) {
    Checkpoint("write");
    const auto& hook = Hooks().write;
    if (!hook) return ::pwritev(fd, pieces, count, static_cast<off_t>(offset));
    // The hook writes where the file stands: a short write of the first piece, which
    // callers continue like any other. Threads writing parts of one file take turns,
    // so that each writes where it placed the file.
    const std::lock_guard lock(HookMutex());
    if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) return -1;
    return hook(shownAs, fd, pieces[0].iov_base, pieces[0].iov_len);
}

} // namespace detail

std::string DisplayName(const std::filesystem::path& path) {
    return PrintableText(path.filename().string());
}

std::string DisplayFolder(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    if (absolute.empty()) absolute = path;
    std::filesystem::path folder = absolute.lexically_normal().parent_path();
    if (folder.empty()) folder = ".";
    return PrintableText(folder.string());
}

void ThrowWriteError(const std::filesystem::path& file, int errorNumber) {
    if (IsOutOfSpace(errorNumber))
        throw Error(
            DisplayName(file) + ": cannot write the file: not enough space in " + DisplayFolder(file));
    throw Error(DisplayName(file) + ": cannot write the file in " + DisplayFolder(file) + " ("
        + Reason(errorNumber) + ")");
}

void WriteAllBytesAt(
    int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset, const std::filesystem::path& shownAs) {
    while (!bytes.empty()) {
        const iovec piece { const_cast<std::uint8_t*>(bytes.data()), bytes.size() };
        const long written = detail::WritePiecesAt(shownAs, fd, &piece, 1, offset);
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowWriteError(shownAs, errno);
        }
        if (written == 0) ThrowWriteError(shownAs, ENOSPC);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
}

void WriteAllBytes(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& shownAs) {
    while (!bytes.empty()) {
        // Large writes go in pieces: some systems refuse single writes above 2 GiB.
        const std::size_t piece = std::min<std::size_t>(bytes.size(), 1u << 30);
        const long written = detail::WriteOnce(shownAs, fd, bytes.data(), piece);
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowWriteError(shownAs, errno);
        }
        if (written == 0) ThrowWriteError(shownAs, ENOSPC);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void SyncFolder(const std::filesystem::path& folder) {
    const FileDescriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get()); // only the durability of a change is in question
}

void SetFileIoHooks(FileIoHooks hooks) {
    Hooks() = std::move(hooks);
}

FileToRead OpenFileToRead(const std::filesystem::path& path, std::uint64_t limitBytes) {
    const auto fail
        = [&](const std::string& problem) -> Error { return Error(DisplayName(path) + ": " + problem); };
    // Non-blocking, so that a pipe planted under the name cannot stall the program;
    // it is refused below like anything else that is not a regular file.
    FileToRead file { FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) };
    if (file.fd.get() < 0)
        throw fail("cannot open the file in " + DisplayFolder(path) + " (" + Reason(errno) + ")");
    struct stat status { };
    if (::fstat(file.fd.get(), &status) != 0)
        throw fail("cannot read the file in " + DisplayFolder(path) + " (" + Reason(errno) + ")");
    if (!S_ISREG(status.st_mode)) throw fail("the file in " + DisplayFolder(path) + " is not a regular file");
    file.size = static_cast<std::uint64_t>(status.st_size);
    if (file.size > limitBytes) throw fail("the file in " + DisplayFolder(path) + " is too large");
    return file;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path, std::uint64_t limitBytes) {
    const FileToRead file = OpenFileToRead(path, limitBytes);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            throw Error(DisplayName(path) + ": cannot read the file in " + DisplayFolder(path) + " ("
                + Reason(errno) + ")");
        if (got == 0) break; // it shrank while we read
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void ReadPiecesAt(const FileToRead& file, std::span<iovec> pieces, std::uint64_t offset,
    const std::filesystem::path& path, const std::string& whatEndedEarly) {
    while (!pieces.empty()) {
        const int count = static_cast<int>(std::min<std::size_t>(pieces.size(), IOV_MAX));
        const ssize_t got = ::preadv(file.fd.get(), pieces.data(), count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            throw Error(DisplayName(path) + ": cannot read the file in " + DisplayFolder(path) + " ("
                + Reason(errno) + ")");
        if (got == 0) throw Error(DisplayName(path) + ": " + whatEndedEarly); // it shrank since it was opened
        offset += static_cast<std::uint64_t>(got);
        // Past the pieces filled, and into the one filled in part.
        auto left = static_cast<std::size_t>(got);
        while (!pieces.empty() && left >= pieces.front().iov_len) {
            left -= pieces.front().iov_len;
            pieces = pieces.subspan(1);
        }
        if (left > 0) {
            pieces.front().iov_base = static_cast<std::uint8_t*>(pieces.front().iov_base) + left;
            pieces.front().iov_len -= left;
        }
    }
}

int CreateWorkFile(const std::filesystem::path& path) {
    // The work folder is private, so nobody else can put a file back between the two
    // calls; O_EXCL and O_NOFOLLOW still refuse to open anything but a new file.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) ThrowWriteError(path, errno);
    const int fd
        = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) ThrowWriteError(path, errno);
    return fd;
}

void WriteNewWorkFile(const std::filesystem::path& path, const std::function<void(int fd)>& write) {
    const int fd = CreateWorkFile(path);
    try {
        write(fd);
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        ThrowWriteError(path, error);
    }
}

void WriteWorkFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    WriteNewWorkFile(path, [&](int fd) { WriteAllBytes(fd, bytes, path); });
}

} // namespace deptrix
