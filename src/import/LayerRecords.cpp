#include "import/LayerRecords.h"

#include "core/ByteReader.h"
#include "core/Error.h"
#include "import/Artboards.h"
#include "import/LayerEffects.h"
#include "import/PsdFailure.h"
#include "import/TaggedBlocks.h"
#include "import/Utf16Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace deptrix {

namespace {

/// More channels than a layer can carry (colour, transparency and both masks, plus
/// spot channels) marks a damaged record.
constexpr std::uint16_t kMaxLayerChannels = 64;

/// Keys of the blocks that make a record an adjustment layer: its pixels, if any,
/// are not what the layer shows.
bool IsAdjustmentKey(const TaggedBlock& block) {
    static constexpr const char* kKeys[] = { "brit", "levl", "curv", "expA", "vibA", "hue ", "hue2", "blnc",
        "blwh", "phfl", "mixr", "clrL", "nvrt", "post", "thrs", "grdm", "selc", "CgEd" };
    for (const char* k : kKeys)
        if (std::memcmp(block.key.data(), k, 4) == 0) return true;
    return false;
}

PsdRect ReadRect(ByteReader& in) {
    PsdRect r;
    r.top = in.i32();
    r.left = in.i32();
    r.bottom = in.i32();
    r.right = in.i32();
    return r;
}

/// Mask data as files hold it: the user mask's rectangle, default colour and flags;
/// when the record also has a vector mask (36 bytes or more), the real user mask's
/// flags, default colour and rectangle; then, when flag bit 4 is set, the density
/// and feather parameters.
void ReadMaskData(ByteReader in, PsdLayerRecord& record) {
    if (in.remaining() < 18) return;
    LayerMaskInfo& user = record.userMask;
    user.present = true;
    user.rect = ReadRect(in);
    user.defaultColour = in.u8();
    const std::uint8_t flags = in.u8();
    user.disabled = (flags & 0x02) != 0;
    user.fromRender = (flags & 0x08) != 0;

    LayerMaskInfo& real = record.realUserMask;
    if (in.remaining() >= 18) {
        const std::uint8_t realFlags = in.u8();
        real.present = true;
        real.defaultColour = in.u8();
        real.rect = ReadRect(in);
        real.disabled = (realFlags & 0x02) != 0;
    }
    if ((flags & 0x10) == 0 || in.remaining() < 1) return;
    // Feathering is not applied: it would blur the mask at display time.
    std::uint8_t userDensity = 255;
    std::uint8_t vectorDensity = 255;
    const std::uint8_t parameters = in.u8();
    if ((parameters & 0x01) && in.remaining() >= 1) userDensity = in.u8();
    if ((parameters & 0x02) && in.remaining() >= 8) in.skip(8);
    if ((parameters & 0x04) && in.remaining() >= 1) vectorDensity = in.u8();
    user.density = user.fromRender ? vectorDensity : userDensity;
    real.density = userDensity;
}

std::string ReadUnicodeName(std::span<const std::uint8_t> data, const std::string& fileName) {
    ByteReader in(data, ByteOrder::BigEndian, fileName + ": layer name");
    const std::uint32_t count = in.u32();
    if (count > in.remaining() / 2) in.fail("name longer than its block");
    std::vector<std::uint16_t> units(count);
    for (auto& u : units) u = in.u16();
    return Utf16ToUtf8(units);
}

/// The effects reference point: two big-endian doubles, x then y. A short block, or
/// values no canvas could hold, leave the style without one.
void ReadReferencePoint(const TaggedBlock& block, LayerStyle& style) {
    if (block.data.size() < 16) return;
    double point[2];
    for (int i = 0; i < 2; ++i) {
        std::uint64_t bits = 0;
        for (int b = 0; b < 8; ++b) bits = bits << 8 | block.data[static_cast<std::size_t>(i * 8 + b)];
        std::memcpy(&point[i], &bits, sizeof bits);
        if (!(std::abs(point[i]) <= 1e7)) return;
    }
    style.hasReference = true;
    style.referenceX = point[0];
    style.referenceY = point[1];
}

void ApplyTaggedBlocks(const std::vector<TaggedBlock>& blocks, PsdLayerRecord& record,
    const PsdHeader& header, const std::string& fileName) {
    // Files keep the old effect records beside the descriptor, which alone knows the
    // master switch and the newer effects; of two descriptors the one that can hold
    // several effects of a kind wins.
    std::optional<LayerStyle> multiStyle;
    std::optional<LayerStyle> descriptorStyle;
    std::optional<LayerStyle> oldStyle;
    LayerStyle options;
    const auto flag = [](const TaggedBlock& block, bool fallback) {
        return block.data.empty() ? fallback : block.data[0] != 0;
    };
    for (const TaggedBlock& block : blocks) {
        if (block.is("luni")) {
            record.unicodeName = ReadUnicodeName(block.data, fileName);
        } else if (block.is("lsct") || block.is("lsdk")) {
            if (block.data.size() < 4) continue;
            ByteReader in(block.data, ByteOrder::BigEndian, fileName);
            const std::uint32_t type = in.u32();
            if (type == 1)
                record.folder = FolderMark::OpenFolder;
            else if (type == 2)
                record.folder = FolderMark::ClosedFolder;
            else if (type == 3)
                record.folder = FolderMark::EndOfFolder;
            // Then, in newer files, a signature and the folder's blend mode key.
            if (in.remaining() >= 8) {
                in.skip(4);
                const auto key = in.bytes(4);
                std::memcpy(record.folderBlendMode.data(), key.data(), 4);
            }
        } else if (block.is("iOpa")) {
            if (!block.data.empty()) record.fillOpacity = block.data[0];
        } else if (block.is("lmfx")) {
            multiStyle = ReadLayerStyle(block);
        } else if (block.is("lfx2") || block.is("lfxs")) {
            descriptorStyle = ReadLayerStyle(block);
        } else if (block.is("lrFX")) {
            oldStyle = ReadLayerStyle(block);
        } else if (block.is("artb") || block.is("artd") || block.is("abdd")) {
            if (!record.artboard) record.artboard = ReadArtboard(block, header);
        } else if (block.is("infx")) {
            options.blendInterior = flag(block, false);
        } else if (block.is("clbl")) {
            options.blendClipped = flag(block, true);
        } else if (block.is("knko")) {
            options.knockout = block.data.empty() ? 0 : block.data[0];
        } else if (block.is("lmgm")) {
            options.layerMaskHidesEffects = flag(block, false);
        } else if (block.is("vmgm")) {
            options.vectorMaskHidesEffects = flag(block, false);
        } else if (block.is("tsly")) {
            options.transparencyShapesLayer = flag(block, true);
        } else if (block.is("fxrp")) {
            ReadReferencePoint(block, options);
        } else if (IsAdjustmentKey(block)) {
            record.adjustment = true;
        }
    }
    if (multiStyle && multiStyle->readable)
        record.style = std::move(*multiStyle);
    else if (descriptorStyle)
        record.style = std::move(*descriptorStyle);
    else if (oldStyle)
        record.style = std::move(*oldStyle);
    record.style.blendInterior = options.blendInterior;
    record.style.blendClipped = options.blendClipped;
    record.style.knockout = options.knockout;
    record.style.layerMaskHidesEffects = options.layerMaskHidesEffects;
    record.style.vectorMaskHidesEffects = options.vectorMaskHidesEffects;
    record.style.transparencyShapesLayer = options.transparencyShapesLayer;
    record.style.hasReference = options.hasReference;
    record.style.referenceX = options.referenceX;
    record.style.referenceY = options.referenceY;
}

/// Reads one record; `contentEnd` receives the file offset where its last name
/// or block actually ends.
PsdLayerRecord ReadRecord(ByteReader& in, int index, std::uint64_t infoOffset, const PsdHeader& header,
    const std::string& fileName, std::uint64_t& contentEnd) {
    PsdLayerRecord record;
    record.index = index;
    record.box = ReadRect(in);
    const std::uint16_t channelCount = in.u16();
    if (channelCount > kMaxLayerChannels)
        FailPsd(fileName,
            "layer record " + std::to_string(index) + " lists " + std::to_string(channelCount) + " channels");
    record.channels.resize(channelCount);
    for (ChannelInfo& channel : record.channels) {
        channel.id = in.i16();
        channel.data.length = header.isPsb() ? in.u64() : in.u32();
    }
    const auto signature = in.bytes(4);
    if (std::memcmp(signature.data(), "8BIM", 4) != 0 && std::memcmp(signature.data(), "8B64", 4) != 0)
        FailPsd(fileName, "bad blend mode signature in layer record " + std::to_string(index));
    const auto blend = in.bytes(4);
    std::memcpy(record.blendMode.data(), blend.data(), 4);
    record.opacity = in.u8();
    record.clipping = in.u8();
    const std::uint8_t flags = in.u8();
    record.hidden = (flags & 0x02) != 0;
    in.skip(1);

    const std::uint32_t extraLength = in.u32();
    const std::uint64_t extraOffset = infoOffset + in.position();
    ByteReader extra = in.sub(extraLength, in.context());
    const std::uint32_t maskLength = extra.u32();
    ReadMaskData(extra.sub(maskLength, extra.context()), record);
    extra.skip(extra.u32()); // blending ranges
    const std::uint8_t nameLength = extra.u8();
    const auto name = extra.bytes(nameLength);
    record.pascalName.assign(name.begin(), name.end());
    // The name is padded to a multiple of four bytes; ReadTaggedBlocks steps over
    // the padding, also for writers that leave it out.
    const std::uint64_t blocksAt = extra.position();
    const auto blocks
        = ReadTaggedBlocks(extra.bytes(extra.remaining()), extraOffset + blocksAt, header, fileName);
    ApplyTaggedBlocks(blocks, record, header, fileName);
    contentEnd = blocks.empty() ? extraOffset + blocksAt : blocks.back().offset + blocks.back().data.size();
    return record;
}

} // namespace

