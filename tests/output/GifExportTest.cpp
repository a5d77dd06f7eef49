#include "output/GifExport.h"

#include "GifInspection.h"
#include "TestPictures.h"
#include "core/BmpCodec.h"
#include "core/Canvas.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "core/WorkFiles.h"
#include "output/GifPalette.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace deptrix {
namespace {

using testing::GifFile;
using testing::GifImage;
using testing::InspectGif;
using testing::SweepViews;

namespace fs = std::filesystem;

class RecordingProgress final : public Progress {
public:
    void setPosition(int percent) override { positions.push_back(percent); }
    std::vector<int> positions;
};

Bitmap Stretched(const Bitmap& view, int width, int height) {
    Bitmap frame(width, height, PixelFormat::Bgr24);
    StretchNearest(view, frame);
    return frame;
}

/// The view shown by frame i (0..13) of the sweep.
int ViewOfFrame(int i) {
    return i < 7 ? i + 1 : 14 - i;
}

TEST(GifFrameSizeFor, KeepsNarrowViewsAndScalesWideOnesTo800) {
    EXPECT_EQ(GifFrameSizeFor(640, 480), (GifFrameSize { 640, 480 }));
    EXPECT_EQ(GifFrameSizeFor(799, 3000), (GifFrameSize { 799, 3000 }));
    EXPECT_EQ(GifFrameSizeFor(800, 600), (GifFrameSize { 800, 600 }));
    EXPECT_EQ(GifFrameSizeFor(800, 7), (GifFrameSize { 800, 7 }));
    EXPECT_EQ(GifFrameSizeFor(1600, 1000), (GifFrameSize { 800, 500 }));
    EXPECT_EQ(GifFrameSizeFor(1000, 333), (GifFrameSize { 800, 266 })); // 266.4
    EXPECT_EQ(GifFrameSizeFor(1600, 5), (GifFrameSize { 800, 2 })); // 2.5 goes to the even neighbour
    EXPECT_EQ(GifFrameSizeFor(1600, 7), (GifFrameSize { 800, 4 })); // 3.5 likewise
    EXPECT_EQ(GifFrameSizeFor(1000, 333, 500), (GifFrameSize { 500, 166 })); // 166.5
    EXPECT_EQ(GifFrameSizeFor(30000, 1), (GifFrameSize { 800, 1 })); // never an empty frame
    EXPECT_THROW(GifFrameSizeFor(0, 10), Error);
    EXPECT_THROW(GifFrameSizeFor(10, -1), Error);
}

class AnimatedGif : public ::testing::Test {
protected:
    // Views wider than the limit, so the frames are stretched.
    std::vector<Bitmap> views = SweepViews(120, 45, 4);
    RecordingProgress progress;
    GifFile gif = InspectGif(EncodeAnimatedGif(views, 100, 10, progress));
};

TEST_F(AnimatedGif, HasFourteenFullFramesOnAScreenWithoutAGlobalTable) {
    EXPECT_EQ(gif.version, "GIF89a");
    EXPECT_EQ(gif.width, 100);
    EXPECT_EQ(gif.height, 38); // 37.5 goes to the even neighbour
    EXPECT_FALSE(gif.globalColourTable);
    ASSERT_EQ(gif.images.size(), 14u);
    for (const GifImage& image : gif.images) {
        EXPECT_EQ(image.left, 0);
        EXPECT_EQ(image.top, 0);
        EXPECT_EQ(image.width, 100);
        EXPECT_EQ(image.height, 38);
        EXPECT_FALSE(image.interlaced);
    }
}

TEST_F(AnimatedGif, PrecedesEveryFrameWithTheLoopExtensionAndTheFrameDelay) {
    const std::vector<std::uint8_t> name = { 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0' };
    for (std::size_t i = 0; i < gif.images.size(); ++i) {
        const auto& blocks = gif.images[i].extensions;
        ASSERT_EQ(blocks.size(), 3u) << "frame " << i;
        EXPECT_EQ(blocks[0].code, 0xFF) << "frame " << i; // application extension
        EXPECT_EQ(blocks[0].data, name);
        EXPECT_EQ(blocks[1].code, 0x00); // its sub-block: loop count 0, forever
        EXPECT_EQ(blocks[1].data, (std::vector<std::uint8_t> { 1, 0, 0 }));
        EXPECT_EQ(blocks[2].code, 0xF9) << "frame " << i; // graphic control
        EXPECT_EQ(blocks[2].data, (std::vector<std::uint8_t> { 0, 10, 0, 0 })); // no flags, 10/100 s
    }
}

TEST_F(AnimatedGif, GivesEachFrameTheSystemColoursAtTheirEntries) {
    const auto system = SystemColours();
    const std::uint8_t first[] = { 0, 0, 0, 128, 0, 0, 0, 128, 0, 128, 128, 0, 0, 0, 128, 128, 0, 128 };
    for (const GifImage& image : gif.images) {
        ASSERT_EQ(image.palette.size(), 768u);
        EXPECT_TRUE(std::equal(std::begin(first), std::end(first), image.palette.begin()));
        for (int i = 0; i < 20; ++i) {
            const std::size_t entry = i < 10 ? i : 236 + i;
            EXPECT_EQ(image.palette[3 * entry], system[i].r) << "entry " << entry;
            EXPECT_EQ(image.palette[3 * entry + 1], system[i].g) << "entry " << entry;
            EXPECT_EQ(image.palette[3 * entry + 2], system[i].b) << "entry " << entry;
        }
    }
}

TEST_F(AnimatedGif, SweepsForwardAndBackWithEachViewShownTheSameWayTwice) {
    ASSERT_EQ(gif.images.size(), 14u);
    for (int i = 0; i < 7; ++i) {
        const GifImage& forward = gif.images[i];
        const GifImage& backward = gif.images[13 - i];
        EXPECT_EQ(forward.indices, backward.indices) << "view " << i + 1;
        EXPECT_EQ(forward.palette, backward.palette) << "view " << i + 1;
    }
    // Neighbouring views differ, so the frames really follow the views.
    EXPECT_NE(gif.images[0].indices, gif.images[1].indices);
    for (int i = 0; i < 14; ++i) {
        const Bitmap expected = Stretched(views[ViewOfFrame(i) - 1], 100, 38);
        EXPECT_LT(testing::MeanAbsoluteDifference(testing::ImagePicture(gif.images[i]), expected), 3.0)
            << "frame " << i;
    }
}

TEST_F(AnimatedGif, ReportsProgressAfterEachFrame) {
    EXPECT_EQ(progress.positions,
        (std::vector<int> { 10, 16, 23, 29, 36, 42, 49, 55, 61, 68, 74, 81, 87, 94, 100 }));
}

TEST(EncodeAnimatedGif, ReproducesViewsOfFewColoursExactly) {
    std::vector<Bitmap> views;
    for (int n = 1; n <= 7; ++n) {
        Bitmap view = testing::Solid(30, 20, 200, 30, 10);
        for (int y = 5; y < 15; ++y)
            std::fill_n(view.row(y) + 3 * (2 * n), 12, static_cast<std::uint8_t>(20 * n));
        views.push_back(std::move(view));
    }
    NullProgress progress;
    const GifFile gif = InspectGif(EncodeAnimatedGif(views, 800, 25, progress));
    ASSERT_EQ(gif.images.size(), 14u);
    EXPECT_EQ(gif.images[3].extensions.back().data, (std::vector<std::uint8_t> { 0, 25, 0, 0 }));
    for (int i = 0; i < 14; ++i)
        EXPECT_TRUE(testing::ImagePicture(gif.images[i]).samePixels(views[ViewOfFrame(i) - 1]))
            << "frame " << i;
}

TEST(EncodeAnimatedGif, RefusesAnythingButSevenColourViews) {
    NullProgress progress;
    std::vector<Bitmap> views = SweepViews(20, 10, 1);
    EXPECT_THROW(EncodeAnimatedGif(std::span(views).first(6), 800, 10, progress), Error);
    views[4] = Bitmap(20, 10, PixelFormat::Gray8);
    EXPECT_THROW(EncodeAnimatedGif(views, 800, 10, progress), Error);
    views[4] = Bitmap();
    EXPECT_THROW(EncodeAnimatedGif(views, 800, 10, progress), Error);
}

class GifExportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("deptrix-gif-export-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    void writeViews(int imageMode) {
        for (int n = 1; n <= 7; ++n) SaveBmp(views[n - 1], folder / ViewFileName(n, imageMode));
    }

    /// What the folder holds besides the view files.
    std::vector<std::string> otherFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".gjs") == std::string::npos) names.push_back(name);
        }
        return names;
    }

    std::string exportError(const fs::path& target, int imageMode = 3) {
        NullProgress progress;
        try {
            ExportGif(folder, imageMode, target, progress);
        } catch (const Error& error) {
            return error.what();
        }
        return "";
    }

    fs::path folder;
    std::vector<Bitmap> views = SweepViews(50, 30, 2);
};

