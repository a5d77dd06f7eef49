#pragma once

#include "core/Approximation.h"
#include "import/PatternBlock.h"
#include "import/PsdStructure.h"

#include <optional>
#include <utility>
#include <vector>

namespace deptrix {

/// What of a layer's effects is drawn only approximately, as reasons with the effect
/// each concerns (none for the layer's effects as a whole). `patterns` are the
/// document's (null: none); `clipBase` whether layers are clipped to this one.
std::vector<std::pair<Approximation, std::optional<EffectKind>>> EffectNotes(
    const PsdLayerRecord& record, const PatternMap* patterns, bool clipBase);

} // namespace deptrix
