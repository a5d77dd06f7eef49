#include "app/ParameterPanel.h"

#include "app/CommandGuard.h"
#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/TextAndPaths.h"
#include "core/Document.h"
#include "core/NumberText.h"
#include "files/ConfigFile.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace deptrix {

namespace {

constexpr Fixed kLpiLow = 90000;
constexpr Fixed kLpiHigh = 1800000;
constexpr Fixed kLpiReplacement = 755500;
constexpr Fixed kDepthLimit = 100000;
constexpr Fixed kDepthReplacement = 20000;

QComboBox* AddCombo(QGridLayout* grid, int row, QLabel* label, const char* name, const char* tip,
    const QStringList& items, bool editable) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setToolTip(tip);
    combo->setEditable(editable);
    combo->addItems(items);
    grid->addWidget(label, row, 0);
    grid->addWidget(combo, row, 1);
    return combo;
}

QLabel* MakeLabel(const char* name, const char* caption, const char* hint) {
    auto* label = new QLabel(QString::fromUtf8(caption));
    label->setObjectName(name);
    label->setToolTip(QString::fromUtf8(hint));
    return label;
}

} // namespace

ParameterPanel::ParameterPanel(Document& doc, LayerPanel& layers, const CommandGuard& guard, QWidget* parent)
    : QTabWidget(parent)
    , m_doc(doc)
    , m_layers(layers)
    , m_guard(guard) {
    setObjectName("PageControl2");
    m_settings3d = new TabSheet(this, "3DSets", QString::fromUtf8("立体设置"));
    m_settings3d->setObjectName("TabSheet3");
    m_output = new TabSheet(this, "Output Sets", QString::fromUtf8("输出设置"));
    m_output->setObjectName("TabSheet4");

    auto* grid3d = new QGridLayout(m_settings3d);
    grid3d->setColumnStretch(1, 1);
    m_lpi = addField(
        m_settings3d, 0, "Label7", "LPI:", "线数:", "Edit5", "lenticular total in 1 inch", 8, "42.4775");
    m_angles = addField(m_settings3d, 1, "Label5", "Angles:", "镜头数:", "Edit4", "", 3, "7");
    m_focus
        = addField(m_settings3d, 2, "Label1", "Layer 0:", "焦点层:", "Edit2", "focus layer index", 3, "0");
    m_depth = addField(m_settings3d, 3, "Label2", "Depth:", "景深:", "Edit3", "3D depth", 7, "1.0");
    grid3d->setRowStretch(4, 1);

    auto* gridOut = new QGridLayout(m_output);
    gridOut->setColumnStretch(1, 1);
    m_dpi = AddCombo(gridOut, 0, MakeLabel("Label25", "OutDPI:", "精度:"), "ComboBox2", "DPI of printer",
        { "(Auto)", "360", "720", "1200", "1440", "2400", "2880" }, true);
    m_dpi->setCurrentText("(Auto)");
    m_width = addField(m_output, 1, "Label26", "Width:", "宽度:", "Edit9", "output width", 8, "5");
    m_height = addField(m_output, 2, "Label27", "Height:", "高度:", "Edit10", "output height", 8, "5");
    m_height->setReadOnly(true);
    gridOut->addWidget(MakeLabel("Label28", "inch", "英寸"), 1, 2);
    gridOut->addWidget(MakeLabel("Label29", "inch", "英寸"), 2, 2);
    m_hScale = addField(m_output, 3, "Label31", "H Scale:", "压缩:", "Edit11", "Vertical compress", 2, "8");
    QLabel* colorLabel = MakeLabel("Label30", "Color:", "色彩:");
    m_colorMode
        = AddCombo(gridOut, 4, colorLabel, "ComboBox1", "color mode", { "1bitx4", "4bit", "8bit" }, false);
    m_colorMode->setCurrentIndex(2);
    colorLabel->hide();
    m_colorMode->hide();
    QLabel* yDpiLabel = MakeLabel("Label23", "Y dpi:", "Y dpi：");
    m_yDpi = AddCombo(gridOut, 5, yDpiLabel, "ComboBox3", "vertical DPI",
        { "300", "600", "800", "1200", "1600", "2400" }, false);
    m_yDpi->setCurrentIndex(1);
    yDpiLabel->hide();
    m_yDpi->hide();
    gridOut->setRowStretch(6, 1);

    for (QWidget* field : std::initializer_list<QWidget*> { m_lpi, m_focus, m_hScale, m_colorMode })
        field->installEventFilter(this);
    connect(m_depth, &QLineEdit::textChanged, this, [this] { m_guard.run([this] { depthChanged(); }); });
    connect(m_width, &QLineEdit::textChanged, this, [this] { m_guard.run([this] { widthChanged(); }); });
    setCurrentWidget(m_settings3d);
}