LayerInfo ParseLayerInfo(std::span<const std::uint8_t> info, std::uint64_t infoOffset,
    const PsdHeader& header, const std::string& fileName) {
    LayerInfo result;
    if (info.size() < 2) return result;
    ByteReader in(info, ByteOrder::BigEndian, fileName);
    const std::int16_t storedCount = in.i16();
    result.mergedHasTransparency = storedCount < 0;
    const int count = storedCount < 0 ? -static_cast<int>(storedCount) : storedCount;

    const std::string overrun = fileName + ": unexpected end of data";
    std::uint64_t lastContentEnd = infoOffset;
    for (int i = 0; i < count; ++i) {
        try {
            result.records.push_back(ReadRecord(in, i, infoOffset, header, fileName, lastContentEnd));
        } catch (const Error& error) {
            if (error.what() != overrun) throw;
            FailPsd(fileName,
                "truncated layer records (record " + std::to_string(i) + " of " + std::to_string(count)
                    + ")");
        }
    }

    // Channel data follows the records in the same order. Some writers count padding
    // after the last record's last block without writing it; the bytes that seem
    // left over are then the start of the channel data, told from real padding by
    // not being zero.
    std::uint64_t at = in.position();
    const std::uint64_t contentEnd = lastContentEnd - infoOffset;
    constexpr std::uint64_t kMaxPadding = 3;
    if (!result.records.empty() && contentEnd < at && at - contentEnd <= kMaxPadding) {
        const auto gap
            = info.subspan(static_cast<std::size_t>(contentEnd), static_cast<std::size_t>(at - contentEnd));
        if (std::any_of(gap.begin(), gap.end(), [](std::uint8_t b) { return b != 0; })) at = contentEnd;
    }
    std::uint64_t total = 0;
    for (const PsdLayerRecord& record : result.records)
        for (const ChannelInfo& channel : record.channels) {
            if (channel.data.length > info.size() - at - total)
                FailPsd(fileName, "truncated channel data of layer record " + std::to_string(record.index));
            total += channel.data.length;
        }
    for (PsdLayerRecord& record : result.records) {
        for (ChannelInfo& channel : record.channels) {
            channel.data.offset = infoOffset + at;
            at += channel.data.length;
        }
    }
    return result;
}

} // namespace deptrix
