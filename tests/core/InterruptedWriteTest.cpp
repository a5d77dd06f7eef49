// What a killed writer leaves is cleared by the next write: its temporary files go, and
// a set it had begun to rename into place is completed.

#include "TestFolder.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/PendingFile.h"
#include "core/TemporaryFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TestFolder;
using test::WriteText;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return { text.begin(), text.end() };
}

// The id of a process that has ended.
long EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) std::_Exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string Leftover(const std::string& target, long pid, const std::string& tag) {
    return target + ".tmp" + std::to_string(pid) + "-" + tag;
}

// Only our own exact pattern for that target, from a process that has ended, and only a
// regular file of this user goes.
TEST(InterruptedWrites, AWriteRemovesTheLeftoversOfEndedWritersOfItsTarget) {
    TestFolder folder;
    const long ended = EndedProcess();
    const std::set<std::string> kept { Leftover("out.bin", ::getppid(), "Abcd1234"), // still running
        Leftover("out.bin", ended, "abc"), Leftover("out.bin", ended, "abcd1234x"),
        Leftover("out.bin", 0, "abcd1234"), Leftover("other.bin", ended, "abcd1234"),
        "out.bin.tmp" + std::to_string(ended) };
    for (const std::string& name : kept) WriteText(folder / name, "not a leftover of out.bin");
    WriteText(folder / Leftover("out.bin", ended, "abcd1234"), "left by a killed run");
    fs::create_symlink("/nowhere", folder / Leftover("out.bin", ended, "link1234"));
    if (::geteuid() == 0) {
        WriteText(folder / Leftover("out.bin", ended, "other123"), "another user's");
        ASSERT_EQ(::chown((folder / Leftover("out.bin", ended, "other123")).c_str(), 65534, 65534), 0);
    }

    WriteFileAtomically(folder / "out.bin", Bytes("new"));
    std::set<std::string> expected = kept;
    expected.insert({ "out.bin", Leftover("out.bin", ended, "link1234") });
    if (::geteuid() == 0) expected.insert(Leftover("out.bin", ended, "other123"));
    EXPECT_EQ(folder.names(), expected);
}

TEST(InterruptedWrites, AReadOnlyTargetIsRefusedAndKept) {
    TestFolder folder;
    WriteText(folder / "s.tw3d2", "mine");
    ::chmod((folder / "s.tw3d2").c_str(), 0444);
    try {
        WriteFileAtomically(folder / "s.tw3d2", Bytes("new"));
        FAIL() << "replaced";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
            "s.tw3d2: the file in " + folder.path().string() + " is read-only; it was left as it is");
    }
    struct stat status { };
    ASSERT_EQ(::stat((folder / "s.tw3d2").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0444u);
    EXPECT_EQ(ReadText(folder / "s.tw3d2"), "mine");
    EXPECT_EQ(folder.names(), std::set<std::string> { "s.tw3d2" });
}

// Writes a.bin, b.bin and c.bin as a set and dies at the `nth` step called `step`, as a
// kill there would.
[[noreturn]] void WriteSetDyingAt(const TestFolder& folder, std::string step, int nth) {
    FileIoHooks hooks;
    hooks.checkpoint = [step, nth, seen = 0](const char* at) mutable {
        if (step == at && ++seen == nth) std::_Exit(3);
    };
    SetFileIoHooks(hooks);
    PendingFileSet set;
    for (const char* name : { "a.bin", "b.bin", "c.bin" })
        set.add(folder / name, Bytes(std::string("new ") + name));
    set.commit();
    std::_Exit(0);
}

TEST(InterruptedWritesDeathTest, ASetStoppedDuringItsRenamesIsCompletedByTheNextWriteThere) {
    for (const auto& [step, nth] : std::vector<std::pair<std::string, int>> {
             { "set recorded", 1 }, { "renamed", 1 }, { "renamed", 2 }, { "finishing", 3 } }) {
        SCOPED_TRACE(step + " " + std::to_string(nth));
        TestFolder folder;
        for (const char* name : { "a.bin", "b.bin", "c.bin" }) WriteText(folder / name, "old");
        EXPECT_EXIT(WriteSetDyingAt(folder, step, nth), testing::ExitedWithCode(3), "");
        WriteFileAtomically(folder / "other.txt", Bytes("any write in the folder"));
        // Stopped before the renames were recorded, the old set stays; after, the new one is whole.
        const bool recorded = step != "finishing";
        for (const char* name : { "a.bin", "b.bin", "c.bin" })
            EXPECT_EQ(ReadText(folder / name), recorded ? std::string("new ") + name : "old") << name;
        if (recorded) {
            EXPECT_EQ(folder.names(), (std::set<std::string> { "a.bin", "b.bin", "c.bin", "other.txt" }));
        }
    }
}

} // namespace
} // namespace deptrix
