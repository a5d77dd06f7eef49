#pragma once

#include "import/PsdStructure.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// The layer records of one layer info block, with the position of every channel's
/// data in the file.
struct LayerInfo {
    std::vector<PsdLayerRecord> records;
    bool mergedHasTransparency = false; ///< the record count was stored negative
};

/// Parses a layer info block: the record count, the records and the channel data
/// that follows them. `info` is the block's content without its length field and
/// starts at file offset `infoOffset`. Every channel's data range is checked to lie
/// within the block. Throws Error naming the file and the damaged part.
LayerInfo ParseLayerInfo(std::span<const std::uint8_t> info, std::uint64_t infoOffset,
    const PsdHeader& header, const std::string& fileName);

} // namespace deptrix
