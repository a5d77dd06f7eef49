#include "core/Fixed.h"

#include <gtest/gtest.h>
#include <limits>

namespace deptrix {
namespace {

TEST(Round, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(Round(0.5L), 0);
    EXPECT_EQ(Round(1.5L), 2);
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(3.5L), 4);
    EXPECT_EQ(Round(-0.5L), 0);
    EXPECT_EQ(Round(-1.5L), -2);
    EXPECT_EQ(Round(-2.5L), -2);
    EXPECT_EQ(Round(76.5L), 76); // grey of pure red
}

TEST(Round, NonTiesGoToTheNearest) {
    EXPECT_EQ(Round(1.1666L), 1);
    EXPECT_EQ(Round(2.5000001L), 3);
    EXPECT_EQ(Round(-2.5000001L), -3);
    EXPECT_EQ(Round(-0.49L), 0);
    EXPECT_EQ(Round(666666.67L / 2.001L), 333167);
    EXPECT_EQ(Round(1000000.0L / 3.001L), 333222);
}

TEST(Round, SaturatesOutsideTheRange) {
    EXPECT_EQ(Round(1e30L), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Round(-1e30L), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Round(std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST(Trunc, CutsTowardZero) {
    EXPECT_EQ(Trunc(2.9L), 2);
    EXPECT_EQ(Trunc(-2.9L), -2);
    EXPECT_EQ(Trunc((2 * 2857.0L - 1000) / 10000), 0);
}

TEST(Fixed, TypedValuesRoundToTenThousandths) {
    EXPECT_EQ(ToFixed(42.4775L), 424775);
    EXPECT_EQ(ToFixed(297.3425L), 2973425);
    EXPECT_EQ(ToFixed(0.00005L), 0); // 0.5 ties to even
    EXPECT_EQ(ToFixed(0.00015L), 2);
    EXPECT_EQ(ToFixed(-1.0L), -10000);
}

} // namespace
} // namespace deptrix
