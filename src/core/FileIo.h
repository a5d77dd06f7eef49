#pragma once

#include "core/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <sys/uio.h>
#include <vector>

namespace deptrix {

/// The whole file; throws Error naming the file and its folder when it cannot be
/// opened or read, when it is not a regular file, or when it is larger than
/// `limitBytes`.
std::vector<std::uint8_t> ReadFileBytes(
    const std::filesystem::path& path, std::uint64_t limitBytes = 4ull << 30);

/// A regular file open for reading and its size when opened.
struct FileToRead {
    FileDescriptor fd;
    std::uint64_t size = 0;
};

/// Opens `path` for reading as ReadFileBytes does, with the same errors.
FileToRead OpenFileToRead(const std::filesystem::path& path, std::uint64_t limitBytes);

/// Fills `pieces` with the file's bytes from `offset` on, in order; throws Error naming
/// the file when it cannot be read or ends first ("<name>: <whatEndedEarly>").
void ReadPiecesAt(const FileToRead& file, std::span<iovec> pieces, std::uint64_t offset,
    const std::filesystem::path& path, const std::string& whatEndedEarly);

/// Writes `bytes` to a new temporary file in the same folder (see PendingFile) and
/// renames it over `path`: a failed write leaves the target as it was, and a link
/// planted at a temporary name is never followed. Throws Error naming the file and
/// its folder on failure.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

/// Writes a file of the program's private work folder: an old file of that name is
/// removed and the new one is created exclusively, owner-only, without the flush to
/// the disk that outputs get. A failed write leaves no file under the name.
void WriteWorkFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

/// Creates `path` afresh for writing: an old file of that name is removed and the new
/// one created exclusively, owner-only and never through a link. Returns the
/// descriptor; throws Error naming the file on failure.
int CreateWorkFile(const std::filesystem::path& path);

/// Creates the work file `path` afresh (CreateWorkFile), lets `write` fill the
/// descriptor and closes it; when anything fails the file is removed and the error
/// passed on.
void WriteNewWorkFile(const std::filesystem::path& path, const std::function<void(int fd)>& write);

/// The file name of `path` as printable UTF-8 text, for messages.
std::string DisplayName(const std::filesystem::path& path);

/// The folder that holds `path` (made absolute) as printable UTF-8 text, for messages.
std::string DisplayFolder(const std::filesystem::path& path);

/// Throws the Error for a failed write of `file`: "not enough space in FOLDER" for a
/// full disk or quota (ENOSPC, EDQUOT, EFBIG), else the system's reason.
[[noreturn]] void ThrowWriteError(const std::filesystem::path& file, int errorNumber);

/// Writes all of `bytes` to `fd` (short writes and interruptions are continued);
/// failures throw ThrowWriteError for `shownAs`.
void WriteAllBytes(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& shownAs);

/// WriteAllBytes at `offset` of the file (pwrite), leaving the file position alone.
void WriteAllBytesAt(
    int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset, const std::filesystem::path& shownAs);

/// Asks the system to make the names in `folder` (a rename, a removal) durable; failures
/// are ignored, since the change itself has happened.
void SyncFolder(const std::filesystem::path& folder);

/// Seams for tests: the last part of temporary file names (random when not set), the
/// write system call (to fill the disk at a chosen moment; returns what write()
/// returns and sets errno the same way), and a call at every step of writing files
/// (each write call, each temporary file made, finished or renamed), where a test can
/// end the process as a kill would.
struct FileIoHooks {
    std::function<std::string()> temporaryTag;
    std::function<long(const std::filesystem::path& file, int fd, const void* data, std::size_t size)> write;
    std::function<void(const char* step)> checkpoint;
};
/// Installs `hooks` for the whole process; FileIoHooks {} restores the real calls.
void SetFileIoHooks(FileIoHooks hooks);

namespace detail {
/// The random part of the next temporary file name (or the test hook's).
std::string NextTemporaryTag();
/// Eight random letters and digits, never the test hook's.
std::string RandomTag();
/// Tells the test hook that writing has reached `step`.
void Checkpoint(const char* step);
/// One write() of `fd`, or the test hook's; for writers that cannot throw between
/// their writes (callbacks of C libraries).
long WriteOnce(const std::filesystem::path& shownAs, int fd, const void* data, std::size_t size);
/// One pwritev() of `fd` at `offset`, or the test hook's write of the first piece there.
long WritePiecesAt(
    const std::filesystem::path& shownAs, int fd, const iovec* pieces, int count, std::uint64_t offset);
} // namespace detail

} // namespace deptrix
