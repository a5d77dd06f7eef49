// deptrix-batch that stops dead at a chosen step of its file work (a write call, a
// temporary file made, finished or renamed, a set recorded), as a kill at that moment
// would: for the tests of what an interrupted run leaves behind.
//
// Usage: deptrix-batch-stopping STEP ARGUMENTS...
// Exits with 77 when it stopped at STEP; otherwise runs to the end. STEP 0 never stops
// and prints the name of each step the run took, one a line.

#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/FileIo.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <sstream>
#include <string>

namespace {

constexpr int kStopped = 77;

std::atomic<long> g_steps { 0 };
std::mutex g_namesLock; // work files are written on other threads
std::string g_names; // one line per step, for a run that is not stopped

struct Silent final : deptrix::BatchProgress {
    void beginStep(const char*) override { }
    void setPosition(int) override { }
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) return 2;
    const long stopAt = std::strtol(argv[1], nullptr, 10);
    deptrix::FileIoHooks hooks;
    hooks.checkpoint = [stopAt](const char* step) {
        if (++g_steps == stopAt) std::_Exit(kStopped);
        if (stopAt != 0) return;
        const std::lock_guard lock(g_namesLock);
        g_names.append(step).push_back('\n');
    };
    deptrix::SetFileIoHooks(hooks);
    try {
        std::ostringstream info;
        Silent progress;
        deptrix::RunBatch(deptrix::ParseBatchOptions({ argv + 2, argv + argc }), info, progress);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::fputs(g_names.c_str(), stdout);
    return 0;
}
