#include "import/PageRelease.h"

#include <sys/mman.h>
#include <unistd.h>

namespace deptrix {

void ReleaseMappedPages(std::span<const std::uint8_t> range) {
    if (range.empty()) return;
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(range.data());
    const std::uintptr_t from = (start + page - 1) / page * page;
    const std::uintptr_t to = (start + range.size()) / page * page;
    if (from >= to) return;
    // Advice only: when it is refused the pages simply stay.
    ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

} // namespace deptrix
