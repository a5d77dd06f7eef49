#include "core/PrintableText.h"

#include <cstdint>

namespace deptrix {

namespace {

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 if there is none
// (overlong forms, surrogates and code points above U+10FFFF are not well-formed).
std::size_t SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length;
    std::uint8_t low = 0x80, high = 0xBF; // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

void AppendEscaped(std::string& out, std::uint8_t byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

} // namespace

std::string PrintableText(std::string_view text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto lead = static_cast<std::uint8_t>(text[0]);
        const std::size_t length = SequenceLength(text);
        const bool lineBreak = lead == '\n' || lead == '\r' || lead == '\t';
        const bool control = lead < 0x20 || lead == 0x7F;
        if (length == 0 || (control && !(lineBreak && keepLineBreaks))) {
            AppendEscaped(out, lead);
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

} // namespace deptrix
