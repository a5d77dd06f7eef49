#include "core/FileIo.h"

#include "TestFolder.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/PendingFile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::ScopedFileIoHooks;
using test::TestFolder;
using test::WriteText;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return { text.begin(), text.end() };
}

template <typename Action> std::string ErrorText(Action action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

mode_t ModeOf(const fs::path& path) {
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask)
        : m_previous(::umask(mask)) { }
    ~ScopedUmask() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

// Another user who can write to the output folder plants links at the names the
// temporary files will get, aiming at a file of ours elsewhere, at a name that does
// not exist yet, and leaves a file of their own.
TEST(SafeOutput, LinksPlantedAtTemporaryNamesAreNeverFollowed) {
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> writers {
        { "scene.gif", [](const fs::path& p) { WriteFileAtomically(p, Bytes("GIF89a")); } },
        { "view.bmp", [](const fs::path& p) { SaveBmp(Bitmap(3, 2, PixelFormat::Bgr24), p); } },
        { "set.bmp",
            [](const fs::path& p) {
                PendingFileSet set;
                set.add(p, Bytes("one of a set"));
                set.commit();
            } },
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        TestFolder outputs, elsewhere;
        WriteText(elsewhere / "victim", "precious");
        const fs::path target = outputs / name;
        fs::create_symlink(elsewhere / "victim", test::TemporaryOf(target, "t1"));
        fs::create_symlink(elsewhere / "new-file", test::TemporaryOf(target, "t2"));
        WriteText(test::TemporaryOf(target, "t3"), "theirs");

        const ScopedFileIoHooks tags(test::CountingTags());
        write(target);

        EXPECT_EQ(ReadText(elsewhere / "victim"), "precious");
        EXPECT_FALSE(fs::exists(elsewhere / "new-file"));
        EXPECT_EQ(ReadText(test::TemporaryOf(target, "t3")), "theirs");
        EXPECT_TRUE(S_ISREG(ModeOf(target)));
        const auto temporary
            = [&](const char* tag) { return fs::path(test::TemporaryOf(target, tag)).filename(); };
        EXPECT_EQ(outputs.names(),
            (std::set<std::string> { name, temporary("t1"), temporary("t2"), temporary("t3") }));
    }
}

TEST(SafeOutput, ALinkAtTheTargetIsReplacedNotWrittenThrough) {
    TestFolder outputs, elsewhere;
    WriteText(elsewhere / "victim", "precious");
    fs::create_symlink(elsewhere / "victim", outputs / "scene.gif");
    WriteFileAtomically(outputs / "scene.gif", Bytes("GIF89a"));
    EXPECT_EQ(ReadText(elsewhere / "victim"), "precious");
    EXPECT_TRUE(S_ISREG(ModeOf(outputs / "scene.gif")));
    EXPECT_EQ(ReadText(outputs / "scene.gif"), "GIF89a");
}

TEST(SafeOutput, WhenEveryTemporaryNameIsTakenTheTargetStays) {
    TestFolder outputs;
    WriteText(outputs / "scene.gif", "old");
    fs::create_symlink("/nowhere", test::TemporaryOf(outputs / "scene.gif", "x"));
    FileIoHooks hooks;
    hooks.temporaryTag = [] { return std::string("x"); };
    const ScopedFileIoHooks sameName(hooks);
    EXPECT_EQ(ErrorText([&] { WriteFileAtomically(outputs / "scene.gif", Bytes("new")); }),
        "scene.gif: cannot write the file in " + outputs.path().string()
            + " (every temporary name tried is taken)");
    EXPECT_EQ(ReadText(outputs / "scene.gif"), "old");
}

TEST(SafeOutput, OwnerOnlyWhileWrittenThenTheUsualPermissions) {
    for (const mode_t mask : { mode_t { 022 }, mode_t { 077 }, mode_t { 0 } }) {
        const ScopedUmask umask(mask);
        TestFolder outputs;
        mode_t whileWritten = 0;
        FileIoHooks hooks;
        hooks.write = [&](const fs::path&, int fd, const void* data, std::size_t size) -> long {
            struct stat status { };
            ::fstat(fd, &status);
            whileWritten = status.st_mode & 0777;
            return ::write(fd, data, size);
        };
        const ScopedFileIoHooks watch(hooks);
        WriteFileAtomically(outputs / "out.bin", Bytes("data"));
        EXPECT_EQ(whileWritten, 0600u & ~mask);
        EXPECT_EQ(ModeOf(outputs / "out.bin") & 0777, 0666u & ~mask);
    }
}

TEST(SafeOutput, AFullDiskLeavesTheTargetAndNoTemporaryFile) {
    for (const int error : { ENOSPC, EDQUOT, EFBIG }) {
        TestFolder outputs;
        WriteText(outputs / "out.bin", "old");
        const ScopedFileIoHooks full(test::FillingDisk(error, 10));
        EXPECT_EQ(
            ErrorText([&] { WriteFileAtomically(outputs / "out.bin", std::vector<std::uint8_t>(100)); }),
            "out.bin: cannot write the file: not enough space in " + outputs.path().string());
        EXPECT_EQ(ReadText(outputs / "out.bin"), "old");
        EXPECT_EQ(outputs.names(), std::set<std::string> { "out.bin" });
    }
}

// The same through the kernel: under a file size limit write() fails with EFBIG.
// Runs in a child process, which exits with 0 when the message and the folder are right.
[[noreturn]] void WriteBeyondTheFileSizeLimit(const TestFolder& outputs) {
    const rlimit limit { 4096, 4096 };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string message
        = ErrorText([&] { WriteFileAtomically(outputs / "out.bin", std::vector<std::uint8_t>(1 << 16)); });
    std::fprintf(stderr, "%s\n", message.c_str());
    const bool right
        = message == "out.bin: cannot write the file: not enough space in " + outputs.path().string();
    std::_Exit(right && outputs.names().empty() ? 0 : 1);
}

TEST(SafeOutputDeathTest, TheKernelsRefusalIsReportedAndCleanedUp) {
    TestFolder outputs;
    EXPECT_EXIT(WriteBeyondTheFileSizeLimit(outputs), testing::ExitedWithCode(0), "not enough space");
}

TEST(SafeOutput, ASetReachesItsNamesWhollyOrNotAtAll) {
    TestFolder outputs;
    WriteText(outputs / "a.bin", "old a");
    {
        const ScopedFileIoHooks full(test::FillingDisk(ENOSPC, 0, "c.bin"));
        PendingFileSet set;
        set.add(outputs / "a.bin", Bytes("new a"));
        set.add(outputs / "b.bin", Bytes("new b"));
        EXPECT_THROW(set.add(outputs / "c.bin", Bytes("new c")), Error);
        EXPECT_EQ(outputs.names(), std::set<std::string> { "a.bin" });
        EXPECT_EQ(ReadText(outputs / "a.bin"), "old a");
    }
    PendingFileSet set;
    for (const char* name : { "a.bin", "b.bin", "c.bin" }) set.add(outputs / name, Bytes(name));
    EXPECT_EQ(outputs.names().size(), 4u); // the old a.bin and three pending files
    set.commit();
    EXPECT_EQ(outputs.names(), (std::set<std::string> { "a.bin", "b.bin", "c.bin" }));
    EXPECT_EQ(ReadText(outputs / "c.bin"), "c.bin");
}

TEST(SafeOutput, WorkFilesReplaceALinkAndStayPrivate) {
    TestFolder work, elsewhere;
    WriteText(elsewhere / "victim", "precious");
    fs::create_symlink(elsewhere / "victim", work / "ly1.gjs");
    WriteWorkFile(work / "ly1.gjs", Bytes("layer"));
    EXPECT_EQ(ReadText(elsewhere / "victim"), "precious");
    EXPECT_EQ(ReadText(work / "ly1.gjs"), "layer");
    EXPECT_EQ(ModeOf(work / "ly1.gjs") & 0777, 0600u);

    const ScopedFileIoHooks full(test::FillingDisk(ENOSPC, 2));
    EXPECT_EQ(ErrorText([&] { WriteWorkFile(work / "ly1.gjs", Bytes("longer layer")); }),
        "ly1.gjs: cannot write the file: not enough space in " + work.path().string());
    EXPECT_FALSE(fs::exists(work / "ly1.gjs")); // never a truncated picture under the name
}

TEST(ReadFileBytes, MessagesNameTheFolderAndEscapeTheName) {
    TestFolder folder;
    const std::string message = ErrorText([&] { ReadFileBytes(folder / "bad\xff\x1b name.psd"); });
    const std::string expected
        = "bad\\xFF\\x1B name.psd: cannot open the file in " + folder.path().string() + " (";
    EXPECT_EQ(message.substr(0, expected.size()), expected);

    // A pipe planted under the name is refused at once instead of blocking the read.
    ASSERT_EQ(::mkfifo((folder / "deptrixcmyk.inf").c_str(), 0600), 0);
    EXPECT_EQ(ErrorText([&] { ReadFileBytes(folder / "deptrixcmyk.inf"); }),
        "deptrixcmyk.inf: the file in " + folder.path().string() + " is not a regular file");
}

} // namespace
} // namespace deptrix
