#include "render/BlendKernels.h"

#include "core/Fixed.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace deptrix::blend {
namespace {

std::uint8_t ReferenceBlend(int dst, int src, int m) {
    return static_cast<std::uint8_t>(Round((dst * (255 - m) + src * m) / 255.0L));
}

TEST(BlendKernels, DivideRound255IsTheNearestIntegerForEveryNumerator) {
    for (unsigned n = 0; n <= 255u * 255u; ++n) {
        ASSERT_EQ(DivideRound255(n), (2 * n + 255) / 510) << n;
        ASSERT_EQ(DivideRound255(n), static_cast<unsigned>(Round(n / 255.0L))) << n;
    }
}

TEST(BlendKernels, BlendByteMatchesTheExtendedPrecisionFormulaForEveryInput) {
    for (int m = 0; m < 256; ++m)
        for (int dst = 0; dst < 256; ++dst)
            for (int src = 0; src < 256; ++src)
                ASSERT_EQ(BlendByte(dst, src, m), ReferenceBlend(dst, src, m))
                    << dst << " " << src << " " << m;
}

TEST(BlendKernels, PixelRowGivesTheBytewiseBlendWhateverTheMaskRuns) {
    // Runs of 0, 255 and mixed values of every length around the 16-pixel blocks
    // exercise the skip, copy and blend paths and their boundaries.
    std::mt19937 random(11);
    for (int bpp : { 1, 3, 4 }) {
        for (int trial = 0; trial < 300; ++trial) {
            std::vector<std::uint8_t> mask;
            const std::size_t count = random() % 150;
            while (mask.size() < count) {
                const int kind = static_cast<int>(random() % 3);
                const std::size_t run = 1 + random() % 40;
                for (std::size_t i = 0; i < run && mask.size() < count; ++i)
                    mask.push_back(kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(random()));
            }
            const std::size_t bytes = count * static_cast<std::size_t>(bpp);
            std::vector<std::uint8_t> src(bytes), dst(bytes + 8), coverage(count + 8);
            for (auto& b : src) b = static_cast<std::uint8_t>(random());
            for (auto& b : dst) b = static_cast<std::uint8_t>(random());
            for (auto& b : coverage) b = static_cast<std::uint8_t>(random());
            std::vector<std::uint8_t> expected = dst, expectedCoverage = coverage;
            for (std::size_t i = 0; i < bytes; ++i)
                expected[i] = ReferenceBlend(expected[i], src[i], mask[i / static_cast<std::size_t>(bpp)]);
            for (std::size_t i = 0; i < count; ++i)
                expectedCoverage[i] = ReferenceBlend(expectedCoverage[i], 255, mask[i]);

            BlendPixelRow(dst.data(), src.data(), mask.data(), count, bpp, coverage.data());
            ASSERT_EQ(dst, expected) << "bpp " << bpp << " trial " << trial; // guard bytes included
            ASSERT_EQ(coverage, expectedCoverage) << "bpp " << bpp << " trial " << trial;
        }
    }
}

} // namespace
} // namespace deptrix::blend
