// The blend modes' byte formulas, their fast rows and the layer row that mixes the
// blended colour with what lies below.

#include "render/BlendKernels.h"
#include "render/LayerRowBlend.h"
#include "render/ModeKernels.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace deptrix::blend {
namespace {

constexpr BlendMode kSeparable[] = { BlendMode::Multiply, BlendMode::Screen, BlendMode::Overlay,
    BlendMode::HardLight, BlendMode::SoftLight, BlendMode::Darken, BlendMode::Lighten, BlendMode::ColorDodge,
    BlendMode::ColorBurn, BlendMode::Difference, BlendMode::Exclusion, BlendMode::LinearDodge,
    BlendMode::LinearBurn, BlendMode::Subtract, BlendMode::Divide, BlendMode::VividLight,
    BlendMode::LinearLight, BlendMode::PinLight, BlendMode::HardMix };

/// The modes as real functions of backdrop a and source b in 0..1.
double RealMode(BlendMode mode, double a, double b) {
    const auto screen = [](double x, double y) { return x + y - x * y; };
    const auto hardLight = [&](double x, double y) { return y <= 0.5 ? x * 2 * y : screen(x, 2 * y - 1); };
    switch (mode) {
    case BlendMode::Multiply:
        return a * b;
    case BlendMode::Screen:
        return screen(a, b);
    case BlendMode::Overlay:
        return hardLight(b, a);
    case BlendMode::HardLight:
        return hardLight(a, b);
    case BlendMode::Darken:
        return std::min(a, b);
    case BlendMode::Lighten:
        return std::max(a, b);
    case BlendMode::ColorDodge:
        return a == 0 ? 0 : b == 1 ? 1 : std::min(1.0, a / (1 - b));
    case BlendMode::ColorBurn:
        return a == 1 ? 1 : b == 0 ? 0 : 1 - std::min(1.0, (1 - a) / b);
    case BlendMode::Difference:
        return std::abs(a - b);
    case BlendMode::Exclusion:
        return a + b - 2 * a * b;
    case BlendMode::LinearDodge:
        return std::min(1.0, a + b);
    case BlendMode::LinearBurn:
        return std::max(0.0, a + b - 1);
    case BlendMode::Subtract:
        return std::max(0.0, a - b);
    case BlendMode::Divide:
        return b == 0 ? (a == 0 ? 0 : 1) : std::min(1.0, a / b);
    case BlendMode::LinearLight:
        return std::clamp(a + 2 * b - 1, 0.0, 1.0);
    case BlendMode::PinLight:
        return b <= 0.5 ? std::min(a, 2 * b) : std::max(a, 2 * b - 1);
    default:
        return b;
    }
}

double Lum(const std::uint8_t* bgr) {
    return 0.3 * bgr[2] + 0.59 * bgr[1] + 0.11 * bgr[0];
}

TEST(BlendModes, IntegerFormulasGiveTheNearestLevelOfTheRealOnes) {
    for (BlendMode mode : kSeparable) {
        if (mode == BlendMode::SoftLight || mode == BlendMode::VividLight || mode == BlendMode::HardMix)
            continue;
        for (unsigned a = 0; a < 256; ++a)
            for (unsigned b = 0; b < 256; ++b) {
                // Halves round up, as the quotient modes do.
                const double real = std::floor(RealMode(mode, a / 255.0, b / 255.0) * 255.0 + 0.5 + 1e-9);
                ASSERT_EQ(SeparableByte(mode, a, b), real) << BlendModeName(mode) << " " << a << " " << b;
            }
    }
    // Vivid light lets a black or white source win; hard mix thresholds vivid light
    // with the backdrop's extremes kept.
    EXPECT_EQ(SeparableByte(BlendMode::VividLight, 255, 0), 0);
    EXPECT_EQ(SeparableByte(BlendMode::VividLight, 0, 255), 255);
    EXPECT_EQ(SeparableByte(BlendMode::HardMix, 255, 0), 255);
    EXPECT_EQ(SeparableByte(BlendMode::HardMix, 0, 255), 0);
    EXPECT_EQ(SeparableByte(BlendMode::HardMix, 100, 200), 255);
    EXPECT_EQ(SeparableByte(BlendMode::HardMix, 100, 100), 0);
}

TEST(BlendModes, FastRowsGiveTheByteFormulaForEveryPair) {
    // Every (a, b) once, starting off a 16-byte boundary so that the tail is taken too.
    std::vector<std::uint8_t> a(65536 + 7), b(65536 + 7), out(65536 + 7);
    for (std::size_t i = 0; i < 65536; ++i) {
        a[i + 3] = static_cast<std::uint8_t>(i >> 8);
        b[i + 3] = static_cast<std::uint8_t>(i);
    }
    for (BlendMode mode : kSeparable) {
        SeparableRow(mode, a.data() + 3, b.data() + 3, out.data() + 3, 65536 + 1);
        for (std::size_t i = 3; i < 65536 + 4; ++i)
            ASSERT_EQ(out[i], SeparableByte(mode, a[i], b[i])) << BlendModeName(mode) << " at " << i;
    }
}

TEST(BlendModes, WholePixelModesWorkOnLuminosityAndKeepTheirColours) {
    std::mt19937 random(5);
    std::vector<std::uint8_t> backdrop(3 * 500), source(3 * 500), out(3 * 500);
    for (auto& v : backdrop) v = static_cast<std::uint8_t>(random());
    for (auto& v : source) v = static_cast<std::uint8_t>(random());
    // The result takes the luminosity of the backdrop (hue, saturation, colour) or of
    // the source (luminosity), within the rounding of three channels.
    for (BlendMode mode :
        { BlendMode::Hue, BlendMode::Saturation, BlendMode::Color, BlendMode::Luminosity }) {
        NonSeparableRow(mode, backdrop.data(), source.data(), out.data(), 500, 3);
        for (std::size_t i = 0; i < 500; ++i) {
            const double want = Lum((mode == BlendMode::Luminosity ? source : backdrop).data() + 3 * i);
            ASSERT_NEAR(Lum(out.data() + 3 * i), want, 1.0) << BlendModeName(mode) << " pixel " << i;
        }
    }
    // Grey takes no colour from a grey source; pure blue (blue-green-red bytes) is
    // darker than pure red, so the bytes' order must be right.
    const std::uint8_t blue[] = { 255, 0, 0 }, red[] = { 0, 0, 255 }, grey[] = { 128, 128, 128 };
    std::uint8_t result[3];
    NonSeparableRow(BlendMode::DarkerColor, red, blue, result, 1, 3);
    EXPECT_TRUE(std::equal(result, result + 3, blue));
    NonSeparableRow(BlendMode::LighterColor, red, blue, result, 1, 3);
    EXPECT_TRUE(std::equal(result, result + 3, red));
    NonSeparableRow(BlendMode::Color, grey, grey, result, 1, 3);
    EXPECT_TRUE(std::equal(result, result + 3, grey));
}

TEST(BlendModes, CmykModesActOnTheStoredAdditiveBytes) {
    // Stored bytes are 255 - ink: Multiply adds ink, Screen takes it away.
    const std::uint8_t below[] = { 200, 255, 100, 250 }, above[] = { 100, 50, 255, 200 };
    std::uint8_t out[4];
    ModeRow(BlendMode::Multiply, below, above, out, 1, 4);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int> { 78, 50, 100, 196 }));
    ModeRow(BlendMode::Screen, below, above, out, 1, 4);
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int> { 222, 255, 255, 254 }));
    // Whole-pixel modes keep the backdrop's K, except luminosity, which takes the source's.
    ModeRow(BlendMode::Color, below, above, out, 1, 4);
    EXPECT_EQ(out[3], 250);
    ModeRow(BlendMode::Luminosity, below, above, out, 1, 4);
    EXPECT_EQ(out[3], 200);
}

