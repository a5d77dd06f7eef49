// The composite pass for documents with blend modes and clipped layers.

#include "RenderTestSupport.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::AddLayer;
using test::EmptyDocument;
using test::Noise;
using test::Solid;

constexpr BlendKey kMultiply { 'm', 'u', 'l', ' ' };

Bitmap RandomMask(int width, int height, std::mt19937& random) {
    Bitmap mask(width, height, PixelFormat::Gray8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int kind = static_cast<int>(random() % 3);
            mask.row(y)[x] = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(random());
        }
    return mask;
}

TEST(ModeComposite, NormalLayersGiveThePlainPassesBytesOnTheRowPath) {
    // A clipped layer that shows nothing sends the document down the row-by-row path;
    // every Normal layer must come out exactly as the plain pass draws it.
    std::mt19937 random(99);
    NullProgress progress;
    for (int trial = 0; trial < 100; ++trial) {
        Document doc = EmptyDocument(trial % 2 ? 4 : 3, 1 + int(random() % 60), 1 + int(random() % 20));
        const PixelFormat format = doc.ImageMode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
        for (int s = 0, layers = 1 + int(random() % 6); s < layers; ++s) {
            const int w = 1 + int(random() % 70), h = 1 + int(random() % 25);
            AddLayer(doc, int(random() % 80) - 30, int(random() % 30) - 8, Noise(w, h, format, random),
                RandomMask(w, h, random), random() % 4 == 0 ? 1 : 0);
        }
        BuildGroupFrames(doc);
        CompositePass(doc, {}, progress);
        const Bitmap plain = doc.Composite;
        const Bitmap plainCoverage = doc.Coverage;

        AddLayer(doc, 0, 0, Noise(5, 5, format, random), Solid(5, 5, PixelFormat::Gray8, 0));
        doc.Layers.back().ClipBase = 0;
        BuildGroupFrames(doc);
        CompositePass(doc, {}, progress);
        ASSERT_TRUE(doc.Composite.samePixels(plain)) << "trial " << trial;
        ASSERT_TRUE(doc.Coverage.samePixels(plainCoverage)) << "trial " << trial;
    }
}

TEST(ModeComposite, AModeBlendsWithLayersBelowAndOverNothingShowsAsItself) {
    // A grey layer covers the left half; a Multiply layer of value 100 covers all:
    //   left:  Round(128 x 100 / 255) = 50     right: 100, as over nothing
    Document doc = EmptyDocument(3, 4, 1);
    AddLayer(doc, 0, 0, Solid(2, 1, PixelFormat::Bgr24, 128), Solid(2, 1, PixelFormat::Gray8, 255));
    AddLayer(doc, 0, 0, Solid(4, 1, PixelFormat::Bgr24, 100), Solid(4, 1, PixelFormat::Gray8, 255));
    doc.Layers[1].BlendModeKey = kMultiply;
    NullProgress progress;
    CompositePass(doc, {}, progress);
    const int want[] = { 50, 50, 100, 100 };
    for (int x = 0; x < 4; ++x) EXPECT_EQ(doc.Composite.row(0)[3 * x], want[x]) << x;

    // A folder of one layer lends the layer its mode.
    doc.Layers[1].BlendModeKey = kNormalKey;
    doc.Layers[1].FolderBlendModeKey = kMultiply;
    CompositePass(doc, {}, progress);
    EXPECT_EQ(doc.Composite.row(0)[0], 50);
}

TEST(ModeComposite, ClippedLayersAreDrawnWithTheirBaseInItsFlipFrames) {
    // Flip group 1 of two members, the lower one with a layer clipped to it (also of
    // group 1, as in its folder); the clipped layer is no frame of its own.
    Document doc = EmptyDocument(3, 3, 1);
    AddLayer(doc, 0, 0, Solid(3, 1, PixelFormat::Bgr24, 10), Solid(3, 1, PixelFormat::Gray8, 255), 1);
    AddLayer(doc, 1, 0, Solid(1, 1, PixelFormat::Bgr24, 20), Solid(1, 1, PixelFormat::Gray8, 255), 1);
    doc.Layers[1].ClipBase = 0;
    AddLayer(doc, 0, 0, Solid(2, 1, PixelFormat::Bgr24, 30), Solid(2, 1, PixelFormat::Gray8, 255), 1);
    BuildGroupFrames(doc);
    ASSERT_EQ(doc.GroupMembers[0], (std::vector<std::uint8_t> { 0, 2 }));
    NullProgress progress;
    for (std::uint8_t view = 0; view < kViewCount; ++view) {
        doc.CurrentView = view;
        CompositePass(doc, {}, progress);
        const bool lower = view < 3;
        EXPECT_EQ(doc.Composite.row(0)[0], lower ? 10 : 30) << int(view);
        EXPECT_EQ(doc.Composite.row(0)[3], lower ? 20 : 30) << int(view);
        EXPECT_EQ(doc.Composite.row(0)[6], lower ? 10 : 255) << int(view);
    }
}

} // namespace
} // namespace deptrix
