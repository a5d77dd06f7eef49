#include "core/NumberRange.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <cmath>

namespace deptrix {

bool NumberRange::contains(long double value) const {
    if (std::isnan(value)) return false;
    const bool aboveLow = lowIncluded ? value >= low : value > low;
    const bool belowHigh = highIncluded ? value <= high : value < high;
    return aboveLow && belowHigh;
}

std::string NumberRange::text() const {
    std::string lower;
    if (std::isfinite(low)) lower = (lowIncluded ? "at least " : "above ") + FormatNumber(low);
    std::string upper;
    if (std::isfinite(high)) upper = (highIncluded ? "at most " : "below ") + FormatNumber(high);
    if (lower.empty()) return upper.empty() ? "a number" : upper;
    return upper.empty() ? lower : lower + " and " + upper;
}

std::string OutOfRangeMessage(const std::string& option, const std::string& typed,
    const std::string& quantity, const NumberRange& range, long double kept, const std::string& unit) {
    std::string message = option + " " + typed + ": " + quantity + " must be " + range.text() + unit;
    long double asTyped = kept;
    try {
        asTyped = ParseFieldReal(typed);
    } catch (const ConvertError&) { }
    if (range.contains(asTyped)) message += " (it is kept as " + FormatNumber(kept) + ")";
    return message;
}

} // namespace deptrix
