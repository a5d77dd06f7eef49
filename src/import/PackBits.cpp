#include "import/PackBits.h"

#include <algorithm>
#include <cstring>

namespace deptrix {

bool UnpackBitsRow(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    const std::uint8_t* in = input.data();
    const std::uint8_t* const inEnd = in + input.size();
    std::uint8_t* out = output.data();
    std::uint8_t* const outEnd = out + output.size();
    while (out < outEnd) {
        if (in == inEnd) return false;
        const auto header = static_cast<std::int8_t>(*in++);
        if (header >= 0) {
            const std::size_t count = static_cast<std::size_t>(header) + 1;
            if (count > static_cast<std::size_t>(outEnd - out)
                || count > static_cast<std::size_t>(inEnd - in))
                return false;
            std::memcpy(out, in, count);
            out += count;
            in += count;
        } else if (header != -128) {
            const std::size_t count = static_cast<std::size_t>(1 - header);
            if (count > static_cast<std::size_t>(outEnd - out) || in == inEnd) return false;
            std::memset(out, *in++, count);
            out += count;
        }
        // -128 is a no-op by definition.
    }
    return true;
}

void PackBitsRow(std::span<const std::uint8_t> row, std::vector<std::uint8_t>& out) {
    const std::size_t n = row.size();
    std::size_t i = 0;
    while (i < n) {
        // Length of the run of equal bytes starting at i.
        std::size_t run = 1;
        while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(1 - static_cast<int>(run)));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        // Literal bytes up to the next run of three.
        std::size_t end = i;
        while (end < n && end - i < 128) {
            if (end + 2 < n && row[end] == row[end + 1] && row[end] == row[end + 2]) break;
            ++end;
        }
        out.push_back(static_cast<std::uint8_t>(end - i - 1));
        out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(i),
            row.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
}

std::size_t PackBitsBound(std::size_t rowBytes) {
    return rowBytes + (rowBytes + 127) / 128;
}

} // namespace deptrix
