// Spreading a row's distinct pixels over its columns against a plain copy per column,
// with the byte shuffles and with the portable loop, at every width up to a few groups
// of sixteen bytes.

#include "print/ColumnSpread.h"

#include "core/Error.h"

#include <gtest/gtest.h>
#include <random>

namespace deptrix {
namespace {

TEST(ColumnSpread, EveryColumnShowsItsPixelAtEveryWidth) {
    std::mt19937 random(5);
    for (const int channels : { 3, 4 })
        for (const auto code : { ColumnSpread::Code::Best, ColumnSpread::Code::Portable })
            for (std::size_t columns = 1; columns <= 70; ++columns) {
                // Runs of one to six columns per pixel, and runs of single columns.
                std::vector<std::uint32_t> pixelOf(columns);
                std::uint32_t pixel = 0;
                for (std::size_t x = 1; x < columns; ++x) {
                    if (columns % 3 == 0 || random() % 4 == 0) ++pixel;
                    pixelOf[x] = pixel;
                }
                std::vector<std::uint8_t> pixels(
                    (pixel + 1) * static_cast<std::uint32_t>(channels) + ColumnSpread::kSlack);
                for (std::uint8_t& byte : pixels) byte = static_cast<std::uint8_t>(random());
                std::vector<std::uint8_t> row(columns * static_cast<std::size_t>(channels) + 1, 0xA5);
                ColumnSpread(pixelOf, channels, code).spread(pixels.data(), row.data());

                for (std::size_t x = 0; x < columns; ++x)
                    for (int c = 0; c < channels; ++c)
                        ASSERT_EQ(row[x * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)],
                            pixels[pixelOf[x] * static_cast<std::uint32_t>(channels)
                                + static_cast<std::uint32_t>(c)])
                            << columns << " columns of " << channels << ", column " << x;
                EXPECT_EQ(row.back(), 0xA5) << "written past the row of " << columns;
            }
}

TEST(ColumnSpread, BytesFromTwoStretchesOrScatteredAreEachTheirSourceByte) {
    std::mt19937 random(8);
    std::vector<std::uint8_t> source(400 + ColumnSpread::kSlack);
    for (std::uint8_t& byte : source) byte = static_cast<std::uint8_t>(random());
    for (const auto code : { ColumnSpread::Code::Best, ColumnSpread::Code::Portable })
        for (std::size_t bytes = 1; bytes <= 75; ++bytes) {
            // Most groups from two stretches far apart (values and mixes); every third
            // row has bytes from anywhere, which no two stretches cover.
            std::vector<std::uint32_t> byteOf(bytes);
            for (std::size_t i = 0; i < bytes; ++i)
                byteOf[i] = bytes % 3 == 0 ? static_cast<std::uint32_t>(random() % 400)
                                           : static_cast<std::uint32_t>(i / 2 + (i % 2 ? 200 : 0));
            std::vector<std::uint8_t> row(bytes + 1, 0xA5);
            ColumnSpread::FromBytes(byteOf, code).spread(source.data(), row.data());
            for (std::size_t i = 0; i < bytes; ++i)
                ASSERT_EQ(row[i], source[byteOf[i]]) << "byte " << i << " of " << bytes;
            EXPECT_EQ(row.back(), 0xA5) << "written past the row of " << bytes;
        }
}

TEST(ColumnSpread, RefusesColumnsThatSkipAPixel) {
    EXPECT_THROW(ColumnSpread({ 0, 0, 2 }, 3), Error);
    EXPECT_THROW(ColumnSpread({ 1 }, 3), Error);
    EXPECT_THROW(ColumnSpread({ 0, 1, 0 }, 4), Error);
}

} // namespace
} // namespace deptrix
