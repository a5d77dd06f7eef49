#include "core/TaskPool.h"

#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace deptrix {

namespace {

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
    explicit Helpers(const std::function<void()>& work)
        : m_work(work) { }
    void start();
    void wait() {
        std::unique_lock lock(m_mutex);
        m_ended.wait(lock, [this] { return m_running == 0; });
    }
    void help() {
        t_onPoolThread = true;
        m_work();
        t_onPoolThread = false;
        const std::lock_guard lock(m_mutex);
        if (--m_running == 0) m_ended.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    const std::function<void()> m_work;
    int m_running = 0;
};

// Calls hand their helpers to the pool's threads through this queue rather than inside
// the pool's own jobs: taking it under a mutex shows the thread sanitizer, which does
// not see inside the pool, that everything the caller wrote comes first.
std::mutex g_handoff;
std::deque<Helpers*> g_waiting;

void Helpers::start() {
    {
        const std::lock_guard lock(m_mutex);
        ++m_running;
    }
    {
        const std::lock_guard lock(g_handoff);
        g_waiting.push_back(this);
    }
    Pool().start([] {
        Helpers* helpers = nullptr;
        {
            const std::lock_guard lock(g_handoff);
            helpers = g_waiting.front();
            g_waiting.pop_front();
        }
        helpers->help();
    });
}

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

int MachineThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(cores), 1, kMaxTaskThreads);
}

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
    Helpers helpers(work);
    for (int h = 1; h < threads; ++h) helpers.start();
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
    Helpers helpers(work);
    for (int h = 0; h < threads; ++h) helpers.start();
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

void ParallelInTwoStages(
    int count, const std::function<void(int)>& first, const std::function<void(int)>& then, int window) {
    if (count <= 0) return;
    if (ThreadsFor(count) <= 1 || window < 1) {
        for (int i = 0; i < count; ++i) {
            first(i);
            then(i);
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable changed;
    int firstEnded = 0; // first(i) has ended for every i below this
    int thenEnded = 0; // then(i) has ended for every i below this
    int limit = count; // no index from here on is begun by either stage: one failed
    FirstFailure failure;
    const auto fail = [&](int at) {
        failure.note(at, std::current_exception());
        limit = std::min(limit, at);
        changed.notify_all();
    };

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (int i = 0;; ++i) {
            changed.wait(lock, [&] { return i < firstEnded || i >= limit; });
            if (i >= limit) return;
            lock.unlock();
            try {
                then(i);
            } catch (...) {
                lock.lock();
                fail(i);
                return;
            }
            lock.lock();
            thenEnded = i + 1;
            changed.notify_all();
        }
    };
    Helpers helpers(work);
    helpers.start();
    {
        std::unique_lock lock(mutex);
        for (int i = 0; i < count; ++i) {
            changed.wait(lock, [&] { return i - thenEnded < window || i >= limit; });
            if (i >= limit) break;
            lock.unlock();
            try {
                first(i);
            } catch (...) {
                lock.lock();
                fail(i);
                break;
            }
            lock.lock();
            firstEnded = i + 1;
            changed.notify_all();
        }
    }
    helpers.wait();
    if (failure.error) std::rethrow_exception(failure.error);
}

} // namespace deptrix
