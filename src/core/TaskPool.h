#pragma once

#include <functional>

namespace deptrix {

/// The most threads a user may ask for.
inline constexpr int kMaxTaskThreads = 256;

/// The machine's cores, within 1..kMaxTaskThreads: the thread count unless set otherwise.
int MachineThreads();

/// How many threads parallel work uses, the calling one included: every core of the
/// machine unless set otherwise.
int TaskThreads();

/// Sets the thread count, held within 1..kMaxTaskThreads. With 1 every task runs on
/// the calling thread in index order, exactly as a plain loop would.
void SetTaskThreads(int threads);

/// Runs task(0) .. task(count - 1) on up to TaskThreads() threads, the calling one
/// among them, and returns once all have ended. Once a task throws, tasks not yet
/// begun are skipped, and the exception of the lowest index is rethrown. Tasks run
/// off the calling thread must leave widgets and Progress sinks alone.
void ParallelFor(int count, const std::function<void(int)>& task);

/// produce(i) for i = 0 .. count - 1 on pool threads and finish(i) on the calling
/// thread, in index order, as soon as produce(i) has ended: the shape of work whose
/// results go to a file or a window one after the other. At most TaskThreads()
/// indices are being produced or waiting for their finish at any time, which bounds
/// the memory their results hold. An exception stops further productions; after the
/// running ones end, the first failure in index order is rethrown, every index
/// before it having been finished. With one thread: produce(i), finish(i), in turn.
/// `maxThreads` lowers the thread count for work whose every thread holds much memory;
/// a `window` above the thread count lets that many indices be under way at once, so
/// the threads go on producing while results wait for their finish.
void ParallelInOrder(int count, const std::function<void(int)>& produce,
    const std::function<void(int)>& finish, int maxThreads = kMaxTaskThreads, int window = 0);

/// first(i) for i = 0 .. count - 1 on the calling thread and then(i) on one pool thread,
/// each in index order, then(i) once first(i) has ended: two stages of sequential work
/// (a decoder and what uses its output) running side by side. first(i) waits until
/// then(i - window) has ended, so `window` buffers, taken in turn, carry the results
/// from one stage to the other. An exception stops both stages; after the running
/// ones end, the first failure in index order is rethrown. With one thread, or
/// called from a pool thread: first(i), then(i), in turn.
void ParallelInTwoStages(
    int count, const std::function<void(int)>& first, const std::function<void(int)>& then, int window);

} // namespace deptrix
