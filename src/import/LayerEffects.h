#pragma once

#include "core/LayerStyle.h"

namespace deptrix {

struct TaggedBlock;

/// Reads an effects block: "lfx2", "lfxs" or "lmfx" (descriptors; several effects of a
/// kind in "lmfx" and newer "lfx2"), or "lrFX" (the older fixed records). A block that
/// cannot be read gives a present, unreadable style. Never reads past the block.
LayerStyle ReadLayerStyle(const TaggedBlock& block);
} // namespace deptrix
