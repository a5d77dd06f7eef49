#include "files/ConfigFile.h"

#include "core/Error.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(ConfigFile, NewFileHoldsTheDefaultsInTheFixedRealForm) {
    const std::string text = FormatConfig(ConfigValues {});
    const std::string line1 = "0 0 0 0 0 0  1.00000000000000E+0000\r\n";
    const std::string line2 = " 4.24775000000000E+0001 7  7.20000000000000E+0002  5.00000000000000E+0000 "
                              " 5.00000000000000E+0000 2 4\r\n";
    ASSERT_EQ(text.substr(0, line1.size()), line1);
    EXPECT_EQ(text.substr(line1.size(), line2.size()), line2);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(ParseConfig(text), ConfigValues {});
}

TEST(ConfigFile, RepairsOutOfRangeValuesAndKeepsTheBounds) {
    ConfigValues v;
    v.Lpi = 89000; // 8.9
    v.OutDpi = 999999;
    v.OutWidth = 1000001;
    v.OutHeight = 9999;
    v.ColorMode = 3;
    v.HScale = 0;
    v.DepthFactor = 0;
    EXPECT_TRUE(RepairConfig(v));
    EXPECT_EQ(v.Lpi, 424775);
    EXPECT_EQ(v.OutDpi, 12000000); // 1200, not the new file's 720
    EXPECT_EQ(v.OutWidth, 50000);
    EXPECT_EQ(v.OutHeight, 50000);
    EXPECT_EQ(v.ColorMode, 2);
    EXPECT_EQ(v.HScale, 4);
    EXPECT_EQ(v.DepthFactor, 10000);

    ConfigValues bounds;
    bounds.Lpi = 90000;
    bounds.OutDpi = 101600000;
    bounds.OutWidth = 10000;
    bounds.OutHeight = 1000000;
    bounds.HScale = 32;
    bounds.DepthFactor = 1000000;
    EXPECT_FALSE(RepairConfig(bounds));
    bounds.Lpi = 1700000;
    bounds.OutDpi = 1000000;
    bounds.HScale = 1;
    bounds.DepthFactor = 1;
    EXPECT_FALSE(RepairConfig(bounds));
    bounds.HScale = 33;
    EXPECT_TRUE(RepairConfig(bounds));
    EXPECT_EQ(bounds.HScale, 4);
}

TEST(ConfigFile, ReadsAnyNotationAndKeepsLowBitsOfByteFields) {
    const ConfigValues v = ParseConfig("7 8 9 10 11 257 50\n9 12 10000 5.5 3 258 300 extra\nignored 1 2\n");
    EXPECT_EQ(v.Reserved, (std::array<std::int32_t, 5> { 7, 8, 9, 10, 11 }));
    EXPECT_EQ(v.Language, 1);
    EXPECT_EQ(v.DepthFactor, 500000);
    EXPECT_EQ(v.Lpi, 90000);
    EXPECT_EQ(v.Angles, 12);
    EXPECT_EQ(v.OutDpi, kAutoDpi);
    EXPECT_EQ(v.OutWidth, 55000);
    EXPECT_EQ(v.ColorMode, 2);
    EXPECT_EQ(v.HScale, 44);
}

TEST(ConfigFile, MissingTrailingFieldsReadAsZero) {
    ConfigValues v = ParseConfig("0 0 0 0 0 0 1.0\r\n42.4775 7 720");
    EXPECT_EQ(v.OutWidth, 0);
    EXPECT_EQ(v.ColorMode, 0);
    EXPECT_EQ(v.HScale, 0);
    RepairConfig(v);
    EXPECT_EQ(v.OutWidth, 50000);
    EXPECT_EQ(v.ColorMode, 0); // 0 is a valid colour mode
    EXPECT_EQ(v.HScale, 4);
    EXPECT_EQ(ParseConfig("").Lpi, 0);
}

TEST(ConfigFile, AFieldThatIsNotANumberFails) {
    EXPECT_THROW(ParseConfig("0 0 0 0 0 0 1.0\r\n42,4775 7\r\n"), Error);
    EXPECT_THROW(ParseConfig("garbage\r\n"), Error);
}

} // namespace
} // namespace deptrix
