// Preview and Stop: the seven views are generated once and then played back until Stop.

#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/ParameterPanel.h"
#include "app/Platform.h"
#include "app/PreviewPlayer.h"
#include "app/ProgressBarSink.h"
#include "app/TextAndPaths.h"
#include "app/Viewport.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "render/ViewSet.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

namespace deptrix {

namespace {

// A field the preview needs gets its default text when it is empty.
std::string TextOrDefault(QLineEdit* field, const char* fallback) {
    if (field->text().isEmpty()) field->setText(fallback);
    return field->text().toStdString();
}

} // namespace

void TForm1::SpeedButton9Click() {
    m_platform.setBusyCursor(true);
    speedButton(29)->setEnabled(false);
    speedButton(5)->setEnabled(false);
    m_doc.FocusRow = ParseInteger(m_parameters->focusField()->text().toStdString());
    m_doc.Angles = ParseInteger(TextOrDefault(m_parameters->anglesField(), "7"));
    m_doc.DepthFactor = ParseFieldFixed(TextOrDefault(m_parameters->depthField(), "1.0"));
    m_doc.Lpi = ParseFieldFixed(TextOrDefault(m_parameters->lpiField(), "75.55"));
    generateAndPlay();
    m_menu->action("ExportGif1")->setEnabled(true);
    m_platform.setBusyCursor(false);
}

void TForm1::generateAndPlay() {
    if (!m_work.isOpen()) throw Error("There is no work folder for the pictures of the preview");
    m_doc.AppStage = kStagePreviewing;
    for (int number : { 1, 10, 6, 7, 8, 13 }) speedButton(number)->setEnabled(false);
    ProgressBarSink progress(m_progress);
    progress.setPosition(0);
    m_rightPanel->setEnabled(false);
    m_setLayerTab->activate();

    ViewSetInput input;
    input.offsetCells = m_layerPanel->offsetCells(m_doc.LayerCount);
    input.focusText = m_parameters->focusField()->text().toStdString();
    GenerateViews(m_doc, input, ToPath(m_work.path()), progress);

    m_hiddenImport->setEnabled(false);
    m_doc.AnimStop = 0;
    for (int number : { 5, 11, 2 }) speedButton(number)->setEnabled(true);
    m_menu->action("Stereopair1")->setEnabled(true);
    showPrompt(m_msgStopPreview);
    m_setLayerTab->activate();
    m_layerPanel->layerView()->setItemIndex(0); // from "One" this shows the last view
    progress.setPosition(0);
    m_platform.setBusyCursor(false);
    m_doc.AnimStep = 0;
    m_doc.AnimStop = 0;

    m_player->takeViews();
    m_player->play([this] { return m_closed; });
}

void TForm1::SpeedButton2Click() {
    m_doc.AnimStop = kAnimStopValue;
    m_doc.AppStage = kStagePreviewStopped;
    speedButton(1)->setEnabled(true);
    m_hiddenImport->setEnabled(true);
    m_rightPanel->setEnabled(true);
    showPrompt(m_msgExport);
    speedButton(2)->setEnabled(false);
}

} // namespace deptrix
