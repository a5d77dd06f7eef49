#pragma once

#include <cstdint>

namespace deptrix {

/// Real values are kept as signed 64-bit integers holding value x 10000.
using Fixed = std::int64_t;

inline constexpr Fixed kFixedOne = 10000;

/// Nearest integer, ties to even, on an extended-precision intermediate.
/// Values beyond the 64-bit range saturate; NaN gives 0.
std::int64_t Round(long double value);

/// Truncation toward zero, saturating like Round.
std::int64_t Trunc(long double value);

/// Round(value x 10000): the fixed-point form of a typed value.
inline Fixed ToFixed(long double value) {
    return Round(value * 10000.0L);
}

inline long double FromFixed(Fixed value) {
    return static_cast<long double>(value) / 10000.0L;
}

} // namespace deptrix
