#include "core/NumberText.h"

#include "core/Error.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace deptrix {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Decimal {
    bool negative = false;
    std::string digits; // significant digits, no trailing zeros, at least one
    int exponent = 0; // value = 0.d1d2d3... x 10^(exponent + 1), i.e. d1 sits at 10^exponent
};

Decimal ToDecimal(long double value, int significant) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", significant - 1, value);
    Decimal result;
    const char* p = buffer;
    if (*p == '-') {
        result.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p)
        if (IsDigit(*p)) result.digits.push_back(*p);
    if (*p == 'e') result.exponent = std::atoi(p + 1);
    while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
    if (result.digits == "0") {
        result.negative = false;
        result.exponent = 0;
    }
    return result;
}

[[noreturn]] void ThrowNotReal(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

} // namespace

std::string FormatNumber(long double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const Decimal d = ToDecimal(value, 15);
    if (d.digits == "0") return "0";
    // Built with append() alone: GCC 12 warns falsely about literal + string here.
    std::string text;
    if (d.negative) text.push_back('-');
    const size_t count = d.digits.size();
    if (d.exponent >= 15 || d.exponent < -5) {
        text.push_back(d.digits[0]);
        if (count > 1) text.append(".").append(d.digits, 1, std::string::npos);
        text.append("E").append(std::to_string(d.exponent));
    } else if (d.exponent < 0) {
        text.append("0.").append(static_cast<size_t>(-d.exponent - 1), '0').append(d.digits);
    } else {
        const size_t integerDigits = static_cast<size_t>(d.exponent) + 1;
        if (count <= integerDigits) {
            text.append(d.digits).append(integerDigits - count, '0');
        } else {
            text.append(d.digits, 0, integerDigits)
                .append(".")
                .append(d.digits, integerDigits, std::string::npos);
        }
    }
    return text;
}

long double ParseReal(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    // Power of ten of the first non-zero digit, to tell an underflow from an overflow.
    std::int64_t magnitude = 0;
    bool significant = false;
    while (i < n && IsDigit(text[i])) {
        significant = significant || text[i] != '0';
        if (significant) ++magnitude;
        ++i, ++digits;
    }
    --magnitude;
    if (i < n && text[i] == '.') {
        ++i;
        for (std::int64_t place = -1; i < n && IsDigit(text[i]); --place, ++i, ++digits) {
            if (!significant && text[i] != '0') {
                significant = true;
                magnitude = place;
            }
        }
    }
    if (digits == 0) ThrowNotReal(text);
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool exponentNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) exponentNegative = text[i++] == '-';
        size_t exponentDigits = 0;
        std::int64_t exponent = 0;
        for (; i < n && IsDigit(text[i]); ++i, ++exponentDigits)
            exponent = std::min<std::int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
        if (exponentDigits == 0) ThrowNotReal(text);
        magnitude += exponentNegative ? -exponent : exponent;
    }
    const size_t end = i;
    while (i < n && IsBlank(text[i])) ++i;
    if (i != n) ThrowNotReal(text);

    // from_chars ignores the locale, which the C conversions follow.
    long double value = 0;
    const char* last = text.data() + end;
    const auto [stop, error] = std::from_chars(text.data() + start, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range && magnitude < 0) {
        value = 0; // too small to hold reads as zero, as the C conversion does
    } else if (error != std::errc() || stop != last || !std::isfinite(value)) {
        ThrowNotReal(text);
    }
    return negative ? -value : value;
}

std::string LocaleDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr || *conventions->decimal_point == 0)
        return ".";
    return conventions->decimal_point;
}

long double ParseFieldReal(std::string_view text, std::string_view localeSeparator) {
    if (localeSeparator.empty() || localeSeparator == ".") return ParseReal(text);
    const size_t at = text.find(localeSeparator);
    if (at == std::string_view::npos) return ParseReal(text);
    std::string dotted;
    dotted.reserve(text.size());
    dotted.append(text.substr(0, at)).append(1, '.').append(text.substr(at + localeSeparator.size()));
    try {
        return ParseReal(dotted);
    } catch (const ConvertError&) {
        ThrowNotReal(text);
    }
}

long double ParseFieldReal(std::string_view text) {
    return ParseFieldReal(text, LocaleDecimalSeparator());
}

std::int32_t ParseInteger(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == n) ThrowNotInteger(text);
    std::int64_t value = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        int digit;
        if (IsDigit(c))
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            ThrowNotInteger(text);
        value = value * base + digit;
        if (value > std::int64_t { std::numeric_limits<std::uint32_t>::max() }) ThrowNotInteger(text);
    }
    if (base == 16) {
        // Hexadecimal texts name the 32-bit pattern, as "$FFFFFFFF" is -1.
        const auto bits = static_cast<std::uint32_t>(value);
        std::int64_t pattern = static_cast<std::int32_t>(bits);
        return static_cast<std::int32_t>(negative ? -pattern : pattern);
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        ThrowNotInteger(text);
    return static_cast<std::int32_t>(value);
}

std::string FormatReal23(long double value) {
    if (!std::isfinite(value)) value = 0;
    const Decimal d = ToDecimal(value, 15);
    std::string digits = d.digits;
    digits.resize(15, '0');
    const int exponent = d.digits == "0" ? 0 : d.exponent;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%c%c.%sE%c%04d", d.negative ? '-' : ' ', digits[0],
        digits.c_str() + 1, exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    return buffer;
}

} // namespace deptrix