/// One pixel the slow way, on real values: the colour below unmatted from white, the
/// mode, the layer's colour where nothing lies below, then "over" through the mask.
double ReferencePixel(BlendMode mode, int dst, int src, int mask, int alpha) {
    const double a = alpha / 255.0;
    const double below = a > 0 ? std::clamp((dst - 255 * (1 - a)) / a, 0.0, 255.0) : 0;
    const double blended = RealMode(mode, below / 255, src / 255.0) * 255;
    const double shown = (1 - a) * src + a * blended;
    const double m = mask / 255.0;
    return (1 - m) * dst + m * shown;
}

TEST(BlendModes, LayerRowBlendsWithWhatLiesBelowInProportionToItsOpacity) {
    std::mt19937 random(17);
    for (BlendMode mode :
        { BlendMode::Multiply, BlendMode::Screen, BlendMode::Overlay, BlendMode::Difference }) {
        for (int trial = 0; trial < 40; ++trial) {
            const std::size_t count = 1 + random() % 700;
            std::vector<std::uint8_t> dst(3 * count), src(3 * count), mask(count), alpha(count),
                coverage(count);
            for (auto& v : src) v = static_cast<std::uint8_t>(random());
            for (std::size_t i = 0; i < count; ++i) {
                // Runs of fully opaque, fully transparent and partly covered pictures below.
                const int kind = static_cast<int>((i / 97 + trial) % 3);
                alpha[i] = kind == 0 ? 255 : kind == 1 ? 0 : static_cast<std::uint8_t>(random());
                mask[i] = random() % 4 == 0 ? 0 : static_cast<std::uint8_t>(random());
                // A picture matted onto white can only be this light where it is this transparent.
                for (int c = 0; c < 3; ++c)
                    dst[3 * i + c] = static_cast<std::uint8_t>(255 - alpha[i] + random() % (alpha[i] + 1));
            }
            const std::vector<std::uint8_t> before = dst, alphaBefore = alpha;
            BlendLayerRow(
                mode, 255, dst.data(), src.data(), mask.data(), count, 3, coverage.data(), alpha.data());
            for (std::size_t i = 0; i < 3 * count; ++i) {
                const double want = ReferencePixel(mode, before[i], src[i], mask[i / 3], alphaBefore[i / 3]);
                ASSERT_NEAR(dst[i], want, 2.0) << BlendModeName(mode) << " trial " << trial << " byte " << i;
            }
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(alpha[i], BlendByte(alphaBefore[i], 255, mask[i])) << i;
        }
    }
}

