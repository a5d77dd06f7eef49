#pragma once

#include "print/PitchTest.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;

namespace deptrix {

/// "Pitch test sheet": the candidate pitches (or, as a phase test, the phases) to
/// print, the sheet's resolution and size, and what to look for through the lens.
class PitchTestDialog : public QDialog {
    Q_OBJECT
public:
    /// `language` 1 shows the dialog in Chinese, any other value in English.
    PitchTestDialog(const PitchTestSettings& settings, int language, QWidget* parent = nullptr);

    PitchTestSettings settings() const;

private:
    void showHint();

    PitchTestSettings m_settings;
    int m_language;
    QDoubleSpinBox* m_lpi;
    QDoubleSpinBox* m_span;
    QDoubleSpinBox* m_step;
    QDoubleSpinBox* m_dpi;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_height;
    QCheckBox* m_phaseTest;
    QCheckBox* m_reverse;
    QLabel* m_hint;
};

} // namespace deptrix
