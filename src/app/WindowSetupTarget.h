#pragma once

#include "files/SetupTarget.h"

class QMainWindow;

namespace deptrix {

class LayerPanel;
class ParameterPanel;
class Platform;

/// The window's fields as the settings and project files see them: the parameter
/// pages (setting a text runs the field's change rule through the panel's own
/// handlers), the Offset and Group columns of the layer table, the caption and the
/// beep.
class WindowSetupTarget final : public SetupTarget {
public:
    WindowSetupTarget(QMainWindow& window, ParameterPanel& parameters, LayerPanel& layers, Platform& platform)
        : m_window(window)
        , m_parameters(parameters)
        , m_layers(layers)
        , m_platform(platform) { }

    void setLpiText(const std::string& text) override;
    void setFocusText(const std::string& text) override;
    void setDepthText(const std::string& text) override;
    void setDpiText(const std::string& text) override;
    void setWidthText(const std::string& text) override;
    void setHeightText(const std::string& text) override;
    void setColorModeIndex(int index) override;
    void setHScaleText(const std::string& text) override;
    void setOffsetCell(int row, const std::string& text) override;
    void setGroupCell(int row, const std::string& text) override;
    void setCaption(const std::string& caption) override;
    void beep() override;

    std::string lpiText() const override;
    std::string dpiText() const override;
    std::string widthText() const override;
    std::string heightText() const override;
    int colorModeIndex() const override;
    std::string hScaleText() const override;
    std::string offsetCell(int row) const override;

private:
    QMainWindow& m_window;
    ParameterPanel& m_parameters;
    LayerPanel& m_layers;
    Platform& m_platform;
};

} // namespace deptrix
