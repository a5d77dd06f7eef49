#pragma once

#include "import/PsdStructure.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// One "additional layer information" block: a four-letter key and its data.
struct TaggedBlock {
    std::array<char, 4> key {};
    std::span<const std::uint8_t> data;
    std::uint64_t offset = 0; ///< file offset of `data`

    bool is(const char (&name)[5]) const {
        return key[0] == name[0] && key[1] == name[1] && key[2] == name[2] && key[3] == name[3];
    }
};

/// The blocks that fill `area` (which starts at file offset `areaOffset`). Blocks are
/// signed "8BIM" or "8B64" ("8ELE" from some writers is accepted too); a few bytes of
/// padding between blocks are skipped whether or not the stored length counts them.
/// Bytes after the last block that do not start another one are ignored. Throws
/// Error when a block claims more bytes than `area` holds.
std::vector<TaggedBlock> ReadTaggedBlocks(std::span<const std::uint8_t> area, std::uint64_t areaOffset,
    const PsdHeader& header, const std::string& fileName);

} // namespace deptrix
