#include "import/LayerTable.h"

#include "core/Document.h"

namespace deptrix {

std::string GroupLetter(std::uint8_t group) {
    if (group == kGroupNone) return {};
    if (group == kGroupOutlineBuilt || group == kGroupOutlineStale) return "+";
    const unsigned code = 64u + group;
    if (code < 0x80) return std::string(1, static_cast<char>(code));
    // Codes above 127 are Latin-1 characters; write them as UTF-8.
    return { static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F)) };
}

std::string RowLabel(int row, int focusRow) {
    return std::to_string(row) + (row == focusRow ? " <F>" : "");
}

std::vector<LayerTableRow> LayerTableRows(const Document& doc) {
    std::vector<LayerTableRow> rows;
    const int count = static_cast<int>(doc.Layers.size());
    for (int r = 1; r <= count; ++r) {
        const size_t layer = static_cast<size_t>(count - r);
        const Fixed offset = layer < doc.DefaultOffsets.size() ? doc.DefaultOffsets[layer] : 0;
        const BlendMode mode = doc.Layers[layer].blendMode();
        rows.push_back({ RowLabel(r, doc.FocusRow),
            doc.depthMapOf(layer) ? std::string(kDepthMapMark) : GroupLetter(doc.Layers[layer].Group),
            std::to_string(Round(static_cast<long double>(offset) / 10000.0L)),
            doc.Layers[layer].displayName(),
            mode == BlendMode::Normal ? std::string() : std::string(BlendModeName(mode)) });
    }
    return rows;
}

} // namespace deptrix
