#pragma once

#include "files/SetupTarget.h"

#include <string>
#include <vector>

namespace deptrix {

struct Document;

/// The parameter fields, the layer table and the caption without a window, for the
/// batch front end and the tests. Texts change through the same rules as the window's
/// fields, applied to the document given at construction.
class SetupFields final : public SetupTarget {
public:
    /// The fields showing the document's values, as start-up leaves them.
    explicit SetupFields(Document& doc);

    /// What the import shows: Lpi taken from the LPI text, the picture's proportions
    /// and the height text they give, the focus row, the layer table (row 1 first) and
    /// the caption with the PSD's name.
    void showImport(std::vector<std::string> offsetCells, std::vector<std::string> groupCells);

    void setLpiText(const std::string& text) override { m_lpi = text; }
    void setFocusText(const std::string& text) override { m_focus = text; }
    void setDepthText(const std::string& text) override;
    void setDpiText(const std::string& text) override { m_dpi = text; }
    void setWidthText(const std::string& text) override;
    void setHeightText(const std::string& text) override { m_height = text; }
    void setColorModeIndex(int index) override;
    void setHScaleText(const std::string& text) override { m_hScale = text; }
    void setOffsetCell(int row, const std::string& text) override;
    void setGroupCell(int row, const std::string& text) override;
    void setCaption(const std::string& caption) override { m_caption = caption; }
    void beep() override { ++m_beeps; }

    std::string lpiText() const override { return m_lpi; }
    std::string dpiText() const override { return m_dpi; }
    std::string widthText() const override { return m_width; }
    std::string heightText() const override { return m_height; }
    int colorModeIndex() const override { return m_colorMode; }
    std::string hScaleText() const override { return m_hScale; }
    std::string offsetCell(int row) const override;

    const std::string& focusText() const { return m_focus; }
    const std::string& depthText() const { return m_depth; }
    std::string groupCell(int row) const;
    /// The Offset column, row 1 first.
    const std::vector<std::string>& offsetCells() const { return m_offsets; }
    const std::string& caption() const { return m_caption; }
    int beeps() const { return m_beeps; }

private:
    Document& m_doc;
    std::string m_lpi;
    std::string m_focus;
    std::string m_depth;
    std::string m_dpi;
    std::string m_width;
    std::string m_height;
    std::string m_hScale;
    int m_colorMode = -1;
    std::vector<std::string> m_offsets;
    std::vector<std::string> m_groups;
    std::string m_caption;
    int m_beeps = 0;
};

} // namespace deptrix
