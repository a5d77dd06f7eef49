#include "print/SampleWeights.h"

#include <algorithm>
#include <cmath>

namespace deptrix {

namespace {

/// Antiderivative of the box of width 1 centred on 0.
long double BoxIntegral(long double t) {
    return std::clamp(t + 0.5L, 0.0L, 1.0L);
}

/// Antiderivative of the tent max(0, 1 - |t|).
long double TentIntegral(long double t) {
    if (t <= -1) return 0;
    if (t <= 0) return (t + 1) * (t + 1) / 2;
    if (t < 1) return 1 - (1 - t) * (1 - t) / 2;
    return 1;
}

} // namespace

void WeighSpan(int n, long double a, long double b, SpanWeights& out) {
    out.weights.clear();
    const long double span = b - a;
    const bool area = span >= 1;
    const long double reach = area ? 0.5L : 1.0L; // kernel half width around a sample centre
    // Samples whose kernel meets the span, then clamped onto 0..n-1.
    const auto low = static_cast<std::int64_t>(std::floor(a - 0.5L - reach));
    const auto high = static_cast<std::int64_t>(std::ceil(b - 0.5L + reach));
    const int first = static_cast<int>(std::clamp<std::int64_t>(low, 0, n - 1));
    const int last = static_cast<int>(std::clamp<std::int64_t>(high, 0, n - 1));
    out.first = first;
    out.weights.assign(static_cast<std::size_t>(last - first + 1), 0.0f);
    long double total = 0;
    for (std::int64_t j = low; j <= high; ++j) {
        const long double centre = static_cast<long double>(j) + 0.5L;
        const long double w = area ? BoxIntegral(b - centre) - BoxIntegral(a - centre)
                                   : TentIntegral(b - centre) - TentIntegral(a - centre);
        if (w <= 0) continue;
        const auto at = static_cast<std::size_t>(std::clamp<std::int64_t>(j, 0, n - 1) - first);
        out.weights[at] += static_cast<float>(w);
        total += w;
    }
    if (total <= 0) {
        out.weights.assign(1, 1.0f);
        return;
    }
    for (float& w : out.weights) w = static_cast<float>(w / total);
    // Samples the kernel only grazes add nothing; leave them out.
    while (out.weights.size() > 1 && out.weights.back() == 0.0f) out.weights.pop_back();
    std::size_t zeros = 0;
    while (zeros + 1 < out.weights.size() && out.weights[zeros] == 0.0f) ++zeros;
    out.weights.erase(out.weights.begin(), out.weights.begin() + static_cast<std::ptrdiff_t>(zeros));
    out.first += static_cast<int>(zeros);
}

} // namespace deptrix
