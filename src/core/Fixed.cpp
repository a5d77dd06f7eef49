#include "core/Fixed.h"

#include <cmath>
#include <limits>

namespace deptrix {

namespace {

constexpr long double kMaxInt64 = 9223372036854775807.0L;
constexpr long double kMinInt64 = -9223372036854775808.0L;

std::int64_t Saturate(long double integral) {
    if (std::isnan(integral)) return 0;
    if (integral >= kMaxInt64) return std::numeric_limits<std::int64_t>::max();
    if (integral <= kMinInt64) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(integral);
}

} // namespace

std::int64_t Round(long double value) {
    if (!std::isfinite(value)) return Saturate(value);
    const long double below = std::floor(value);
    const long double fraction = value - below;
    long double result = below;
    if (fraction > 0.5L) {
        result = below + 1.0L;
    } else if (fraction == 0.5L) {
        // Ties go to the even neighbour.
        result = std::fmod(below, 2.0L) == 0.0L ? below : below + 1.0L;
    }
    return Saturate(result);
}

std::int64_t Trunc(long double value) {
    return Saturate(std::trunc(value));
}

} // namespace deptrix
