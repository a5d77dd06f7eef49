// Artboards: each one's background is a layer beneath its layers, and its layers show
// only inside its rectangle.

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "core/Document.h"
#include "import/DefaultOffsets.h"
#include "import/MappedFile.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

std::vector<std::string> Names(const ImportedDocument& doc) {
    std::vector<std::string> names;
    for (const LayerRecord& layer : doc.Layers) names.push_back(layer.displayName());
    return names;
}

PsdFolderSpec Artboard(const std::string& name, PsdArtboardSpec artboard, std::uint8_t opacity = 255) {
    PsdFolderSpec folder;
    folder.name = name;
    folder.opacity = opacity;
    folder.artboard = artboard;
    return folder;
}

} // namespace

TEST(Artboards, BackgroundsLieBeneathTheirLayersWhichShowOnlyInsideThem) {
    // A 10 x 4 canvas:
    //   "A": rows -2..3, columns 0..5, a colour of its own, at half opacity; its layer
    //        reaches to column 8.
    //   "B": columns 7..9, transparent; its layer starts at column 5.
    //   "C": hidden, white.
    //   "loose" lies outside every artboard.
    PsdWriter writer(RgbOptions(10, 4));
    writer.beginFolder();
    writer.addLayer(SolidLayer("inside", { 1, 2, 3, 9 }, { 1, 2, 3 }));
    writer.endFolder(Artboard("A", { { -2, 0, 4, 6 }, 4, { 18, 108, 200 } }, 128));
    writer.beginFolder();
    writer.addLayer(SolidLayer("b", { 0, 5, 1, 10 }, { 4, 5, 6 }));
    writer.endFolder(Artboard("B", { { 0, 7, 4, 10 }, 3 }));
    writer.beginFolder();
    writer.addLayer(SolidLayer("c", { 0, 0, 1, 1 }, { 7, 8, 9 }));
    PsdFolderSpec hidden = Artboard("C", { { 0, 0, 4, 10 }, 1 });
    hidden.hidden = true;
    writer.endFolder(hidden);
    writer.addLayer(SolidLayer("loose", { 3, 0, 4, 10 }, { 9, 9, 9 }));

    const ImportedDocument doc = Import(writer.finish());
    EXPECT_EQ(doc.ArtboardCount, 3);
    ASSERT_EQ(Names(doc), (std::vector<std::string> { "A", "inside", "b", "loose" }));
    // The background covers the artboard's part of the canvas, through its opacity.
    const LayerRecord& background = doc.Layers[0];
    EXPECT_EQ(std::vector<int>({ background.Left, background.Top, background.Width, background.Height }),
        (std::vector<int> { 0, 0, 6, 4 }));
    EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 5, 3), (std::array<int, 3> { 18, 108, 200 }));
    EXPECT_EQ(doc.LayerMasks[0].row(3)[5], 128);
    // "inside" (columns 2..8) is cut at column 6, "b" (columns 5..9) below column 7.
    const std::uint8_t* inside = doc.LayerMasks[1].row(0);
    EXPECT_EQ(std::vector<int>(inside, inside + 7), (std::vector<int> { 128, 128, 128, 128, 0, 0, 0 }));
    const std::uint8_t* b = doc.LayerMasks[2].row(0);
    EXPECT_EQ(std::vector<int>(b, b + 5), (std::vector<int> { 0, 0, 255, 255, 255 }));
    EXPECT_EQ(doc.LayerMasks[3].row(0)[9], 255);
}

// The editor's own picture of two artboards with background colours of their own,
// apart on a transparent canvas.
TEST(Artboards, BackgroundColoursMatchTheEditorsPicture) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    const std::string name = "psd-tools/artboard-bgcolor.psd";
    const MappedFile mapped(FixturesDir() / name);
    Document doc;
    NullProgress progress;
    ImportPsd(mapped.bytes(), name, nullptr, progress).moveInto(doc);
    EXPECT_EQ(doc.ArtboardCount, 2);
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    CompositePass(doc, {}, progress);
    const Bitmap merged = DecodeMergedImage(ParsePsd(mapped.bytes(), name), std::size_t { 1 } << 31).colour;
    ASSERT_TRUE(merged.width() == doc.Composite.width() && merged.height() == doc.Composite.height());
    double sum = 0;
    int worst = 0;
    for (int y = 0; y < merged.height(); ++y)
        for (int x = 0; x < merged.width() * 3; ++x) {
            const int diff = std::abs(merged.row(y)[x] - doc.Composite.row(y)[x]);
            sum += diff;
            worst = std::max(worst, diff);
        }
    EXPECT_LE(sum / (merged.width() * merged.height() * 3.0), 0.5);
    EXPECT_LE(worst, 2);
}

} // namespace deptrix::test
