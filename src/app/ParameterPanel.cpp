#include "app/ParameterPanel.h"

#include "app/CommandGuard.h"
#include "app/Controls.h"
#include "app/FieldText.h"
#include "app/LayerPanel.h"
#include "app/TextAndPaths.h"
#include "app/TypingLimit.h"
#include "app/UiTexts.h"
#include "core/Document.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "files/ConfigFile.h"
#include "files/FieldRules.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

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
    m_heightExact = m_heightField->text();
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

    for (QWidget* field : std::initializer_list<QWidget*> { m_lpiField, m_anglesField, m_focusField,
             m_depthField, m_widthField, m_hScaleField, m_dpiField, m_colorModeField })
        field->installEventFilter(this);
    for (QLineEdit* field :
        { m_lpiField, m_anglesField, m_focusField, m_depthField, m_widthField, m_hScaleField }) {
        m_accepted.insert(field, field->text());
        connect(field, &QLineEdit::textChanged, this, [this, field] { noteText(field); });
    }
    m_acceptedDpi = m_dpiField->currentText();
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
    new TypingLimit(field, maxLength);
    label = MakeLabel(caption, hint);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return field;
}

bool ParameterPanel::LeavesForAnotherControl(const QFocusEvent& event) {
    // A menu opening, the menu bar taking the keyboard or another window becoming
    // active take the focus only for a while: the field is not left.
    switch (event.reason()) {
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
    case Qt::ActiveWindowFocusReason:
        return false;
    default:
        return true;
    }
}

bool ParameterPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && LeavesForAnotherControl(*static_cast<QFocusEvent*>(event))) {
        if (watched == m_lpiField)
            m_guard.run([this] { lpiLeft(); });
        else if (watched == m_anglesField)
            m_guard.run([this] { anglesLeft(); });
        else if (watched == m_focusField)
            m_guard.run([this] { focusLeft(); });
        else if (watched == m_depthField)
            m_guard.run([this] { depthLeft(); });
        else if (watched == m_widthField)
            m_guard.run([this] { widthLeft(); });
        else if (watched == m_hScaleField)
            m_guard.run([this] { hScaleLeft(); });
        else if (watched == m_dpiField)
            m_guard.run([this] { dpiLeft(); });
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
    m_acceptedDpi = m_dpiField->currentText();
    m_widthField->setText(Text(FormatFixed(outWidth)));
    setHeightText(Text(FormatFixed(outHeight)));
    m_colorModeField->setCurrentIndex(
        colorMode >= 0 && colorMode < m_colorModeField->count() ? colorMode : -1);
    m_hScaleField->setText(QString::number(hScale));
}

void ParameterPanel::setHeightText(const QString& exact) {
    m_heightExact = exact;
    QString shown = exact;
    try {
        const long double height = ParseFieldReal(Std(exact));
        shown = Text(FormatNumber(std::round(height * 10000.0L) / 10000.0L));
    } catch (const ConvertError&) {
        // A text that is no number shows as it is.
    }
    m_heightField->setText(shown);
}

// --- Checks ---------------------------------------------------------------------------

QLabel* ParameterPanel::labelOf(const QLineEdit* field) const {
    if (field == m_lpiField) return m_lpiLabel;
    if (field == m_anglesField) return m_anglesLabel;
    if (field == m_focusField) return m_focusLabel;
    if (field == m_depthField) return m_depthLabel;
    if (field == m_widthField) return m_widthLabel;
    if (field == m_heightField) return m_heightLabel;
    if (field == m_hScaleField) return m_hScaleLabel;
    return nullptr;
}

QString ParameterPanel::nameOf(const QLineEdit* field) const {
    return FieldName(labelOf(field));
}

bool ParameterPanel::isIntegerField(const QLineEdit* field) const {
    return field == m_anglesField || field == m_focusField || field == m_hScaleField;
}

void ParameterPanel::noteText(QLineEdit* field) {
    // Depth and width take every number typed; the other fields take a typed text only
    // when they are left (their rules accept it there).
    const bool takenAsTyped = field == m_depthField || field == m_widthField;
    if (field->isModified() && !takenAsTyped) return;
    if (IsNumberText(field->text(), isIntegerField(field))) m_accepted.insert(field, field->text());
}

void ParameterPanel::refuse(QLineEdit* field, const QString& message) {
    // The field is left holding what it held last, so the commands that read it later
    // find a number; the message names what was typed.
    field->setText(m_accepted.value(field));
    throw Error(Std(message));
}

void ParameterPanel::refuseText(QLineEdit* field, const QString& typed) {
    const bool integer = isIntegerField(field);
    refuse(field,
        Tr(integer ? Ui::FieldNotWholeNumber : Ui::FieldNotNumber, m_language).arg(nameOf(field), typed));
}

QString ParameterPanel::checkedText(const QLineEdit* field, bool emptyAllowed) const {
    const QString text = field->text();
    if ((!emptyAllowed || !text.isEmpty()) && !IsNumberText(text, isIntegerField(field)))
        RefuseFieldText(nameOf(field), text, isIntegerField(field), m_language);
    return text;
}

QString ParameterPanel::checkedDpiText() const {
    const QString text = m_dpiField->currentText();
    if (!text.isEmpty() && text != kAutoDpiText && !IsNumberText(text, false))
        RefuseFieldText(FieldName(m_dpiLabel), text, false, m_language);
    return text;
}

