#include "core/Document.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

Document TwoLayerDocument() {
    Document doc;
    doc.beginImport("/pics/first.psd");
    doc.Layers.resize(2);
    doc.Layers[0].Left = -5;
    doc.Layers[1].Left = 40;
    doc.Layers[1].Depth = 25000;
    doc.Layers[1].Smooth = 2;
    doc.Layers[1].BaseOrder = 3;
    doc.LayerBitmaps = { Bitmap(3, 3, PixelFormat::Bgr24), Bitmap(2, 2, PixelFormat::Bgr24) };
    doc.LayerMasks = { Bitmap(3, 3, PixelFormat::Gray8), Bitmap(2, 2, PixelFormat::Gray8) };
    doc.LayerCount = 2;
    doc.applyLayerDefaults();
    return doc;
}

TEST(Document, DefaultsFillOnlyZeroFieldsAndViewLeftFollowsLeft) {
    const Document doc = TwoLayerDocument();
    EXPECT_TRUE(doc.consistent());
    EXPECT_EQ(doc.ViewLeft, (std::vector<std::int32_t> { -5, 40 }));
    EXPECT_EQ(doc.Layers[0].Depth, 10000);
    EXPECT_EQ(doc.Layers[0].Smooth, 5);
    EXPECT_EQ(doc.Layers[0].BaseOrder, 7);
    EXPECT_EQ(doc.Layers[1].Depth, 25000);
    EXPECT_EQ(doc.Layers[1].Smooth, 2);
    EXPECT_EQ(doc.Layers[1].BaseOrder, 3);
}

TEST(Document, ASecondImportReleasesTheFirstDocument) {
    Document doc = TwoLayerDocument();
    doc.Composite = Bitmap(5, 5, PixelFormat::Bgr24);
    doc.LayerLines.resize(2);
    doc.beginImport("/pics/second.psd");
    EXPECT_TRUE(doc.DocumentLoaded);
    EXPECT_EQ(doc.AppStage, kStageImported);
    EXPECT_EQ(doc.PsdPath, "/pics/second.psd");
    EXPECT_TRUE(doc.Layers.empty());
    EXPECT_TRUE(doc.LayerBitmaps.empty());
    EXPECT_TRUE(doc.LayerMasks.empty());
    EXPECT_TRUE(doc.LayerLines.empty());
    EXPECT_TRUE(doc.Composite.empty());
}

TEST(Document, AFailedImportLeavesNothingToReadPast) {
    Document doc = TwoLayerDocument();
    doc.LayerCount = 2;
    doc.clearLayers();
    EXPECT_EQ(doc.LayerCount, 0);
    EXPECT_TRUE(doc.consistent());
    EXPECT_TRUE(doc.ViewLeft.empty());
    EXPECT_FALSE(doc.DocumentLoaded);
    EXPECT_EQ(doc.AppStage, kStageNothingImported);
}

TEST(Document, ConsistencyNeedsEqualArraysAndMatchingMasks) {
    Document doc = TwoLayerDocument();
    doc.LayerMasks[1] = Bitmap(3, 2, PixelFormat::Gray8);
    EXPECT_FALSE(doc.consistent());
    doc = TwoLayerDocument();
    doc.LayerCount = 3;
    EXPECT_FALSE(doc.consistent());
}

TEST(Document, ExitEmptiesTheLayerArrays) {
    Document doc = TwoLayerDocument();
    doc.DefaultOffsets = { 0, 5 };
    doc.release();
    EXPECT_TRUE(doc.Layers.empty());
    EXPECT_TRUE(doc.LayerBitmaps.empty());
    EXPECT_TRUE(doc.DefaultOffsets.empty());
}

} // namespace
} // namespace deptrix
