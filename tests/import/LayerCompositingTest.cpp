// What the import keeps of how the file's editor composites its layers: clipping,
// blend modes, fill and folder opacity, folder modes, and what it cannot draw.

#include "TestPsd.h"

#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

PsdLayerSpec Pixel(const std::string& name) {
    return SolidLayer(name, { 0, 0, 1, 1 }, { 10, 20, 30 });
}

PsdLayerSpec Clipped(const std::string& name) {
    PsdLayerSpec layer = Pixel(name);
    layer.clipping = true;
    return layer;
}

std::vector<std::string> Names(const ImportedDocument& doc) {
    std::vector<std::string> names;
    for (const LayerRecord& layer : doc.Layers) names.push_back(layer.displayName());
    return names;
}

/// An effects descriptor ("lfx2") as editors write it: a master switch and one drop
/// shadow object with its enabled flag and a few other values.
class EffectsBlock {
public:
    EffectsBlock(bool master, bool shadowEnabled) {
        u32(0); // block version
        u32(16); // descriptor version
        u32(1);
        u16(0); // name: one UTF-16 unit
        id("null");
        u32(3);
        id("Scl ");
        text("UntF");
        text("#Prc");
        u64(0x4059000000000000ull); // 100.0
        id("masterFXSwitch");
        text("bool");
        bytes.push_back(master ? 1 : 0);
        id("DrSh");
        text("Objc");
        u32(1);
        u16(0);
        id("DrSh");
        u32(2);
        id("enab");
        text("bool");
        bytes.push_back(shadowEnabled ? 1 : 0);
        id("Md  ");
        text("enum");
        id("BlnM");
        id("Mltp");
    }

    std::vector<std::uint8_t> bytes;

private:
    void u16(std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v >> 16));
        u16(static_cast<std::uint16_t>(v));
    }
    void u64(std::uint64_t v) {
        u32(static_cast<std::uint32_t>(v >> 32));
        u32(static_cast<std::uint32_t>(v));
    }
    void text(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
    /// Four-letter ids are stored as 0 and the letters, longer ones with their length.
    void id(const std::string& s) {
        u32(s.size() == 4 ? 0 : static_cast<std::uint32_t>(s.size()));
        text(s);
    }
};

} // namespace

TEST(LayerCompositing, ClippedLayersFindTheirBaseInTheirOwnFolder) {
    // Bottom to top:
    //   ground, base, c1 (clipped), c2 (clipped, Multiply)
    //   ghost (hidden), lost (clipped: its base is hidden, so it is too)
    //   [folder: x1], onFolder (clipped to the folder: drawn unclipped, noted)
    //   [folder: g1 (clipped at the folder's bottom: no base, drawn unclipped)]
    PsdWriter writer(RgbOptions(1, 1));
    writer.addLayer(Pixel("ground"));
    writer.addLayer(Pixel("base"));
    writer.addLayer(Clipped("c1"));
    PsdLayerSpec c2 = Clipped("c2");
    c2.blendMode = { 'm', 'u', 'l', ' ' };
    writer.addLayer(c2);
    PsdLayerSpec ghost = Pixel("ghost");
    ghost.hidden = true;
    writer.addLayer(ghost);
    writer.addLayer(Clipped("lost"));
    writer.beginFolder();
    writer.addLayer(Pixel("x1"));
    writer.endFolder("folder");
    writer.addLayer(Clipped("onFolder"));
    writer.beginFolder();
    writer.addLayer(Clipped("g1"));
    writer.endFolder("second folder");

    const ImportedDocument doc = Import(writer.finish());
    EXPECT_EQ(
        Names(doc), (std::vector<std::string> { "ground", "base", "c1", "c2", "x1", "onFolder", "g1" }));
    std::vector<int> bases;
    for (const LayerRecord& layer : doc.Layers) bases.push_back(layer.ClipBase);
    EXPECT_EQ(bases, (std::vector<int> { -1, -1, 1, 1, -1, -1, -1 }));
    EXPECT_TRUE(doc.Layers[2].Clipping);
    EXPECT_EQ(doc.Layers[3].blendMode(), BlendMode::Multiply);
    ASSERT_EQ(doc.ApproximateLayers.size(), 1u);
    EXPECT_EQ(doc.ApproximateLayers[0].name, "onFolder");
    EXPECT_EQ(doc.ApproximateLayers[0].reason, Approximation::FolderClipping);
}

TEST(LayerCompositing, FillAndFolderOpacityMultiplyIntoTheMask) {
    // Opacity and fill 128 each: Round(255 x 128 x 128 / 255^2) = 64. In a folder of
    // opacity 128 once more: 32. A layer clipped to that one shows through its base,
    // which carries the folder's opacity already, so only its own counts.
    PsdWriter writer(RgbOptions(1, 1));
    PsdLayerSpec half = Pixel("half");
    half.opacity = 128;
    half.fillOpacity = 128;
    writer.addLayer(half);
    writer.beginFolder();
    writer.beginFolder();
    half.name = "inside";
    writer.addLayer(half);
    writer.addLayer(Clipped("clipped"));
    PsdFolderSpec inner;
    inner.name = "inner";
    inner.opacity = 128;
    writer.endFolder(inner);
    PsdFolderSpec outer;
    outer.name = "outer";
    outer.opacity = 128;
    writer.endFolder(outer);

    const ImportedDocument doc = Import(writer.finish());
    ASSERT_EQ(doc.Layers.size(), 3u);
    EXPECT_EQ(doc.LayerMasks[0].row(0)[0], 64);
    EXPECT_EQ(doc.Layers[0].FillOpacity, 128);
    EXPECT_EQ(doc.LayerMasks[1].row(0)[0], 16); // 255 x 0.502^4
    EXPECT_EQ(doc.Layers[1].FolderOpacity, 64);
    EXPECT_EQ(doc.LayerMasks[2].row(0)[0], 255);
    EXPECT_EQ(doc.Layers[2].ClipBase, 1);
}

