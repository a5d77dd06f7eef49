#include "app/StatusPanels.h"

#include "app/ElidedLabel.h"

namespace deptrix {

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent) {
    setObjectName("StatusBar1");
    setSizeGripEnabled(true);
    static constexpr int kWidths[kPanelCount] = { 70, 90, 70, 110, 36, 50, 46, 50, 54, 40, 0 };
    for (int i = 0; i < kPanelCount; ++i) {
        // Texts are shortened to the panel, never the window widened to the text; the
        // prompt keeps both ends, where paths have their file names.
        auto* label = new ElidedLabel(i == kPromptPanel ? Qt::ElideMiddle : Qt::ElideRight, this);
        label->setObjectName(QString("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        label->setContentsMargins(3, 0, 3, 0);
        if (kWidths[i] > 0) label->setMinimumWidth(kWidths[i]);
        addWidget(label, i == kPromptPanel ? 1 : 0);
        m_panels.push_back(label);
    }
    m_approximationNote = new ElidedLabel(Qt::ElideRight, this);
    m_approximationNote->setObjectName("ApproximationNote");
    m_approximationNote->setContentsMargins(3, 0, 3, 0);
    m_approximationNote->setMinimumWidth(1);
    m_approximationNote->hide();
    addPermanentWidget(m_approximationNote);
    m_warning = new ElidedLabel(Qt::ElideRight, this);
    m_warning->setObjectName("StatusWarning");
    m_warning->setStyleSheet("color: #c00000; font-weight: bold;");
    m_warning->setContentsMargins(3, 0, 3, 0);
    // The prompt keeps the room: a long warning is shortened, its whole text in the tooltip
    // and on the layer's cell.
    m_warning->setMaximumWidth(m_warning->fontMetrics().averageCharWidth() * 18);
    addPermanentWidget(m_warning);
    m_warning->hide();
    m_zoom = new ElidedLabel(Qt::ElideRight, this);
    m_zoom->setObjectName("ZoomPanel");
    m_zoom->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_zoom->setContentsMargins(3, 0, 3, 0);
    m_zoom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addPermanentWidget(m_zoom);
    setZoom(QString());
}

void StatusPanels::setZoom(const QString& text) {
    // Room for "100 %", wider only for the rare four-digit zoom: the prompt keeps the rest.
    const QFontMetrics metrics = m_zoom->fontMetrics();
    const int margins = m_zoom->contentsMargins().left() + m_zoom->contentsMargins().right();
    m_zoom->setMinimumWidth(std::max(metrics.horizontalAdvance("100 %"), metrics.horizontalAdvance(text))
        + margins + 2 * m_zoom->frameWidth());
    m_zoom->setText(text);
}

QString StatusPanels::zoom() const {
    return m_zoom->text();
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

QString StatusPanels::shownText(int panel) const {
    return m_panels.at(static_cast<size_t>(panel))->shownText();
}

void StatusPanels::setText(int panel, const QString& text) {
    m_panels.at(static_cast<size_t>(panel))->setText(text);
}

} // namespace deptrix
