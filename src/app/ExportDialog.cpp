#include "app/ExportDialog.h"

#include "app/DecimalSpinBox.h"
#include "app/ExportDialogTexts.h"
#include "app/TextAndPaths.h"
#include "core/NumberText.h"
#include "files/ConfigFile.h"
#include "print/DepthBudget.h"
#include "print/PrintFields.h"
#include "render/FrameSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace deptrix {

namespace {

/// The resolutions printers have, in DPI.
constexpr int kPrinterResolutions[] = { 300, 360, 600, 720, 1200, 1440, 2400, 2880 };

constexpr const char* kWarningStyle = "color: #c00000;";

/// A number with at most `decimals` decimals and no trailing zeros.
QString Number(long double value, int decimals) {
    const long double scale = std::pow(10.0L, decimals);
    return Text(FormatNumber(std::round(value * scale) / scale));
}

QString Megabytes(std::uint64_t bytes) {
    return Number(static_cast<long double>(bytes) / 1e6L, bytes < 10000000 ? 1 : 0) + " MB";
}

QLabel* Fact(QFormLayout* form, const QString& caption, const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
}

QLabel* Warning(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setStyleSheet(kWarningStyle);
    return label;
}

QDoubleSpinBox* Inches(const char* name, double low, double high, const QString& suffix) {
    auto* box = new DecimalSpinBox;
    box->setObjectName(name);
    box->setRange(low, high);
    box->setDecimals(3);
    box->setSingleStep(0.05);
    box->setSuffix(suffix);
    return box;
}

} // namespace

