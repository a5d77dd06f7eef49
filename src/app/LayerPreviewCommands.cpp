// The DrawLine tab's own Preview and Stop, which synthesise the layer being edited
// and play it alone, and the depth-map view of that layer.

#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/LayerPreviewPlayer.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/OutlinePanel.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/ProgressBarSink.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "app/Viewport.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "depth/DepthMapPicture.h"
#include "depth/LineLayerSynthesis.h"
#include "import/LayerTable.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

namespace deptrix {

namespace {

bool HasAnyLine(const LineSet& lines) {
    for (const OrderLines& order : lines)
        for (const Line& line : order)
            if (line.size() >= 2) return true;
    return false;
}

/// The tab's outline parameters applied to a copy of a layer record. The depth text
/// is converted first, so a text that is not a number changes nothing.
LayerRecord WithTabSettings(
    LayerRecord layer, const OutlinePanel& panel, const OutlineEditorController& editor) {
    layer.Depth = editor.tabDepth();
    layer.Smooth = static_cast<std::uint8_t>(panel.smoothnessSlider()->value());
    layer.BaseOrder = static_cast<std::uint8_t>(panel.baseOrderSlider()->value());
    return layer;
}

} // namespace

bool MainWindow::hasEditedLayer() const {
    if (!m_doc.DocumentLoaded || m_doc.SelectedLayer < 0 || m_doc.SelectedLayer >= m_doc.LayerCount
        || static_cast<std::size_t>(m_doc.SelectedLayer) >= m_doc.Layers.size())
        return false;
    // Members of a flip group never get outlines: the DrawLine tab refuses them.
    const std::uint8_t group = m_doc.Layers[static_cast<std::size_t>(m_doc.SelectedLayer)].Group;
    return group == kGroupNone || group > kGroupLastFlip;
}

const LineSet& MainWindow::editedLines() const {
    static const LineSet noLines;
    // The tab holds the layer's set while it is open; otherwise the stored one counts.
    if (!m_doc.EditLines.empty()) return m_doc.EditLines;
    const auto layer = static_cast<std::size_t>(m_doc.SelectedLayer);
    return layer < m_doc.LayerLines.size() ? m_doc.LayerLines[layer] : noLines;
}

void MainWindow::previewLayer() {
    if (!hasEditedLayer()) return;
    const auto k = static_cast<std::size_t>(m_doc.SelectedLayer);
    const LayerRecord settings = WithTabSettings(m_doc.Layers[k], *m_outlinePanel, *m_outlineEditor);
    if (!m_work.isOpen()) throw Error("There is no work folder for the pictures of the preview");
    // A layer has outlines or a depth map: outlines drawn over a map replace it when
    // the user says so; without outlines the map is played.
    if (m_doc.depthMapOf(k) && HasAnyLine(editedLines())) {
        const LanguageTexts& texts = TextsFor(m_language);
        if (!m_platform.askYesNo(this, texts.depthMapTitle.arg(k + 1), texts.askReplaceDepthMap.arg(k + 1)))
            return;
        m_doc.clearDepthMap(k);
    }

    SetEnabled(
        { m_importButton, m_viewport->picture(), m_previewButton, m_undoPointButton, m_deleteLineButton,
            m_deleteOrderButton, m_deleteAllLinesButton, m_beginLineButton, m_parameterPanel,
            m_outlinePanel->settingsPanel(), m_outlinePanel->previewButton(), m_exportTiffButton },
        false);
    m_platform.setBusyCursor(true);
    // A drag in progress ends here: no pointer edits reach the editor during playback.
    m_outlineEditor->editor().cancelGesture();
    m_layerPanel->layerTable()->setCell(
        1, m_doc.LayerCount - m_doc.SelectedLayer, m_doc.depthMapOf(k) ? kDepthMapMark : "+");
    if (m_doc.LayerLines.size() < m_doc.LayerCount) m_doc.LayerLines.resize(m_doc.LayerCount);
    m_doc.LayerLines[k] = editedLines();
    m_doc.Layers[k] = settings;
    m_doc.Layers[k].Group = kGroupOutlineBuilt;

    ProgressBarSink progress(m_progressBar);
    try {
        SynthesiseLineLayer(m_doc, k, m_doc.LayerLines[k], ToPath(m_work.path()), progress);
    } catch (const Error&) {
        // The layer's pictures are incomplete: the next Preview builds them again (and
        // says what is wrong if it still fails), and the tab is usable at once.
        m_doc.Layers[k].Group = kGroupOutlineStale;
        progress.setPosition(0);
        stopLayerPreview();
        throw;
    }
    progress.setPosition(100);
    progress.setPosition(0);
    m_platform.setBusyCursor(false);

    m_doc.LinePreviewStop = 0;
    m_outlinePanel->previewButton()->setEnabled(false);
    m_outlinePanel->stopButton()->setEnabled(true);
    m_layerPlayer->play(static_cast<int>(k), ToPath(m_work.path()), [this] { return m_closed; });
    // Ended by Stop: the frame shown last gives way to the layer with its outlines.
    if (!m_closed && !m_outlinePanel->stopButton()->isEnabled()) m_outlineEditor->showOutlines();
}

void MainWindow::stopLayerPreview() {
    SetEnabled({ m_parameterPanel, m_outlinePanel->settingsPanel() }, true);
    m_doc.LinePreviewStop = kLinePreviewStopValue;
    SetEnabled({ m_beginLineButton, m_importButton, m_previewButton, m_outlinePanel->previewButton() }, true);
    m_outlinePanel->stopButton()->setEnabled(false);
    // The last frame is cropped to the layer: the tab shows the layer with its outlines
    // again, ready for editing.
    m_outlineEditor->showOutlines();
}

void MainWindow::leavePage() {
    // The single-layer playback belongs to the DrawLine tab and ends when it is left.
    if (m_pages->currentWidget() != m_drawLineTab) m_doc.LinePreviewStop = kLinePreviewStopValue;
}

LayerRecord MainWindow::depthSettingsOf(std::size_t index) const {
    const LayerRecord& layer = m_doc.Layers.at(index);
    const bool onTab
        = m_pages->currentWidget() == m_drawLineTab && static_cast<int>(index) == m_doc.SelectedLayer;
    return onTab ? WithTabSettings(layer, *m_outlinePanel, *m_outlineEditor) : layer;
}

void MainWindow::showDepthMap() {
    // A toggle: the second press returns to what the map replaced.
    if (m_outlineEditor->depthMapShown()) {
        m_outlineEditor->showOutlines();
        if (!m_outlineEditor->drawLineMode()) switchLayerView();
        return;
    }
    showDepthMapState(false);
    if (!hasEditedLayer()) return;
    // With the tab's settings, which the layer receives only at its preview.
    const auto index = static_cast<std::size_t>(m_doc.SelectedLayer);
    const LayerRecord layer = WithTabSettings(m_doc.Layers[index], *m_outlinePanel, *m_outlineEditor);
    m_outlineEditor->showDepthMap(DepthMapPicture(m_doc, index, layer, editedLines()));
}

void MainWindow::showDepthMapState(bool shown) {
    m_outlinePanel->depthMapButton()->setChecked(shown);
    m_menu->entries().showDepthMap->setChecked(shown);
}

} // namespace deptrix
