#include "DepthTestSupport.h"
#include "depth/LineLayerSynthesis.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

namespace fs = std::filesystem;

/// A loaded document of three layers: an ordinary one between two outline layers.
class OutlineRefresh : public ::testing::Test {
protected:
    test::TempFolder folder;
    Document doc = test::DepthDocument(3, 60, 20, kFixedOne, 40);
    NullProgress progress;

    void SetUp() override {
        doc.DocumentLoaded = true;
        doc.OutlinesStale = false;
        std::mt19937 random(1);
        for (std::uint8_t group : { kGroupOutlineBuilt, kGroupNone, kGroupOutlineBuilt }) {
            LayerRecord layer = test::OutlineLayer(5, 2, 40, 12);
            layer.Group = group;
            test::AddLayerWithFiles(doc, layer, test::Noise(40, 12, PixelFormat::Bgr24, random),
                test::Solid(40, 12, PixelFormat::Gray8, 255), folder.path());
            doc.LayerLines.push_back(test::LinesInOrder(0, { test::Rectangle(10, 4, 30, 12) }));
        }
    }
    /// Which layers have view 1 files, which are removed for the next check.
    std::string built() {
        std::string which;
        for (int n = 1; n <= int(doc.Layers.size()); ++n)
            if (fs::remove(folder.path() / (std::to_string(n) + "gx1.gjs"))) which += std::to_string(n);
        return which;
    }
    void preview(Fixed depthFactor) {
        RefreshOutlineLayers(
            doc, [&] { doc.DepthFactor = depthFactor; }, folder.path(), progress);
    }
};

TEST_F(OutlineRefresh, RebuildsAfterADepthChangeOnlyAndFileLinesAtOnce) {
    doc.OutlinesStale = true; // the depth field changed
    preview(20000);
    EXPECT_EQ(built(), "13");
    EXPECT_EQ(doc.Layers[0].Group, kGroupOutlineBuilt);
    EXPECT_FALSE(doc.OutlinesStale);
    // Built with the factor read during this Preview.
    const Bitmap withNewFactor = LoadBmp(folder.path() / "1gx7.gjs");
    SynthesiseLineLayer(doc, 0, doc.LayerLines[0], folder.path(), progress);
    EXPECT_TRUE(LoadBmp(folder.path() / "1gx7.gjs").samePixels(withNewFactor));
    built();

    preview(20000);
    EXPECT_EQ(built(), "");
    doc.Layers[2].Group = kGroupOutlineStale; // lines read from a file
    preview(20000);
    EXPECT_EQ(built(), "3");
}

TEST_F(OutlineRefresh, FailuresLeaveTheFlagsWhereTheyStopped) {
    // The depth field does not convert: the layers are marked, nothing is built.
    doc.OutlinesStale = true;
    EXPECT_THROW(RefreshOutlineLayers(
                     doc, [] { throw ConvertError("'x' is not a valid floating point value"); },
                     folder.path(), progress),
        ConvertError);
    EXPECT_EQ(doc.Layers[2].Group, kGroupOutlineStale);
    EXPECT_FALSE(doc.OutlinesStale);
    EXPECT_EQ(built(), "");

    // A layer file is missing: the layers up to it are 100, the rest still 255.
    doc.Layers[0].Group = kGroupOutlineStale;
    doc.Layers.push_back(doc.Layers[2]);
    doc.LayerCount = 4;
    fs::remove(folder.path() / "ly3.gjs");
    EXPECT_EQ(test::ErrorText([&] { preview(kFixedOne); }).find("ly3.gjs: "), 0u);
    EXPECT_EQ(built(), "1");
    EXPECT_EQ(doc.Layers[2].Group, kGroupOutlineBuilt);
    EXPECT_EQ(doc.Layers[3].Group, kGroupOutlineStale);

    // Without a document nothing is marked, but the flag is cleared.
    doc.DocumentLoaded = false;
    doc.OutlinesStale = true;
    doc.Layers[3].Group = kGroupOutlineBuilt;
    preview(kFixedOne);
    EXPECT_FALSE(doc.OutlinesStale);
    EXPECT_EQ(doc.Layers[3].Group, kGroupOutlineBuilt);
}

} // namespace
} // namespace deptrix
