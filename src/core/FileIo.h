#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// The whole file; throws Error naming the file when it cannot be opened or read, or
/// when it is larger than `limitBytes`.
std::vector<std::uint8_t> ReadFileBytes(
    const std::filesystem::path& path, std::uint64_t limitBytes = 4ull << 30);

/// Writes `bytes` to a temporary file in the same folder and renames it over `path`,
/// so a failed write never leaves a half-written file under the final name. Throws
/// Error naming the file on failure.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

/// A file written progressively beside `target` under a temporary name and renamed
/// over `target` only when complete, for outputs too large to hold in memory. The
/// temporary is created exclusively and without following links (a name planted in
/// the folder is never written through), owner-only while it is written, and gets
/// the usual permissions (0666 less the umask) just before the rename. Until
/// commit() an existing file under `target` stays as it was; destroying an
/// uncommitted file removes the temporary.
class TemporaryOutputFile {
public:
    /// Throws Error naming the folder when no temporary can be created there.
    explicit TemporaryOutputFile(std::filesystem::path target);
    ~TemporaryOutputFile();
    TemporaryOutputFile(const TemporaryOutputFile&) = delete;
    TemporaryOutputFile& operator=(const TemporaryOutputFile&) = delete;

    /// The open descriptor to write through; stays owned by this object.
    int descriptor() const { return m_descriptor; }
    const std::filesystem::path& temporaryPath() const { return m_temporary; }
    const std::filesystem::path& target() const { return m_target; }

    /// Closes the file and renames it over the target. Throws Error (see
    /// ThrowWriteError) when closing or renaming fails; the temporary is then removed.
    void commit();

private:
    void discard() noexcept;

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_descriptor = -1;
};

/// Throws the Error for a write to `target` that failed with `errorNumber`: a full
/// disk or quota is "not enough space in <folder>", anything else names the file and
/// the system's reason.
[[noreturn]] void ThrowWriteError(const std::filesystem::path& target, int errorNumber);

/// The file name of `path` as UTF-8 text, for messages.
std::string DisplayName(const std::filesystem::path& path);

} // namespace deptrix
