// Frames beyond seven: the seven views are the frame set of seven, and any other
// count spreads the same parallax, flip members and warp evenly.

#include "render/FrameSet.h"

#include "core/Error.h"
#include "render/ViewSet.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

long double Value(Ratio r) {
    return static_cast<long double>(r.numerator) / static_cast<long double>(r.denominator);
}

TEST(FrameSet, SevenFramesAreTheViews) {
    const FrameSet views(7);
    for (int v = 1; v <= 7; ++v) {
        EXPECT_EQ(views.shift(v).numerator, v - 4);
        EXPECT_EQ(views.shift(v).denominator, 6);
        EXPECT_EQ(views.warpFactor(v).numerator, 4 - v);
        EXPECT_EQ(views.warpFactor(v).denominator, 1);
    }
    // Placement, overflow and saturation included, is the views' own.
    for (const std::int32_t offset : { 7, 60, -33, 2000000000 })
        for (const Fixed depth : { Fixed { 10000 }, Fixed { 5000 }, Fixed { -13000 } })
            for (int v = 1; v <= 7; ++v)
                EXPECT_EQ(ShiftedLeft(offset, -5, views.shift(v), depth, 11),
                    ViewLeftFor(offset, -5, v, 4, depth, 11))
                    << offset << " " << depth << " " << v;
}

TEST(FrameSet, AnyCountSpreadsTheViewsParallaxWarpAndFlipMembersEvenly) {
    for (const int n : { 2, 3, 12, 32, 64 }) {
        SCOPED_TRACE(n);
        const FrameSet frames(n);
        // Half the offset either way at the ends, even steps between, as the views.
        EXPECT_EQ(Value(frames.shift(1)), -0.5L);
        EXPECT_EQ(Value(frames.shift(n)), 0.5L);
        EXPECT_EQ(Value(frames.warpFactor(1)), 3.0L);
        EXPECT_EQ(Value(frames.warpFactor(n)), -3.0L);
        for (int k = 2; k <= n; ++k) {
            EXPECT_NEAR(Value(frames.shift(k)) - Value(frames.shift(k - 1)), 1.0L / (n - 1), 1e-15L);
            EXPECT_NEAR(
                Value(frames.warpFactor(k - 1)) - Value(frames.warpFactor(k)), 6.0L / (n - 1), 1e-15L);
        }
        // A layer with offset 60 (focus 0) moves 60 px from frame 1 to frame N.
        EXPECT_EQ(
            ShiftedLeft(60, 0, frames.shift(n), 10000, 0) - ShiftedLeft(60, 0, frames.shift(1), 10000, 0),
            60);
        // n members over n frames: one each, in order; members never go back.
        for (int q = 0; q < n; ++q) EXPECT_EQ(frames.member(n, q), q);
        for (const int members : { 1, 2, 5, 70 }) {
            int previous = 0;
            for (int q = 0; q < n; ++q) {
                const int member = frames.member(members, q);
                EXPECT_GE(member, previous);
                EXPECT_LT(member, members);
                previous = member;
            }
        }
    }
    EXPECT_THROW(FrameSet(1), Error);
    EXPECT_THROW(FrameSet(65), Error);
}

TEST(FrameSet, FlipMembersFollowTheViewsRuleWithNInPlaceOfSeven) {
    // step := Round(n / N x 10000); frame q shows Trunc(((q + 1) step - 1000) / 10000).
    // Two members over four frames: step 5000, positions 4000, 9000, 14000, 19000.
    const FrameSet four(4);
    EXPECT_EQ(four.member(2, 0), 0);
    EXPECT_EQ(four.member(2, 1), 0);
    EXPECT_EQ(four.member(2, 2), 1);
    EXPECT_EQ(four.member(2, 3), 1);
    // Three members over twelve frames: step 2500, member 1 from frame index 4 on.
    const FrameSet twelve(12);
    EXPECT_EQ(twelve.member(3, 3), 0);
    EXPECT_EQ(twelve.member(3, 4), 1);
    EXPECT_EQ(twelve.member(3, 8), 2);
    EXPECT_EQ(twelve.member(0, 5), -1);
}

} // namespace
} // namespace deptrix
