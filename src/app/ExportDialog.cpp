#include "app/ExportDialog.h"

#include "app/DecimalSpinBox.h"
#include "app/TextAndPaths.h"
#include "core/NumberText.h"
#include "print/DepthBudget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace deptrix {

namespace {

/// A number with at most `decimals` decimals and no trailing zeros.
QString Number(long double value, int decimals) {
    const long double scale = std::pow(10.0L, decimals);
    return Text(FormatNumber(std::round(value * scale) / scale));
}

QString Megabytes(std::uint64_t bytes) {
    return Number(static_cast<long double>(bytes) / 1e6L, bytes < 10000000 ? 1 : 0) + " MB";
}

QLabel* Fact(QFormLayout* form, const char* caption, const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
}

} // namespace

ExportDialog::ExportDialog(
    const PrintFacts& facts, double largestMovement, const PrintOptions& options, QWidget* parent)
    : QDialog(parent)
    , m_facts(facts) {
    setObjectName("ExportDialog");
    setWindowTitle("Export tiff file");
    const PrintGeometry& g = facts.geometry;
    const PrintSettings& s = g.settings;

    auto* form = new QFormLayout;
    Fact(form, "Print size:", "PrintSize",
        QString("%1 x %2 inches, %3 x %4 pixels")
            .arg(Number(s.widthInches, 3), Number(s.heightInches, 3))
            .arg(g.width)
            .arg(g.height));
    Fact(form, "Resolution:", "PrintResolution",
        QString("%1 DPI across, %2 rows per inch (H Scale %3)")
            .arg(Number(g.xResolution, 4), Number(g.yResolution, 4))
            .arg(s.hScale));
    QLabel* lens = Fact(form, "Lens:", "PrintLens",
        QString("%1 LPI, %2 pixels per lens").arg(Text(FormatFixed(s.lpi)), Number(g.period(), 3)));
    if (g.period() < g.frames())
        lens->setText(lens->text() + QString(": fewer pixels than views, strips mix"));
    Fact(form, "Views:", "PrintViews",
        QString("%1 strips under each lens, view 1 at the %2")
            .arg(g.frames())
            .arg(s.reverse ? "left" : "right"));
    Fact(form, "Colour:", "PrintColour",
        QString(facts.cmyk ? "CMYK (separated)" : "RGB")
            + (facts.layout.iccProfile.empty() ? QString(", no colour profile")
                                               : QString(", with the picture's colour profile")));
    m_fileSize = Fact(form, "File size:", "PrintFileSize", QString());

    QLabel* movement = Fact(
        form, "Largest movement:", "PrintMovement", Number(largestMovement, 2) + " lens widths per view");
    auto* warning = new QLabel(
        "Above 1.0 a layer blurs and doubles in the print; View > Fit depth to lens brings it to 1.0.");
    warning->setObjectName("PrintMovementWarning");
    warning->setWordWrap(true);
    warning->setStyleSheet("color: #c00000;");
    warning->setVisible(largestMovement > kParallaxLimit);
    if (largestMovement > kParallaxLimit) movement->setStyleSheet("color: #c00000; font-weight: bold;");
    form->addRow(QString(), warning);

    m_phase = new DecimalSpinBox;
    m_phase->setObjectName("PrintPhase");
    m_phase->setRange(-0.5, 0.5);
    m_phase->setDecimals(3);
    m_phase->setSingleStep(0.05);
    m_phase->setValue(static_cast<double>(FromFixed(options.phase)));
    m_phase->setSuffix(" lens");
    form->addRow("Phase:", m_phase);
    m_reverse = new QCheckBox("Reverse order (view 1 at the left of each lens)");
    m_reverse->setObjectName("PrintReverse");
    m_reverse->setChecked(options.reverse);
    form->addRow(QString(), m_reverse);
    m_compression = new QComboBox;
    m_compression->setObjectName("PrintCompression");
    m_compression->addItems({ "None", "LZW", "Deflate" });
    m_compression->setCurrentIndex(static_cast<int>(options.compression));
    form->addRow("Compression:", m_compression);
    connect(m_compression, &QComboBox::currentIndexChanged, this, &ExportDialog::showFileSize);
    showFileSize();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("Export...");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

PrintOptions ExportDialog::options() const {
    PrintOptions options;
    options.phase = ToFixed(m_phase->value());
    options.reverse = m_reverse->isChecked();
    options.compression = static_cast<TiffCompression>(m_compression->currentIndex());
    return options;
}

void ExportDialog::showFileSize() {
    TiffLayout layout = m_facts.layout;
    layout.compression = static_cast<TiffCompression>(m_compression->currentIndex());
    layout.bigTiff = m_facts.geometry.settings.forceBigTiff || NeedsBigTiff(layout);
    const std::uint64_t bytes = TiffSizeBound(layout);
    QString text
        = layout.compression == TiffCompression::None ? Megabytes(bytes) : "up to " + Megabytes(bytes);
    if (layout.bigTiff) text += ", BigTIFF (over 4 GiB possible)";
    m_fileSize->setText(text);
}

} // namespace deptrix
