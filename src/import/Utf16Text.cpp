#include "import/Utf16Text.h"

namespace deptrix {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHigh(std::uint16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(std::uint16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

} // namespace

std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
    std::size_t count = units.size();
    while (count > 0 && units[count - 1] == 0) --count;
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t u = units[i];
        if (IsHigh(u) && i + 1 < count && IsLow(units[i + 1])) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (IsHigh(u) || IsLow(u)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::vector<std::uint16_t> Utf8ToUtf16(const std::string& text) {
    std::vector<std::uint16_t> out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        int extra = lead < 0x80   ? 0
            : (lead >> 5) == 0x6  ? 1
            : (lead >> 4) == 0xE  ? 2
            : (lead >> 3) == 0x1E ? 3
                                  : -1;
        char32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (!valid || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(static_cast<std::uint16_t>(kReplacement));
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(c));
        }
    }
    return out;
}

} // namespace deptrix
