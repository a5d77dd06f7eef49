#pragma once

#include "import/PsdStructure.h"
#include "import/TaggedBlocks.h"

#include <optional>

namespace deptrix {

/// The artboard data of a folder ("artb", or "artd" and "abdd" from other versions):
/// a version and a descriptor with the artboard's rectangle, its background kind
/// (1 white, 2 black, 3 transparent, 4 the colour in "Clr ") and colour. White when
/// the descriptor names no background. Empty when the block cannot be read or holds
/// no usable rectangle; never reads past the block.
std::optional<ArtboardInfo> ReadArtboard(const TaggedBlock& block, const PsdHeader& header);

} // namespace deptrix
