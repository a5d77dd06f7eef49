// Which records become layers, and how folders named "flip..." make flip groups.

#include "TestPsd.h"
#include "core/Error.h"
#include "import/LayerStack.h"

#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

PsdLayerSpec Pixel(const std::string& name, bool hidden = false) {
    PsdLayerSpec layer = SolidLayer(name, { 0, 0, 1, 1 }, { 10, 20, 30 });
    layer.hidden = hidden;
    return layer;
}

std::vector<std::string> Names(const ImportedDocument& doc) {
    std::vector<std::string> names;
    for (const LayerRecord& layer : doc.Layers) names.push_back(layer.displayName());
    return names;
}

std::vector<int> Groups(const ImportedDocument& doc) {
    std::vector<int> groups;
    for (const LayerRecord& layer : doc.Layers) groups.push_back(layer.Group);
    return groups;
}

} // namespace

TEST(LayerSelection, FlipFoldersMakeGroupsNumberedFromTheBottomFolderUp) {
    // Bottom to top:
    //   ground
    //   [Flip birds]      a1 a2             -> group 1
    //   [trees]           t1
    //     [flipbook]      b1 b2             -> group 2 (a flip folder inside an ordinary one)
    //   [FLIP outer]      c1
    //     [leaves]        c2                -> group 3 (a folder inside a flip folder)
    //     [flip inner]    c3                -> still group 3
    //   [flip hidden]     h1 (hidden folder: no layer, no number)
    //   [flip empty]      e1 (hidden layer: no layer, no number)
    //   [not flip]        n1
    //   top               (hidden layer)
    PsdWriter writer(RgbOptions(1, 1));
    writer.addLayer(Pixel("ground"));
    writer.beginFolder();
    writer.addLayer(Pixel("a1"));
    writer.addLayer(Pixel("a2"));
    writer.endFolder("Flip birds");
    writer.beginFolder();
    writer.addLayer(Pixel("t1"));
    writer.beginFolder();
    writer.addLayer(Pixel("b1"));
    writer.addLayer(Pixel("b2"));
    writer.endFolder("flipbook");
    writer.endFolder("trees");
    writer.beginFolder();
    writer.addLayer(Pixel("c1"));
    writer.beginFolder();
    writer.addLayer(Pixel("c2"));
    writer.endFolder("leaves");
    writer.beginFolder();
    writer.addLayer(Pixel("c3"));
    writer.endFolder("flip inner");
    writer.endFolder("FLIP outer");
    writer.beginFolder();
    writer.addLayer(Pixel("h1"));
    writer.endFolder("flip hidden", true);
    writer.beginFolder();
    writer.addLayer(Pixel("e1", true));
    writer.endFolder("flip empty");
    writer.beginFolder();
    writer.addLayer(Pixel("n1"));
    writer.endFolder("not flip");
    writer.addLayer(Pixel("top", true));

    const ImportedDocument doc = Import(writer.finish());
    EXPECT_EQ(Names(doc),
        (std::vector<std::string> { "ground", "a1", "a2", "t1", "b1", "b2", "c1", "c2", "c3", "n1" }));
    EXPECT_EQ(Groups(doc), (std::vector<int> { 0, 1, 1, 0, 2, 2, 3, 3, 3, 0 }));
}

TEST(LayerSelection, FlipFolderNamesBeginWithFlipInAnyCase) {
    for (const char* name : { "flip", "FLIP", "Flip 1", "flipper", "fLiP-sign" })
        EXPECT_TRUE(IsFlipFolderName(name)) << name;
    for (const char* name : { "", "fli", "a flip", " flip", "filp", "fl1p" })
        EXPECT_FALSE(IsFlipFolderName(name)) << name;
}

TEST(LayerSelection, HiddenEmptyAndMarkerRecordsAreLeftOut) {
    PsdWriter writer(RgbOptions(4, 4));
    writer.addLayer(Pixel("kept"));
    writer.addLayer(Pixel("hidden", true));
    writer.addLayer(SolidLayer("empty", { 2, 2, 2, 2 }, { 0, 0, 0 }));
    writer.addLayer(SolidLayer("inverted box", { 3, 3, 1, 1 }, { 0, 0, 0 }));
    writer.beginFolder();
    writer.endFolder("empty folder");
    const ImportedDocument doc = Import(writer.finish());
    EXPECT_EQ(Names(doc), (std::vector<std::string> { "kept" }));
    EXPECT_EQ(doc.Layers[0].RecordIndex, 0);
}

TEST(LayerSelection, AFileWhoseLayersAreAllHiddenFallsBackToItsMergedPicture) {
    PsdWriter writer(RgbOptions(2, 1));
    writer.addLayer(Pixel("hidden", true));
    writer.setMergedImage({ { 10, 20 }, { 30, 40 }, { 50, 60 }, { 255, 7 } }, true);
    const ImportedDocument doc = Import(writer.finish());
    ASSERT_EQ(doc.Layers.size(), 1u);
    const LayerRecord& layer = doc.Layers[0];
    EXPECT_EQ(layer.Left, 0);
    EXPECT_EQ(layer.Top, 0);
    EXPECT_EQ(layer.Width, 2);
    EXPECT_EQ(layer.Height, 1);
    EXPECT_EQ(layer.Group, 0);
    EXPECT_EQ(layer.RecordIndex, -1);
    EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 1, 0), (std::array<int, 3> { 20, 40, 60 }));
    // The negative layer count marks the fourth merged channel as transparency.
    EXPECT_EQ(doc.LayerMasks[0].row(0)[0], 255);
    EXPECT_EQ(doc.LayerMasks[0].row(0)[1], 7);
}

TEST(LayerSelection, AFileWithoutLayerRecordsIsOneOpaqueCanvasLayer) {
    PsdWriter writer(RgbOptions(3, 2));
    writer.setMergedImage({ Flat(6, 1), Flat(6, 2), Flat(6, 3) }, false);
    const ImportedDocument doc = Import(writer.finish());
    ASSERT_EQ(doc.Layers.size(), 1u);
    EXPECT_EQ(doc.Layers[0].Width, 3);
    EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 2, 1), (std::array<int, 3> { 1, 2, 3 }));
    EXPECT_EQ(doc.LayerMasks[0].row(1)[2], 255);
}

TEST(LayerSelection, AtMost256LayersAnd99FlipGroups) {
    PsdWriter full(RgbOptions(1, 1));
    for (int i = 0; i < 256; ++i) full.addLayer(Pixel("layer"));
    EXPECT_EQ(Import(full.finish()).Layers.size(), 256u);

    PsdWriter tooMany(RgbOptions(1, 1));
    for (int i = 0; i < 257; ++i) tooMany.addLayer(Pixel("layer"));
    try {
        Import(tooMany.finish(), "crowd.psd");
        FAIL() << "257 layers imported";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "crowd.psd: too many layers (257; at most 256)");
    }

    PsdWriter groups(RgbOptions(1, 1));
    for (int i = 0; i < 100; ++i) {
        groups.beginFolder();
        groups.addLayer(Pixel("frame"));
        groups.endFolder("flip " + std::to_string(i));
    }
    try {
        Import(groups.finish(), "flips.psd");
        FAIL() << "100 flip groups imported";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "flips.psd: too many flip groups (100; at most 99)");
    }
}

} // namespace deptrix::test
