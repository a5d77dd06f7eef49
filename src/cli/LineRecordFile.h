#pragma once

#include "core/Document.h"
#include "core/Outlines.h"

#include <filesystem>
#include <vector>

namespace deptrix {

/// One outline as a settings file records it: which layer, order and place in the
/// order it belongs to, and its points in working pixels.
struct LineRecord {
    int layer = 0; ///< layer index, 0 the bottom layer
    int order = 0; ///< order index 0..14
    int line = 0; ///< line index within the order
    Line points;
};

/// Most lines one order of a record file may address, and most points of one line:
/// far beyond anything drawn by hand, small enough that no count in a file can make
/// the reader allocate much.
inline constexpr int kMaxRecordLineIndex = 9999;
inline constexpr int kMaxRecordPoints = 1000000;

/// Reads a file of line records in the settings-file layout: a header line
/// "layer order line P" (the rest of the line is ignored), then P + 1 points as x y
/// pairs split over lines in any way. A record with P below 1 has no points and
/// stores nothing; it is not returned. Throws Error "<file>, line <n>: <problem>" for
/// a field that is not a number, a layer index outside 0..layerCount - 1, an order
/// index outside 0..14, a line index or point count beyond the limits above, or a
/// file that ends inside a record.
std::vector<LineRecord> ReadLineRecords(const std::filesystem::path& path, int layerCount);

/// Stores the records as a settings file does: every layer gets an empty line set of
/// 15 orders first; then each record sets its order's length to its line index + 1
/// and becomes the line at that index, and its layer becomes an outline layer whose
/// pictures are still to be built (Group 255). EditLines becomes the selected
/// layer's set.
void ApplyLineRecords(Document& doc, const std::vector<LineRecord>& records);

} // namespace deptrix
