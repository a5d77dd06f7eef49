#include "import/PsdHeader.h"

#include "core/ByteReader.h"
#include "import/PsdFailure.h"

namespace deptrix {

namespace {

constexpr int kMaxChannels = 56;
constexpr std::uint32_t kMaxPsdSide = 30000;
constexpr std::uint32_t kMaxPsbSide = 300000;

/// Refuses the modes and depths the import cannot turn into an RGB, CMYK or grey
/// picture. Lab and multichannel documents hold colours this program has no faithful
/// way to show; the editor that made them converts them to RGB or CMYK.
void CheckModeAndDepth(std::uint16_t mode, std::uint16_t depth, const std::string& fileName) {
    const std::string name = ColourModeName(mode);
    bool depthFits = false;
    switch (static_cast<ColourMode>(mode)) {
    case ColourMode::Bitmap:
        depthFits = depth == 1;
        break;
    case ColourMode::Indexed:
        depthFits = depth == 8;
        break;
    case ColourMode::Grayscale:
    case ColourMode::Rgb:
        depthFits = depth == 8 || depth == 16 || depth == 32;
        break;
    case ColourMode::Cmyk:
    case ColourMode::Duotone:
        depthFits = depth == 8 || depth == 16;
        break;
    case ColourMode::Lab:
    case ColourMode::Multichannel:
        FailPsd(fileName,
            "unsupported colour mode " + name
                + "; convert the document to RGB (or CMYK) in the image editor and save it again");
    default:
        FailPsd(fileName, "unsupported colour mode " + name);
    }
    if (!depthFits)
        FailPsd(fileName,
            name + " with " + std::to_string(depth) + " bit" + (depth == 1 ? "" : "s")
                + " per channel is not supported");
}

} // namespace

std::string ColourModeName(std::uint16_t mode) {
    switch (mode) {
    case 0:
        return "Bitmap";
    case 1:
        return "Grayscale";
    case 2:
        return "Indexed";
    case 3:
        return "RGB";
    case 4:
        return "CMYK";
    case 7:
        return "Multichannel";
    case 8:
        return "Duotone";
    case 9:
        return "Lab";
    default:
        return std::to_string(mode);
    }
}

PsdHeader ParsePsdHeader(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    if (bytes.size() < kPsdHeaderBytes) FailPsd(fileName, "truncated file header");
    ByteReader in(bytes.first(kPsdHeaderBytes), ByteOrder::BigEndian, fileName);
    const auto signature = in.bytes(4);
    if (signature[0] != '8' || signature[1] != 'B' || signature[2] != 'P' || signature[3] != 'S')
        FailPsd(fileName, "not a Photoshop file (bad signature)");

    PsdHeader header;
    const std::uint16_t version = in.u16();
    if (version != 1 && version != 2) FailPsd(fileName, "unknown file version " + std::to_string(version));
    header.version = version;
    in.skip(6); // reserved

    const std::uint16_t channels = in.u16();
    const std::uint32_t height = in.u32();
    const std::uint32_t width = in.u32();
    const std::uint16_t depth = in.u16();
    const std::uint16_t mode = in.u16();

    if (channels < 1 || channels > kMaxChannels)
        FailPsd(fileName, "invalid channel count " + std::to_string(channels));
    const std::uint32_t maxSide = header.isPsb() ? kMaxPsbSide : kMaxPsdSide;
    if (width < 1 || height < 1 || width > maxSide || height > maxSide)
        FailPsd(fileName, "invalid picture size " + std::to_string(width) + " x " + std::to_string(height));

    CheckModeAndDepth(mode, depth, fileName);
    header.channels = channels;
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    header.depth = depth;
    header.mode = static_cast<ColourMode>(mode);
    if (header.channels < header.colourChannels())
        FailPsd(
            fileName, ColourModeName(mode) + " file with only " + std::to_string(channels) + " channel(s)");
    return header;
}

} // namespace deptrix
