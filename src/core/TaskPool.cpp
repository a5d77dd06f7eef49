#include "core/TaskPool.h"

#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace deptrix {

namespace {

int MachineThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(cores), 1, kMaxTaskThreads);
}

std::atomic<int> g_threads { MachineThreads() };

// Work started from a pool thread runs where it is: waiting there for more pool
// threads could take every thread the pool has.
thread_local bool t_onPoolThread = false;

QThreadPool& Pool() {
    static QThreadPool* pool = [] {
        auto* made = new QThreadPool; // lives as long as the program; threads expire when idle
        made->setMaxThreadCount(kMaxTaskThreads);
        return made;
    }();
    return *pool;
}

/// Waits for the helpers a call started: each one leaves once it has no more work.
class Helpers {
public:
    void start(const std::function<void()>& work) {
        {
            const std::lock_guard lock(m_mutex);
            ++m_running;
        }
        Pool().start([this, work] {
            t_onPoolThread = true;
            work();
            t_onPoolThread = false;
            const std::lock_guard lock(m_mutex);
            if (--m_running == 0) m_ended.notify_all();
        });
    }
    void wait() {
        std::unique_lock lock(m_mutex);
        m_ended.wait(lock, [this] { return m_running == 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    int m_running = 0;
};

int ThreadsFor(int count) {
    return t_onPoolThread ? 1 : std::min(g_threads.load(), count);
}

/// The first failure in index order.
struct FirstFailure {
    int index = -1;
    std::exception_ptr error;
    void note(int at, std::exception_ptr thrown) {
        if (index < 0 || at < index) {
            index = at;
            error = std::move(thrown);
        }
    }
};

} // namespace

int TaskThreads() {
    return g_threads.load();
}

void SetTaskThreads(int threads) {
    g_threads.store(std::clamp(threads, 1, kMaxTaskThreads));
}

void ParallelFor(int count, const std::function<void(int)>& task) {
    if (count <= 0) return;
    const int threads = ThreadsFor(count);
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) task(i);
        return;
    }
    std::atomic<int> next { 0 };
    std::atomic<bool> failed { false };
    std::mutex failureLock;
    FirstFailure failure;
    const auto work = [&] {
        // Indices are taken in order, so everything below a failure has begun.
        for (int i = next++; i < count && !failed.load(); i = next++) {
            try {
                task(i);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                failure.note(i, std::current_exception());
                failed.store(true);
            }
        }
    };
    Helpers helpers;
    for (int h = 1; h < threads; ++h) helpers.start(work);
    work();
    helpers.wait();
    if (failure.error) std::rethrow_exception(failure.error);
}

void ParallelInOrder(int count, const std::function<void(int)>& produce,
    const std::function<void(int)>& finish, int maxThreads, int window) {
    if (count <= 0) return;
    const int threads = std::min(ThreadsFor(count), std::max(maxThreads, 1));
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) {
            produce(i);
            finish(i);
        }
        return;
    }
    const int underWay = std::max(threads, window);
    std::mutex mutex;
    std::condition_variable changed;
    int next = 0; // the next index to produce
    int finished = 0; // indices below this are finished
    int limit = count; // no index from here on is begun: one failed
    std::vector<char> produced(static_cast<std::size_t>(count), 0);
    FirstFailure failure;

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return next >= limit || next < finished + underWay; });
            if (next >= limit) return;
            const int i = next++;
            lock.unlock();
            std::exception_ptr error;
            try {
                produce(i);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error) {
                failure.note(i, error);
                limit = std::min(limit, i);
            }
            produced[static_cast<std::size_t>(i)] = 1;
            changed.notify_all();
        }
    };
    Helpers helpers;
    for (int h = 0; h < threads; ++h) helpers.start(work);
    {
        std::unique_lock lock(mutex);
        for (int i = 0; i < count; ++i) {
            changed.wait(lock, [&] { return produced[static_cast<std::size_t>(i)] != 0 || i >= limit; });
            if (i >= limit) break;
            lock.unlock();
            try {
                finish(i);
            } catch (...) {
                lock.lock();
                failure.note(i, std::current_exception());
                limit = std::min(limit, i);
                changed.notify_all();
                break;
            }
            lock.lock();
            finished = i + 1;
            changed.notify_all();
        }
    }
    helpers.wait();
    if (failure.error) std::rethrow_exception(failure.error);
}

} // namespace deptrix