/// The modes that weaken the source by their fill, after the editor's description:
/// the burns see it pushed towards white, the dodges and difference towards black,
/// the lights towards middle grey, and hard mix's hard edge becomes a slope of
/// 1 / (1 - fill). On reals in 0..1.
double FilledRealMode(BlendMode mode, double a, double b, double fill) {
    const double white = 1 - fill * (1 - b);
    const double black = fill * b;
    const double grey = 0.5 + fill * (b - 0.5);
    const auto burn = [](double x, double s) {
        return x == 1 ? 1 : s == 0 ? 0 : std::max(0.0, 1 - (1 - x) / s);
    };
    const auto dodge = [](double x, double s) {
        return x == 0 ? 0 : s == 1 ? 1 : std::min(1.0, x / (1 - s));
    };
    switch (mode) {
    case BlendMode::ColorBurn:
        return burn(a, white);
    case BlendMode::LinearBurn:
        return std::max(0.0, a + white - 1);
    case BlendMode::ColorDodge:
        return dodge(a, black);
    case BlendMode::LinearDodge:
        return std::min(1.0, a + black);
    case BlendMode::Difference:
        return std::abs(a - black);
    case BlendMode::LinearLight:
        return std::clamp(a + 2 * grey - 1, 0.0, 1.0);
    case BlendMode::VividLight:
        return grey < 0.5 ? burn(a, 2 * grey) : dodge(a, 2 * grey - 1);
    case BlendMode::HardMix:
        return std::clamp((a - fill * (1 - b)) / (1 - fill), 0.0, 1.0);
    default:
        return RealMode(mode, a, b);
    }
}

TEST(BlendModes, FillOfTheSpecialModesWeakensTheSourceInsideTheBlend) {
    constexpr BlendMode kFilled[]
        = { BlendMode::ColorBurn, BlendMode::LinearBurn, BlendMode::ColorDodge, BlendMode::LinearDodge,
              BlendMode::VividLight, BlendMode::LinearLight, BlendMode::HardMix, BlendMode::Difference };
    std::vector<std::uint8_t> a(65536), b(65536), out(65536);
    for (std::size_t i = 0; i < 65536; ++i) {
        a[i] = static_cast<std::uint8_t>(i >> 8);
        b[i] = static_cast<std::uint8_t>(i);
    }
    for (BlendMode mode : kFilled) {
        for (unsigned fill : { 0u, 1u, 51u, 128u, 204u, 254u }) {
            SeparableRow(mode, a.data(), b.data(), out.data(), out.size(), static_cast<std::uint8_t>(fill));
            for (std::size_t i = 0; i < 65536; ++i) {
                const double real = FilledRealMode(mode, a[i] / 255.0, b[i] / 255.0, fill / 255.0) * 255;
                ASSERT_NEAR(out[i], real, 0.5 + 1e-6)
                    << BlendModeName(mode) << " fill " << fill << " a " << int(a[i]) << " b " << int(b[i]);
                if (fill == 0) {
                    ASSERT_EQ(out[i], a[i]);
                }
            }
        }
        // At full fill the plain formula, exactly.
        SeparableRow(mode, a.data(), b.data(), out.data(), out.size(), 255);
        for (std::size_t i = 0; i < 65536; ++i) ASSERT_EQ(out[i], SeparableByte(mode, a[i], b[i]));
    }
    // Other modes take fill as opacity: in the blend it changes nothing.
    SeparableRow(BlendMode::Multiply, a.data(), b.data(), out.data(), out.size(), 51);
    for (std::size_t i = 0; i < 65536; ++i) ASSERT_EQ(out[i], SeparableByte(BlendMode::Multiply, a[i], b[i]));

    // A white Linear Light layer at 20 % fill over grey 100 lifts it by a fifth of its
    // reach, 100 + 0.2 x 255 = 151; faded as opacity it would give 100 + 0.2 x 155 = 131.
    std::uint8_t grey[3] = { 100, 100, 100 };
    const std::uint8_t white[3] = { 255, 255, 255 };
    const std::uint8_t opaque = 255;
    BlendLayerRow(BlendMode::LinearLight, 51, grey, white, &opaque, 1, 3, nullptr, nullptr);
    EXPECT_EQ(grey[0], 151);
}

} // namespace
} // namespace deptrix::blend
