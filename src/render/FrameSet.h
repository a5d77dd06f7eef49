#pragma once

#include "core/Document.h"
#include "core/Fixed.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// Fewest and most frames a picture can be spread over.
inline constexpr int kMinFrames = 2;
inline constexpr int kMaxFrames = 64;

constexpr bool IsFrameCount(std::int64_t frames) {
    return frames >= kMinFrames && frames <= kMaxFrames;
}

/// An exact fraction, numerator / denominator with a positive denominator.
struct Ratio {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
};

/// N frames spread over the parallax of the seven views: frame 1 sees the scene from
/// where view 1 does, frame N from where view 7 does, and the frames between are
/// evenly spaced. The seven views of the preview are the frame set of 7.
class FrameSet {
public:
    /// Throws Error unless IsFrameCount(count).
    explicit FrameSet(int count);

    int count() const { return m_count; }

    /// How far frame k (1..N) moves a layer, as a fraction of its offset from the
    /// focus offset (times the depth factor): (2k - N - 1) / (2 (N - 1)), so -1/2 in
    /// frame 1 and +1/2 in frame N. For odd N it is kept as (k - (N + 1) / 2) / (N - 1),
    /// which for seven frames is the views' own (n - 4) / 6.
    Ratio shift(int frame) const;

    /// The flip-group member (0..n-1) that frame index q (0..N-1) shows for a group of
    /// n members: step := Round(n / N x 10000), member Trunc(((q + 1) step - 1000) / 10000);
    /// -1 when (q + 1) step is not positive (a group without members).
    int member(int members, int frameIndex) const;

    /// The factor by which the warp of outline layers moves a depth level in frame k
    /// (1..N): 3 (N + 1 - 2k) / (N - 1), from +3 in frame 1 to -3 in frame N; for seven
    /// frames the views' 4 - v. Reduced, so whole factors have denominator 1.
    Ratio warpFactor(int frame) const;

    /// For every flip group g (entry g - 1) the layer each frame index draws, from the
    /// document's GroupMembers (BuildGroupFrames must have run). A group without
    /// members gets zeros, like the views' GroupFrames.
    std::vector<std::vector<std::uint8_t>> groupFrames(const Document& doc) const;

private:
    int m_count;
};

/// A layer's left edge in a frame: Round(d / denominator x depthFactor / 10000) + left
/// with d = (offset - focusOffset) x numerator of `shift` in 32-bit integer arithmetic,
/// which wraps around on overflow as the views' placement always has. A result beyond
/// the 32-bit range is held at its limit.
std::int32_t ShiftedLeft(
    std::int32_t offset, std::int32_t focusOffset, Ratio shift, Fixed depthFactor, std::int32_t left);

} // namespace deptrix
