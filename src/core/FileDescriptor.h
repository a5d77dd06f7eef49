#pragma once

#include <unistd.h>

namespace deptrix {

/// Owns an open file descriptor and closes it when it goes; -1 holds nothing.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd) { }
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(other.m_fd) {
        other.m_fd = -1;
    }
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace deptrix