TEST_F(GifExportFiles, WritesTheGifOfTheViewFiles) {
    for (int imageMode : { 3, 4 }) {
        writeViews(imageMode);
        const fs::path target = folder / (imageMode == 3 ? "scene.gif" : "print.gif");
        RecordingProgress progress;
        ExportGif(folder, imageMode, target, progress);
        EXPECT_EQ(progress.positions.front(), 0);
        EXPECT_EQ(progress.positions.back(), 100);
        const GifFile gif = InspectGif(ReadFileBytes(target));
        ASSERT_EQ(gif.images.size(), 14u);
        EXPECT_EQ(gif.width, 50);
        EXPECT_EQ(gif.images[0].extensions.back().data, (std::vector<std::uint8_t> { 0, 10, 0, 0 }));
        EXPECT_LT(testing::MeanAbsoluteDifference(testing::ImagePicture(gif.images[13]), views[0]), 3.0);
        for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());
    }
}

TEST_F(GifExportFiles, TheViewsInMemoryGiveTheSameGifAsTheirFiles) {
    writeViews(3);
    RecordingProgress fromFiles;
    ExportGif(folder, 3, folder / "files.gif", fromFiles);
    RecordingProgress fromMemory;
    ExportGif(views, folder / "memory.gif", fromMemory);
    EXPECT_EQ(ReadFileBytes(folder / "memory.gif"), ReadFileBytes(folder / "files.gif"));
    EXPECT_EQ(fromMemory.positions, fromFiles.positions);
}

