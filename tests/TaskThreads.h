#pragma once

#include "core/TaskPool.h"

namespace deptrix::test {

/// Runs the enclosing scope's parallel work on `threads` threads.
class ScopedTaskThreads {
public:
    explicit ScopedTaskThreads(int threads)
        : m_before(TaskThreads()) {
        SetTaskThreads(threads);
    }
    ~ScopedTaskThreads() { SetTaskThreads(m_before); }
    ScopedTaskThreads(const ScopedTaskThreads&) = delete;
    ScopedTaskThreads& operator=(const ScopedTaskThreads&) = delete;

private:
    int m_before;
};

} // namespace deptrix::test
