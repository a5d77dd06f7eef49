#pragma once

#include "core/Fixed.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace deptrix {

/// Shortest decimal text with at most 15 significant digits: 5.0 gives "5",
/// 42.4775 gives "42.4775", 10/3 gives "3.33333333333333". Very large or very small
/// magnitudes use the exponent form "1E20", "1.5E-7".
std::string FormatNumber(long double value);

/// The text of a fixed-point value (value / 10000).
inline std::string FormatFixed(Fixed value) {
    return FormatNumber(FromFixed(value));
}

/// A decimal or scientific number of a text file, with optional surrounding blanks;
/// the decimal separator is "." whatever the locale. Throws ConvertError
/// "'<text>' is not a valid floating point value" otherwise.
long double ParseReal(std::string_view text);

/// A number typed into a field: as ParseReal, but the decimal separator of the user's
/// locale is accepted as well as ".". Texts the program puts into fields use ".".
long double ParseFieldReal(std::string_view text);
long double ParseFieldReal(std::string_view text, std::string_view localeSeparator);

/// The decimal separator of the current C locale ("." in the "C" locale).
std::string LocaleDecimalSeparator();

/// A 32-bit signed integer (decimal, or hexadecimal after "$" or "0x"), leading blanks
/// allowed. Throws ConvertError "'<text>' is not a valid integer value" otherwise.
std::int32_t ParseInteger(std::string_view text);

/// Round(ParseReal(text) x 10000).
inline Fixed ParseFixed(std::string_view text) {
    return ToFixed(ParseReal(text));
}

/// Round(ParseFieldReal(text) x 10000).
inline Fixed ParseFieldFixed(std::string_view text) {
    return ToFixed(ParseFieldReal(text));
}

/// The fixed 23-character real form of the text files: a sign position (blank or
/// "-"), one digit, a point, 14 digits, "E", the exponent sign and four exponent
/// digits. 42.4775 gives " 4.24775000000000E+0001".
std::string FormatReal23(long double value);

} // namespace deptrix
