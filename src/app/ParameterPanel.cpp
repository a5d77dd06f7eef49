#include "app/ParameterPanel.h"

#include "app/CommandGuard.h"
#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/TextAndPaths.h"
#include "core/Document.h"
#include "core/NumberText.h"
#include "files/ConfigFile.h"
#include "files/FieldRules.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace deptrix {

namespace {

QComboBox* AddCombo(
    QGridLayout* grid, int row, QLabel* label, const char* tip, const QStringList& items, bool editable) {
    auto* combo = new QComboBox;
    combo->setToolTip(tip);
    combo->setEditable(editable);
    combo->addItems(items);
    grid->addWidget(label, row, 0);
    grid->addWidget(combo, row, 1);
    return combo;
}

QLabel* MakeLabel(const char* caption, const char* hint) {
    auto* label = new QLabel(QString::fromUtf8(caption));
    label->setToolTip(QString::fromUtf8(hint));
    return label;
}

} // namespace

ParameterPanel::ParameterPanel(Document& doc, LayerPanel& layers, const CommandGuard& guard, QWidget* parent)
    : QTabWidget(parent)
    , m_doc(doc)
    , m_layers(layers)
    , m_guard(guard) {
    m_settings3dTab = new TabSheet(this, "3DSets", QString::fromUtf8("立体设置"));
    m_outputTab = new TabSheet(this, "Output Sets", QString::fromUtf8("输出设置"));

    auto* grid3d = new QGridLayout(m_settings3dTab);
    grid3d->setColumnStretch(1, 1);
    m_lpiField = addField(grid3d, 0, m_lpiLabel, "LPI:", "线数:", "lenticular total in 1 inch", 8, "42.4775");
    m_anglesField = addField(grid3d, 1, m_anglesLabel, "Angles:", "镜头数:", "", 3, "7");
    m_focusField = addField(grid3d, 2, m_focusLabel, "Layer 0:", "焦点层:", "focus layer index", 3, "0");
    m_depthField = addField(grid3d, 3, m_depthLabel, "Depth:", "景深:", "3D depth", 7, "1.0");
    grid3d->setRowStretch(4, 1);

    auto* gridOut = new QGridLayout(m_outputTab);
    gridOut->setColumnStretch(1, 1);
    m_dpiLabel = MakeLabel("OutDPI:", "精度:");
    m_dpiField = AddCombo(gridOut, 0, m_dpiLabel, "DPI of printer",
        { "(Auto)", "360", "720", "1200", "1440", "2400", "2880" }, true);
    m_dpiField->setCurrentText("(Auto)");
    m_widthField = addField(gridOut, 1, m_widthLabel, "Width:", "宽度:", "output width", 8, "5");
    m_heightField = addField(gridOut, 2, m_heightLabel, "Height:", "高度:", "output height", 8, "5");
    m_heightField->setReadOnly(true);
    m_widthUnitLabel = MakeLabel("inch", "英寸");
    gridOut->addWidget(m_widthUnitLabel, 1, 2);
    m_heightUnitLabel = MakeLabel("inch", "英寸");
    gridOut->addWidget(m_heightUnitLabel, 2, 2);
    m_hScaleField = addField(gridOut, 3, m_hScaleLabel, "H Scale:", "压缩:", "Vertical compress", 2, "8");
    m_colorModeLabel = MakeLabel("Color:", "色彩:");
    m_colorModeField
        = AddCombo(gridOut, 4, m_colorModeLabel, "color mode", { "1bitx4", "4bit", "8bit" }, false);
    m_colorModeField->setCurrentIndex(2);
    m_colorModeLabel->hide();
    m_colorModeField->hide();
    m_verticalDpiLabel = MakeLabel("Y dpi:", "Y dpi：");
    m_verticalDpiField = AddCombo(gridOut, 5, m_verticalDpiLabel, "vertical DPI",
        { "300", "600", "800", "1200", "1600", "2400" }, false);
    m_verticalDpiField->setCurrentIndex(1);
    m_verticalDpiLabel->hide();
    m_verticalDpiField->hide();
    gridOut->setRowStretch(6, 1);
    assignObjectNames();

    for (QWidget* field :
        std::initializer_list<QWidget*> { m_lpiField, m_focusField, m_hScaleField, m_colorModeField })
        field->installEventFilter(this);
    connect(m_depthField, &QLineEdit::textChanged, this, [this] { m_guard.run([this] { depthChanged(); }); });
    connect(m_widthField, &QLineEdit::textChanged, this, [this] { m_guard.run([this] { widthChanged(); }); });
    setCurrentWidget(m_settings3dTab);
}

