#pragma once

#include <charconv>
#include <fstream>
#include <string>

namespace deptrix::bench {

/// A memory figure of this process in MB from /proc/self/status ("VmRSS", "VmHWM",
/// ...); 0 where the kernel does not give it.
inline double ProcessMemoryMb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = field + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) != 0) continue;
        const std::size_t digits = line.find_first_of("0123456789");
        long kilobytes = 0;
        if (digits != std::string::npos)
            std::from_chars(line.data() + digits, line.data() + line.size(), kilobytes);
        return static_cast<double>(kilobytes) / 1024.0;
    }
    return 0;
}

} // namespace deptrix::bench
