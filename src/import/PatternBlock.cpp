#include "import/PatternBlock.h"

#include "core/ByteReader.h"
#include "core/Error.h"
#include "import/PackBits.h"

#include <algorithm>
#include <vector>

namespace deptrix {

namespace {

/// Largest pattern side read: editors limit patterns to a few thousand pixels.
constexpr std::int32_t kMaxPatternSide = 8192;

/// One channel of a pattern's virtual memory array: its samples, or empty when the
/// channel is not stored.
std::vector<std::uint8_t> ReadChannel(ByteReader& in, int width, int height) {
    if (in.u32() == 0) return {};
    ByteReader data = in.sub(in.u32(), "pattern channel");
    if (data.u32() != 8) return {}; // depth
    const std::int32_t top = data.i32(), left = data.i32(), bottom = data.i32(), right = data.i32();
    if (bottom - top != height || right - left != width) return {};
    data.skip(2);
    const std::uint8_t compression = data.u8();
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (compression == 0) {
        const auto raw = data.bytes(samples.size());
        std::copy(raw.begin(), raw.end(), samples.begin());
    } else if (compression == 1) {
        std::vector<std::uint16_t> counts(static_cast<std::size_t>(height));
        for (auto& c : counts) c = data.u16();
        for (int y = 0; y < height; ++y) {
            const auto packed = data.bytes(counts[static_cast<std::size_t>(y)]);
            if (!UnpackBitsRow(packed,
                    std::span(samples).subspan(
                        static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width))))
                data.fail("damaged pattern row");
        }
    } else {
        return {};
    }
    return samples;
}

std::shared_ptr<const PatternPicture> ReadPattern(ByteReader& in, PixelFormat format, std::string& id) {
    in.skip(4); // version
    const std::uint32_t mode = in.u32();
    in.skip(4); // size, read again from the array's rectangle
    in.skip(std::uint64_t { in.u32() } * 2); // name
    const auto idBytes = in.bytes(in.u8());
    id.assign(idBytes.begin(), idBytes.end());
    if (mode == 2) in.skip(256 * 3);
    in.skip(4); // array version
    ByteReader array = in.sub(in.u32(), "pattern data");
    const std::int32_t top = array.i32(), left = array.i32(), bottom = array.i32(), right = array.i32();
    const std::int32_t width = right - left, height = bottom - top;
    if (width <= 0 || height <= 0 || width > kMaxPatternSide || height > kMaxPatternSide) return nullptr;
    const std::uint32_t count = array.u32();
    const int wanted = mode == 3 ? 3 : mode == 4 ? 4 : mode == 1 ? 1 : 0;
    if (wanted == 0 || count < static_cast<std::uint32_t>(wanted)) return nullptr;
    std::vector<std::vector<std::uint8_t>> channels;
    for (int c = 0; c < wanted; ++c) {
        channels.push_back(ReadChannel(array, width, height));
        if (channels.back().empty()) return nullptr;
    }
    auto picture = std::make_shared<PatternPicture>();
    picture->colour = Bitmap(width, height, format);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture->colour.row(y);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const auto at = [&](int c) { return channels[static_cast<std::size_t>(c)][i]; };
            double r = 0, g = 0, b = 0;
            if (wanted == 3) {
                r = at(0), g = at(1), b = at(2);
            } else if (wanted == 1) {
                r = g = b = at(0);
            }
            if (format == PixelFormat::Cmyk32) {
                std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
                if (wanted == 4) {
                    for (int c = 0; c < 4; ++c) p[c] = at(c);
                } else {
                    const double k = 255 - std::max({ r, g, b });
                    const double rest = 255 - k;
                    const auto ink = [&](double v) { return rest > 0 ? (rest - v) / rest * 255 : 0.0; };
                    p[0] = static_cast<std::uint8_t>(255 - ink(r) + 0.5);
                    p[1] = static_cast<std::uint8_t>(255 - ink(g) + 0.5);
                    p[2] = static_cast<std::uint8_t>(255 - ink(b) + 0.5);
                    p[3] = static_cast<std::uint8_t>(255 - k + 0.5);
                }
            } else {
                if (wanted == 4) {
                    // Stored as 255 - ink; the plain product gives RGB.
                    r = at(0) * at(3) / 255.0, g = at(1) * at(3) / 255.0, b = at(2) * at(3) / 255.0;
                }
                std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
                p[0] = static_cast<std::uint8_t>(b + 0.5);
                p[1] = static_cast<std::uint8_t>(g + 0.5);
                p[2] = static_cast<std::uint8_t>(r + 0.5);
            }
        }
    }
    // The channels after the colour ones up to the user mask are not colour; the
    // array's last two entries are the user and sheet masks, the sheet mask being
    // the pattern's transparency when stored.
    for (std::uint32_t c = static_cast<std::uint32_t>(wanted); c < count + 2 && !array.atEnd(); ++c) {
        std::vector<std::uint8_t> samples = ReadChannel(array, width, height);
        if (c == count + 1 && !samples.empty()) {
            picture->alpha = Bitmap(width, height, PixelFormat::Gray8);
            for (int y = 0; y < height; ++y)
                std::copy_n(
                    samples.data() + static_cast<std::size_t>(y) * width, width, picture->alpha.row(y));
        }
    }
    return picture;
}

} // namespace

void ReadPatterns(std::span<const std::uint8_t> block, PixelFormat format, PatternMap& patterns) {
    ByteReader in(block, ByteOrder::BigEndian, "patterns");
    try {
        while (in.remaining() >= 4) {
            const std::uint32_t length = in.u32();
            ByteReader pattern = in.sub(length, "pattern");
            while (in.position() % 4 != 0 && !in.atEnd()) in.skip(1);
            std::string id;
            auto picture = ReadPattern(pattern, format, id);
            if (picture) patterns.emplace(id, std::move(picture));
        }
    } catch (const Error&) {
        // What was read stays; the rest of the block is not used.
    }
}

} // namespace deptrix