// --- Rules ----------------------------------------------------------------------------

void ParameterPanel::lpiLeft() {
    const QString text = m_lpiField->text();
    if (text.isEmpty()) return;
    if (!IsNumberText(text, false)) refuseText(m_lpiField, text);
    const LpiFieldValue value = LpiFromField(Std(text));
    m_doc.Lpi = value.lpi;
    if (value.replaced) {
        m_lpiField->setText(kLpiReplacementText);
        emit notice(Tr(Ui::FieldLpiReplaced, m_language).arg(nameOf(m_lpiField), text));
    }
    m_accepted.insert(m_lpiField, m_lpiField->text());
}

void ParameterPanel::anglesLeft() {
    const QString text = m_anglesField->text();
    if (text.isEmpty()) return; // the next Preview takes 7
    if (!IsNumberText(text, true)) refuseText(m_anglesField, text);
    const std::int32_t angles = ParseInteger(Std(text));
    if (angles < kAnglesLow || angles > kAnglesHigh)
        refuse(m_anglesField, Tr(Ui::FieldAnglesRange, m_language).arg(nameOf(m_anglesField), text));
    m_accepted.insert(m_anglesField, text);
}

void ParameterPanel::focusLeft() {
    const QString text = m_focusField->text();
    if (text.isEmpty()) return;
    if (!IsNumberText(text, true)) refuseText(m_focusField, text);
    emit glassesOutdated();
    m_doc.FocusRow = FocusRowFromField(Std(text), m_doc.LayerCount);
    if (m_doc.FocusRow == 0 && ParseInteger(Std(text)) != 0) {
        m_focusField->setText("0");
        emit notice(
            Tr(Ui::FieldFocusReplaced, m_language).arg(nameOf(m_focusField), text).arg(m_doc.LayerCount));
    } else if (m_doc.FocusRow == 0) {
        m_focusField->setText("0");
    }
    m_layers.markFocusRow(m_doc.FocusRow, m_doc.LayerCount);
    m_accepted.insert(m_focusField, m_focusField->text());
}

void ParameterPanel::depthChanged() {
    const QString text = m_depthField->text();
    // What the user is typing may pass through texts that are no number yet ("-",
    // ".", ""); they wait until the field is left. Texts the program sets do not.
    const bool typing = m_depthField->isModified();
    if (text.isEmpty()) {
        if (typing) return;
        m_depthField->setText(kEmptyDepthText); // a change of its own, which runs this rule again
        return;
    }
    if (!IsNumberText(text, false)) {
        if (typing && CanBecomeNumber(Std(text), false)) return;
        RefuseFieldText(nameOf(m_depthField), text, false, m_language);
    }
    ApplyDepthText(Std(text), m_doc);
    emit glassesOutdated();
    const Fixed typed = ParseFieldFixed(Std(text));
    if (typed != m_doc.DepthFactor)
        emit notice(Tr(Ui::FieldDepthReplaced, m_language).arg(nameOf(m_depthField), text));
}

void ParameterPanel::depthLeft() {
    const QString text = m_depthField->text();
    if (text.isEmpty()) {
        m_depthField->setText(kEmptyDepthText);
        emit notice(Tr(Ui::FieldEmptyReplaced, m_language).arg(nameOf(m_depthField), kEmptyDepthText));
        return;
    }
    if (!IsNumberText(text, false)) refuseText(m_depthField, text);
}

void ParameterPanel::widthChanged() {
    const QString text = m_widthField->text();
    if (text.isEmpty()) return;
    if (!IsNumberText(text, false)) {
        if (m_widthField->isModified() && CanBecomeNumber(Std(text), false)) return;
        RefuseFieldText(nameOf(m_widthField), text, false, m_language);
    }
    setHeightText(Text(HeightTextForWidth(Std(text), m_doc.AspectRatio)));
}

void ParameterPanel::widthLeft() {
    const QString text = m_widthField->text();
    if (!text.isEmpty() && !IsNumberText(text, false)) refuseText(m_widthField, text);
}

void ParameterPanel::dpiLeft() {
    const QString text = m_dpiField->currentText();
    if (text.isEmpty() || text == kAutoDpiText || IsNumberText(text, false)) {
        m_acceptedDpi = text;
        return;
    }
    m_dpiField->setCurrentText(m_acceptedDpi);
    RefuseFieldText(FieldName(m_dpiLabel), text, false, m_language);
}

void ParameterPanel::hScaleLeft() {
    const QString text = m_hScaleField->text();
    if (!text.isEmpty() && !IsNumberText(text, true)) refuseText(m_hScaleField, text);
    const QString shown = Text(HScaleFieldText(Std(text)));
    m_accepted.insert(m_hScaleField, shown);
    if (shown == text) return;
    m_hScaleField->setText(shown);
    const QString name = nameOf(m_hScaleField);
    emit notice(text.isEmpty() ? Tr(Ui::FieldEmptyReplaced, m_language).arg(name, shown)
                               : Tr(Ui::FieldHScaleReplaced, m_language).arg(name, text, shown));
}

void ParameterPanel::colorModeLeft() {
    if (m_colorModeField->currentIndex() < 0) m_colorModeField->setCurrentIndex(2);
}

} // namespace deptrix
