#include "core/FileIo.h"

#include "core/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

namespace deptrix {

std::string DisplayName(const std::filesystem::path& path) {
    const auto name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path, std::uint64_t limitBytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw Error(DisplayName(path) + ": cannot open the file (" + std::strerror(errno) + ")");
    const std::streamoff size = in.tellg();
    if (size < 0) throw Error(DisplayName(path) + ": cannot read the file");
    if (static_cast<std::uint64_t>(size) > limitBytes)
        throw Error(DisplayName(path) + ": the file is too large");
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw Error(DisplayName(path) + ": cannot read the file");
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::random_device seed;
    const auto temp
        = path.parent_path() / (path.filename().string() + ".tmp" + std::to_string(seed() % 1000000u));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw Error(DisplayName(path) + ": cannot write the file (" + std::strerror(errno) + ")");
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw Error(DisplayName(path) + ": cannot write the file (disk full?)");
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw Error(DisplayName(path) + ": cannot write the file (" + error.message() + ")");
    }
}

} // namespace deptrix
