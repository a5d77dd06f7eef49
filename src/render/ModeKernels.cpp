#include "render/ModeKernels.h"

#include "render/BlendKernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define DEPTRIX_MODES_SSE2 1
#endif

namespace deptrix::blend {

namespace {

/// Nearest integer to n / d for d > 0, halves rounded up.
constexpr unsigned RoundedQuotient(unsigned n, unsigned d) {
    return (2 * n + d) / (2 * d);
}

/// 255 - n / d rounded to the nearest integer, halves up, for n / d <= 255: the
/// quotient itself is rounded halves down.
constexpr unsigned RoundedComplement(unsigned n, unsigned d) {
    return 255 - (2 * n + d - 1) / (2 * d);
}

constexpr unsigned Dodge(unsigned a, unsigned b) {
    if (a == 0) return 0;
    if (b == 255) return 255;
    return std::min(255u, RoundedQuotient(255 * a, 255 - b));
}

constexpr unsigned Burn(unsigned a, unsigned b) {
    if (a == 255) return 255;
    if (b == 0) return 0;
    if (255 - a >= b) return 0;
    return RoundedComplement(255 * (255 - a), b);
}

/// Multiply below the middle, screen above it, on doubled values: the shared core of
/// overlay (steered by the backdrop) and hard light (steered by the source).
constexpr unsigned HardLightOf(unsigned steer, unsigned other) {
    return steer < 128 ? DivideRound255(2 * steer * other)
                       : 255 - DivideRound255(2 * (255 - steer) * (255 - other));
}

unsigned SoftLight(unsigned a, unsigned b) {
    const double cb = a / 255.0;
    const double cs = b / 255.0;
    double result;
    if (cs <= 0.5) {
        result = cb - (1 - 2 * cs) * cb * (1 - cb);
    } else {
        const double d = cb <= 0.25 ? ((16 * cb - 12) * cb + 4) * cb : std::sqrt(cb);
        result = cb + (2 * cs - 1) * (d - cb);
    }
    return static_cast<unsigned>(std::lround(std::clamp(result, 0.0, 1.0) * 255.0));
}

unsigned VividLight(unsigned a, unsigned b) {
    // Burn with the doubled source below the middle, dodge with it above. Unlike the
    // plain burn and dodge, black and white sources win over white and black
    // backdrops, as editors draw it.
    if (b < 128) {
        if (b == 0 || 255 - a >= 2 * b) return 0;
        return RoundedComplement(255 * (255 - a), 2 * b);
    }
    if (b == 255) return 255;
    return std::min(255u, RoundedQuotient(255 * a, 510 - 2 * b));
}

/// Vivid light pushed to black or white. Here burn and dodge keep their own rule that
/// a white or black backdrop stays, unlike in vivid light itself.
unsigned HardMix(unsigned a, unsigned b) {
    const unsigned vivid = b < 128 ? Burn(a, 2 * b) : Dodge(a, 2 * b - 255);
    return vivid >= 128 ? 255 : 0;
}

using Table = std::array<std::uint8_t, 65536>;

Table MakeTable(BlendMode mode) {
    Table table {};
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned b = 0; b < 256; ++b) table[a << 8 | b] = SeparableByte(mode, a, b);
    return table;
}

/// The table of a mode without a fast path, made once on first use.
const Table& TableFor(BlendMode mode) {
    switch (mode) {
    case BlendMode::ColorBurn: {
        static const Table table = MakeTable(BlendMode::ColorBurn);
        return table;
    }
    case BlendMode::ColorDodge: {
        static const Table table = MakeTable(BlendMode::ColorDodge);
        return table;
    }
    case BlendMode::SoftLight: {
        static const Table table = MakeTable(BlendMode::SoftLight);
        return table;
    }
    case BlendMode::VividLight: {
        static const Table table = MakeTable(BlendMode::VividLight);
        return table;
    }
    case BlendMode::Divide: {
        static const Table table = MakeTable(BlendMode::Divide);
        return table;
    }
    case BlendMode::Exclusion: {
        static const Table table = MakeTable(BlendMode::Exclusion);
        return table;
    }
    case BlendMode::LinearLight: {
        static const Table table = MakeTable(BlendMode::LinearLight);
        return table;
    }
    case BlendMode::PinLight: {
        static const Table table = MakeTable(BlendMode::PinLight);
        return table;
    }
    default: {
        static const Table table = MakeTable(BlendMode::HardMix);
        return table;
    }
    }
}

Table MakeFilledTable(BlendMode mode, unsigned fill) {
    Table table {};
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned b = 0; b < 256; ++b) table[a << 8 | b] = FilledSeparableByte(mode, a, b, fill);
    return table;
}

