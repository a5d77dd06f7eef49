// The order and the bounds of work handed on in index order, and of work in two stages.

#include "core/TaskPool.h"

#include "TaskThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
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

/// What ParallelInTwoStages did over 30 indices on two threads with a window of
/// three: the order each stage saw, whether a first ever ran before the then three
/// indices back had ended, and the message of what it threw (empty if nothing).
struct TwoStageRun {
    std::vector<int> firsts;
    std::vector<int> thens;
    bool windowOverrun = false;
    std::string failure;
};
TwoStageRun TwoStages(int firstFailsAt, int thenFailsAt) {
    const test::ScopedTaskThreads threads(2);
    std::atomic<int> thensEnded { 0 };
    TwoStageRun run;
    try {
        ParallelInTwoStages(
            30,
            [&](int i) {
                if (i - thensEnded.load() > 2) run.windowOverrun = true;
                if (i == firstFailsAt) throw std::runtime_error("first " + std::to_string(i));
                run.firsts.push_back(i);
            },
            [&](int i) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (i == thenFailsAt) throw std::runtime_error("then " + std::to_string(i));
                run.thens.push_back(i);
                ++thensEnded;
            },
            3);
    } catch (const std::runtime_error& e) {
        run.failure = e.what();
    }
    return run;
}

std::vector<int> Indices(int count) {
    std::vector<int> indices(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) indices[static_cast<std::size_t>(i)] = i;
    return indices;
}

TEST(ParallelInTwoStages, RunsBothStagesInOrderWithinTheWindow) {
    const TwoStageRun whole = TwoStages(-1, -1);
    EXPECT_EQ(whole.firsts, Indices(30));
    EXPECT_EQ(whole.thens, Indices(30));
    EXPECT_FALSE(whole.windowOverrun);
    EXPECT_EQ(whole.failure, "");
}

TEST(ParallelInTwoStages, AFailureInEitherStageStopsBothAndIsRethrown) {
    // The indices before a failed first are used; nothing after it begins.
    const TwoStageRun firstFails = TwoStages(12, -1);
    EXPECT_EQ(firstFails.firsts, Indices(12));
    EXPECT_EQ(firstFails.thens, Indices(12));
    EXPECT_EQ(firstFails.failure, "first 12");

    // After a failed then, at most the window's indices were read ahead.
    const TwoStageRun thenFails = TwoStages(-1, 7);
    EXPECT_EQ(thenFails.thens, Indices(7));
    EXPECT_GE(thenFails.firsts.size(), 8u);
    EXPECT_LE(thenFails.firsts.size(), 10u);
    EXPECT_EQ(thenFails.failure, "then 7");
}

} // namespace
} // namespace deptrix
