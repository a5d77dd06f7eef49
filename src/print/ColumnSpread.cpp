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
constexpr std::uint8_t kOther = 0x80; ///< a byte that the other stretch gives (the shuffle makes it 0)

#ifdef DEPTRIX_SPREAD_SSSE3
template <typename Windows>
__attribute__((target("ssse3"))) inline void ShuffleGroups(const Windows* windows, const std::uint8_t* order,
    std::size_t groups, const std::uint8_t* source, std::uint8_t* out) {
    for (std::size_t g = 0; g < groups; ++g, order += 2 * kGroup, out += kGroup) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + windows[g].first));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + windows[g].second));
        const __m128i firstOrder = _mm_loadu_si128(reinterpret_cast<const __m128i*>(order));
        const __m128i secondOrder = _mm_loadu_si128(reinterpret_cast<const __m128i*>(order + kGroup));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
            _mm_or_si128(_mm_shuffle_epi8(first, firstOrder), _mm_shuffle_epi8(second, secondOrder)));
    }
}

template <typename Windows>
__attribute__((target("ssse3"))) void ShuffleGroupsSsse3(const Windows* windows, const std::uint8_t* order,
    std::size_t groups, const std::uint8_t* source, std::uint8_t* out) {
    ShuffleGroups(windows, order, groups, source, out);
}

/// The same in the newer encoding, which on some processors does not slow down after
/// the 256-bit code of the interlacer's other kernels.
template <typename Windows>
__attribute__((target("avx2"))) void ShuffleGroupsAvx2(const Windows* windows, const std::uint8_t* order,
    std::size_t groups, const std::uint8_t* source, std::uint8_t* out) {
    ShuffleGroups(windows, order, groups, source, out);
}
#endif

} // namespace

ColumnSpread::ColumnSpread(const std::vector<std::uint32_t>& pixelOf, int channels, Code code) {
    const auto bpp = static_cast<std::uint32_t>(channels);
    std::vector<std::uint32_t> byteOf;
    byteOf.reserve(pixelOf.size() * bpp);
    for (std::size_t x = 0; x < pixelOf.size(); ++x) {
        const bool follows
            = x == 0 ? pixelOf[x] == 0 : pixelOf[x] == pixelOf[x - 1] || pixelOf[x] == pixelOf[x - 1] + 1;
        if (!follows) throw Error("column " + std::to_string(x) + " skips a pixel");
        for (std::uint32_t c = 0; c < bpp; ++c) byteOf.push_back(pixelOf[x] * bpp + c);
    }
    *this = FromBytes(byteOf, code);
}

ColumnSpread ColumnSpread::FromBytes(const std::vector<std::uint32_t>& byteOf, Code code) {
    ColumnSpread made;
    made.m_rowBytes = byteOf.size();
    const std::size_t groups = (byteOf.size() + kGroup - 1) / kGroup;
    made.m_windows.resize(groups);
    made.m_order.assign(groups * 2 * kGroup, kOther);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t begin = g * kGroup;
        const std::size_t end = std::min(begin + kGroup, byteOf.size());
        // Two stretches from the left cover the bytes if any two do.
        const std::uint32_t first = *std::min_element(byteOf.begin() + begin, byteOf.begin() + end);
        std::uint32_t second = UINT32_MAX;
        for (std::size_t i = begin; i < end; ++i)
            if (byteOf[i] - first >= kGroup) second = std::min(second, byteOf[i]);
        if (second == UINT32_MAX) second = first;
        Windows& windows = made.m_windows[g];
        std::uint8_t* order = made.m_order.data() + g * 2 * kGroup;
        bool covered = true;
        for (std::size_t i = begin; i < end; ++i) {
            if (byteOf[i] - first < kGroup)
                order[i - begin] = static_cast<std::uint8_t>(byteOf[i] - first);
            else if (byteOf[i] - second < kGroup)
                order[kGroup + i - begin] = static_cast<std::uint8_t>(byteOf[i] - second);
            else
                covered = false;
        }
        if (covered) {
            windows = { first, second };
            continue;
        }
        // Left to the byte loop; the shuffles write zeros there first.
        std::fill(order, order + 2 * kGroup, kOther);
        Scattered& scattered = made.m_scattered.emplace_back();
        scattered.group = g;
        std::copy(byteOf.begin() + begin, byteOf.begin() + end, scattered.byteOf.begin());
    }
#ifdef DEPTRIX_SPREAD_SSSE3
    made.m_shuffle = code == Code::Best && __builtin_cpu_supports("ssse3");
    made.m_avx2 = made.m_shuffle && __builtin_cpu_supports("avx2");
#else
    (void)code;
#endif
    return made;
}

void ColumnSpread::spread(const std::uint8_t* source, std::uint8_t* out) const {
    const std::size_t whole = m_rowBytes / kGroup;
    std::size_t g = 0;
#ifdef DEPTRIX_SPREAD_SSSE3
    if (m_avx2) {
        ShuffleGroupsAvx2(m_windows.data(), m_order.data(), whole, source, out);
        g = whole;
    } else if (m_shuffle) {
        ShuffleGroupsSsse3(m_windows.data(), m_order.data(), whole, source, out);
        g = whole;
    }
#endif
    for (; g < m_windows.size(); ++g) {
        const std::uint8_t* order = m_order.data() + g * 2 * kGroup;
        const std::size_t bytes = std::min(kGroup, m_rowBytes - g * kGroup);
        std::uint8_t* to = out + g * kGroup;
        for (std::size_t i = 0; i < bytes; ++i)
            to[i] = order[i] != kOther        ? source[m_windows[g].first + order[i]]
                : order[kGroup + i] != kOther ? source[m_windows[g].second + order[kGroup + i]]
                                              : 0;
    }
    for (const Scattered& scattered : m_scattered) {
        const std::size_t begin = scattered.group * kGroup;
        const std::size_t bytes = std::min(kGroup, m_rowBytes - begin);
        for (std::size_t i = 0; i < bytes; ++i) out[begin + i] = source[scattered.byteOf[i]];
    }
}

} // namespace deptrix
