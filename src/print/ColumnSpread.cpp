#include "print/ColumnSpread.h"

#include "core/Error.h"

#include <algorithm>
#include <string>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#define DEPTRIX_SPREAD_SSSE3 1
#endif

namespace deptrix {

namespace {

constexpr std::size_t kGroup = 16;

#ifdef DEPTRIX_SPREAD_SSSE3
__attribute__((target("ssse3"))) void ShuffleGroups(const std::uint32_t* from, const std::uint8_t* offsets,
    std::size_t groups, const std::uint8_t* pixels, std::uint8_t* out) {
    for (std::size_t g = 0; g < groups; ++g, offsets += kGroup, out += kGroup) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + from[g]));
        const __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(offsets));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(source, order));
    }
}
#endif

void CopyGroup(std::uint32_t from, const std::uint8_t* offsets, std::size_t bytes, const std::uint8_t* pixels,
    std::uint8_t* out) {
    for (std::size_t i = 0; i < bytes; ++i) out[i] = pixels[from + offsets[i]];
}

} // namespace

ColumnSpread::ColumnSpread(const std::vector<std::uint32_t>& pixelOf, int channels, Code code)
    : m_rowBytes(pixelOf.size() * static_cast<std::size_t>(channels)) {
    const auto bpp = static_cast<std::size_t>(channels);
    for (std::size_t x = 0; x < pixelOf.size(); ++x) {
        const bool follows
            = x == 0 ? pixelOf[x] == 0 : pixelOf[x] == pixelOf[x - 1] || pixelOf[x] == pixelOf[x - 1] + 1;
        if (!follows) throw Error("column " + std::to_string(x) + " skips a pixel");
    }
    // The bytes a group takes are consecutive (a column's pixel is its neighbour's or
    // the next) and at most sixteen, so they lie within sixteen bytes of the lowest.
    const std::size_t groups = (m_rowBytes + kGroup - 1) / kGroup;
    m_from.resize(groups);
    m_offsets.assign(groups * kGroup, 0);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t begin = g * kGroup;
        const std::size_t end = std::min(begin + kGroup, m_rowBytes);
        const auto source = [&](std::size_t byte) { return pixelOf[byte / bpp] * bpp + byte % bpp; };
        std::size_t lowest = source(begin);
        for (std::size_t byte = begin; byte < end; ++byte) lowest = std::min(lowest, source(byte));
        m_from[g] = static_cast<std::uint32_t>(lowest);
        for (std::size_t byte = begin; byte < end; ++byte)
            m_offsets[byte] = static_cast<std::uint8_t>(source(byte) - lowest);
    }
#ifdef DEPTRIX_SPREAD_SSSE3
    m_shuffle = code == Code::Best && __builtin_cpu_supports("ssse3");
#else
    (void)code;
#endif
}

void ColumnSpread::spread(const std::uint8_t* pixels, std::uint8_t* out) const {
    const std::size_t whole = m_rowBytes / kGroup;
    std::size_t g = 0;
#ifdef DEPTRIX_SPREAD_SSSE3
    if (m_shuffle) {
        ShuffleGroups(m_from.data(), m_offsets.data(), whole, pixels, out);
        g = whole;
    }
#endif
    for (; g < m_from.size(); ++g)
        CopyGroup(m_from[g], m_offsets.data() + g * kGroup, std::min(kGroup, m_rowBytes - g * kGroup), pixels,
            out + g * kGroup);
}

} // namespace deptrix
