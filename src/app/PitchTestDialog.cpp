#include "app/PitchTestDialog.h"

#include "app/DecimalSpinBox.h"
#include "app/UiTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace deptrix {

namespace {

QDoubleSpinBox* Spin(QFormLayout* form, const QString& caption, const char* name, double low, double high,
    int decimals, long double value, const QString& suffix = QString()) {
    auto* spin = new DecimalSpinBox;
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setDecimals(decimals);
    spin->setValue(static_cast<double>(value));
    spin->setSuffix(suffix);
    form->addRow(caption, spin);
    return spin;
}

} // namespace

PitchTestDialog::PitchTestDialog(const PitchTestSettings& settings, int language, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_language(language) {
    setObjectName("PitchTestDialog");
    setWindowTitle(Tr(Ui::PitchTitle, language));
    auto* form = new QFormLayout;
    const QString inch = Tr(Ui::PitchInch, language);
    m_lpi = Spin(form, Tr(Ui::PitchLpi, language), "PitchLpi", 1, 1000, 4, FromFixed(settings.lpi));
    m_span = Spin(form, Tr(Ui::PitchSpan, language), "PitchSpan", 0, 50, 4, FromFixed(settings.span),
        Tr(Ui::PitchSpanUnit, language));
    m_step = Spin(
        form, Tr(Ui::PitchStep, language), "PitchStep", 0.0001, 10, 4, FromFixed(settings.step), " LPI");
    m_dpi = Spin(form, Tr(Ui::PitchDpi, language), "PitchDpi", 1, 100000, 4, FromFixed(settings.dpi));
    m_width
        = Spin(form, Tr(Ui::PitchWidth, language), "PitchWidth", 0.1, 1000, 3, settings.widthInches, inch);
    m_height
        = Spin(form, Tr(Ui::PitchHeight, language), "PitchHeight", 0.1, 1000, 3, settings.heightInches, inch);
    m_phaseTest = new QCheckBox(Tr(Ui::PitchPhaseTest, language));
    m_phaseTest->setObjectName("PitchPhaseTest");
    m_phaseTest->setChecked(settings.phaseTest);
    form->addRow(QString(), m_phaseTest);
    m_reverse = new QCheckBox(Tr(Ui::PitchReverse, language));
    m_reverse->setObjectName("PitchReverse");
    m_reverse->setChecked(settings.reverse);
    form->addRow(QString(), m_reverse);

    m_hint = new QLabel;
    m_hint->setObjectName("PitchHint");
    m_hint->setWordWrap(true);
    connect(m_phaseTest, &QCheckBox::toggled, this, &PitchTestDialog::showHint);
    showHint();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr(Ui::PitchSave, language));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr(Ui::Cancel, language));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_hint);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void PitchTestDialog::showHint() {
    m_hint->setText(Tr(m_phaseTest->isChecked() ? Ui::PitchPhaseHint : Ui::PitchPitchHint, m_language));
}

PitchTestSettings PitchTestDialog::settings() const {
    PitchTestSettings settings = m_settings;
    settings.lpi = ToFixed(m_lpi->value());
    settings.span = ToFixed(m_span->value());
    settings.step = ToFixed(m_step->value());
    settings.dpi = ToFixed(m_dpi->value());
    settings.widthInches = m_width->value();
    settings.heightInches = m_height->value();
    settings.phaseTest = m_phaseTest->isChecked();
    settings.reverse = m_reverse->isChecked();
    return settings;
}

} // namespace deptrix
