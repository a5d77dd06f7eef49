#include "output/GifWriter.h"

#include "GifInspection.h"
#include "TestPictures.h"
#include "core/Error.h"
#include "output/IndexedFrame.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(GifWriter, RepeatsAnImageByteForByte) {
    // Large enough for the compressed pixels to span many sub-blocks.
    const IndexedFrame frame = ReduceFrame(testing::Photo(200, 90, 21));
    GifWriter compressedTwice(200, 90);
    compressedTwice.addImage(frame);
    compressedTwice.addImage(frame);
    GifWriter repeated(200, 90);
    const GifWriter::EncodedPixels pixels = repeated.addImage(frame);
    EXPECT_GT(pixels.blocks.size(), 1000u);
    repeated.repeatImage(frame, pixels);
    const std::vector<std::uint8_t> bytes = repeated.finish();
    EXPECT_EQ(bytes, compressedTwice.finish());
    const testing::GifFile gif = testing::InspectGif(bytes);
    ASSERT_EQ(gif.images.size(), 2u);
    EXPECT_EQ(gif.images[1].indices, frame.indices);
}

TEST(GifWriter, RefusesWhatDoesNotFit) {
    EXPECT_THROW(GifWriter(0, 5), Error);
    EXPECT_THROW(GifWriter(70000, 5), Error);
    GifWriter writer(10, 10);
    EXPECT_THROW(writer.addImage(ReduceFrame(testing::Photo(10, 11, 1))), Error);
    EXPECT_THROW(writer.addGraphicControl(-1), Error);
    EXPECT_THROW(writer.addLoopExtension(70000), Error);
    const IndexedFrame frame = ReduceFrame(testing::Photo(10, 10, 1));
    GifWriter::EncodedPixels damaged = writer.addImage(frame);
    damaged.blocks.resize(damaged.blocks.size() / 2);
    damaged.blocks[0] = 255; // a length beyond the data
    EXPECT_THROW(writer.repeatImage(frame, damaged), Error);
    GifWriter finished(10, 10);
    finished.finish();
    EXPECT_THROW(finished.addImage(frame), Error);
}

} // namespace
} // namespace deptrix
