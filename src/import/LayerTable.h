#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace deptrix {

struct Document;

/// One data row of the layer table; row r shows layer LayerCount - r.
struct LayerTableRow {
    std::string layer; ///< the row number, with " <F>" on the focus row
    std::string group; ///< group letter, "+" for an outline layer, "#" for a depth map layer, empty for none
    std::string offset; ///< the default depth offset in source pixels
    std::string name; ///< the layer's name, for its tooltip
    std::string blendMode; ///< the name of the layer's blend mode when it is not Normal, for its tooltip
};

/// The letter of a group code: 1 is "A", 2 is "B", ... (character 64 + code), "+" for
/// outline layers, empty for ordinary layers. UTF-8.
std::string GroupLetter(std::uint8_t group);

/// The Group column's mark of a layer whose depth comes from a map.
inline constexpr const char* kDepthMapMark = "#";

/// "r" or "r <F>".
std::string RowLabel(int row, int focusRow);

/// Rows 1..LayerCount as the import writes them.
std::vector<LayerTableRow> LayerTableRows(const Document& doc);

} // namespace deptrix
