#pragma once

#include "core/Fixed.h"

#include <QTabWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace deptrix {

class CommandGuard;
class LayerPanel;
class TabSheet;
struct ConfigValues;
struct Document;

/// The parameter pages (`PageControl2`): "3DSets" with LPI, angles, focus layer and
/// depth, and "Output Sets" with resolution, size, vertical compress and colour mode.
/// Each field keeps its own rule: LPI, focus and H Scale act when the field is left,
/// depth and width on every change of their text.
class ParameterPanel : public QTabWidget {
    Q_OBJECT
public:
    ParameterPanel(Document& doc, LayerPanel& layers, const CommandGuard& guard, QWidget* parent = nullptr);

    QLineEdit* lpiField() const { return m_lpi; }
    QLineEdit* anglesField() const { return m_angles; }
    QLineEdit* focusField() const { return m_focus; }
    QLineEdit* depthField() const { return m_depth; }
    QComboBox* dpiField() const { return m_dpi; }
    QLineEdit* widthField() const { return m_width; }
    QLineEdit* heightField() const { return m_height; }
    QLineEdit* hScaleField() const { return m_hScale; }
    QComboBox* colorModeField() const { return m_colorMode; }

    /// Shows the values of the configuration file (start-up): DPI "(Auto)" for the
    /// automatic value, the depth through its change rule.
    void showConfig(const ConfigValues& values);
    /// Shows the output settings.
    void showOutputSettings(Fixed outDpi, Fixed outWidth, Fixed outHeight, int colorMode, int hScale);

    /// The rules, callable directly (the window's events call them too).
    void lpiLeft();
    void focusLeft();
    void depthChanged();
    void widthChanged();
    void hScaleLeft();
    void colorModeLeft();

signals:
    /// A change that makes the red/blue picture out of date (focus or depth).
    void glassesOutdated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addField(QWidget* page, int row, const char* labelName, const char* caption, const char* hint,
        const char* fieldName, const char* tip, int maxLength, const char* text);

    Document& m_doc;
    LayerPanel& m_layers;
    const CommandGuard& m_guard;
    TabSheet* m_settings3d;
    TabSheet* m_output;
    QLineEdit* m_lpi;
    QLineEdit* m_angles;
    QLineEdit* m_focus;
    QLineEdit* m_depth;
    QComboBox* m_dpi;
    QLineEdit* m_width;
    QLineEdit* m_height;
    QLineEdit* m_hScale;
    QComboBox* m_colorMode;
    QComboBox* m_yDpi;
};

} // namespace deptrix
