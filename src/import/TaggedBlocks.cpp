#include "import/TaggedBlocks.h"

#include "core/ByteReader.h"
#include "import/PsdFailure.h"

#include <cstring>

namespace deptrix {

namespace {

bool IsSignature(const std::uint8_t* p) {
    return std::memcmp(p, "8BIM", 4) == 0 || std::memcmp(p, "8B64", 4) == 0 || std::memcmp(p, "8ELE", 4) == 0;
}

/// Keys whose length field is 8 bytes wide in PSB files.
bool HasLongLength(const std::array<char, 4>& key) {
    static constexpr const char* kLongKeys[] = { "LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn",
        "Alph", "FMsk", "lnk2", "FEid", "FXid", "PxSD" };
    for (const char* k : kLongKeys)
        if (std::memcmp(key.data(), k, 4) == 0) return true;
    return false;
}

constexpr std::uint64_t kBlockHeaderBytes = 12; // signature, key, 4-byte length at least

} // namespace

std::vector<TaggedBlock> ReadTaggedBlocks(std::span<const std::uint8_t> area, std::uint64_t areaOffset,
    const PsdHeader& header, const std::string& fileName) {
    std::vector<TaggedBlock> blocks;
    ByteReader in(area, ByteOrder::BigEndian, fileName + ": tagged block");
    while (in.remaining() >= kBlockHeaderBytes) {
        // Writers disagree on whether padding is counted in the length; step over up
        // to three pad bytes to the next signature.
        std::uint64_t pad = 0;
        while (pad < 4 && in.remaining() >= kBlockHeaderBytes + pad
            && !IsSignature(area.data() + in.position() + pad))
            ++pad;
        if (pad == 4 || in.remaining() < kBlockHeaderBytes + pad) break;
        in.skip(pad + 4);

        TaggedBlock block;
        const auto key = in.bytes(4);
        std::memcpy(block.key.data(), key.data(), 4);
        const std::uint64_t length = header.isPsb() && HasLongLength(block.key) ? in.u64() : in.u32();
        if (length > in.remaining())
            FailPsd(fileName,
                "truncated tagged block '" + std::string(block.key.data(), 4) + "' (" + std::to_string(length)
                    + " bytes, " + std::to_string(in.remaining()) + " left)");
        block.offset = areaOffset + in.position();
        block.data = in.bytes(length);
        blocks.push_back(block);
    }
    return blocks;
}

} // namespace deptrix
