#include "app/WorkFolder.h"

#include "TestFolder.h"
#include "core/Error.h"

#include <QFile>
#include <QLockFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534; // "nobody" on most systems

QString Q(const fs::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

mode_t ModeOf(const fs::path& path) {
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

class WorkFolderTest : public ::testing::Test {
protected:
    test::TestFolder cache;
    WorkFolder work;
    fs::path usual() const { return cache / "qv58temp"; }
};

TEST_F(WorkFolderTest, ANewFolderIsOwnerOnlyFromTheStart) {
    const mode_t previous = ::umask(0); // nothing narrows what mkdir is asked for
    work.open(Q(cache.path()));
    ::umask(previous);
    EXPECT_EQ(work.path(), Q(usual()) + "/");
    EXPECT_EQ(ModeOf(usual()), 0700u);
    EXPECT_TRUE(work.note().isEmpty());
    EXPECT_TRUE(test::TestFolder::NamesIn(usual()).empty()); // the write probe leaves nothing
}

// An own folder that others could reach is narrowed, and what they may have put into
// it meanwhile is removed.
TEST_F(WorkFolderTest, AnOwnWorldWritableFolderIsNarrowedAndEmptied) {
    fs::create_directory(usual());
    ::chmod(usual().c_str(), 0777);
    fs::create_symlink("/etc/passwd", usual() / "ly1.gjs");
    work.open(Q(cache.path()));
    EXPECT_EQ(work.path(), Q(usual()) + "/");
    EXPECT_EQ(ModeOf(usual()), 0700u);
    EXPECT_TRUE(test::TestFolder::NamesIn(usual()).empty());
}

TEST_F(WorkFolderTest, ALinkOrAFileUnderTheNameIsPassedOver) {
    fs::create_directory(cache / "elsewhere");
    fs::create_directory_symlink(cache / "elsewhere", usual());
    work.open(Q(cache.path()));
    EXPECT_EQ(work.path(), Q(cache / "qv58temp-2") + "/");
    EXPECT_EQ(ModeOf(cache / "qv58temp-2"), 0700u);
    EXPECT_TRUE(work.note().contains("qv58temp (it is a symbolic link)")) << work.note().toStdString();
    EXPECT_TRUE(work.note().contains("qv58temp-2 is used instead"));
    work.close();

    fs::remove(usual());
    test::WriteText(usual(), "a file");
    work.open(Q(cache.path()));
    EXPECT_TRUE(work.note().contains("it is not a folder"));
}

TEST_F(WorkFolderTest, AFolderOfAnotherUserIsNeitherUsedNorEmptied) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    fs::create_directory(usual());
    test::WriteText(usual() / "theirs.gjs", "their file");
    ASSERT_EQ(::chown(usual().c_str(), kOtherUser, kOtherUser), 0);
    ::chmod(usual().c_str(), 0777);
    work.open(Q(cache.path()));
    EXPECT_EQ(work.path(), Q(cache / "qv58temp-2") + "/");
    EXPECT_TRUE(work.note().contains("it belongs to another user"));
    work.emptyFiles();
    work.close();
    EXPECT_EQ(test::ReadText(usual() / "theirs.gjs"), "their file");
    EXPECT_EQ(ModeOf(usual()), 0777u); // not ours to change
}

TEST_F(WorkFolderTest, TheLockOfACopyThatDiedIsTakenOverAndItsFilesDeleted) {
    fs::create_directory(usual());
    ::chmod(usual().c_str(), 0700);
    test::WriteText(usual() / "vw3.gjs", "left by a killed run");
    const pid_t child = ::fork();
    if (child == 0) {
        QLockFile lock(Q(usual()) + ".lock");
        std::_Exit(lock.tryLock(0) ? 0 : 1); // dies holding the lock
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(fs::exists(usual().string() + ".lock"));

    work.open(Q(cache.path()));
    EXPECT_EQ(work.path(), Q(usual()) + "/");
    EXPECT_TRUE(test::TestFolder::NamesIn(usual()).empty());

    // A copy that is still running keeps its folder and its files.
    test::WriteText(usual() / "vw3.gjs", "of the running copy");
    WorkFolder second;
    second.open(Q(cache.path()));
    EXPECT_EQ(second.path(), Q(cache / "qv58temp-2") + "/");
    EXPECT_TRUE(second.note().isEmpty());
    EXPECT_EQ(test::ReadText(usual() / "vw3.gjs"), "of the running copy");
}

// Runs in a child process: as root it first becomes another user, since root may
// write anywhere. Exits with 0 when open() refused the folder at once.
[[noreturn]] void OpenAnUnwritableFolder(const test::TestFolder& cache) {
    const fs::path folder = cache / "qv58temp";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0500);
    if (::geteuid() == 0) {
        for (const fs::path& path : { cache.path(), folder })
            if (::chown(path.c_str(), kOtherUser, kOtherUser) != 0) std::_Exit(3);
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0) std::_Exit(3);
    }
    WorkFolder work;
    try {
        work.open(Q(cache.path()));
    } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        std::_Exit(0);
    }
    std::_Exit(1);
}

TEST(WorkFolderDeathTest, AFolderThatCannotBeWrittenIsFoundAtOnce) {
    test::TestFolder cache;
    EXPECT_EXIT(OpenAnUnwritableFolder(cache), testing::ExitedWithCode(0),
        "Cannot write to the work folder .*qv58temp");
}

} // namespace
} // namespace deptrix
