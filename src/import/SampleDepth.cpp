#include "import/SampleDepth.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace deptrix {

namespace {

/// For each level k = 0..254, the linear value from which the encoded value reaches
/// k + 1/2: a value v becomes the number of thresholds at or below it. Found once by
/// inverting the curve, so that a sample costs a short search instead of a power.
std::array<double, 255> SrgbThresholds() {
    std::array<double, 255> thresholds {};
    for (std::size_t k = 0; k < thresholds.size(); ++k) {
        const double encoded = (static_cast<double>(k) + 0.5) / 255.0;
        thresholds[k] = encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
    }
    return thresholds;
}

float BigEndianFloat(const std::uint8_t* p) {
    const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16
        | static_cast<std::uint32_t>(p[2]) << 8 | p[3];
    return std::bit_cast<float>(bits);
}

} // namespace

std::uint8_t LinearToSrgb8(float value) {
    static const std::array<double, 255> thresholds = SrgbThresholds();
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    const auto above = std::upper_bound(thresholds.begin(), thresholds.end(), static_cast<double>(value));
    return static_cast<std::uint8_t>(above - thresholds.begin());
}

std::uint8_t FractionTo8(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<std::uint8_t>(std::floor(static_cast<double>(value) * 255.0 + 0.5));
}

void UndoRowPrediction(
    std::uint8_t* row, std::size_t rowBytes, int depth, std::vector<std::uint8_t>& scratch) {
    if (rowBytes == 0) return;
    if (depth != 16) {
        for (std::size_t x = 1; x < rowBytes; ++x) row[x] = static_cast<std::uint8_t>(row[x] + row[x - 1]);
        if (depth != 32) return;
        const std::size_t width = rowBytes / 4;
        scratch.resize(rowBytes);
        for (std::size_t x = 0; x < width; ++x)
            for (std::size_t b = 0; b < 4; ++b) scratch[4 * x + b] = row[b * width + x];
        std::memcpy(row, scratch.data(), width * 4);
        return;
    }
    unsigned previous = static_cast<unsigned>(row[0] << 8 | row[1]);
    for (std::size_t x = 2; x + 1 < rowBytes; x += 2) {
        previous = (previous + static_cast<unsigned>(row[x] << 8 | row[x + 1])) & 0xFFFF;
        row[x] = static_cast<std::uint8_t>(previous >> 8);
        row[x + 1] = static_cast<std::uint8_t>(previous);
    }
}

void SamplesToEightBits(
    const std::uint8_t* stored, std::uint8_t* out, int width, int depth, SampleMeaning meaning) {
    switch (depth) {
    case 1:
        for (int x = 0; x < width; ++x) out[x] = (stored[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
        return;
    case 16:
        for (int x = 0; x < width; ++x) out[x] = Reduce16(stored[2 * x], stored[2 * x + 1]);
        return;
    case 32:
        if (meaning == SampleMeaning::Colour)
            for (int x = 0; x < width; ++x) out[x] = LinearToSrgb8(BigEndianFloat(stored + 4 * x));
        else
            for (int x = 0; x < width; ++x) out[x] = FractionTo8(BigEndianFloat(stored + 4 * x));
        return;
    default:
        std::memcpy(out, stored, static_cast<std::size_t>(width));
        return;
    }
}

} // namespace deptrix