TEST_F(GifExportFiles, AMissingViewNamesTheFileAndLeavesTheTargetAlone) {
    writeViews(3);
    fs::remove(folder / "vw3.gjs");
    const fs::path target = folder / "scene.gif";
    { std::ofstream(target) << "earlier export"; }
    const std::string message = exportError(target);
    EXPECT_NE(message.find("vw3.gjs"), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(target).size(), 14u); // untouched
    EXPECT_EQ(otherFiles(), (std::vector<std::string> { "scene.gif" })); // no temporary file left
    fs::remove(target);
    EXPECT_NE(exportError(target, 4).find("vwv1.gjs"), std::string::npos); // CMYK documents use other names
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(GifExportFiles, ADamagedViewNamesTheFile) {
    writeViews(3);
    std::vector<std::uint8_t> bytes = ReadFileBytes(folder / "vw5.gjs");
    bytes.resize(bytes.size() / 2);
    WriteFileAtomically(folder / "vw5.gjs", bytes);
    const std::string message = exportError(folder / "scene.gif");
    EXPECT_NE(message.find("vw5.gjs"), std::string::npos) << message;
    SaveBmp(Bitmap(50, 30, PixelFormat::Gray8), folder / "vw6.gjs");
    SaveBmp(views[4], folder / "vw5.gjs");
    EXPECT_NE(exportError(folder / "scene.gif").find("vw6.gjs"), std::string::npos);
    EXPECT_TRUE(otherFiles().empty());
}

TEST_F(GifExportFiles, ATargetThatCannotBeWrittenNamesTheFile) {
    writeViews(3);
    const std::string missingFolder = exportError(folder / "no such folder" / "out.gif");
    EXPECT_NE(missingFolder.find("out.gif"), std::string::npos) << missingFolder;
    fs::create_directory(folder / "taken.gif");
    const std::string isFolder = exportError(folder / "taken.gif");
    EXPECT_NE(isFolder.find("taken.gif"), std::string::npos) << isFolder;
    EXPECT_TRUE(fs::is_directory(folder / "taken.gif"));
    EXPECT_EQ(otherFiles(), (std::vector<std::string> { "taken.gif" }));
}

} // namespace
} // namespace deptrix