ExportDialog::ExportDialog(const ExportDialogInput& input, const PrintOptions& options, QWidget* parent)
    : QDialog(parent)
    , m_input(input)
    , m_texts(ExportTextsFor(input.language)) {
    setObjectName("ExportDialog");
    setWindowTitle(m_texts.title);
    const ExportDialogTexts& t = m_texts;

    // What the print will be.
    auto* facts = new QFormLayout;
    m_size = Fact(facts, t.printSize, "PrintSize");
    m_page = Fact(facts, t.page, "PrintPage");
    m_pageCaption = qobject_cast<QLabel*>(facts->labelForField(m_page));
    m_resolution = Fact(facts, t.resolution, "PrintResolution");
    m_lens = Fact(facts, t.lens, "PrintLens");
    m_strips = Fact(facts, t.strips, "PrintStrips");
    QLabel* colour = Fact(facts, t.colour, "PrintColour");
    colour->setText((input.cmyk ? t.cmyk : t.rgb) + (input.profileBytes > 0 ? t.withProfile : t.noProfile));
    m_fileSize = Fact(facts, t.fileSize, "PrintFileSize");
    m_movement = Fact(facts, t.movement, "PrintMovement");
    m_movementWarning = Warning("PrintMovementWarning");
    m_movementWarning->setText(t.movementWarning);
    facts->addRow(QString(), m_movementWarning);

    // The options.
    auto* choices = new QFormLayout;
    m_frames = new QSpinBox;
    m_frames->setObjectName("PrintFrames");
    m_frames->setRange(kMinFrames, kMaxFrames);
    m_frames->setValue(std::clamp(options.frames, kMinFrames, kMaxFrames));
    choices->addRow(t.frames, m_frames);
    m_framesWarning = Warning("PrintFramesWarning");
    m_framesFit = new QPushButton;
    m_framesFit->setObjectName("PrintFramesFit");
    auto* framesWarning = new QHBoxLayout;
    framesWarning->addWidget(m_framesWarning, 1);
    framesWarning->addWidget(m_framesFit, 0, Qt::AlignTop);
    choices->addRow(QString(), framesWarning);

    m_printerDpi = new QComboBox;
    m_printerDpi->setObjectName("PrintPrinterDpi");
    m_printerDpi->addItem(QString(), QVariant::fromValue<qlonglong>(kAutoDpi));
    for (const int dpi : kPrinterResolutions)
        m_printerDpi->addItem(QString(), QVariant::fromValue<qlonglong>(Fixed { dpi } * kFixedOne));
    // A resolution of the field's own that is not among them is offered too.
    if (m_printerDpi->findData(QVariant::fromValue<qlonglong>(input.fieldDpi)) < 0)
        m_printerDpi->addItem(QString(), QVariant::fromValue<qlonglong>(input.fieldDpi));
    m_printerDpi->setCurrentIndex(
        std::max(0, m_printerDpi->findData(QVariant::fromValue<qlonglong>(options.dpi))));
    choices->addRow(t.printerResolution, m_printerDpi);

    m_lenses = new QComboBox;
    m_lenses->setObjectName("PrintOrientation");
    m_lenses->addItems({ t.vertical, t.horizontal });
    m_lenses->setCurrentIndex(options.lens == LensOrientation::Horizontal ? 1 : 0);
    choices->addRow(t.lenses, m_lenses);

    m_marks = new QCheckBox(t.marks);
    m_marks->setObjectName("PrintMarks");
    m_marks->setChecked(options.marks);
    m_margin = Inches(
        "PrintMargin", static_cast<double>(kMinMarginInches), static_cast<double>(kMaxMarginInches), t.inch);
    m_margin->setValue(static_cast<double>(options.marginInches));
    auto* marks = new QHBoxLayout;
    marks->addWidget(m_marks);
    marks->addWidget(m_margin);
    marks->addStretch();
    choices->addRow(QString(), marks);
    m_bleed = Inches("PrintBleed", 0, static_cast<double>(kMaxBleedInches), t.inch);
    m_bleed->setValue(static_cast<double>(options.bleedInches));
    choices->addRow(t.bleed, m_bleed);

    m_phase = Inches("PrintPhase", -0.5, 0.5, t.phaseSuffix);
    m_phase->setValue(static_cast<double>(FromFixed(options.phase)));
    choices->addRow(t.phase, m_phase);
    m_reverse = new QCheckBox(t.reverse);
    m_reverse->setObjectName("PrintReverse");
    m_reverse->setChecked(options.reverse);
    choices->addRow(QString(), m_reverse);
    m_compression = new QComboBox;
    m_compression->setObjectName("PrintCompression");
    m_compression->addItems({ t.compressionNone, "LZW", "Deflate" });
    m_compression->setCurrentIndex(static_cast<int>(options.compression));
    choices->addRow(t.compression, m_compression);

    m_problem = Warning("PrintProblem");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_export = buttons->button(QDialogButtonBox::Ok);
    m_export->setText(t.exportButton);
    buttons->button(QDialogButtonBox::Cancel)->setText(t.cancelButton);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(line);
    layout->addLayout(facts);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    connect(m_frames, &QSpinBox::valueChanged, this, &ExportDialog::refresh);
    connect(m_framesFit, &QPushButton::clicked, this,
        [this] { m_frames->setValue(m_framesFit->property("frames").toInt()); });
    connect(m_printerDpi, &QComboBox::currentIndexChanged, this, &ExportDialog::refresh);
    connect(m_lenses, &QComboBox::currentIndexChanged, this, &ExportDialog::refresh);
    connect(m_marks, &QCheckBox::toggled, this, &ExportDialog::refresh);
    connect(m_margin, &QDoubleSpinBox::valueChanged, this, &ExportDialog::refresh);
    connect(m_bleed, &QDoubleSpinBox::valueChanged, this, &ExportDialog::refresh);
    connect(m_phase, &QDoubleSpinBox::valueChanged, this, &ExportDialog::refresh);
    connect(m_reverse, &QCheckBox::toggled, this, &ExportDialog::refresh);
    connect(m_compression, &QComboBox::currentIndexChanged, this, &ExportDialog::refresh);
    refresh();
}

PrintOptions ExportDialog::options() const {
    PrintOptions options;
    options.frames = m_frames->value();
    options.dpi = m_printerDpi->currentData().toLongLong();
    options.lens = m_lenses->currentIndex() == 1 ? LensOrientation::Horizontal : LensOrientation::Vertical;
    options.marks = m_marks->isChecked();
    options.marginInches = m_margin->value();
    options.bleedInches = m_bleed->value();
    options.phase = ToFixed(m_phase->value());
    options.reverse = m_reverse->isChecked();
    options.compression = static_cast<TiffCompression>(m_compression->currentIndex());
    return options;
}

PrintSettings ExportDialog::settings() const {
    return WithOptions(m_input.base, options());
}

