#pragma once

#include "import/TaggedBlocks.h"

#include <optional>
#include <span>

namespace deptrix {

/// Whether the effects block of a layer ("lfx2" or "lmfx", a descriptor; "lrFX", the
/// older fixed records) turns on at least one effect: the master switch is not off
/// and some effect is enabled. Empty when the block cannot be read; the caller then
/// assumes that the effects show. Never reads past the block.
std::optional<bool> EffectsShow(const TaggedBlock& block);

} // namespace deptrix
