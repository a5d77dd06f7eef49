#include "output/Anaglyph.h"

#include "core/Error.h"
#include "core/Fixed.h"

#include <vector>

namespace deptrix {

namespace {

/// 100 x grey, exactly.
int WeightedSum(int r, int g, int b) {
    return 30 * r + 59 * g + 11 * b;
}

/// Grey row of a Bgr24 row, one byte per pixel.
void GreyRow(const std::uint8_t* bgr, int width, std::uint8_t* grey) {
    for (int x = 0; x < width; ++x, bgr += 3) grey[x] = GreyOf(bgr[2], bgr[1], bgr[0]);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::uint8_t GreyOf(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int sum = WeightedSum(r, g, b);
    const int whole = sum / 100;
    const int rest = sum % 100;
    if (rest < 50) return static_cast<std::uint8_t>(whole);
    if (rest > 50) return static_cast<std::uint8_t>(whole + 1);
    // An exact tie in decimal is not a tie in binary: the rounding errors of the three
    // weights decide, so evaluate exactly as the extended-precision formula does.
    return static_cast<std::uint8_t>(Round(0.3L * r + 0.59L * g + 0.11L * b));
}

Bitmap MakeAnaglyph(const Bitmap& view2, const Bitmap& view6) {
    if (view2.format() != PixelFormat::Bgr24 || view6.format() != PixelFormat::Bgr24)
        throw Error("anaglyph: the views must be 24-bit pictures");
    if (view2.width() != view6.width() || view2.height() != view6.height())
        throw Error("anaglyph: the two views differ in size");
    const int width = view6.width();
    Bitmap result(width, view6.height(), PixelFormat::Bgr24);
    std::vector<std::uint8_t> left(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> right(static_cast<std::size_t>(width));
    for (int y = 0; y < result.height(); ++y) {
        GreyRow(view2.row(y), width, left.data());
        GreyRow(view6.row(y), width, right.data());
        std::uint8_t* out = result.row(y);
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = right[static_cast<std::size_t>(x)];
            out[1] = right[static_cast<std::size_t>(x)];
            out[2] = left[static_cast<std::size_t>(x)];
        }
    }
    return result;
}

std::string AnaglyphPath(const std::string& psdPath) {
    std::size_t nameStart = psdPath.size();
    while (nameStart > 0 && !IsSeparator(psdPath[nameStart - 1])) --nameStart;
    std::size_t cut = psdPath.size();
    for (int removed = 0; removed < 4 && cut > nameStart; ++removed) {
        --cut;
        while (cut > nameStart && IsContinuationByte(psdPath[cut])) --cut;
    }
    return psdPath.substr(0, cut) + "_qv58.bmp";
}

} // namespace deptrix
