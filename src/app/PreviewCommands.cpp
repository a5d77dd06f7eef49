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
#include "depth/LineLayerSynthesis.h"
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
std::string TextOrDefault(const ParameterPanel& fields, QLineEdit* field, const char* fallback) {
    if (field->text().isEmpty()) field->setText(fallback);
    return Std(fields.checkedText(field));
}

} // namespace

void MainWindow::preview() {
    m_platform.setBusyCursor(true);
    enablePrintExport(false);
    m_anaglyphButton->setEnabled(false);
    // The fields are read as they stand; one that holds no number is named.
    const ParameterPanel& fields = *m_parameterPanel;
    m_doc.FocusRow = ParseInteger(Std(fields.checkedText(fields.focusField(), false)));
    m_doc.Angles = ParseInteger(TextOrDefault(fields, fields.anglesField(), "7"));
    // Outline layers out of date are rebuilt with the depth factor read here.
    ProgressBarSink progress(m_progressBar);
    RefreshOutlineLayers(
        m_doc,
        [this, &fields] {
            m_doc.DepthFactor = ParseFieldFixed(TextOrDefault(fields, fields.depthField(), "1.0"));
            m_doc.Lpi = ParseFieldFixed(TextOrDefault(fields, fields.lpiField(), "75.55"));
        },
        ToPath(m_work.path()), progress);
    generateAndPlay();
    m_menu->entries().exportGif->setEnabled(true);
    m_platform.setBusyCursor(false);
}

void MainWindow::generateAndPlay() {
    if (!m_work.isOpen()) throw Error("There is no work folder for the pictures of the preview");
    m_doc.AppStage = kStagePreviewing;
    SetEnabled({ m_importButton, m_undoPointButton, m_deleteLineButton, m_deleteOrderButton,
                   m_deleteAllLinesButton, m_beginLineButton },
        false);
    ProgressBarSink progress(m_progressBar);
    progress.setPosition(0);
    m_rightPanel->setEnabled(false);
    m_setLayerTab->activate();

    ViewSetInput input;
    input.offsetCells = m_layerPanel->offsetCells(m_doc.LayerCount);
    input.focusText = m_parameterPanel->focusField()->text().toStdString();
    // The views are rebuilt in their own memory: a playback this one runs inside lets
    // go of them meanwhile.
    m_player->releaseViews();
    try {
        GenerateViews(m_doc, input, ToPath(m_work.path()), progress);
    } catch (...) {
        m_player->takeViews();
        // No playback starts: the panel and the import must not stay locked behind it.
        m_rightPanel->setEnabled(true);
        SetEnabled({ m_importButton, m_hiddenImportButton }, true);
        m_doc.AppStage = kStageImported;
        showPrompt(m_msgSetParams);
        progress.setPosition(0);
        throw;
    }

    m_hiddenImportButton->setEnabled(false);
    m_doc.AnimStop = 0;
    SetEnabled({ m_anaglyphButton, m_stereoPairButton, m_stopButton }, true);
    m_menu->entries().writeStereoPair->setEnabled(true);
    showPrompt(m_msgStopPreview);
    m_setLayerTab->activate();
    m_layerPanel->layerViewChoice()->setItemIndex(0); // from "One" this shows the last view
    progress.setPosition(0);
    m_platform.setBusyCursor(false);
    m_doc.AnimStep = 0;
    m_doc.AnimStop = 0;

    m_player->takeViews();
    m_player->play([this] { return m_closed; });
}

void MainWindow::stopPreview() {
    m_doc.AnimStop = kAnimStopValue;
    m_doc.AppStage = kStagePreviewStopped;
    m_importButton->setEnabled(true);
    m_hiddenImportButton->setEnabled(true);
    m_rightPanel->setEnabled(true);
    showPrompt(m_msgExport);
    m_stopButton->setEnabled(false);
    // The views exist once a preview has built them: the print can be made.
    enablePrintExport(m_doc.DocumentLoaded && !m_doc.Views[1].empty());
}

} // namespace deptrix
