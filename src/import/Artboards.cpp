#include "import/Artboards.h"

#include "core/ByteReader.h"
#include "core/Error.h"
#include "import/Descriptor.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace deptrix {

namespace {

enum BackgroundKind { kWhite = 1, kBlack = 2, kTransparent = 3, kOwnColour = 4 };

std::int32_t Coordinate(const DescriptorValue& rect, const char* key) {
    const double v = rect.number(key, 0);
    if (!std::isfinite(v)) return 0;
    const double limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::lround(std::clamp(v, -limit, limit)));
}

std::uint8_t Level(double v) {
    return static_cast<std::uint8_t>(std::isfinite(v) ? std::lround(std::clamp(v, 0.0, 255.0)) : 0);
}

/// A colour descriptor as editors write it: RGB in 0..255, grey and CMYK in percent
/// of ink. Other colour models keep white.
std::array<std::uint8_t, 3> ColourOf(const DescriptorValue& colour) {
    const auto part = [&](const char* key) { return colour.number(key, 0); };
    if (colour.text == "RGBC") return { Level(part("Rd  ")), Level(part("Grn ")), Level(part("Bl  ")) };
    if (colour.text == "Grsc") {
        const std::uint8_t grey = Level(255.0 - part("Gry ") * 2.55);
        return { grey, grey, grey };
    }
    if (colour.text == "CMYC") {
        // Ink to light, each ink taking its share of what black leaves.
        const double k = 1.0 - part("Blck") / 100.0;
        return { Level(255.0 * (1.0 - part("Cyn ") / 100.0) * k),
            Level(255.0 * (1.0 - part("Mgnt") / 100.0) * k),
            Level(255.0 * (1.0 - part("Ylw ") / 100.0) * k) };
    }
    return { 255, 255, 255 };
}

} // namespace

std::optional<ArtboardInfo> ReadArtboard(const TaggedBlock& block, const PsdHeader& header) {
    if (block.data.size() < 4) return std::nullopt;
    DescriptorValue descriptor;
    try {
        ByteReader in(block.data.subspan(4), ByteOrder::BigEndian, "artboard");
        descriptor = ReadDescriptor(in);
    } catch (const Error&) {
        return std::nullopt;
    }
    const DescriptorValue* rect = descriptor.find("artboardRect");
    if (!rect) return std::nullopt;
    ArtboardInfo artboard;
    artboard.rect = { Coordinate(*rect, "Top "), Coordinate(*rect, "Left"), Coordinate(*rect, "Btom"),
        Coordinate(*rect, "Rght") };
    if (artboard.rect.empty()) return std::nullopt;
    artboard.backgroundBox = { std::max(artboard.rect.top, 0), std::max(artboard.rect.left, 0),
        std::min(artboard.rect.bottom, header.height), std::min(artboard.rect.right, header.width) };

    // Any number may stand there; only the four kinds count.
    const double kind = descriptor.number("artboardBackgroundType", kWhite);
    switch (kind >= 1 && kind <= 4 ? static_cast<int>(kind) : static_cast<int>(kWhite)) {
    case kBlack:
        artboard.rgb = { 0, 0, 0 };
        break;
    case kTransparent:
        artboard.transparent = true;
        break;
    case kOwnColour:
        if (const DescriptorValue* colour = descriptor.find("Clr ")) artboard.rgb = ColourOf(*colour);
        break;
    default:
        break;
    }
    return artboard;
}

} // namespace deptrix
