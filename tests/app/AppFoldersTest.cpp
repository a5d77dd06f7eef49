#include "app/AppFolders.h"

#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// PREFIX/bin beside PREFIX/share/deptrix/sample, as `cmake --install` and the package lay it out.
TEST(AppFolders, AnInstalledProgramFindsItsSampleUnderShareAndKeepsNoConfigurationBesideItself) {
    test::TestFolder prefix;
    ASSERT_TRUE(QDir().mkpath(Q(prefix / "bin")));
    ASSERT_TRUE(QDir().mkpath(Q(prefix / "share/deptrix/sample")));
    const QString bin = Q(prefix / "bin");
    EXPECT_EQ(SampleFolder(bin), Q(prefix / "share/deptrix/sample"));
    EXPECT_EQ(SampleFolder(bin + "/"), Q(prefix / "share/deptrix/sample"));
    // Writable, as /usr/bin is for root: the file would still belong to the package's folder.
    EXPECT_FALSE(ConfigBesideProgram(bin));
}

// The build folder: build/bin with the sample copied into build/bin/sample.
TEST(AppFolders, AProgramRunFromItsOwnFolderKeepsBothBesideItself) {
    test::TestFolder build;
    ASSERT_TRUE(QDir().mkpath(Q(build / "bin/sample")));
    const QString bin = Q(build / "bin");
    EXPECT_EQ(SampleFolder(bin), bin + "/sample");
    EXPECT_TRUE(ConfigBesideProgram(bin));
    // A sample beside the program wins over an installed one.
    ASSERT_TRUE(QDir().mkpath(Q(build / "share/deptrix/sample")));
    EXPECT_EQ(SampleFolder(bin), bin + "/sample");
    EXPECT_FALSE(ConfigBesideProgram(bin));
    // Without any sample the dialogs still start where the sample would be.
    EXPECT_EQ(SampleFolder(Q(build / "other/bin")), Q(build / "other/bin/sample"));
}

} // namespace
} // namespace deptrix
