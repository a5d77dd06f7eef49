#pragma once

#include "core/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace deptrix::test {

/// A new private folder under the system's temporary folder, removed with everything
/// in it.
class TestFolder {
public:
    TestFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "deptrix-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_path = pattern;
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    /// The names in the folder.
    std::set<std::string> names() const { return NamesIn(m_path); }
    static std::set<std::string> NamesIn(const std::filesystem::path& folder) {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            result.insert(entry.path().filename().string());
        return result;
    }

private:
    std::filesystem::path m_path;
};

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// The name this process gives a temporary file of `target` with the tag `tag`.
inline std::string TemporaryOf(const std::filesystem::path& target, const std::string& tag) {
    return target.string() + ".tmp" + std::to_string(::getpid()) + "-" + tag;
}

/// Installs file hooks for one test.
class ScopedFileIoHooks {
public:
    explicit ScopedFileIoHooks(FileIoHooks hooks) { SetFileIoHooks(std::move(hooks)); }
    ~ScopedFileIoHooks() { SetFileIoHooks({}); }
    ScopedFileIoHooks(const ScopedFileIoHooks&) = delete;
    ScopedFileIoHooks& operator=(const ScopedFileIoHooks&) = delete;
};

/// Temporary-name tags "t1", "t2", ... in order.
inline FileIoHooks CountingTags() {
    FileIoHooks hooks;
    hooks.temporaryTag = [n = 0]() mutable { return "t" + std::to_string(++n); };
    return hooks;
}

/// A disk that fills up: writes to files whose path contains `pathPart` fail with
/// `error` (ENOSPC, ...) once `allowed` bytes went to them; other files are written.
inline FileIoHooks FillingDisk(int error, std::size_t allowed, std::string pathPart = "") {
    FileIoHooks hooks;
    hooks.write = [=, written = std::make_shared<std::size_t>(0)](
                      const std::filesystem::path& file, int fd, const void* data, std::size_t size) -> long {
        if (file.string().find(pathPart) != std::string::npos) {
            size = std::min(size, allowed - *written);
            if (size == 0) {
                errno = error;
                return -1;
            }
        }
        const long done = ::write(fd, data, size);
        if (done > 0 && file.string().find(pathPart) != std::string::npos)
            *written += static_cast<std::size_t>(done);
        return done;
    };
    return hooks;
}

} // namespace deptrix::test