void ParameterPanel::assignObjectNames() {
    setObjectName("PageControl2");
    m_settings3dTab->setObjectName("TabSheet3");
    m_outputTab->setObjectName("TabSheet4");
    m_lpiLabel->setObjectName("Label7");
    m_lpiField->setObjectName("Edit5");
    m_anglesLabel->setObjectName("Label5");
    m_anglesField->setObjectName("Edit4");
    m_focusLabel->setObjectName("Label1");
    m_focusField->setObjectName("Edit2");
    m_depthLabel->setObjectName("Label2");
    m_depthField->setObjectName("Edit3");
    m_dpiLabel->setObjectName("Label25");
    m_dpiField->setObjectName("ComboBox2");
    m_widthLabel->setObjectName("Label26");
    m_widthField->setObjectName("Edit9");
    m_heightLabel->setObjectName("Label27");
    m_heightField->setObjectName("Edit10");
    m_widthUnitLabel->setObjectName("Label28");
    m_heightUnitLabel->setObjectName("Label29");
    m_hScaleLabel->setObjectName("Label31");
    m_hScaleField->setObjectName("Edit11");
    m_colorModeLabel->setObjectName("Label30");
    m_colorModeField->setObjectName("ComboBox1");
    m_verticalDpiLabel->setObjectName("Label23");
    m_verticalDpiField->setObjectName("ComboBox3");
}

QLineEdit* ParameterPanel::addField(QGridLayout* grid, int row, QLabel*& label, const char* caption,
    const char* hint, const char* tip, int maxLength, const char* text) {
    auto* field = new QLineEdit(QString::fromUtf8(text), grid->parentWidget());
    field->setToolTip(tip);
    field->setMaxLength(maxLength);
    label = MakeLabel(caption, hint);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return field;
}

bool ParameterPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_lpiField)
            m_guard.run([this] { lpiLeft(); });
        else if (watched == m_focusField)
            m_guard.run([this] { focusLeft(); });
        else if (watched == m_hScaleField)
            m_guard.run([this] { hScaleLeft(); });
        else if (watched == m_colorModeField)
            colorModeLeft();
    }
    return QTabWidget::eventFilter(watched, event);
}

void ParameterPanel::showConfig(const ConfigValues& values) {
    m_lpiField->setText(Text(FormatFixed(values.Lpi)));
    m_anglesField->setText(QString::number(values.Angles));
    showOutputSettings(values.OutDpi, values.OutWidth, values.OutHeight, values.ColorMode, values.HScale);
    m_depthField->setText(Text(FormatFixed(values.DepthFactor)));
}

void ParameterPanel::showOutputSettings(
    Fixed outDpi, Fixed outWidth, Fixed outHeight, int colorMode, int hScale) {
    m_dpiField->setCurrentText(Text(DpiFieldText(outDpi)));
    m_widthField->setText(Text(FormatFixed(outWidth)));
    m_heightField->setText(Text(FormatFixed(outHeight)));
    m_colorModeField->setCurrentIndex(
        colorMode >= 0 && colorMode < m_colorModeField->count() ? colorMode : -1);
    m_hScaleField->setText(QString::number(hScale));
}

void ParameterPanel::lpiLeft() {
    if (m_lpiField->text().isEmpty()) return;
    const LpiFieldValue value = LpiFromField(Std(m_lpiField->text()));
    m_doc.Lpi = value.lpi;
    if (value.replaced) m_lpiField->setText(kLpiReplacementText);
}

void ParameterPanel::focusLeft() {
    if (m_focusField->text().isEmpty()) return;
    emit glassesOutdated();
    m_doc.FocusRow = FocusRowFromField(Std(m_focusField->text()), m_doc.LayerCount);
    if (m_doc.FocusRow == 0) m_focusField->setText("0");
    m_layers.markFocusRow(m_doc.FocusRow, m_doc.LayerCount);
}

void ParameterPanel::depthChanged() {
    if (m_depthField->text().isEmpty()) {
        m_depthField->setText(kEmptyDepthText); // a change of its own, which runs this rule again
        return;
    }
    ApplyDepthText(Std(m_depthField->text()), m_doc);
    emit glassesOutdated();
}

void ParameterPanel::widthChanged() {
    if (m_widthField->text().isEmpty()) return;
    m_heightField->setText(Text(HeightTextForWidth(Std(m_widthField->text()), m_doc.AspectRatio)));
}

void ParameterPanel::hScaleLeft() {
    const QString shown = Text(HScaleFieldText(Std(m_hScaleField->text())));
    if (shown != m_hScaleField->text()) m_hScaleField->setText(shown);
}

void ParameterPanel::colorModeLeft() {
    if (m_colorModeField->currentIndex() < 0) m_colorModeField->setCurrentIndex(2);
}

} // namespace deptrix
