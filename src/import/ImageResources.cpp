#include "import/ImageResources.h"

#include "core/ByteReader.h"
#include "core/Error.h"

#include <cstring>
#include <optional>

namespace deptrix {

namespace {

constexpr std::uint16_t kResolutionInfo = 1005;
constexpr std::uint16_t kIccProfile = 1039;
constexpr std::uint16_t kTransparentIndex = 1047;

bool KnownSignature(std::span<const std::uint8_t> s) {
    // Photoshop writes "8BIM"; a few old writers used their own tags.
    static constexpr const char* kSignatures[] = { "8BIM", "MeSa", "AgHg", "PHUT", "DCSR" };
    for (const char* known : kSignatures)
        if (std::memcmp(s.data(), known, 4) == 0) return true;
    return false;
}

/// The data of the first resource `id`, or nothing. Resources only add to a picture,
/// so a damaged entry ends the scan instead of refusing a file whose layers may be
/// intact.
std::optional<std::span<const std::uint8_t>> FindResource(
    std::span<const std::uint8_t> resources, std::uint16_t wanted, const std::string& fileName) {
    ByteReader in(resources, ByteOrder::BigEndian, fileName);
    try {
        while (in.remaining() >= 12) {
            if (!KnownSignature(in.bytes(4))) return std::nullopt;
            const std::uint16_t id = in.u16();
            const std::uint8_t nameLength = in.u8();
            // The Pascal name, length byte included, is padded to an even size.
            in.skip(nameLength + ((nameLength + 1) % 2));
            const std::uint32_t size = in.u32();
            ByteReader data = in.sub(size, fileName);
            if (size % 2 != 0 && !in.atEnd()) in.skip(1);
            if (id == wanted) return data.bytes(size);
        }
    } catch (const Error&) {
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

double ReadResolutionPpi(std::span<const std::uint8_t> resources, const std::string& fileName) {
    const auto data = FindResource(resources, kResolutionInfo, fileName);
    if (!data || data->size() < 4) return 0;
    // hRes is 16.16 fixed point and always in pixels per inch: the unit field that
    // follows only says how the resolution was shown to the user (values typed in
    // pixels per centimetre are converted before they are stored).
    ByteReader in(*data, ByteOrder::BigEndian, fileName);
    return static_cast<double>(in.u32()) / 65536.0;
}

std::vector<std::uint8_t> ReadIccProfile(
    std::span<const std::uint8_t> resources, const std::string& fileName) {
    const auto data = FindResource(resources, kIccProfile, fileName);
    if (!data) return {};
    return { data->begin(), data->end() };
}

int ReadTransparentIndex(std::span<const std::uint8_t> resources, const std::string& fileName) {
    const auto data = FindResource(resources, kTransparentIndex, fileName);
    if (!data || data->size() < 2) return -1;
    const int index = (*data)[0] << 8 | (*data)[1];
    return index < 256 ? index : -1;
}

std::optional<std::int32_t> ReadResourceNumber(
    std::span<const std::uint8_t> resources, std::uint16_t id, const std::string& fileName) {
    const auto data = FindResource(resources, id, fileName);
    if (!data || data->size() < 4) return std::nullopt;
    ByteReader in(*data, ByteOrder::BigEndian, fileName);
    return in.i32();
}

} // namespace deptrix
