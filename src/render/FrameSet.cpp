#include "render/FrameSet.h"

#include "core/Error.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>

namespace deptrix {

namespace {

Ratio Reduced(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t divisor = std::gcd(numerator, denominator);
    return { numerator / divisor, denominator / divisor };
}

} // namespace

FrameSet::FrameSet(int count)
    : m_count(count) {
    if (!IsFrameCount(count))
        throw Error("frames " + std::to_string(count) + ": the frame count must be at least "
            + std::to_string(kMinFrames) + " and at most " + std::to_string(kMaxFrames));
}

Ratio FrameSet::shift(int frame) const {
    if (m_count % 2 == 1) return { frame - (m_count + 1) / 2, m_count - 1 };
    return { 2 * frame - m_count - 1, 2 * (m_count - 1) };
}

int FrameSet::member(int members, int frameIndex) const {
    const std::int64_t step
        = Round(static_cast<long double>(members) / static_cast<long double>(m_count) * 10000.0L);
    const std::int64_t position = (frameIndex + 1) * step;
    if (position <= 0) return -1;
    // At most Trunc((10000n + N/2 - 1000) / 10000) = n - 1 for N up to 64.
    const std::int64_t member = Trunc(static_cast<long double>(position - 1000) / 10000.0L);
    return static_cast<int>(std::clamp<std::int64_t>(member, 0, members - 1));
}

Ratio FrameSet::warpFactor(int frame) const {
    return Reduced(3 * (m_count + 1 - 2 * frame), m_count - 1);
}

std::vector<std::vector<std::uint8_t>> FrameSet::groupFrames(const Document& doc) const {
    std::vector<std::vector<std::uint8_t>> frames;
    for (const auto& members : doc.GroupMembers) {
        std::vector<std::uint8_t>& group = frames.emplace_back(static_cast<std::size_t>(m_count), 0);
        const auto n = static_cast<int>(members.size());
        for (int q = 0; q < m_count; ++q) {
            const int member = n > 0 ? this->member(n, q) : -1;
            if (member >= 0) group[static_cast<std::size_t>(q)] = members[static_cast<std::size_t>(member)];
        }
    }
    return frames;
}

std::int32_t ShiftedLeft(
    std::int32_t offset, std::int32_t focusOffset, Ratio shift, Fixed depthFactor, std::int32_t left) {
    // Unsigned 32-bit arithmetic wraps modulo 2^32 without undefined behaviour, and the
    // conversion back to int32 is modular (C++20): exactly the 32-bit signed result,
    // overflow included.
    const std::uint32_t difference
        = static_cast<std::uint32_t>(offset) - static_cast<std::uint32_t>(focusOffset);
    const auto d = static_cast<std::int32_t>(difference * static_cast<std::uint32_t>(shift.numerator));

    const std::int64_t moved = Round(static_cast<long double>(d) / static_cast<long double>(shift.denominator)
        * static_cast<long double>(depthFactor) / 10000.0L);
    // The shift saturates at the 64-bit limits, so clamp before adding.
    constexpr std::int64_t kLimit = std::int64_t { 1 } << 40;
    const std::int64_t result = std::clamp(moved, -kLimit, kLimit) + left;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        result, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace deptrix
