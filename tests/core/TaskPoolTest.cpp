// The order and the bounds of work handed on in index order.

#include "core/TaskPool.h"

#include "TaskThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace deptrix {
namespace {

/// Runs ParallelInOrder over 40 indices on three threads, the first finish waiting
/// (at most 0.3 seconds) until `waitFor` productions have ended; returns the most
/// indices under way at once and the order of the finishes.
struct InOrderRun {
    int mostUnderWay = 0;
    std::vector<int> finished;
};
InOrderRun InOrder(int maxThreads, int window, int waitFor) {
    const test::ScopedTaskThreads threads(3);
    std::atomic<int> produced { 0 };
    std::atomic<int> begun { 0 };
    std::atomic<int> done { 0 };
    std::atomic<int> most { 0 };
    InOrderRun run;
    ParallelInOrder(
        40,
        [&](int) {
            const int underWay = ++begun - done.load();
            int seen = most.load();
            while (underWay > seen && !most.compare_exchange_weak(seen, underWay)) { }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++produced;
        },
        [&](int i) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            while (i == 0 && produced.load() < waitFor && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            run.finished.push_back(i);
            ++done;
        },
        maxThreads, window);
    run.mostUnderWay = most.load();
    return run;
}

TEST(ParallelInOrder, FinishesInOrderWithinTheThreadsAndTheWindow) {
    std::vector<int> order(40);
    for (int i = 0; i < 40; ++i) order[static_cast<std::size_t>(i)] = i;

    // Two threads, and a window of four: four results are made while the first waits.
    const InOrderRun wide = InOrder(2, 4, 4);
    EXPECT_EQ(wide.finished, order);
    EXPECT_EQ(wide.mostUnderWay, 4);

    // Without a window only the threads' own results are under way.
    const InOrderRun narrow = InOrder(2, 0, 4);
    EXPECT_EQ(narrow.finished, order);
    EXPECT_EQ(narrow.mostUnderWay, 2);
}

} // namespace
} // namespace deptrix
