#include "core/NumberText.h"

#include "ScopedLocale.h"
#include "core/Error.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

TEST(FormatNumber, ShortestTextUpToFifteenDigits) {
    EXPECT_EQ(FormatNumber(5.0L), "5");
    EXPECT_EQ(FormatNumber(42.4775L), "42.4775");
    EXPECT_EQ(FormatNumber(10.0L / 3.0L), "3.33333333333333");
    EXPECT_EQ(FormatNumber(10.0L / 1.5L), "6.66666666666667");
    EXPECT_EQ(FormatNumber(-0.25L), "-0.25");
    EXPECT_EQ(FormatNumber(0.0L), "0");
    EXPECT_EQ(FormatNumber(-0.0L), "0");
    EXPECT_EQ(FormatNumber(1200.0L), "1200");
    EXPECT_EQ(FormatNumber(0.0001L), "0.0001");
    EXPECT_EQ(FormatNumber(123456789012345.0L), "123456789012345");
}

TEST(FormatNumber, ExtremeMagnitudesUseTheExponentForm) {
    EXPECT_EQ(FormatNumber(1e20L), "1E20");
    EXPECT_EQ(FormatNumber(1.5e-7L), "1.5E-7");
    EXPECT_EQ(FormatNumber(1e15L), "1E15");
}

TEST(FormatFixed, ShowsValueOverTenThousand) {
    EXPECT_EQ(FormatFixed(10000), "1");
    EXPECT_EQ(FormatFixed(424775), "42.4775");
    EXPECT_EQ(FormatFixed(755500), "75.55");
    EXPECT_EQ(FormatFixed(-5000), "-0.5");
}

TEST(ParseReal, AcceptsDecimalAndScientificNotation) {
    EXPECT_EQ(ParseReal("42.4775"), 42.4775L);
    EXPECT_EQ(ParseReal(" 7 "), 7.0L);
    EXPECT_EQ(ParseReal("-.5"), -0.5L);
    EXPECT_EQ(ParseReal("5."), 5.0L);
    EXPECT_EQ(ParseReal("+4.24775000000000E+0001"), 42.4775L);
    EXPECT_EQ(ParseFixed("1.0"), 10000);
}

TEST(ParseReal, RejectsTextWithThePlatformMessage) {
    for (const char* bad : { "", "-", ".", "abc", "1.2.3", "1e", "1,5", "12x", "e5", "inf" }) {
        try {
            ParseReal(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(
                std::string(e.what()), std::string("'") + bad + "' is not a valid floating point value");
        }
    }
    EXPECT_THROW(ParseReal("1e99999"), ConvertError);
    EXPECT_EQ(ParseReal("1e-99999"), 0.0L); // too small to hold reads as zero
    EXPECT_EQ(ParseReal("-0.0001e-9999"), 0.0L);
}

TEST(NumberText, FileNumbersIgnoreACommaDecimalLocale) {
    ScopedLocale comma(kCommaLocale);
    if (!comma.active()) GTEST_SKIP() << kCommaLocale << " is not installed";
    EXPECT_EQ(ParseReal("42.4775"), 42.4775L);
    EXPECT_EQ(ParseReal(" 4.24775000000000E+0001"), 42.4775L);
    EXPECT_EQ(ParseFixed("-.5"), -5000);
    EXPECT_THROW(ParseReal("42,4775"), ConvertError);
    EXPECT_EQ(FormatReal23(42.4775L), " 4.24775000000000E+0001");
    EXPECT_EQ(FormatNumber(10.0L / 3.0L), "3.33333333333333");
    EXPECT_EQ(FormatNumber(1.5e-7L), "1.5E-7");
}

TEST(ParseFieldReal, TakesThePointAndTheLocaleSeparator) {
    EXPECT_EQ(ParseFieldReal("42,5", ","), 42.5L);
    EXPECT_EQ(ParseFieldReal(" 42.5 ", ","), 42.5L);
    EXPECT_EQ(ParseFieldReal("-1,5E2", ","), -150.0L);
    EXPECT_EQ(ParseFieldReal(",25", ","), 0.25L);
    EXPECT_EQ(ParseFieldReal("2\xd9\xab"
                             "5",
                  "\xd9\xab"),
        2.5L); // a separator of two bytes
    EXPECT_EQ(ParseFieldReal("7", "."), 7.0L);
    for (const auto& [bad, separator] : { std::pair { "1,5", "." }, { "1,2,3", "," }, { "1.2,3", "," },
             { "1,5,", "," }, { ",", "," }, { "1 000,5", "," } }) {
        try {
            ParseFieldReal(bad, separator);
            ADD_FAILURE() << "accepted '" << bad << "' with separator '" << separator << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(
                std::string(e.what()), std::string("'") + bad + "' is not a valid floating point value");
        }
    }
}

TEST(ParseFieldReal, FollowsTheSeparatorOfTheCurrentLocale) {
    EXPECT_EQ(ParseFieldFixed("42.4775"), 424775);
    ScopedLocale comma(kCommaLocale);
    if (!comma.active()) GTEST_SKIP() << kCommaLocale << " is not installed";
    EXPECT_EQ(LocaleDecimalSeparator(), ",");
    EXPECT_EQ(ParseFieldFixed("42,4775"), 424775);
    EXPECT_EQ(ParseFieldFixed("42.4775"), 424775);
}

TEST(ParseInteger, AcceptsSignsBlanksAndHex) {
    EXPECT_EQ(ParseInteger("60"), 60);
    EXPECT_EQ(ParseInteger("  -8"), -8);
    EXPECT_EQ(ParseInteger("+3"), 3);
    EXPECT_EQ(ParseInteger("$10"), 16);
    EXPECT_EQ(ParseInteger("0x1F"), 31);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
}

TEST(ParseInteger, RejectsTextWithThePlatformMessage) {
    for (const char* bad : { "", " ", "-", "1.5", "3 <F>", "2147483648", "abc", "7 " }) {
        try {
            ParseInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(FormatReal23, FixedScientificForm) {
    EXPECT_EQ(FormatReal23(42.4775L), " 4.24775000000000E+0001");
    EXPECT_EQ(FormatReal23(1.0L), " 1.00000000000000E+0000");
    EXPECT_EQ(FormatReal23(720.0L), " 7.20000000000000E+0002");
    EXPECT_EQ(FormatReal23(-2.5L), "-2.50000000000000E+0000");
    EXPECT_EQ(FormatReal23(0.0L), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatReal23(0.001L), " 1.00000000000000E-0003");
    EXPECT_EQ(FormatReal23(10000.0L), " 1.00000000000000E+0004");
    EXPECT_EQ(FormatReal23(10.0L / 3.0L), " 3.33333333333333E+0000");
    EXPECT_EQ(FormatReal23(9.999999999999999L), " 1.00000000000000E+0001");
    for (long double v : { 42.4775L, -1e-7L, 123456.789L }) EXPECT_EQ(FormatReal23(v).size(), 23u);
}

TEST(FormatReal23, ReadsBackToTheSameFixedValue) {
    for (Fixed f : { Fixed { 424775 }, Fixed { 2973425 }, Fixed { -5000 }, Fixed { 100000000 }, Fixed { 1 } })
        EXPECT_EQ(ParseFixed(FormatReal23(FromFixed(f))), f);
}

} // namespace
} // namespace deptrix
