// Importing a PSD: the reader fills the document, the window shows its facts, the
// layer table and the fitted composite.

#include "app/AppFolders.h"
#include "app/ColourModeTexts.h"
#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/EarlyImport.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/ProgressBarSink.h"
#include "app/RecentFiles.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "app/Viewport.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/WorkFileWriter.h"
#include "files/FieldRules.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "import/LayerTable.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"
#include "render/LayerDisplay.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

namespace deptrix {

void MainWindow::importPsd() {
    if (!m_session->maybeSave()) return;
    FileDialogOptions options;
    options.title = "Import psd file";
    options.filter = kImportFilter;
    options.defaultSuffix = "psd";
    options.picturePreview = true;
    options.language = m_language;
    options.initialPath
        = m_doc.PsdPath.empty() ? SampleFolder(m_exeFolder) : QFileInfo(Text(m_doc.PsdPath)).absolutePath();
    const QString path = m_platform.openFileName(this, options);
    if (path.isEmpty()) return;
    importPsdFile(path);
}

void MainWindow::importPsdFile(const QString& path, ImportOrigin origin) {
    const bool forProject = origin == ImportOrigin::Project;
    if (!m_work.isOpen()) throw Error("There is no work folder for the pictures of the import");
    // The window is painted again, without the closed dialog over it, and shows what
    // is coming before the reader holds the thread for a while.
    showPrompt(TextsFor(m_language).msgImporting.arg(QFileInfo(path).fileName()));
    if (!forProject) m_progressBar->setValue(0);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
    m_session->beginReplacement();
    // A failure part-way leaves a document that no file holds.
    auto failed = qScopeGuard([this] { m_session->replacementFailed(); });
    // The file named at start may have been read while the splash was shown; any
    // other import ends that reading before the folder it writes into is emptied.
    const bool readEarly = m_earlyImport && m_earlyImport->holds(path);
    if (m_earlyImport && !readEarly) m_earlyImport->discard();
    m_doc.beginImport(path.toStdString());
    if (!readEarly) {
        // Every work file belongs to the document being replaced; none may be mistaken
        // for the new one's (an old view file exported as a GIF, say).
        SharedWorkFileWriter().cancel(); // nothing may still be writing into the folder
        m_work.emptyFiles();
    }
    m_platform.setBusyCursor(true);
    ProgressBarSink progress(m_progressBar);
    if (!forProject) progress.setPosition(0);
    try {
        progress.setPosition(readEarly ? m_earlyImport->take(m_doc)
                                       : ReadPsd(ToPath(path), ToPath(m_work.path()), m_doc, progress));
    } catch (const Error&) {
        // A file that cannot be read leaves an empty document and a window that
        // offers nothing that needs one; the guard shows the message.
        m_doc.clearLayers();
        showEmptyDocument();
        throw;
    }
    showImportFacts();

    // The output height keeps the picture's proportions.
    const ParameterPanel& fields = *m_parameterPanel;
    m_doc.Angles = ParseInteger(Std(fields.checkedText(fields.anglesField(), false)));
    m_doc.Lpi = ParseFieldFixed(Std(fields.checkedText(fields.lpiField(), false)));
    m_doc.AspectRatio = PictureAspectRatio(m_doc);
    const long double width = ParseFieldReal(Std(fields.checkedText(fields.widthField(), false)));
    m_parameterPanel->setHeightText(Text(FormatNumber(width / m_doc.AspectRatio * 10000.0L)));

    ApplyImportDefaults(m_doc);
    m_parameterPanel->focusField()->setText(QString::number(m_doc.FocusRow));
    fillLayerTable();

    BuildGroupFrames(m_doc);
    m_doc.ProgressSpan = 40;
    m_doc.ProgressBase = 60;
    CompositePass(m_doc, ToPath(m_work.path()), progress);

    m_outlineEditor->documentReplaced();
    CmykToRgb(m_doc.Composite);
    m_viewport->picture()->showBitmap(m_doc.Composite);
    m_viewport->fit(m_doc.ImageWidth, m_doc.ImageHeight);
    {
        // The canvas shows the composite: the Layer View choice says so.
        const QSignalBlocker quiet(m_layerPanel->layerViewChoice());
        m_layerPanel->layerViewChoice()->setItemIndex(0);
    }

    SetEnabled({ m_zoomInButton, m_zoomOutButton, m_previewButton }, true);
    m_hiddenPreviewButton->setEnabled(true);
    m_speedSlider->setEnabled(true);
    m_rightPanel->setEnabled(true);
    m_parameterPanel->setEnabled(true);
    m_layerPanel->layerTable()->setEnabled(true);
    SetEnabled({ m_undoPointButton, m_deleteLineButton, m_deleteOrderButton, m_deleteAllLinesButton,
                   m_anaglyphButton, m_stereoPairButton },
        false);
    m_menu->entries().writeStereoPair->setEnabled(false);
    m_menu->entries().exportGif->setEnabled(false);
    enableSaving(true);
    // A new document prints once it has been previewed.
    enablePrintExport(false);
    m_menu->entries().fitDepthToLens->setEnabled(true);
    refreshDepthBudget();

    showPrompt(m_msgSetParams);
    setWindowTitle(DocumentSession::TitleFor(ProductTitle() + "   " + QFileInfo(path).fileName()));
    showZoom();

    m_platform.setBusyCursor(false);
    progress.setPosition(0);
    m_setLayerTab->activate();
    failed.dismiss();
    // Project open beeps when it is done and ends the replacement itself once its
    // set-up is applied; the outline tools stay as they are.
    if (forProject) return;
    m_session->endReplacement();
    m_platform.beep();
    m_outlineToolBar->hide();
    m_drawLineTool->setChecked(true);
    m_recentFiles->add(path);
}

void MainWindow::showImportFacts() {
    // Every file but a CMYK one is worked on as RGB, but the user should see what the
    // file is.
    const QString mode = ColourModeText(m_doc.SourceMode, m_language);
    const QString dpi = Text(FormatFixed(m_doc.SourceDpi));
    const QString width = Text(FormatFixed(m_doc.SourceWidthCm));
    const QString height = Text(FormatFixed(m_doc.SourceHeightCm));
    m_modeValue->setText(mode);
    m_layerCountValue->setText(QString::number(m_doc.LayerCount));
    m_dpiValue->setText(dpi);
    m_widthValue->setText(width);
    m_heightValue->setText(height);
    m_statusPanels->setText(StatusPanels::kSizePanel, width + " x " + height);
    m_statusPanels->setText(StatusPanels::kDpiPanel, dpi);
    m_statusPanels->setText(StatusPanels::kColorPanel, mode);
    m_statusPanels->setText(StatusPanels::kLayerCountPanel, QString::number(m_doc.LayerCount));
    m_statusPanels->setApproximationNote(Text(ApproximationSummary(m_doc.ApproximateLayers, m_language)),
        Text(ApproximationList(m_doc.ApproximateLayers, m_language)));
}

QString MainWindow::layerToolTip(const LayerTableRow& row) {
    return Text(row.name) + (row.blendMode.empty() ? "" : "\n" + Text(row.blendMode));
}

void MainWindow::fillLayerTable() {
    StringGrid* grid = m_layerPanel->layerTable();
    grid->setGridRowCount(m_doc.LayerCount + 1);
    const std::vector<LayerTableRow> rows = LayerTableRows(m_doc);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        grid->setCell(0, r, Text(rows[i].layer));
        grid->setCell(1, r, Text(rows[i].group));
        grid->setCell(2, r, Text(rows[i].offset));
        grid->setCell(LayerPanel::kNameColumn, r, Text(rows[i].name));
        const QString tip = layerToolTip(rows[i]);
        for (int column = 0; column <= LayerPanel::kNameColumn; ++column)
            grid->setCellToolTip(column, r, tip);
    }
}

