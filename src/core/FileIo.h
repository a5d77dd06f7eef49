#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// The whole file; throws Error naming the file when it cannot be opened or read, or
/// when it is larger than `limitBytes`.
std::vector<std::uint8_t> ReadFileBytes(
    const std::filesystem::path& path, std::uint64_t limitBytes = 4ull << 30);

/// Writes `bytes` to a temporary file in the same folder and renames it over `path`,
/// so a failed write never leaves a half-written file under the final name. Throws
/// Error naming the file on failure.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

/// The file name of `path` as UTF-8 text, for messages.
std::string DisplayName(const std::filesystem::path& path);

} // namespace deptrix
