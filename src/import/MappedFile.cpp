#include "import/MappedFile.h"

#include "core/FileIo.h"
#include "import/PsdFailure.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace deptrix {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, const char* action, int error) {
    FailPsd(DisplayName(path),
        std::string(action) + " the file in " + DisplayFolder(path) + " ("
            + std::generic_category().message(error) + ")");
}

} // namespace

// The name goes to the system as the bytes it is, so names that are not UTF-8 open too.
MappedFile::MappedFile(const std::filesystem::path& path) {
    // Non-blocking, so that a pipe under the name is refused instead of waited for.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) Fail(path, "cannot open", errno);
    struct stat status { };
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        Fail(path, "cannot read", error);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        FailPsd(DisplayName(path), "the file in " + DisplayFolder(path) + " is not a regular file");
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size == 0) { // nothing to map; the header check reports the empty file
        ::close(fd);
        return;
    }
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    const int error = errno;
    ::close(fd); // the mapping keeps the file
    if (data == MAP_FAILED) Fail(path, "cannot read", error);
    m_bytes = { static_cast<const std::uint8_t*>(data), size };
}

MappedFile::~MappedFile() {
    if (!m_bytes.empty()) ::munmap(const_cast<std::uint8_t*>(m_bytes.data()), m_bytes.size());
}

} // namespace deptrix
