// Switching the window between English and Chinese.

#include "app/Controls.h"
#include "app/ElidedLabel.h"
#include "app/HelpWindow.h"
#include "app/LayerPanel.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/ParameterPanel.h"
#include "app/StatusPanels.h"
#include "app/Texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace deptrix {

namespace {

// The window is built with the English caption as each exchangeable control's
// caption and the Chinese one as its hint; switching swaps the two, so switching
// twice restores everything. Only push buttons, labels, group boxes (radio groups
// included), panels, menu entries and tab sheets take part, and only with a hint.
template <typename Get, typename Set, typename GetHint, typename SetHint>
void Exchange(Get caption, Set setCaption, GetHint hint, SetHint setHint) {
    const QString swappedHint = hint();
    if (swappedHint.isEmpty()) return;
    const QString swappedCaption = caption();
    setCaption(swappedHint);
    setHint(swappedCaption);
}

void ExchangeCaptions(QObject* root) {
    for (QObject* object : root->findChildren<QObject*>()) {
        if (auto* tab = qobject_cast<TabSheet*>(object)) {
            Exchange([tab] { return tab->caption(); }, [tab](const QString& t) { tab->setCaption(t); },
                [tab] { return tab->hint(); }, [tab](const QString& t) { tab->setHint(t); });
        } else if (auto* panel = qobject_cast<Panel*>(object)) {
            Exchange([panel] { return panel->caption(); },
                [panel](const QString& t) { panel->setCaption(t); }, [panel] { return panel->toolTip(); },
                [panel](const QString& t) { panel->setToolTip(t); });
        } else if (auto* button = qobject_cast<QPushButton*>(object)) {
            Exchange([button] { return button->text(); }, [button](const QString& t) { button->setText(t); },
                [button] { return button->toolTip(); },
                [button](const QString& t) { button->setToolTip(t); });
        } else if (qobject_cast<ElidedLabel*>(object)) {
            // The status bar's texts are messages set in the language; a tooltip there
            // explains the text rather than translating it.
            continue;
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            Exchange([label] { return label->text(); }, [label](const QString& t) { label->setText(t); },
                [label] { return label->toolTip(); }, [label](const QString& t) { label->setToolTip(t); });
        } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
            Exchange([group] { return group->title(); }, [group](const QString& t) { group->setTitle(t); },
                [group] { return group->toolTip(); }, [group](const QString& t) { group->setToolTip(t); });
        } else if (auto* action = qobject_cast<QAction*>(object)) {
            Exchange([action] { return action->text(); }, [action](const QString& t) { action->setText(t); },
                [action] { return action->statusTip(); },
                [action](const QString& t) { action->setStatusTip(t); });
        }
    }
}

} // namespace

void MainWindow::switchLanguage() {
    m_language = m_language != 1 ? 1 : 0;
    applyLanguage();
}

void MainWindow::setProgramTexts(const LanguageTexts& texts) {
    StringGrid* grid = m_layerPanel->layerTable();
    grid->setCell(0, 0, texts.gridLayer);
    grid->setCell(1, 0, texts.gridGroup);
    grid->setCell(2, 0, texts.gridOffset);
    grid->setCell(LayerPanel::kNameColumn, 0, texts.gridName);
    m_statusPanels->setText(StatusPanels::kBrandPanel, texts.brand);
    m_layerPanel->layerViewChoice()->setItemText(0, texts.viewAll);
    m_layerPanel->layerViewChoice()->setItemText(1, texts.viewOne);
    m_languageButton->setText(texts.languageButton);
    m_msgImport = texts.msgImport;
    m_msgSetParams = texts.msgSetParams;
    m_msgStopPreview = texts.msgStopPreview;
    m_msgExport = texts.msgExport;
    m_statusPanels->setText(StatusPanels::kOriginalInfoPanel, texts.statusOriginal);
    m_statusPanels->setText(StatusPanels::kSizeCaptionPanel, texts.statusSize);
    m_statusPanels->setText(StatusPanels::kColorCaptionPanel, texts.statusColor);
    m_statusPanels->setText(StatusPanels::kLayersCaptionPanel, texts.statusLayers);
    m_msgGlasses = texts.msgGlasses;
}

void MainWindow::applyLanguage() {
    setProgramTexts(TextsFor(m_language));
    m_outlineEditor->setLanguage(m_language);
    m_parameterPanel->setLanguage(m_language);
    if (m_doc.AppStage <= kStagePreviewStopped) m_promptText = promptFor(m_doc.AppStage);
    m_statusPanels->setText(StatusPanels::kPromptPanel, m_promptText);
    ExchangeCaptions(this);
    // The document's facts and what it draws approximately are texts of the program's
    // own; the exchange above would have swapped the note with its tooltip.
    if (m_doc.DocumentLoaded && m_doc.LayerCount > 0) showImportFacts();
    refreshDepthBudget(); // the movement warning in the language
    for (const QPointer<QWidget>& window : m_auxiliary)
        if (auto* help = qobject_cast<HelpWindow*>(window.data())) help->setLanguage(m_language);
}

QString MainWindow::promptFor(int appStage) const {
    switch (appStage) {
    case kStageNothingImported:
        return m_msgImport;
    case kStageImported:
        return m_msgSetParams;
    case kStagePreviewing:
        return m_msgStopPreview;
    case kStagePreviewStopped:
        return m_msgExport;
    default:
        return m_promptText;
    }
}

void MainWindow::showPrompt(const QString& prompt) {
    m_promptText = prompt;
    m_statusPanels->setText(StatusPanels::kPromptPanel, prompt);
}

} // namespace deptrix
