#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace deptrix {

/// UTF-16 code units to UTF-8. Unpaired surrogates become U+FFFD; trailing NULs,
/// which some writers count into the name, are dropped.
std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units);

/// UTF-8 to UTF-16 code units; malformed sequences become U+FFFD.
std::vector<std::uint16_t> Utf8ToUtf16(const std::string& text);

} // namespace deptrix
