#pragma once

#include "core/LayerStyle.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// The data of an "lfx2" block describing `style` as editors write it: the master
/// switch and each effect with the values ReadLayerStyle reads (several of a kind in
/// the "...Multi" lists). For tests, benchmarks and sample files.
std::vector<std::uint8_t> EffectsBlockData(const LayerStyle& style);

} // namespace deptrix
