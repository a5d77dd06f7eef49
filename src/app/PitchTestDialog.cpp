#include "app/PitchTestDialog.h"

#include "app/DecimalSpinBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace deptrix {

namespace {

QDoubleSpinBox* Spin(QFormLayout* form, const char* caption, const char* name, double low, double high,
    int decimals, long double value, const char* suffix = "") {
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

PitchTestDialog::PitchTestDialog(const PitchTestSettings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings) {
    setObjectName("PitchTestDialog");
    setWindowTitle("Pitch test sheet");
    auto* form = new QFormLayout;
    m_lpi = Spin(form, "LPI:", "PitchLpi", 1, 1000, 4, FromFixed(settings.lpi));
    m_span = Spin(form, "Span:", "PitchSpan", 0, 50, 4, FromFixed(settings.span), " LPI either side");
    m_step = Spin(form, "Step:", "PitchStep", 0.0001, 10, 4, FromFixed(settings.step), " LPI");
    m_dpi = Spin(form, "DPI:", "PitchDpi", 1, 100000, 4, FromFixed(settings.dpi));
    m_width = Spin(form, "Width:", "PitchWidth", 0.1, 1000, 3, settings.widthInches, " inch");
    m_height = Spin(form, "Height:", "PitchHeight", 0.1, 1000, 3, settings.heightInches, " inch");
    m_phaseTest = new QCheckBox("Phase test: bands at this LPI with phases -0.5 .. 0.5");
    m_phaseTest->setObjectName("PitchPhaseTest");
    m_phaseTest->setChecked(settings.phaseTest);
    form->addRow(QString(), m_phaseTest);
    m_reverse = new QCheckBox("Reverse order");
    m_reverse->setObjectName("PitchReverse");
    m_reverse->setChecked(settings.reverse);
    form->addRow(QString(), m_reverse);

    m_hint = new QLabel;
    m_hint->setObjectName("PitchHint");
    m_hint->setWordWrap(true);
    connect(m_phaseTest, &QCheckBox::toggled, this, &PitchTestDialog::showHint);
    showHint();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("Save sheet...");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_hint);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void PitchTestDialog::showHint() {
    m_hint->setText(m_phaseTest->isChecked()
            ? "Print the sheet with the lens on it and look straight on: the band that looks evenly white "
              "has the phase the print needs."
            : "Print the sheet with the lens on it and look from one angle: the band whose pitch matches the "
              "lens looks evenly black or white, the others show stripes.");
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
