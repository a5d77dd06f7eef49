// Outputs that would replace an input or a read-only file, and work folders others
// could tamper with, are refused before anything is written.

#include "BatchTestSupport.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/Bitmap.h"
#include "core/Error.h"
#include "output/DepthMapFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

class BatchSafety : public test::BatchFolderTest {
protected:
    /// The usage error the run refuses with; fails the test when there is none.
    std::string refusal(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        test::QuietProgress progress;
        try {
            RunBatch(ParseBatchOptions(arguments), out, progress);
        } catch (const UsageError& error) {
            return error.what();
        }
        ADD_FAILURE() << "not refused";
        return {};
    }
};

TEST_F(BatchSafety, NoOutputReplacesAnInputWhateverItsSpelling) {
    const fs::path psd = folder / "s.psd";
    fs::copy_file(test::kSample, psd);
    fs::create_symlink(psd, folder / "link.psd");
    fs::create_hard_link(psd, folder / "hard.psd");
    const std::string picture = test::ReadText(psd);
    const std::string dotted = (folder / "." / "s.psd").string();
    for (const auto& [option, output] :
        std::vector<std::pair<std::string, std::string>> { { "--interlace", psd.string() },
            { "--gif", dotted }, { "--jps", (folder / "link.psd").string() },
            { "--anaglyph", (folder / "hard.psd").string() } }) {
        EXPECT_EQ(refusal({ psd.string(), "--views", (folder / "views").string(), option, output }),
            option + " " + output + " is the same file as the PSD " + psd.string()
                + ": an output may not replace an input, so nothing was written");
    }
    EXPECT_EQ(test::ReadText(psd), picture);

    // A settings file saved over itself, under another name too.
    const fs::path settings = folder / "s.tw3d2";
    const std::string text
        = "s.psd\r\n42.4775 7 7 1\r\n39300 100 75 0\r\n25\r\n0\r\n-22\r\n-44\r\n-67\r\n0\r\n0\r\n0\r\n";
    test::WriteText(settings, text);
    fs::create_symlink(settings, folder / "link.tw3d2");
    fs::create_hard_link(settings, folder / "hard.tw3d2");
    for (const char* name : { "s.tw3d2", "link.tw3d2", "hard.tw3d2" })
        EXPECT_NE(refusal({ psd.string(), "--settings", settings.string(), "--save-settings",
                              (folder / name).string() })
                      .find("is the same file as the settings file " + settings.string()),
            std::string::npos)
            << name;
    EXPECT_EQ(test::ReadText(settings), text);
    EXPECT_FALSE(fs::exists(folder / "views"));
}

TEST_F(BatchSafety, TheLinesFileAndDepthPicturesAreInputsToo) {
    const fs::path lines = folder / "lines.txt";
    test::WriteText(lines, "5 0 0 2\n420 620 535 515 650 620\n");
    const fs::path map = folder / "map.png";
    SaveDepthMap(Bitmap(4, 4, PixelFormat::Gray8), map, true);
    const std::string mapBytes = test::ReadText(map);
    EXPECT_EQ(refusal({ test::kSample, "--lines", lines.string(), "--views", (folder / "v").string(), "--gif",
                  lines.string() }),
        "--gif " + lines.string() + " is the same file as the lines file " + lines.string()
            + ": an output may not replace an input, so nothing was written");
    EXPECT_NE(
        refusal({ test::kSample, "--depth-image", "6=" + map.string(), "--depthmap", "6", map.string() })
            .find("is the same file as the depth map " + map.string()),
        std::string::npos);
    EXPECT_EQ(test::ReadText(map), mapBytes);
    EXPECT_EQ(test::TestFolder::NamesIn(folder), (std::set<std::string> { "lines.txt", "map.png" }));
}

TEST_F(BatchSafety, AReadOnlyOutputIsRefusedAndKept) {
    test::WriteText(folder / "old.gif", "kept");
    ::chmod((folder / "old.gif").c_str(), 0444);
    EXPECT_EQ(refusal({ test::kSample, "--views", (folder / "views").string(), "--gif",
                  (folder / "old.gif").string() }),
        "old.gif: the file in " + folder.string() + " is read-only; it was left as it is");
    EXPECT_EQ(test::ReadText(folder / "old.gif"), "kept");
    EXPECT_EQ(test::TestFolder::NamesIn(folder), std::set<std::string> { "old.gif" });
}

TEST_F(BatchSafety, AWorkFolderOthersCouldReachIsRefused) {
    const auto refused = [&](const fs::path& work) {
        return refusal({ "--info", test::kSample, "--work", work.string() });
    };
    fs::create_directory(folder / "real");
    fs::create_directory_symlink(folder / "real", folder / "link");
    EXPECT_EQ(refused(folder / "link"),
        "--work " + (folder / "link").string()
            + ": the folder cannot hold the work files: it is a symbolic link");
    ::chmod((folder / "real").c_str(), 0775);
    EXPECT_NE(refused(folder / "real").find("other users may write to it"), std::string::npos);
    if (::geteuid() == 0) {
        ::chmod((folder / "real").c_str(), 0700);
        ASSERT_EQ(::chown((folder / "real").c_str(), 65534, 65534), 0);
        EXPECT_NE(refused(folder / "real").find("it belongs to another user"), std::string::npos);
    }
    // A new one is made owner-only.
    std::ostringstream out;
    test::QuietProgress progress;
    RunBatch(ParseBatchOptions({ "--info", test::kSample, "--work", (folder / "new/work").string() }), out,
        progress);
    struct stat status { };
    ASSERT_EQ(::stat((folder / "new/work").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

} // namespace
} // namespace deptrix
