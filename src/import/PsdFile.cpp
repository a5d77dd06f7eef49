#include "import/PsdFile.h"

#include "core/ByteReader.h"
#include "core/Error.h"
#include "import/ImageResources.h"
#include "import/LayerRecords.h"
#include "import/MergedImage.h"
#include "import/PsdFailure.h"
#include "import/PsdHeader.h"
#include "import/TaggedBlocks.h"

namespace deptrix {

namespace {

/// Reads a length field at the reader's position and returns the section that
/// follows it, checked against what the reader holds.
Section TakeSection(
    ByteReader& in, std::uint64_t base, int lengthBytes, const char* what, const std::string& fileName) {
    if (in.remaining() < static_cast<std::uint64_t>(lengthBytes))
        FailPsd(fileName, std::string("missing ") + what);
    const std::uint64_t length = lengthBytes == 8 ? in.u64() : in.u32();
    if (length > in.remaining())
        FailPsd(fileName,
            std::string("truncated ") + what + " (" + std::to_string(length) + " bytes stated, "
                + std::to_string(in.remaining()) + " present)");
    Section section { base + in.position(), length };
    in.skip(length);
    return section;
}

std::span<const std::uint8_t> Slice(std::span<const std::uint8_t> bytes, const Section& s) {
    return bytes.subspan(static_cast<std::size_t>(s.offset), static_cast<std::size_t>(s.length));
}

/// 16-bit files keep their layers in a tagged block after the (then empty) main
/// layer info; returns that block's section, or an empty one.
Section FindHighDepthLayerInfo(
    ByteReader& in, std::uint64_t base, const PsdHeader& header, const std::string& fileName) {
    const auto rest = in.bytes(in.remaining());
    for (const TaggedBlock& block :
        ReadTaggedBlocks(rest, base + (in.position() - rest.size()), header, fileName))
        if (block.is("Lr16") || block.is("Lr32") || block.is("Layr"))
            return { block.offset, block.data.size() };
    return {};
}

void ReadLayerAndMask(PsdFile& file) {
    const PsdHeader& header = file.header;
    const auto content = Slice(file.bytes, file.layerAndMask);
    if (content.empty()) return;
    ByteReader in(content, ByteOrder::BigEndian, file.name);
    const std::uint64_t base = file.layerAndMask.offset;

    Section info = TakeSection(in, base, header.longLengthBytes(), "layer info", file.name);
    const std::uint64_t afterInfo = in.position();
    LayerInfo layers = ParseLayerInfo(Slice(file.bytes, info), info.offset, header, file.name);

    if (layers.records.empty() && in.remaining() >= 4) {
        TakeSection(in, base, 4, "global layer mask info", file.name);
        const Section tagged = FindHighDepthLayerInfo(in, base, header, file.name);
        if (tagged.length > 0) {
            LayerInfo inBlock = ParseLayerInfo(Slice(file.bytes, tagged), tagged.offset, header, file.name);
            if (!inBlock.records.empty()) {
                info = tagged;
                layers = std::move(inBlock);
            }
        }
    }
    // The document's patterns sit among the blocks after the global mask; they only
    // add to effects, so damaged blocks there are passed over.
    try {
        ByteReader rest(content, ByteOrder::BigEndian, file.name);
        rest.seek(afterInfo);
        if (rest.remaining() >= 4) {
            TakeSection(rest, base, 4, "global layer mask info", file.name);
            const auto tail = rest.bytes(rest.remaining());
            for (const TaggedBlock& block :
                ReadTaggedBlocks(tail, base + (rest.position() - tail.size()), header, file.name))
                if (block.is("Patt") || block.is("Pat2") || block.is("Pat3"))
                    file.patternBlocks.push_back({ block.offset, block.data.size() });
        }
    } catch (const Error&) { }
    file.layerInfo = info;
    file.records = std::move(layers.records);
    file.mergedHasTransparency = layers.mergedHasTransparency;
}

/// An indexed file's colour table: 256 reds, then 256 greens, then 256 blues.
ColourTable ReadColourTable(const PsdFile& file) {
    if (file.colourModeData.length < 768)
        FailPsd(file.name,
            "indexed file without its colour table (" + std::to_string(file.colourModeData.length)
                + " bytes of colour mode data, 768 needed)");
    const auto table = Slice(file.bytes, file.colourModeData);
    ColourTable colours;
    for (std::size_t i = 0; i < 256; ++i) colours.rgb[i] = { table[i], table[256 + i], table[512 + i] };
    colours.transparentIndex = ReadTransparentIndex(Slice(file.bytes, file.imageResources), file.name);
    return colours;
}

} // namespace

PsdFile ParsePsd(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    PsdFile file;
    file.name = fileName;
    file.bytes = bytes;
    file.header = ParsePsdHeader(bytes, fileName);

    ByteReader in(bytes, ByteOrder::BigEndian, fileName);
    in.seek(kPsdHeaderBytes);
    file.colourModeData = TakeSection(in, 0, 4, "colour mode data", fileName);
    file.imageResources = TakeSection(in, 0, 4, "image resources", fileName);
    file.resolutionPpi = ReadResolutionPpi(Slice(bytes, file.imageResources), fileName);
    file.iccProfile = ReadIccProfile(Slice(bytes, file.imageResources), fileName);
    if (file.header.mode == ColourMode::Indexed) file.colourTable = ReadColourTable(file);
    const auto resources = Slice(bytes, file.imageResources);
    if (const auto angle = ReadResourceNumber(resources, 1037, fileName)) file.globalAngle = *angle;
    if (const auto altitude = ReadResourceNumber(resources, 1049, fileName)) file.globalAltitude = *altitude;
    file.layerAndMask
        = TakeSection(in, 0, file.header.longLengthBytes(), "layer and mask information", fileName);
    ReadLayerAndMask(file);

    file.mergedImage = { in.position(), in.remaining() };
    CheckMergedImage(file);
    return file;
}

} // namespace deptrix
