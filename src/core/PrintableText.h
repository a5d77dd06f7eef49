#pragma once

#include <string>
#include <string_view>

namespace deptrix {

/// `text` as it may be shown to the user: every byte that is not part of well-formed
/// UTF-8, and every control character, becomes "\xNN", so that the name or the content
/// of a hostile file cannot garble a message box or a terminal. Line breaks and tabs
/// stay when `keepLineBreaks` is set. Well-formed text is returned unchanged.
std::string PrintableText(std::string_view text, bool keepLineBreaks = false);

} // namespace deptrix