void MainWindow::showEmptyDocument() {
    m_layerPanel->layerTable()->setGridRowCount(1);
    m_viewport->picture()->clearPicture();
    SetEnabled({ m_zoomInButton, m_zoomOutButton, m_previewButton, m_stopButton, m_undoPointButton,
                   m_deleteLineButton, m_deleteOrderButton, m_deleteAllLinesButton, m_anaglyphButton,
                   m_stereoPairButton, m_beginLineButton },
        false);
    m_hiddenPreviewButton->setEnabled(false);
    m_rightPanel->setEnabled(false);
    m_layerPanel->layerTable()->setEnabled(false);
    m_menu->entries().writeStereoPair->setEnabled(false);
    m_menu->entries().exportGif->setEnabled(false);
    enableSaving(false);
    enablePrintExport(false);
    m_menu->entries().fitDepthToLens->setEnabled(false);
    m_statusPanels->setWarning(QString());
    for (int panel : { StatusPanels::kSizePanel, StatusPanels::kDpiPanel, StatusPanels::kColorPanel,
             StatusPanels::kLayerCountPanel })
        m_statusPanels->setText(panel, QString());
    m_statusPanels->setApproximationNote({}, {});
    showPrompt(m_msgImport);
    setWindowTitle(DocumentSession::TitleFor(ProductTitle()));
    m_progressBar->setValue(0);
}

void MainWindow::switchLayerView() {
    if (m_layerPanel->layerViewChoice()->itemIndex() == 1) {
        ShowSingleLayer(m_doc, m_doc.LayerCount - m_layerPanel->layerTable()->currentGridRow());
        m_viewport->picture()->showBitmap(m_doc.Composite);
        m_beginLineButton->setEnabled(true);
        return;
    }
    ProgressBarSink progress(m_progressBar);
    m_doc.ProgressSpan = 0;
    m_doc.ProgressBase = m_progressBar->value();
    BuildGroupFrames(m_doc);
    CompositePass(m_doc, ToPath(m_work.path()), progress);
    CmykToRgb(m_doc.Composite);
    m_viewport->picture()->showBitmap(m_doc.Composite);
    m_beginLineButton->setEnabled(false);
}

void MainWindow::selectLayer() {
    StringGrid* grid = m_layerPanel->layerTable();
    // The group column is set by the program; a click there moves on to the offset.
    if (grid->currentColumn() == 1) grid->setCurrentCell(grid->currentRow(), 2);
    m_doc.SelectedLayer = m_doc.LayerCount - grid->currentGridRow();
    if (m_layerPanel->layerViewChoice()->itemIndex() != 1) return;
    ShowSingleLayer(m_doc, m_doc.SelectedLayer);
    m_viewport->picture()->showBitmap(m_doc.Composite);
    m_beginLineButton->setEnabled(true);
}

} // namespace deptrix
