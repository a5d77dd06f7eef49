#pragma once

#include "core/Fixed.h"

#include <QTabWidget>
#include <functional>

class QComboBox;
class QGridLayout;
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

    QLineEdit* lpiField() const { return m_lpiField; }
    QLineEdit* anglesField() const { return m_anglesField; }
    QLineEdit* focusField() const { return m_focusField; }
    QLineEdit* depthField() const { return m_depthField; }
    QComboBox* dpiField() const { return m_dpiField; }
    QLineEdit* widthField() const { return m_widthField; }
    QLineEdit* heightField() const { return m_heightField; }
    QLineEdit* hScaleField() const { return m_hScaleField; }
    QComboBox* colorModeField() const { return m_colorModeField; }

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
    QLineEdit* addField(QGridLayout* grid, int row, QLabel*& label, const char* caption, const char* hint,
        const char* tip, int maxLength, const char* text);
    void assignObjectNames();

    Document& m_doc;
    LayerPanel& m_layers;
    const CommandGuard& m_guard;
    TabSheet* m_settings3dTab;
    TabSheet* m_outputTab;
    QLabel* m_lpiLabel;
    QLineEdit* m_lpiField;
    QLabel* m_anglesLabel;
    QLineEdit* m_anglesField;
    QLabel* m_focusLabel;
    QLineEdit* m_focusField;
    QLabel* m_depthLabel;
    QLineEdit* m_depthField;
    QLabel* m_dpiLabel;
    QComboBox* m_dpiField;
    QLabel* m_widthLabel;
    QLineEdit* m_widthField;
    QLabel* m_heightLabel;
    QLineEdit* m_heightField;
    QLabel* m_widthUnitLabel;
    QLabel* m_heightUnitLabel;
    QLabel* m_hScaleLabel;
    QLineEdit* m_hScaleField;
    QLabel* m_colorModeLabel;
    QComboBox* m_colorModeField;
    QLabel* m_verticalDpiLabel;
    QComboBox* m_verticalDpiField; ///< never shown
};

} // namespace deptrix