/// The table of a mode at a fill below 255, made on first use. Documents use few
/// such pairs; the tables stay for the program's life.
const Table& FilledTableFor(BlendMode mode, std::uint8_t fill) {
    static std::mutex lock;
    static std::map<std::pair<BlendMode, std::uint8_t>, std::unique_ptr<const Table>> tables;
    const std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<const Table>& table = tables[{ mode, fill }];
    if (!table) table = std::make_unique<const Table>(MakeFilledTable(mode, fill));
    return *table;
}

/// Real-valued burn and dodge with the source `s` (0..255, not necessarily whole).
double BurnOf(double a, double s) {
    if (a >= 255.0) return 255.0;
    if (s <= 0.0) return 0.0;
    return 255.0 - 255.0 * (255.0 - a) / s;
}

double DodgeOf(double a, double s) {
    if (a <= 0.0) return 0.0;
    if (s >= 255.0) return 255.0;
    return 255.0 * a / (255.0 - s);
}

void TableRow(const Table& table, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        out[i] = table[static_cast<unsigned>(backdrop[i]) << 8 | source[i]];
}

#ifdef DEPTRIX_MODES_SSE2
/// DivideRound255 in 16-bit lanes; exact for every n <= 65025 (see BlendKernels.h).
inline __m128i Div255(__m128i n) {
    const __m128i t = _mm_add_epi16(n, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

/// Eight bytes widened to 16-bit lanes: multiply, or screen as 255 - multiply of the
/// complements.
inline __m128i MultiplyLanes(__m128i a, __m128i b) {
    return Div255(_mm_mullo_epi16(a, b));
}

/// Hard light steered by `steer`: both halves are computed and the right one kept.
/// The discarded half may wrap around in its lanes, which does not matter.
inline __m128i HardLightLanes(__m128i steer, __m128i other) {
    const __m128i full = _mm_set1_epi16(255);
    const __m128i low = Div255(_mm_slli_epi16(_mm_mullo_epi16(steer, other), 1));
    const __m128i high = _mm_sub_epi16(full,
        Div255(_mm_slli_epi16(_mm_mullo_epi16(_mm_sub_epi16(full, steer), _mm_sub_epi16(full, other)), 1)));
    const __m128i upper = _mm_cmpgt_epi16(steer, _mm_set1_epi16(127));
    return _mm_or_si128(_mm_and_si128(upper, high), _mm_andnot_si128(upper, low));
}

template <typename Lanes> inline __m128i Widened(__m128i a, __m128i b, Lanes lanes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = lanes(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i high = lanes(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    return _mm_packus_epi16(low, high);
}

/// Runs `bytes16` over whole blocks of 16 bytes and returns how many were done.
template <typename Bytes16>
std::size_t VectorRow(const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t count, Bytes16 bytes16) {
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(backdrop + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes16(a, b));
    }
    return i;
}

std::size_t VectorModeRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source,
    std::uint8_t* out, std::size_t count) {
    const __m128i ones = _mm_set1_epi8(static_cast<char>(255));
    switch (mode) {
    case BlendMode::Multiply:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return Widened(a, b, MultiplyLanes); });
    case BlendMode::Screen:
        return VectorRow(backdrop, source, out, count, [&](__m128i a, __m128i b) {
            return _mm_xor_si128(
                ones, Widened(_mm_xor_si128(a, ones), _mm_xor_si128(b, ones), MultiplyLanes));
        });
    case BlendMode::Overlay:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return Widened(a, b, HardLightLanes); });
    case BlendMode::HardLight:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return Widened(b, a, HardLightLanes); });
    case BlendMode::Darken:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return _mm_min_epu8(a, b); });
    case BlendMode::Lighten:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return _mm_max_epu8(a, b); });
    case BlendMode::Difference:
        return VectorRow(backdrop, source, out, count,
            [](__m128i a, __m128i b) { return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)); });
    case BlendMode::LinearDodge:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return _mm_adds_epu8(a, b); });
    case BlendMode::LinearBurn:
        return VectorRow(backdrop, source, out, count,
            [&](__m128i a, __m128i b) { return _mm_subs_epu8(a, _mm_xor_si128(b, ones)); });
    case BlendMode::Subtract:
        return VectorRow(
            backdrop, source, out, count, [](__m128i a, __m128i b) { return _mm_subs_epu8(a, b); });
    default:
        return 0;
    }
}
#endif

