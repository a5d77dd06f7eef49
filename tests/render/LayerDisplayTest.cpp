#include "render/LayerDisplay.h"

#include "RenderTestSupport.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::AddLayer;
using test::EmptyDocument;
using test::Solid;

std::uint8_t Red(const Document& doc, int x, int y) {
    return doc.Composite.row(y)[3 * x + 2];
}

TEST(LayerDisplay, DrawsTheCheckerboardStartingWithShortSquares) {
    // Columns 0-6 grey, 7-14 white, 15-22 grey, ...; rows the same.
    Document doc = EmptyDocument(3, 40, 20);
    ShowSingleLayer(doc, 5); // no such layer: the bare board
    EXPECT_EQ(doc.SelectedLayer, 5);
    EXPECT_EQ(Red(doc, 0, 0), 200);
    EXPECT_EQ(Red(doc, 6, 0), 200);
    EXPECT_EQ(Red(doc, 7, 0), 255);
    EXPECT_EQ(Red(doc, 14, 0), 255);
    EXPECT_EQ(Red(doc, 15, 0), 200);
    EXPECT_EQ(Red(doc, 7, 7), 200);
    EXPECT_EQ(Red(doc, 0, 7), 255);
    EXPECT_EQ(Red(doc, 31, 15), 200);
    EXPECT_EQ(doc.Composite.row(0)[0], 200); // every byte of a grey pixel

    // CMYK squares hold 200 in all four bytes and show as 200 x 200 / 255 = 156.9.
    doc.ImageMode = 4;
    ShowSingleLayer(doc, -1);
    ASSERT_EQ(doc.Composite.format(), PixelFormat::Bgr24);
    EXPECT_EQ(Red(doc, 0, 0), 157);
    EXPECT_EQ(Red(doc, 7, 0), 255);
}

TEST(LayerDisplay, LaysTheLayerAtItsImportedPositionThroughItsMask) {
    // Layer 1 (an outline layer, drawn from its own picture) at Left 8, Top 0, two
    // pixels wide: column 8 opaque black, column 9 transparent. ViewLeft is ignored.
    Document doc = EmptyDocument(3, 16, 2);
    AddLayer(doc, 0, 0, Solid(16, 2, PixelFormat::Bgr24, 0), Solid(16, 2, PixelFormat::Gray8, 255));
    Bitmap mask = Solid(2, 2, PixelFormat::Gray8, 255);
    mask.row(0)[1] = 0;
    mask.row(1)[1] = 0;
    AddLayer(doc, 8, 0, Solid(2, 2, PixelFormat::Bgr24, 0), mask, 100);
    doc.ViewLeft[1] = 0;
    ShowSingleLayer(doc, 1);
    EXPECT_EQ(doc.SelectedLayer, 1);
    EXPECT_EQ(Red(doc, 0, 0), 200); // layer 0 is not shown
    EXPECT_EQ(Red(doc, 8, 0), 0);
    EXPECT_EQ(Red(doc, 9, 0), 255);
}

} // namespace
} // namespace deptrix
