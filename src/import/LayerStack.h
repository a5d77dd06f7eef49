#pragma once

#include "import/PsdStructure.h"

#include <cstdint>
#include <string>
#include <vector>

namespace deptrix {

/// A record that becomes a layer of the document, with its group code.
struct SelectedLayer {
    const PsdLayerRecord* record = nullptr;
    std::uint8_t group = 0; ///< 0 ordinary, 1..99 flip group
};

/// Most flip groups a document can have: codes 1..99.
inline constexpr int kMaxFlipGroups = 99;

/// True for a folder name that makes a flip group: it begins with "flip" in any case.
bool IsFlipFolderName(const std::string& name);

/// Picks the records that become layers, bottom to top: visible records with pixels.
/// Left out are hidden records and everything inside a hidden folder, adjustment
/// layers, records with an empty box, and the folder records and end-of-folder
/// markers themselves. The layers inside a folder whose name begins with "flip"
/// (including those in folders nested in it) form one flip group; groups are
/// numbered 1, 2, ... by the position of their folder from the bottom up, counting
/// only folders that keep at least one layer. Throws Error when more than 99 flip
/// groups would result.
std::vector<SelectedLayer> SelectLayers(
    const std::vector<PsdLayerRecord>& records, const std::string& fileName);

} // namespace deptrix
