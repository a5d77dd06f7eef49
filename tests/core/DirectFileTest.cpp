// Files written in stretches straight to the disk: the same bytes whatever the order,
// alignment and route of the stretches, a fall back to the page cache where direct
// writes are refused, and failures that name the file.

#include "core/DirectFile.h"

#include "TestFolder.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <unistd.h>
#include <vector>

namespace deptrix {
namespace {

using test::ScopedFileIoHooks;
using test::TestFolder;

std::vector<std::uint8_t> Noise(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937 rng(seed);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    return bytes;
}

/// Cuts `size` bytes into stretches of random lengths (some within one block, some
/// spanning many) and returns them shuffled.
std::vector<std::pair<std::size_t, std::size_t>> Stretches(std::size_t size, std::mt19937& rng) {
    std::vector<std::pair<std::size_t, std::size_t>> cuts;
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = std::min(size - at,
            rng() % 3 == 0 ? std::size_t { 1 } + rng() % 300
                           : std::size_t { 1 } + rng() % (5 * kDirectBlock));
        cuts.emplace_back(at, length);
        at += length;
    }
    std::shuffle(cuts.begin(), cuts.end(), rng);
    return cuts;
}

/// Writes `expected` through a DirectFile in random stretches; `aligned` places each
/// stretch in memory as the disk wants it, otherwise one byte off.
void WriteInStretches(const std::filesystem::path& path, const std::vector<std::uint8_t>& expected,
    bool aligned, unsigned seed, bool* stayedDirect = nullptr) {
    std::mt19937 rng(seed);
    const int fd = CreateWorkFile(path);
    {
        DirectFile file(fd, path, expected.size(), 0);
        const bool startedDirect = file.direct();
        for (const auto& [offset, length] : Stretches(expected.size(), rng)) {
            AlignedBytes memory(length + 1);
            std::uint8_t* at = memory.at((offset + (aligned ? 0 : 1)) % kDirectBlock);
            std::copy_n(expected.begin() + static_cast<std::ptrdiff_t>(offset), length, at);
            EXPECT_FALSE(file.complete());
            file.write(offset, at, length, rng() % 4 == 0);
        }
        EXPECT_TRUE(file.complete());
        file.finish();
        if (stayedDirect) *stayedDirect = startedDirect && file.direct();
    }
    ::close(fd);
}

TEST(DirectFile, StretchesInAnyOrderAndAlignmentGiveTheFileByteForByte) {
    TestFolder folder;
    // Sizes on and off the block grid, smaller than a block, and one block exactly.
    for (const std::size_t size : { std::size_t { 200 }, kDirectBlock, 3 * kDirectBlock + 1000,
             std::size_t { 1 } << 20, (std::size_t { 1 } << 20) + 54 }) {
        const auto expected = Noise(size, static_cast<unsigned>(size));
        for (const bool aligned : { true, false }) {
            const auto path = folder / ("f" + std::to_string(size) + (aligned ? "a" : "u"));
            bool stayedDirect = false;
            WriteInStretches(path, expected, aligned, static_cast<unsigned>(size) + aligned, &stayedDirect);
            EXPECT_EQ(ReadFileBytes(path), expected) << size << (aligned ? " aligned" : " one byte off");
            // Where the disk takes direct writes nothing here is refused.
            const int probe = CreateWorkFile(folder / "probe");
            const bool directHere = DirectFile(probe, "probe", 1, 0).direct();
            ::close(probe);
            if (directHere) {
                EXPECT_TRUE(stayedDirect) << size;
            }
        }
    }
}

TEST(DirectFile, RefusedDirectWritesFallBackToThePageCache) {
    TestFolder folder;
    // A file system that refuses every direct write after the first.
    int directWrites = 0;
    FileIoHooks hooks;
    hooks.write = [&](const std::filesystem::path&, int fd, const void* data, std::size_t size) -> long {
        if ((::fcntl(fd, F_GETFL) & O_DIRECT) && ++directWrites > 1) {
            errno = EINVAL;
            return -1;
        }
        return ::write(fd, data, size);
    };
    const ScopedFileIoHooks scoped(hooks);
    const auto expected = Noise(20 * kDirectBlock + 77, 4);
    WriteInStretches(folder / "refused", expected, true, 5);
    EXPECT_EQ(ReadFileBytes(folder / "refused"), expected);
}

TEST(DirectFile, AFullDiskIsReportedNamingTheFileAndSmallFilesStayCached) {
    TestFolder folder;
    {
        const ScopedFileIoHooks scoped(test::FillingDisk(ENOSPC, 3 * kDirectBlock + 10));
        const int fd = CreateWorkFile(folder / "ly7.gjs");
        DirectFile file(fd, folder / "ly7.gjs", 8 * kDirectBlock, 0);
        AlignedBytes memory(8 * kDirectBlock);
        try {
            file.write(0, memory.at(0), 8 * kDirectBlock);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("ly7.gjs"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("not enough space"), std::string::npos) << e.what();
        }
        ::close(fd);
    }
    const int fd = CreateWorkFile(folder / "small");
    DirectFile small(fd, folder / "small", kDirectFrom - 1);
    EXPECT_FALSE(small.direct());
    const std::uint8_t byte = 1;
    EXPECT_THROW(small.write(kDirectFrom - 1, &byte, 1), Error); // past the end
    ::close(fd);
}

} // namespace
} // namespace deptrix
