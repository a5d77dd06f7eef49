// Depth maps on the command line: --depth-image with its options, --depthmap as PNG,
// and the side file of --save-settings, --settings and --project.

#include "BatchTestSupport.h"
#include "cli/BatchOptions.h"
#include "cli/BatchRun.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

/// Progress that keeps the notes of a run.
struct NotingProgress final : BatchProgress {
    std::vector<std::string> notes;
    void beginStep(const char*) override { }
    void setPosition(int) override { }
    void note(const std::string& text) override { notes.push_back(text); }
};

class DepthImageBatch : public test::BatchFolderTest {
protected:
    std::string run(std::vector<std::string> arguments) {
        std::ostringstream out;
        RunBatch(ParseBatchOptions(arguments), out, progress);
        return out.str();
    }
    fs::path lines() {
        // The sample's "House" (layer index 5): a near roof over a far door.
        std::ofstream(folder / "lines.txt", std::ios::binary)
            << "5 0 0 2\n420 620 535 515 650 620\n"
            << "5 12 0 3\n480 800 590 800 590 920 480 920\n";
        return folder / "lines.txt";
    }
    NotingProgress progress;
};

TEST_F(DepthImageBatch, AMapExportedFromOutlinesGivesTheSameViews) {
    run({ test::kSample, "--lines", lines().string(), "--layer-depth", "6=7,2,2.0", "--depthmap16",
        "--depthmap", "6", (folder / "house.png").string(), "--views", (folder / "outlines").string() });
    const std::vector<std::uint8_t> png = ReadFileBytes(folder / "house.png");
    ASSERT_GT(png.size(), 25u);
    EXPECT_EQ(png[24], 16); // bits per sample
    run({ test::kSample, "--depth-image", "6=" + (folder / "house.png").string(), "--layer-depth",
        "6=7,2,2.0", "--views", (folder / "map").string() });
    for (int v = 1; v <= 7; ++v) {
        const std::string name = "view" + std::to_string(v) + ".bmp";
        EXPECT_EQ(ReadFileBytes(folder / "map" / name), ReadFileBytes(folder / "outlines" / name)) << name;
    }
}

TEST_F(DepthImageBatch, OptionsAreReadAndRefusedAsACommandLine) {
    const BatchOptions options
        = ParseBatchOptions({ test::kSample, "--views", "v", "--depth-image", "3=maps/s.psd#Depth map@doc",
            "--depth-range", "3=10.5,200", "--depth-invert", "3", "--depth-image", "4=a#1/b.png" });
    ASSERT_EQ(options.depthImages.size(), 2u);
    const DepthImageOption& psd = options.depthImages[0];
    EXPECT_EQ(psd.path, "maps/s.psd");
    EXPECT_EQ(psd.layerName, "Depth map");
    EXPECT_TRUE(psd.options.wholeDocument);
    EXPECT_TRUE(psd.options.invert);
    EXPECT_EQ(psd.options.blackPoint, 105000);
    EXPECT_EQ(psd.options.whitePoint, 2000000);
    EXPECT_EQ(options.depthImages[1].path, "a#1/b.png");
    EXPECT_EQ(options.depthImages[1].layerName, "");

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>> {
             { "--depth-image", "a.png" },
             { "--depth-image", "0=a.png" },
             { "--depth-image", "2=a.png", "--depth-image", "2=b.png" },
             { "--depth-invert", "2" },
             { "--depth-image", "2=a.png", "--depth-range", "2=200,100" },
             { "--depth-image", "2=a.png", "--depth-range", "2=0,256" },
             { "--depthmap16", "--depthmap", "1", "m.bmp" },
         }) {
        std::vector<std::string> arguments { test::kSample, "--views", "v" };
        arguments.insert(arguments.end(), bad.begin(), bad.end());
        EXPECT_THROW(ParseBatchOptions(arguments), UsageError) << bad[0] << " " << bad[1];
    }
}

TEST_F(DepthImageBatch, ABadMapFailsTheRunNamingTheFileBeforeAnythingIsWritten) {
    std::ofstream(folder / "cut.png", std::ios::binary) << "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";
    try {
        run({ test::kSample, "--depth-image", "6=" + (folder / "cut.png").string(), "--views",
            (folder / "views").string() });
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cut.png: damaged PNG file", 0), 0u) << e.what();
    }
    EXPECT_FALSE(fs::exists(folder / "views"));
}

TEST_F(DepthImageBatch, SettingsKeepTheirMapsBesideThemAndTellWhatIsMissing) {
    fs::create_directory(folder / "maps");
    run({ test::kSample, "--lines", lines().string(), "--depthmap", "6",
        (folder / "maps" / "house.png").string(), "--save-settings", (folder / "plain.tw3d2").string() });
    run({ test::kSample, "--save-settings", (folder / "plain.tw3d2").string() });
    run({ test::kSample, "--depth-image", "6=" + (folder / "maps" / "house.png").string(), "--depth-invert",
        "6", "--save-settings", (folder / "scene.tw3d2").string() });
    // The settings file is the one other programs know; the map is beside it, its path
    // relative, with the 38 margin columns of the exported map (150 dpi, depth 1.0).
    EXPECT_EQ(ReadFileBytes(folder / "scene.tw3d2"), ReadFileBytes(folder / "plain.tw3d2"));
    EXPECT_FALSE(fs::exists(folder / "plain.tw3d2.depth"));
    std::ifstream list(folder / "scene.tw3d2.depth", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(list)), {});
    EXPECT_EQ(text, "5 1 0 255 layer 38 \"maps/house.png\" \"\"\r\n");

    const std::string info
        = run({ test::kSample, "--settings", (folder / "scene.tw3d2").string(), "--info" });
    EXPECT_NE(info.find("\"depthMap\": {\"path\": \"" + (folder / "maps/house.png").string() + "\""),
        std::string::npos);
    EXPECT_NE(info.find("\"invert\": true"), std::string::npos);
    EXPECT_TRUE(progress.notes.empty());

    fs::remove(folder / "maps" / "house.png");
    const std::string flat
        = run({ test::kSample, "--settings", (folder / "scene.tw3d2").string(), "--info" });
    EXPECT_EQ(flat.find("depthMap"), std::string::npos);
    ASSERT_EQ(progress.notes.size(), 1u);
    EXPECT_EQ(progress.notes[0].rfind("house.png: the depth map of layer 6 is missing", 0), 0u)
        << progress.notes[0];
}

} // namespace
} // namespace deptrix
