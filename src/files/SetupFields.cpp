#include "files/SetupFields.h"

#include "core/Document.h"
#include "core/NumberText.h"
#include "core/Version.h"
#include "files/FieldRules.h"

#include <filesystem>

namespace deptrix {

namespace {

constexpr int kColourModeItems = 3;

std::string* Cell(std::vector<std::string>& column, int row) {
    return row >= 1 && static_cast<size_t>(row) <= column.size() ? &column[static_cast<size_t>(row - 1)]
                                                                 : nullptr;
}

} // namespace

SetupFields::SetupFields(Document& doc)
    : m_doc(doc)
    , m_lpi(FormatFixed(doc.Lpi))
    , m_focus(std::to_string(doc.FocusRow))
    , m_depth(FormatFixed(doc.DepthFactor))
    , m_dpi(DpiFieldText(doc.OutDpi))
    , m_width(FormatFixed(doc.OutWidth))
    , m_height(FormatFixed(doc.OutHeight))
    , m_hScale(std::to_string(doc.HScale))
    , m_caption(std::string("Deptrix ") + kVersion) {
    setColorModeIndex(doc.ColorMode);
}

void SetupFields::showImport(std::vector<std::string> offsetCells, std::vector<std::string> groupCells) {
    m_doc.Lpi = ParseFieldFixed(m_lpi);
    m_doc.AspectRatio = PictureAspectRatio(m_doc);
    m_height = HeightTextForWidth(m_width, m_doc.AspectRatio);
    m_focus = std::to_string(m_doc.FocusRow);
    m_offsets = std::move(offsetCells);
    m_groups = std::move(groupCells);
    m_offsets.resize(m_doc.LayerCount);
    m_groups.resize(m_doc.LayerCount);
    const auto name = std::filesystem::path(m_doc.PsdPath).filename().u8string();
    m_caption = std::string("Deptrix ") + kVersion + "   " + std::string(name.begin(), name.end());
}

void SetupFields::setDepthText(const std::string& text) {
    if (text == m_depth) return; // not a change
    m_depth = text;
    if (m_depth.empty()) {
        setDepthText(kEmptyDepthText);
        return;
    }
    ApplyDepthText(m_depth, m_doc);
}

void SetupFields::setWidthText(const std::string& text) {
    if (text == m_width) return;
    m_width = text;
    if (!m_width.empty()) m_height = HeightTextForWidth(m_width, m_doc.AspectRatio);
}

void SetupFields::setColorModeIndex(int index) {
    m_colorMode = index >= 0 && index < kColourModeItems ? index : -1;
}

void SetupFields::setOffsetCell(int row, const std::string& text) {
    if (std::string* cell = Cell(m_offsets, row)) *cell = text;
}

void SetupFields::setGroupCell(int row, const std::string& text) {
    if (std::string* cell = Cell(m_groups, row)) *cell = text;
}

std::string SetupFields::offsetCell(int row) const {
    return row >= 1 && static_cast<size_t>(row) <= m_offsets.size() ? m_offsets[static_cast<size_t>(row - 1)]
                                                                    : std::string();
}

std::string SetupFields::groupCell(int row) const {
    return row >= 1 && static_cast<size_t>(row) <= m_groups.size() ? m_groups[static_cast<size_t>(row - 1)]
                                                                   : std::string();
}

} // namespace deptrix