bool HasFastPath(BlendMode mode) {
    switch (mode) {
    case BlendMode::Multiply:
    case BlendMode::Screen:
    case BlendMode::Overlay:
    case BlendMode::HardLight:
    case BlendMode::Darken:
    case BlendMode::Lighten:
    case BlendMode::Difference:
    case BlendMode::LinearDodge:
    case BlendMode::LinearBurn:
    case BlendMode::Subtract:
        return true;
    default:
        return false;
    }
}

// The non-separable modes, on real values 0..1 as the compositing recommendation
// defines them.
struct Rgb {
    double r, g, b;
};

double Lum(const Rgb& c) {
    return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
}

Rgb ClipColor(Rgb c) {
    const double l = Lum(c);
    const double n = std::min({ c.r, c.g, c.b });
    const double x = std::max({ c.r, c.g, c.b });
    if (n < 0) {
        const double k = l / (l - n);
        c = { l + (c.r - l) * k, l + (c.g - l) * k, l + (c.b - l) * k };
    }
    if (x > 1) {
        const double k = (1 - l) / (x - l);
        c = { l + (c.r - l) * k, l + (c.g - l) * k, l + (c.b - l) * k };
    }
    return c;
}

Rgb SetLum(const Rgb& c, double l) {
    const double d = l - Lum(c);
    return ClipColor({ c.r + d, c.g + d, c.b + d });
}

double Sat(const Rgb& c) {
    return std::max({ c.r, c.g, c.b }) - std::min({ c.r, c.g, c.b });
}

Rgb SetSat(Rgb c, double s) {
    double* channel[3] = { &c.r, &c.g, &c.b };
    std::sort(channel, channel + 3, [](const double* x, const double* y) { return *x < *y; });
    double& low = *channel[0];
    double& mid = *channel[1];
    double& high = *channel[2];
    if (high > low) {
        mid = (mid - low) * s / (high - low);
        high = s;
    } else {
        mid = 0;
        high = 0;
    }
    low = 0;
    return c;
}

std::uint8_t ToByte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

/// Byte positions of red, green and blue (or of C', M', Y') in a pixel.
struct Layout {
    int r, g, b;
};

Rgb Read(const std::uint8_t* p, Layout at) {
    return { p[at.r] / 255.0, p[at.g] / 255.0, p[at.b] / 255.0 };
}

void Write(const Rgb& c, std::uint8_t* p, Layout at) {
    p[at.r] = ToByte(c.r);
    p[at.g] = ToByte(c.g);
    p[at.b] = ToByte(c.b);
}

} // namespace

std::uint8_t SeparableByte(BlendMode mode, unsigned a, unsigned b) {
    unsigned v = b;
    switch (mode) {
    case BlendMode::Multiply:
        v = DivideRound255(a * b);
        break;
    case BlendMode::Screen:
        v = 255 - DivideRound255((255 - a) * (255 - b));
        break;
    case BlendMode::Overlay:
        v = HardLightOf(a, b);
        break;
    case BlendMode::HardLight:
        v = HardLightOf(b, a);
        break;
    case BlendMode::SoftLight:
        v = SoftLight(a, b);
        break;
    case BlendMode::Darken:
        v = std::min(a, b);
        break;
    case BlendMode::Lighten:
        v = std::max(a, b);
        break;
    case BlendMode::ColorDodge:
        v = Dodge(a, b);
        break;
    case BlendMode::ColorBurn:
        v = Burn(a, b);
        break;
    case BlendMode::Difference:
        v = a > b ? a - b : b - a;
        break;
    case BlendMode::Exclusion:
        // 2ab / 255 is never a half: 255 is odd.
        v = a + b - (2 * a * b + 127) / 255;
        break;
    case BlendMode::LinearDodge:
        v = std::min(255u, a + b);
        break;
    case BlendMode::LinearBurn:
        v = a + b > 255 ? a + b - 255 : 0;
        break;
    case BlendMode::Subtract:
        v = a > b ? a - b : 0;
        break;
    case BlendMode::Divide:
        v = b == 0 ? (a == 0 ? 0 : 255) : std::min(255u, RoundedQuotient(255 * a, b));
        break;
    case BlendMode::VividLight:
        v = VividLight(a, b);
        break;
    case BlendMode::LinearLight:
        v = static_cast<unsigned>(std::clamp(static_cast<int>(a + 2 * b) - 255, 0, 255));
        break;
    case BlendMode::PinLight:
        v = b < 128 ? std::min(a, 2 * b) : std::max(a, 2 * b - 255);
        break;
    case BlendMode::HardMix:
        v = HardMix(a, b);
        break;
    default:
        break;
    }
    return static_cast<std::uint8_t>(v);
}

