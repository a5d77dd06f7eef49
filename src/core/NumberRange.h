#pragma once

#include <limits>
#include <string>

namespace deptrix {

/// The values a setting accepts: each end closed (the bound is accepted), open, or
/// absent (an infinite bound).
struct NumberRange {
    static constexpr long double kNone = std::numeric_limits<long double>::infinity();

    long double low = -kNone;
    bool lowIncluded = true;
    long double high = kNone;
    bool highIncluded = true;

    bool contains(long double value) const;

    /// "above 0 and at most 1000", "at least 1 and at most 32", "above 0".
    std::string text() const;
};

/// Integers from `low` to `high`, both accepted.
constexpr NumberRange IntegerRange(long double low, long double high) {
    return { low, true, high, true };
}

/// "<option> <typed>: <quantity> must be <range>", for a value as typed that lies
/// outside the range (`kept`: the value as the program holds it, which the message adds
/// when the text itself lies inside, as "0.00001" does kept to four decimals). `unit`
/// follows the range: " inches".
std::string OutOfRangeMessage(const std::string& option, const std::string& typed,
    const std::string& quantity, const NumberRange& range, long double kept, const std::string& unit = "");

} // namespace deptrix