void ExportDialog::fillResolutions() {
    const ExportDialogTexts& t = m_texts;
    const Fixed lpi = m_input.base.lpi;
    const int frames = m_frames->value();
    for (int i = 0; i < m_printerDpi->count(); ++i) {
        const Fixed chosen = m_printerDpi->itemData(i).toLongLong();
        const Fixed dpi = ResolveDpi(chosen, lpi, frames);
        const long double period = FromFixed(dpi) / FromFixed(lpi);
        const QString name = chosen == kAutoDpi ? t.autoResolution.arg(Text(FormatFixed(dpi)))
                                                : QString("%1 DPI").arg(Text(FormatFixed(dpi)));
        m_printerDpi->setItemText(
            i, t.resolutionItem.arg(name, Number(period, 2), Number(period / frames, 2)));
    }
}

void ExportDialog::refresh() {
    const ExportDialogTexts& t = m_texts;
    fillResolutions();
    // The bleed must leave the outer half of the margin to the marks.
    m_margin->setEnabled(m_marks->isChecked());
    m_bleed->setMaximum(m_marks->isChecked() ? m_margin->value() / 2 : static_cast<double>(kMaxBleedInches));

    const PrintSettings s = settings();
    const int frames = s.frames;
    const long double period = FromFixed(s.dpi) / FromFixed(s.lpi);
    const auto fit = static_cast<int>(std::floor(period));
    m_framesWarning->setVisible(period < frames);
    m_framesFit->setVisible(period < frames && fit >= kMinFrames);
    if (period < frames) {
        const QString dpi = Text(FormatFixed(s.dpi));
        m_framesWarning->setText(fit >= kMinFrames
                ? t.framesTooMany.arg(dpi, Number(period, 2)).arg(frames).arg(fit)
                : t.framesTooFew.arg(dpi, Number(period, 2)));
        m_framesFit->setText(t.useFrames.arg(fit));
        m_framesFit->setProperty("frames", fit);
    }

    PrintGeometry g;
    try {
        g = MakePrintGeometry(s);
    } catch (const Error& e) {
        m_problem->setText(Text(e.what()));
        m_problem->show();
        m_export->setEnabled(false);
        return;
    }
    m_problem->hide();
    m_export->setEnabled(true);

    m_size->setText(
        t.printSizeText.arg(Number(s.widthInches, 3), Number(g.heightInches, 3)).arg(g.width).arg(g.height));
    const bool page = g.pageWidth() != g.width || g.pageHeight() != g.height;
    m_page->setVisible(page);
    if (m_pageCaption) m_pageCaption->setVisible(page);
    m_page->setText(t.pageText
                        .arg(Number(static_cast<long double>(g.pageWidth()) / g.xResolution, 3),
                            Number(static_cast<long double>(g.pageHeight()) / g.yResolution, 3))
                        .arg(g.pageWidth())
                        .arg(g.pageHeight()));
    m_resolution->setText((g.horizontal() ? t.resolutionHorizontal : t.resolutionVertical)
                              .arg(Number(g.xResolution, 4), Number(g.yResolution, 4))
                              .arg(s.hScale));
    m_lens->setText(t.lensText.arg(Text(FormatFixed(s.lpi)), Number(g.period(), 3)));
    const QString& side = g.horizontal() ? (s.reverse ? t.top : t.bottom) : (s.reverse ? t.left : t.right);
    m_strips->setText(t.stripsText.arg(frames).arg(side));

    const TiffLayout layout
        = PrintLayout(g, m_input.cmyk ? 4 : 3, std::vector<std::uint8_t>(m_input.profileBytes));
    const std::uint64_t bytes = TiffSizeBound(layout);
    QString size
        = layout.compression == TiffCompression::None ? Megabytes(bytes) : t.upTo.arg(Megabytes(bytes));
    if (layout.bigTiff)
        size += t.bigTiff;
    else if (NeedsBigTiff(layout))
        size += t.classicUnlessLarge;
    m_fileSize->setText(size);

    const double movement = m_input.largestMovement ? m_input.largestMovement(frames) : 0;
    const QString lenses = Number(movement, 2);
    m_movement->setText((lenses == "1" ? t.movementTextOne : t.movementText).arg(lenses));
    const bool blurs = movement > kParallaxLimit;
    m_movement->setStyleSheet(blurs ? "color: #c00000; font-weight: bold;" : "");
    m_movementWarning->setVisible(blurs);
}

} // namespace deptrix