TEST(LayerCompositing, AFolderOfOneLayerLendsItItsModeAndLargerOnesAreNoted) {
    const auto folder
        = [](PsdWriter& writer, const char* name, BlendKey mode, std::vector<PsdLayerSpec> layers) {
              writer.beginFolder();
              for (const PsdLayerSpec& layer : layers) writer.addLayer(layer);
              PsdFolderSpec spec;
              spec.name = name;
              spec.blendMode = mode;
              writer.endFolder(spec);
          };
    PsdLayerSpec multiply = Pixel("multiply");
    multiply.blendMode = { 'm', 'u', 'l', ' ' };
    PsdWriter writer(RgbOptions(1, 1));
    folder(writer, "screen of one", { 's', 'c', 'r', 'n' }, { multiply, Clipped("on it") });
    folder(writer, "screen of two", { 's', 'c', 'r', 'n' }, { Pixel("a"), Pixel("b") });
    folder(writer, "normal of two", kNormalKey, { Pixel("c"), Pixel("d") });
    folder(writer, "normal with a mode", kNormalKey, { Pixel("e"), multiply });
    folder(writer, "pass", kPassThroughKey, { Pixel("f"), multiply });

    const ImportedDocument doc = Import(writer.finish());
    ASSERT_EQ(doc.Layers.size(), 10u);
    // Alone in its folder the layer blends with nothing there: the folder's mode wins.
    EXPECT_EQ(doc.Layers[0].blendMode(), BlendMode::Screen);
    EXPECT_EQ(doc.Layers[1].blendMode(), BlendMode::Normal);
    EXPECT_EQ(doc.Layers[2].blendMode(), BlendMode::Normal);
    EXPECT_EQ(doc.Layers[9].blendMode(), BlendMode::Multiply);
    ASSERT_EQ(doc.ApproximateLayers.size(), 2u);
    EXPECT_EQ(doc.ApproximateLayers[0].name, "normal with a mode");
    EXPECT_EQ(doc.ApproximateLayers[1].name, "screen of two");
    EXPECT_EQ(doc.ApproximateLayers[1].reason, Approximation::FolderComposite);
}

TEST(LayerCompositing, EffectsAndAdjustmentsAreNotedOnlyWhenTheyShow) {
    PsdWriter writer(RgbOptions(1, 1));
    const auto withEffects = [](const char* name, std::vector<std::uint8_t> block) {
        PsdLayerSpec layer = Pixel(name);
        layer.blocks.push_back({ { 'l', 'f', 'x', '2' }, std::move(block) });
        return layer;
    };
    writer.addLayer(withEffects("shadow", EffectsBlock(true, true).bytes));
    writer.addLayer(withEffects("switched off", EffectsBlock(false, true).bytes));
    writer.addLayer(withEffects("disabled", EffectsBlock(true, false).bytes));
    std::vector<std::uint8_t> cut = EffectsBlock(true, false).bytes;
    cut.resize(cut.size() - 20);
    writer.addLayer(withEffects("unreadable", cut));
    PsdLayerSpec levels = Pixel("levels");
    levels.blocks.push_back({ { 'l', 'e', 'v', 'l' }, std::vector<std::uint8_t>(4) });
    writer.addLayer(levels);

    const ImportedDocument doc = Import(writer.finish());
    EXPECT_EQ(Names(doc), (std::vector<std::string> { "shadow", "switched off", "disabled", "unreadable" }));
    // The black shadow in Multiply is drawn exactly; the unreadable block is named.
    ASSERT_EQ(doc.ApproximateLayers.size(), 2u);
    EXPECT_EQ(doc.ApproximateLayers[0].name, "levels");
    EXPECT_EQ(doc.ApproximateLayers[0].reason, Approximation::AdjustmentLayer);
    EXPECT_EQ(doc.ApproximateLayers[1].name, "unreadable");
    EXPECT_EQ(doc.ApproximateLayers[1].reason, Approximation::LayerEffects);
    EXPECT_EQ(ApproximationSummary(doc.ApproximateLayers),
        "2 layers drawn approximately: layer effects not drawn (1), adjustment layer not applied (1)");
    EXPECT_EQ(ApproximationSummary(doc.ApproximateLayers, 1),
        "2 个图层为近似绘制: 图层效果未绘制 (1), 调整图层未应用 (1)");
    // Only the layer whose shadow shows grows by the shadow's reach.
    ASSERT_TRUE(doc.Layers[0].Effects);
    EXPECT_EQ(doc.Layers[0].Width, 3);
    EXPECT_FALSE(doc.Layers[1].Effects);
    EXPECT_EQ(doc.Layers[1].Width, 1);
}

} // namespace deptrix::test
