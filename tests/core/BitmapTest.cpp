#include "core/Bitmap.h"

#include "core/Error.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace deptrix {
namespace {

TEST(Bitmap, RowsArePaddedToFourBytes) {
    EXPECT_EQ(RowStride(1, PixelFormat::Bgr24), 4u);
    EXPECT_EQ(RowStride(5, PixelFormat::Bgr24), 16u);
    EXPECT_EQ(RowStride(7, PixelFormat::Gray8), 8u);
    EXPECT_EQ(RowStride(3, PixelFormat::Cmyk32), 12u);

    Bitmap b(7, 3, PixelFormat::Bgr24);
    EXPECT_EQ(b.stride(), 24u);
    EXPECT_EQ(b.row(2) - b.row(0), 48);
    EXPECT_EQ(b.sizeBytes(), 72u);
}

TEST(Bitmap, SizesAreCheckedBeforeAllocating) {
    EXPECT_THROW(Bitmap(-1, 5, PixelFormat::Gray8), Error);
    EXPECT_THROW(Bitmap(40000, 5, PixelFormat::Gray8), Error);
    EXPECT_THROW(Bitmap(32767, 32767, PixelFormat::Cmyk32), Error); // 4 GiB
    EXPECT_THROW(CheckedImageBytes(1000, 1000, 3, "layer", 1000), Error);
    EXPECT_EQ(CheckedImageBytes(5, 2, 3, "layer"), 32u);
    EXPECT_TRUE(Bitmap(0, 10, PixelFormat::Gray8).empty());
}

TEST(Bitmap, SamePixelsIgnoresRowPadding) {
    Bitmap a(3, 2, PixelFormat::Bgr24);
    Bitmap b(3, 2, PixelFormat::Bgr24);
    a.row(1)[9] = 77; // padding byte
    EXPECT_TRUE(a.samePixels(b));
    b.row(1)[8] = 1;
    EXPECT_FALSE(a.samePixels(b));
    EXPECT_FALSE(a.samePixels(Bitmap(3, 2, PixelFormat::Gray8)));
}

// Files store whole rows: whatever a picture is filled with, or however it is made,
// the bytes after each row's pixels are zero.
TEST(Bitmap, PaddingStaysZero) {
    Bitmap filled(5, 3, PixelFormat::Bgr24);
    filled.fill(200);
    Bitmap unfilled(5, 3, PixelFormat::Bgr24, UnfilledPixels {});
    // Large enough to come straight from the system rather than the heap.
    Bitmap large(1001, 1001, PixelFormat::Bgr24, UnfilledPixels {});
    large.fill(7);
    for (const Bitmap* b : { &filled, &unfilled, &large }) {
        const std::size_t used = static_cast<std::size_t>(b->width()) * 3;
        for (int y = 0; y < b->height(); ++y)
            for (std::size_t i = used; i < b->stride(); ++i) EXPECT_EQ(b->row(y)[i], 0) << y << " " << i;
    }
    EXPECT_EQ(filled.row(2)[14], 200);
    EXPECT_EQ(large.row(1000)[3002], 7);
}

TEST(Bitmap, ReusedPicturesKeepTheirMemoryWhileItIsLargeEnough) {
    Bitmap b(1001, 1001, PixelFormat::Cmyk32, UnfilledPixels {});
    b.fill(9);
    const std::uint8_t* memory = b.bits();
    b.reuseAs(7, 5, PixelFormat::Bgr24); // smaller, rows padded anew
    EXPECT_EQ(b.bits(), memory);
    EXPECT_EQ(b.width(), 7);
    EXPECT_EQ(b.format(), PixelFormat::Bgr24);
    EXPECT_EQ(b.stride(), 24u);
    EXPECT_EQ(b.sizeBytes(), 120u);
    for (int y = 0; y < 5; ++y)
        for (int i = 21; i < 24; ++i) EXPECT_EQ(b.row(y)[i], 0) << y << " " << i;
    b.reuseAs(2000, 1001, PixelFormat::Gray8); // larger than ever: fresh memory
    EXPECT_EQ(b.sizeBytes(), 2000u * 1001u);
    b.row(1000)[1999] = 3;
    b.reuseAs(0, 3, PixelFormat::Gray8);
    EXPECT_TRUE(b.empty());
    EXPECT_THROW(b.reuseAs(-1, 3, PixelFormat::Gray8), Error);
}

TEST(Bitmap, LargePixelBlocksStartOnAHugePageAndCanBeFreedInAnyOrder) {
    // Sizes around and between huge pages, freed out of order: each block is usable to
    // its last byte and gives back exactly what it took (a wrong trim would unmap a
    // neighbour's pages and crash the later writes).
    const std::size_t sizes[] = { (2u << 20) + 1, 3u << 20, (5u << 20) - 4095, 4u << 20 };
    std::vector<std::uint8_t*> blocks;
    for (const std::size_t bytes : sizes) {
        auto* block = static_cast<std::uint8_t*>(AllocatePixelMemory(bytes));
        block[0] = 1;
        block[bytes - 1] = 2;
#if !defined(__SANITIZE_ADDRESS__)
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (2u << 20), 0u) << bytes;
#endif
        blocks.push_back(block);
    }
    FreePixelMemory(blocks[1], sizes[1]);
    FreePixelMemory(blocks[3], sizes[3]);
    for (const std::size_t i : { 0u, 2u }) {
        EXPECT_EQ(blocks[i][0], 1);
        EXPECT_EQ(blocks[i][sizes[i] - 1], 2);
        blocks[i][sizes[i] / 2] = 3;
        FreePixelMemory(blocks[i], sizes[i]);
    }
}

TEST(Bitmap, ReleaseEmptiesThePicture) {
    Bitmap b(4, 4, PixelFormat::Cmyk32);
    b.fill(255);
    EXPECT_EQ(b.row(3)[15], 255);
    b.release();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.sizeBytes(), 0u);
}

} // namespace
} // namespace deptrix