std::uint8_t FilledSeparableByte(BlendMode mode, unsigned a, unsigned b, unsigned fill) {
    if (fill >= 255 || !FillActsInBlend(mode)) return SeparableByte(mode, a, b);
    const double f = fill / 255.0;
    const double A = a;
    const double B = b;
    const double towardsWhite = 255.0 - f * (255.0 - B);
    const double towardsBlack = f * B;
    const double towardsGrey = 127.5 + f * (B - 127.5);
    double v = A;
    switch (mode) {
    case BlendMode::ColorBurn:
        v = BurnOf(A, towardsWhite);
        break;
    case BlendMode::LinearBurn:
        v = A + towardsWhite - 255.0;
        break;
    case BlendMode::ColorDodge:
        v = DodgeOf(A, towardsBlack);
        break;
    case BlendMode::LinearDodge:
        v = A + towardsBlack;
        break;
    case BlendMode::Difference:
        v = std::abs(A - towardsBlack);
        break;
    case BlendMode::LinearLight:
        v = A + 2.0 * towardsGrey - 255.0;
        break;
    case BlendMode::VividLight:
        v = towardsGrey < 127.5 ? BurnOf(A, 2.0 * towardsGrey) : DodgeOf(A, 2.0 * towardsGrey - 255.0);
        break;
    case BlendMode::HardMix:
        v = (A - f * (255.0 - B)) / (1.0 - f);
        break;
    default:
        break;
    }
    return static_cast<std::uint8_t>(std::floor(std::clamp(v, 0.0, 255.0) + 0.5));
}

void SeparableRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t count, std::uint8_t fill) {
    if (fill != 255 && FillActsInBlend(mode)) {
        TableRow(FilledTableFor(mode, fill), backdrop, source, out, count);
        return;
    }
    if (!HasFastPath(mode)) {
        if (mode == BlendMode::Normal || IsNonSeparable(mode))
            std::memcpy(out, source, count);
        else
            TableRow(TableFor(mode), backdrop, source, out, count);
        return;
    }
    std::size_t done = 0;
#ifdef DEPTRIX_MODES_SSE2
    done = VectorModeRow(mode, backdrop, source, out, count);
#endif
    for (std::size_t i = done; i < count; ++i) out[i] = SeparableByte(mode, backdrop[i], source[i]);
}

void NonSeparableRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source,
    std::uint8_t* out, std::size_t pixels, int bytesPerPixel) {
    const bool cmyk = bytesPerPixel == 4;
    const Layout at = cmyk ? Layout { 0, 1, 2 } : Layout { 2, 1, 0 };
    const auto bpp = static_cast<std::size_t>(bytesPerPixel);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* pb = backdrop + i * bpp;
        const std::uint8_t* ps = source + i * bpp;
        std::uint8_t* po = out + i * bpp;
        const Rgb cb = Read(pb, at);
        const Rgb cs = Read(ps, at);
        const std::uint8_t* keep = pb; // whose K a CMYK pixel takes
        switch (mode) {
        case BlendMode::Hue:
            Write(SetLum(SetSat(cs, Sat(cb)), Lum(cb)), po, at);
            break;
        case BlendMode::Saturation:
            Write(SetLum(SetSat(cb, Sat(cs)), Lum(cb)), po, at);
            break;
        case BlendMode::Color:
            Write(SetLum(cs, Lum(cb)), po, at);
            break;
        case BlendMode::Luminosity:
            Write(SetLum(cb, Lum(cs)), po, at);
            keep = ps;
            break;
        case BlendMode::DarkerColor:
        case BlendMode::LighterColor: {
            const bool sourceDarker = Lum(cs) < Lum(cb);
            keep = sourceDarker == (mode == BlendMode::DarkerColor) ? ps : pb;
            std::memcpy(po, keep, bpp);
            break;
        }
        default:
            std::memcpy(po, ps, bpp);
            keep = ps;
            break;
        }
        if (cmyk) po[3] = keep[3];
    }
}

void ModeRow(BlendMode mode, const std::uint8_t* backdrop, const std::uint8_t* source, std::uint8_t* out,
    std::size_t pixels, int bytesPerPixel, std::uint8_t fill) {
    if (IsNonSeparable(mode))
        NonSeparableRow(mode, backdrop, source, out, pixels, bytesPerPixel);
    else
        SeparableRow(mode, backdrop, source, out, pixels * static_cast<std::size_t>(bytesPerPixel), fill);
}

} // namespace deptrix::blend
