#include "core/FileIo.h"

#include "core/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace deptrix {

std::string DisplayName(const std::filesystem::path& path) {
    const auto name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path, std::uint64_t limitBytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw Error(DisplayName(path) + ": cannot open the file (" + std::strerror(errno) + ")");
    const std::streamoff size = in.tellg();
    if (size < 0) throw Error(DisplayName(path) + ": cannot read the file");
    if (static_cast<std::uint64_t>(size) > limitBytes)
        throw Error(DisplayName(path) + ": the file is too large");
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw Error(DisplayName(path) + ": cannot read the file");
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::random_device seed;
    const auto temp
        = path.parent_path() / (path.filename().string() + ".tmp" + std::to_string(seed() % 1000000u));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw Error(DisplayName(path) + ": cannot write the file (" + std::strerror(errno) + ")");
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw Error(DisplayName(path) + ": cannot write the file (disk full?)");
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw Error(DisplayName(path) + ": cannot write the file (" + error.message() + ")");
    }
}

namespace {

std::string FolderText(const std::filesystem::path& target) {
    const std::filesystem::path folder
        = target.has_parent_path() ? target.parent_path() : std::filesystem::current_path();
    const auto text = folder.u8string();
    return std::string(text.begin(), text.end());
}

/// The process's file creation mask, read without changing it where the system
/// tells it; elsewhere set and restored at once.
mode_t CurrentUmask() {
    if (std::ifstream status("/proc/self/status"); status) {
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("Umask:", 0) != 0) continue;
            mode_t mask = 0;
            for (const char c : line.substr(6))
                if (c >= '0' && c <= '7') mask = static_cast<mode_t>(mask * 8 + static_cast<mode_t>(c - '0'));
            return mask;
        }
    }
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

} // namespace

void ThrowWriteError(const std::filesystem::path& target, int errorNumber) {
    if (errorNumber == ENOSPC
#ifdef EDQUOT
        || errorNumber == EDQUOT
#endif
    )
        throw Error("not enough space in " + FolderText(target) + " to write " + DisplayName(target));
    throw Error(DisplayName(target) + ": cannot write the file (" + std::strerror(errorNumber) + ")");
}

TemporaryOutputFile::TemporaryOutputFile(std::filesystem::path target)
    : m_target(std::move(target)) {
    std::random_device seed;
    const std::filesystem::path folder = m_target.parent_path();
    const std::string stem = m_target.filename().string() + ".tmp";
    // A name taken by someone else (a file or a planted link) is skipped, never opened.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = folder / (stem + std::to_string(seed() % 100000000u));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            m_temporary = candidate;
            m_descriptor = fd;
            return;
        }
        if (errno != EEXIST) {
            const int error = errno;
            throw Error(
                "cannot create a file in " + FolderText(m_target) + " (" + std::strerror(error) + ")");
        }
    }
    throw Error("cannot create a file in " + FolderText(m_target) + " (no free temporary name)");
}

TemporaryOutputFile::~TemporaryOutputFile() {
    discard();
}

void TemporaryOutputFile::discard() noexcept {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_descriptor = -1;
    if (!m_temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

void TemporaryOutputFile::commit() {
    if (m_descriptor < 0) throw Error(DisplayName(m_target) + ": the file is already closed");
    // Owner-only while written; the finished file gets what any new file would.
    ::fchmod(m_descriptor, 0666 & ~CurrentUmask());
    const int closed = ::close(m_descriptor);
    const int closeError = errno;
    m_descriptor = -1;
    if (closed != 0) {
        discard();
        ThrowWriteError(m_target, closeError);
    }
    std::error_code error;
    std::filesystem::rename(m_temporary, m_target, error);
    if (error) {
        discard();
        throw Error(DisplayName(m_target) + ": cannot write the file (" + error.message() + ")");
    }
    m_temporary.clear();
}

} // namespace deptrix
