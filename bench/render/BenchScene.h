#pragma once

#include "core/Document.h"

#include <cstdint>

namespace deptrix::bench {

/// A document like a real import: 2048 x 1536 working pixels, twelve layers of
/// various sizes (an opaque background, soft-edged shapes partly outside the picture,
/// a layer of many small blobs and a semi-transparent haze). ImageMode 3 or 4.
/// `softEverywhere` keeps every mask value within 1..254, so that no pixel can be
/// skipped or copied: the worst case of the blend.
Document MakeBenchScene(int imageMode, bool softEverywhere = false);

/// Pixels of all layers that a pass at the document's ViewLeft positions blends
/// (each layer clipped to the picture).
std::int64_t LayerPixels(const Document& doc);

} // namespace deptrix::bench