QLineEdit* ParameterPanel::addField(QWidget* page, int row, const char* labelName, const char* caption,
    const char* hint, const char* fieldName, const char* tip, int maxLength, const char* text) {
    auto* grid = static_cast<QGridLayout*>(page->layout());
    auto* field = new QLineEdit(QString::fromUtf8(text), page);
    field->setObjectName(fieldName);
    field->setToolTip(tip);
    field->setMaxLength(maxLength);
    grid->addWidget(MakeLabel(labelName, caption, hint), row, 0);
    grid->addWidget(field, row, 1);
    return field;
}

bool ParameterPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_lpi)
            m_guard.run([this] { lpiLeft(); });
        else if (watched == m_focus)
            m_guard.run([this] { focusLeft(); });
        else if (watched == m_hScale)
            m_guard.run([this] { hScaleLeft(); });
        else if (watched == m_colorMode)
            colorModeLeft();
    }
    return QTabWidget::eventFilter(watched, event);
}

void ParameterPanel::showConfig(const ConfigValues& values) {
    m_lpi->setText(Text(FormatFixed(values.Lpi)));
    m_angles->setText(QString::number(values.Angles));
    showOutputSettings(values.OutDpi, values.OutWidth, values.OutHeight, values.ColorMode, values.HScale);
    m_depth->setText(Text(FormatFixed(values.DepthFactor)));
}

void ParameterPanel::showOutputSettings(
    Fixed outDpi, Fixed outWidth, Fixed outHeight, int colorMode, int hScale) {
    m_dpi->setCurrentText(outDpi == kAutoDpi ? QString("(Auto)") : Text(FormatFixed(outDpi)));
    m_width->setText(Text(FormatFixed(outWidth)));
    m_height->setText(Text(FormatFixed(outHeight)));
    m_colorMode->setCurrentIndex(colorMode >= 0 && colorMode < m_colorMode->count() ? colorMode : -1);
    m_hScale->setText(QString::number(hScale));
}

void ParameterPanel::lpiLeft() {
    if (m_lpi->text().isEmpty()) return;
    m_doc.Lpi = ParseFieldFixed(Std(m_lpi->text()));
    if (m_doc.Lpi < kLpiLow || m_doc.Lpi > kLpiHigh) {
        m_doc.Lpi = kLpiReplacement;
        m_lpi->setText("75.55");
    }
}

void ParameterPanel::focusLeft() {
    if (m_focus->text().isEmpty()) return;
    emit glassesOutdated();
    m_doc.FocusRow = ParseInteger(Std(m_focus->text()));
    if (m_doc.FocusRow <= 0 || m_doc.FocusRow > m_doc.LayerCount) {
        m_doc.FocusRow = 0;
        m_focus->setText("0");
    }
    m_layers.markFocusRow(m_doc.FocusRow, m_doc.LayerCount);
}

void ParameterPanel::depthChanged() {
    if (m_depth->text().isEmpty()) {
        m_depth->setText("1.0"); // a change of its own, which runs this rule again
        return;
    }
    m_doc.DepthFactor = ParseFieldFixed(Std(m_depth->text()));
    emit glassesOutdated();
    m_doc.OutlinesStale = true;
    if (m_doc.DepthFactor > kDepthLimit || m_doc.DepthFactor < -kDepthLimit)
        m_doc.DepthFactor = kDepthReplacement;
}

void ParameterPanel::widthChanged() {
    if (m_width->text().isEmpty()) return;
    const long double width = ParseFieldReal(Std(m_width->text()));
    m_height->setText(Text(FormatNumber(width / (static_cast<long double>(m_doc.AspectRatio) / 10000.0L))));
}

void ParameterPanel::hScaleLeft() {
    if (m_hScale->text().isEmpty()) m_hScale->setText("4");
    const std::int32_t value = ParseInteger(Std(m_hScale->text()));
    if (value <= 0)
        m_hScale->setText("1");
    else if (value > 16)
        m_hScale->setText("16");
}

void ParameterPanel::colorModeLeft() {
    if (m_colorMode->currentIndex() < 0) m_colorMode->setCurrentIndex(2);
}

} // namespace deptrix
