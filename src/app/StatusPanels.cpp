#include "app/StatusPanels.h"

#include "app/ElidedLabel.h"

namespace deptrix {

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent) {
    setObjectName("StatusBar1");
    setSizeGripEnabled(true);
    static constexpr int kWidths[kPanelCount] = { 70, 90, 70, 110, 36, 50, 46, 50, 54, 40, 0 };
    for (int i = 0; i < kPanelCount; ++i) {
        auto* label = new ElidedLabel(this);
        label->setObjectName(QString("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        label->setContentsMargins(3, 0, 3, 0);
        if (kWidths[i] > 0) label->setMinimumWidth(kWidths[i]);
        addWidget(label, i == kPromptPanel ? 1 : 0);
        m_panels.push_back(label);
    }
    m_approximationNote = new QLabel(this);
    m_approximationNote->setObjectName("ApproximationNote");
    m_approximationNote->setContentsMargins(3, 0, 3, 0);
    m_approximationNote->setMinimumWidth(1);
    m_approximationNote->hide();
    addPermanentWidget(m_approximationNote);
    m_warning = new QLabel(this);
    m_warning->setObjectName("StatusWarning");
    m_warning->setStyleSheet("color: #c00000; font-weight: bold;");
    m_warning->setContentsMargins(3, 0, 3, 0);
    // A long warning gives way to the window's width instead of widening it.
    m_warning->setMinimumWidth(1);
    addPermanentWidget(m_warning);
    m_warning->hide();
}

void StatusPanels::setApproximationNote(const QString& summary, const QString& layers) {
    m_approximationNote->setText(summary);
    m_approximationNote->setToolTip(layers);
    m_approximationNote->setVisible(!summary.isEmpty());
}

void StatusPanels::setWarning(const QString& text, const QString& explanation) {
    m_warning->setText(text);
    m_warning->setToolTip(explanation.isEmpty() ? text : explanation);
    m_warning->setVisible(!text.isEmpty());
}

QString StatusPanels::warning() const {
    return m_warning->text();
}

QString StatusPanels::text(int panel) const {
    return m_panels.at(static_cast<size_t>(panel))->text();
}

void StatusPanels::setText(int panel, const QString& text) {
    m_panels.at(static_cast<size_t>(panel))->setText(text);
}

} // namespace deptrix
