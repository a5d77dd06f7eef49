// What the import dialog's preview learns about a file, and the resolution the
// import takes when a file states none or an absurd one (the grey mode is checked
// through the window's import).

#include "import/PsdSummary.h"

#include "TestPsd.h"
#include "core/Error.h"

#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

std::vector<std::uint8_t> TwoLayerFile(PsdWriterOptions options) {
    PsdWriter writer(options);
    writer.addLayer(SolidLayer("back", { 0, 0, options.height, options.width }, { 10, 20, 30 }));
    PsdLayerSpec hidden = SolidLayer("hidden", { 0, 0, 4, 4 }, { 1, 2, 3 });
    hidden.hidden = true;
    writer.addLayer(hidden);
    writer.addLayer(SolidLayer("front", { 2, 2, 8, 8 }, { 200, 100, 50 }));
    const auto pixels = static_cast<std::int64_t>(options.width) * options.height;
    writer.setMergedImage({ Flat(pixels, 10), Flat(pixels, 20), Flat(pixels, 30) }, false);
    return writer.finish();
}

TEST(PsdSummary, GivesTheFactsAndAReducedMergedPicture) {
    PsdWriterOptions options = RgbOptions(400, 100);
    options.resolutionPpi = 300;
    const auto bytes = TwoLayerFile(options);
    const PsdSummary summary = SummarisePsd(bytes, "two.psd", 100);
    EXPECT_EQ(summary.width, 400);
    EXPECT_EQ(summary.height, 100);
    EXPECT_EQ(summary.mode, ColourMode::Rgb);
    EXPECT_EQ(summary.depth, 8);
    EXPECT_EQ(summary.layerCount, 2); // the hidden layer is left out, as the import does
    EXPECT_EQ(summary.resolutionPpi, 300);
    ASSERT_EQ(summary.picture.width(), 100);
    EXPECT_EQ(summary.picture.height(), 25);
    EXPECT_EQ(Rgb(summary.picture, 50, 12), (std::array<int, 3> { 10, 20, 30 }));
    EXPECT_TRUE(summary.pictureProblem.empty());

    // A picture over the limit is left out with the reason; the facts stay.
    const PsdSummary limited = SummarisePsd(bytes, "two.psd", 100, 1000);
    EXPECT_TRUE(limited.picture.empty());
    EXPECT_FALSE(limited.pictureProblem.empty());
    EXPECT_EQ(limited.layerCount, 2);

    EXPECT_THROW(SummarisePsd(std::span(bytes).first(60), "cut.psd", 100), Error);
}

TEST(ImportResolution, SeventyTwoWhenTheFileStatesNoneZeroOrLessThanOne) {
    for (const double stated : { 0.0, 0.5, 0.999 }) {
        PsdWriterOptions options = RgbOptions(720, 360);
        options.resolutionPpi = stated;
        const ImportedDocument doc = Import(TwoLayerFile(options));
        EXPECT_EQ(doc.SourceDpi, 720000) << stated;
        EXPECT_EQ(doc.SourceWidthCm, 254000) << stated; // 10 inches
        EXPECT_EQ(doc.SourceHeightCm, 127000) << stated;
    }
    PsdWriterOptions options = RgbOptions(720, 360);
    options.resolutionPpi = 1;
    EXPECT_EQ(Import(TwoLayerFile(options)).SourceDpi, 10000);
}

} // namespace
} // namespace deptrix::test
