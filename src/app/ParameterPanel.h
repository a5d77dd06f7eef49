#pragma once

#include "core/Fixed.h"

#include <QHash>
#include <QTabWidget>
#include <functional>

class QComboBox;
class QFocusEvent;
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
/// Each field keeps its own rule: LPI, focus and H Scale act when the focus moves from
/// the field to another control of the window, depth and width on every change of
/// their text. The fields' length limits apply to typing only.
///
/// While the user types, a text that can still become a number ("", "-", ".", "1e")
/// waits; anything else is refused at once. Leaving a field with a text that is no
/// number (or angles outside 2..64) shows a message naming the field and brings back
/// the last text it accepted. Values the rules replace are reported by notice().
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
    /// The output height: the field shows it rounded to 4 decimals, the commands and
    /// files take the text as it was computed or read.
    void setHeightText(const QString& exact);
    QString heightText() const { return m_heightExact; }

    /// Shows the output settings.
    void showOutputSettings(Fixed outDpi, Fixed outWidth, Fixed outHeight, int colorMode, int hScale);

    /// The rules, callable directly (the window's events call them too).
    void lpiLeft();
    void anglesLeft();
    void focusLeft();
    void depthChanged();
    void depthLeft();
    void widthChanged();
    void widthLeft();
    void dpiLeft();
    void hScaleLeft();
    void colorModeLeft();

    /// The language of the messages (0 English, 1 Chinese).
    void setLanguage(int language) { m_language = language; }
    /// The text of a number field when it is a number (or empty, where `emptyAllowed`),
    /// for the commands that read it; any other text throws the field's message.
    QString checkedText(const QLineEdit* field, bool emptyAllowed = true) const;
    /// The DPI field's text when it is "(Auto)", a number or empty.
    QString checkedDpiText() const;

    /// Whether a focus loss leaves the field for another control of the window, which
    /// is when the "leaving the field" rules run.
    static bool LeavesForAnotherControl(const QFocusEvent& event);

signals:
    /// A change that makes the red/blue picture out of date (focus or depth).
    void glassesOutdated();
    /// A value a rule replaced, for the status bar.
    void notice(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addField(QGridLayout* grid, int row, QLabel*& label, const char* caption, const char* hint,
        const char* tip, int maxLength, const char* text);
    void assignObjectNames();
    QLabel* labelOf(const QLineEdit* field) const;
    QString nameOf(const QLineEdit* field) const;
    bool isIntegerField(const QLineEdit* field) const;
    /// Remembers a text that is a number as the field's accepted text.
    void noteText(QLineEdit* field);
    /// Brings back the field's accepted text and throws `message`.
    [[noreturn]] void refuse(QLineEdit* field, const QString& message);
    [[noreturn]] void refuseText(QLineEdit* field, const QString& typed);

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
    QHash<const QLineEdit*, QString> m_accepted; ///< last text each number field accepted
    QString m_acceptedDpi;
    QString m_heightExact; ///< the height as computed or read; the field shows it rounded
    int m_language = 0;
};

} // namespace deptrix
