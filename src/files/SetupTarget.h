#pragma once

#include <string>

namespace deptrix {

/// The fields that settings and project files are shown through and that the writer
/// reads back: the parameter pages, the layer table and the window's caption. The
/// window implements it with its controls, SetupFields without them. Setting a text
/// runs the change rule of that field, as a change of the text in the window does
/// (the depth rule, the width rule that rewrites the height); rules that run when a
/// field is left do not run. Texts are UTF-8; table rows run 1..LayerCount, row r
/// showing layer LayerCount - r.
class SetupTarget {
public:
    virtual ~SetupTarget() = default;

    virtual void setLpiText(const std::string& text) = 0;
    virtual void setFocusText(const std::string& text) = 0;
    virtual void setDepthText(const std::string& text) = 0;
    virtual void setDpiText(const std::string& text) = 0;
    virtual void setWidthText(const std::string& text) = 0;
    virtual void setHeightText(const std::string& text) = 0;
    /// The colour-mode item; an index outside the list selects none (-1).
    virtual void setColorModeIndex(int index) = 0;
    virtual void setHScaleText(const std::string& text) = 0;
    virtual void setOffsetCell(int row, const std::string& text) = 0;
    virtual void setGroupCell(int row, const std::string& text) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void beep() = 0;

    virtual std::string lpiText() const = 0;
    virtual std::string dpiText() const = 0;
    virtual std::string widthText() const = 0;
    virtual std::string heightText() const = 0;
    /// -1 when no item is selected.
    virtual int colorModeIndex() const = 0;
    virtual std::string hScaleText() const = 0;
    virtual std::string offsetCell(int row) const = 0;
};

} // namespace deptrix
