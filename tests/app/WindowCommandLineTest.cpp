#include "app/WindowCommandLine.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(WindowCommandLine, OpensOneFileAndRefusesWhatItCannotCarryOut) {
    EXPECT_EQ(ParseWindowCommandLine({ "scene.psd" }).file, "scene.psd");
    EXPECT_TRUE(ParseWindowCommandLine({}).error.isEmpty());
    EXPECT_EQ(
        ParseWindowCommandLine({ "a.psd", "b.psd" }).error, "more than one file given: a.psd and b.psd");
    EXPECT_EQ(ParseWindowCommandLine({ "--colour" }).error, "unknown option --colour");
    // After "--" a name that looks like an option is a file.
    const WindowCommandLine dashed = ParseWindowCommandLine({ "--", "--help" });
    EXPECT_FALSE(dashed.help);
    EXPECT_EQ(dashed.file, "--help");
    EXPECT_EQ(ParseWindowCommandLine({ "-" }).file, "-");
}

// Answered from the raw arguments, where Qt's own options are still among them.
TEST(WindowCommandLine, HelpAndVersionAreFoundAmongOtherOptions) {
    const WindowCommandLine help = ParseWindowCommandLine({ "-platform", "offscreen", "-h" });
    EXPECT_TRUE(help.help);
    EXPECT_FALSE(help.error.isEmpty());
    EXPECT_TRUE(ParseWindowCommandLine({ "scene.psd", "--version" }).version);
    EXPECT_TRUE(ParseWindowCommandLine({ "-v" }).version);
}

} // namespace
} // namespace deptrix
