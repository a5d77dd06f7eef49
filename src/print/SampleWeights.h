#pragma once

#include <cstdint>
#include <vector>

namespace deptrix {

/// Weights that turn the samples 0..n-1 of a row or column into the average over a
/// span [a, b) of source coordinates (sample j covers [j, j + 1)). Spans of at least
/// one sample average the samples by the area they cover; shorter spans average a
/// linear interpolation between sample centres, so enlarging gives smooth ramps
/// instead of steps. Beyond the first and the last sample the edge sample continues.
struct SpanWeights {
    int first = 0; ///< the sample of weights[0]
    std::vector<float> weights; ///< consecutive samples from `first`, summing to 1
};

/// Nearest byte; written as plain comparisons so that loops over it vectorise.
inline std::uint8_t ToByte(float v) {
    float t = v + 0.5f;
    t = t < 0.0f ? 0.0f : t;
    t = t > 255.0f ? 255.0f : t;
    return static_cast<std::uint8_t>(static_cast<int>(t));
}

/// Fills `out` for the span [a, b) over n samples (n >= 1, b > a). Reuses out's memory.
void WeighSpan(int n, long double a, long double b, SpanWeights& out);

/// The weights of many spans of one row, flattened: span i uses the samples from
/// first[i] with the weights weights[begin[i] .. begin[i + 1]).
struct SpanTable {
    std::vector<std::int32_t> first;
    std::vector<std::uint32_t> begin;
    std::vector<float> weights;
};

} // namespace deptrix
