// Importing a PSD: the reader fills the document, the window shows its facts, the
// layer table and the fitted composite.

#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/ProgressBarSink.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "app/Viewport.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "import/LayerTable.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"
#include "render/LayerDisplay.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

namespace deptrix {

void TForm1::SpeedButton1Click() {
    FileDialogOptions options;
    options.title = "Import psd file";
    options.filter = "Photoshop file (*.psd)";
    options.defaultSuffix = "psd";
    options.initialPath = m_doc.PsdPath.empty() ? QDir(m_exeFolder).filePath("sample")
                                                : QFileInfo(Text(m_doc.PsdPath)).absolutePath();
    const QString path = m_platform.openFileName(this, options);
    if (path.isEmpty()) return;
    importPsd(path);
}

void TForm1::importPsd(const QString& path) {
    if (!m_work.isOpen()) throw Error("There is no work folder for the pictures of the import");
    m_doc.beginImport(path.toStdString());
    // Every work file belongs to the document being replaced; none may be mistaken
    // for the new one's (an old view file exported as a GIF, say).
    m_work.emptyFiles();
    m_platform.setBusyCursor(true);
    ProgressBarSink progress(m_progress);
    progress.setPosition(0);
    try {
        progress.setPosition(ReadPsd(ToPath(path), ToPath(m_work.path()), m_doc, progress));
    } catch (const Error&) {
        // A file that cannot be read leaves an empty document and a window that
        // offers nothing that needs one; the guard shows the message.
        m_doc.clearLayers();
        showEmptyDocument();
        throw;
    }
    showImportFacts();

    // The output height keeps the picture's proportions.
    m_doc.Angles = ParseInteger(m_parameters->anglesField()->text().toStdString());
    m_doc.Lpi = ParseFieldFixed(m_parameters->lpiField()->text().toStdString());
    m_doc.AspectRatio = m_doc.SourceHeightCm > 0
        ? Round(static_cast<long double>(m_doc.SourceWidthCm) / m_doc.SourceHeightCm * 10000.0L)
        : kFixedOne;
    const long double width = ParseFieldReal(m_parameters->widthField()->text().toStdString());
    m_parameters->heightField()->setText(Text(FormatNumber(width / m_doc.AspectRatio * 10000.0L)));

    ApplyImportDefaults(m_doc);
    m_parameters->focusField()->setText(QString::number(m_doc.FocusRow));
    fillLayerTable();

    BuildGroupFrames(m_doc);
    m_doc.ProgressSpan = 40;
    m_doc.ProgressBase = 60;
    CompositePass(m_doc, ToPath(m_work.path()), progress);

    m_drawLineMode = false;
    CmykToRgb(m_doc.Composite);
    m_viewport->picture()->showBitmap(m_doc.Composite);
    m_viewport->fit(m_doc.ImageWidth, m_doc.ImageHeight);

    for (int number : { 3, 4, 9 }) speedButton(number)->setEnabled(true);
    m_hiddenPreview->setEnabled(true);
    m_speedTrack->setEnabled(true);
    m_rightPanel->setEnabled(true);
    m_parameters->setEnabled(true);
    m_layerPanel->grid()->setEnabled(true);
    for (int number : { 10, 6, 7, 8, 5, 11 }) speedButton(number)->setEnabled(false);
    m_menu->action("Stereopair1")->setEnabled(false);
    m_menu->action("ExportGif1")->setEnabled(false);

    showPrompt(m_msgSetParams);
    setWindowTitle(QString(kProductTitle) + "   " + QFileInfo(path).fileName());

    m_platform.setBusyCursor(false);
    progress.setPosition(0);
    m_setLayerTab->activate();
    m_platform.beep();
    m_toolBar2->hide();
    m_toolBar2->findChild<QToolButton*>("ToolButton1")->setChecked(true);
}

void TForm1::showImportFacts() {
    const QString mode = m_doc.ImageMode == 3 ? "RGB"
        : m_doc.ImageMode == 4                ? "CMYK"
                                              : m_infoValues["Mode:"]->text();
    const QString dpi = Text(FormatFixed(m_doc.SourceDpi));
    const QString width = Text(FormatFixed(m_doc.SourceWidthCm));
    const QString height = Text(FormatFixed(m_doc.SourceHeightCm));
    m_infoValues["Mode:"]->setText(mode);
    m_infoValues["Layers:"]->setText(QString::number(m_doc.LayerCount));
    m_infoValues[QString::fromUtf8("DPI：")]->setText(dpi);
    m_infoValues["Width:"]->setText(width);
    m_infoValues["Height:"]->setText(height);
    m_status->setText(3, width + " x " + height);
    m_status->setText(5, dpi);
    m_status->setText(7, mode);
    m_status->setText(9, QString::number(m_doc.LayerCount));
}

void TForm1::fillLayerTable() {
    StringGrid* grid = m_layerPanel->grid();
    grid->setGridRowCount(m_doc.LayerCount + 1);
    const std::vector<LayerTableRow> rows = LayerTableRows(m_doc);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        grid->setCell(0, r, Text(rows[i].layer));
        grid->setCell(1, r, Text(rows[i].group));
        grid->setCell(2, r, Text(rows[i].offset));
        for (int column = 0; column < 3; ++column) grid->setCellToolTip(column, r, Text(rows[i].name));
    }
}

void TForm1::showEmptyDocument() {
    m_layerPanel->grid()->setGridRowCount(1);
    m_viewport->picture()->clearPicture();
    for (int number : { 3, 4, 9, 2, 10, 6, 7, 8, 5, 11, 13 }) speedButton(number)->setEnabled(false);
    m_hiddenPreview->setEnabled(false);
    m_rightPanel->setEnabled(false);
    m_layerPanel->grid()->setEnabled(false);
    m_menu->action("Stereopair1")->setEnabled(false);
    m_menu->action("ExportGif1")->setEnabled(false);
    for (int panel : { 3, 5, 7, 9 }) m_status->setText(panel, QString());
    showPrompt(m_msgImport);
    setWindowTitle(kProductTitle);
    m_progress->setValue(0);
}

void TForm1::RadioGroup1Click() {
    if (m_layerPanel->layerView()->itemIndex() == 1) {
        ShowSingleLayer(m_doc, m_doc.LayerCount - m_layerPanel->grid()->currentGridRow());
        m_viewport->picture()->showBitmap(m_doc.Composite);
        speedButton(13)->setEnabled(true);
        return;
    }
    ProgressBarSink progress(m_progress);
    m_doc.ProgressSpan = 0;
    m_doc.ProgressBase = m_progress->value();
    BuildGroupFrames(m_doc);
    CompositePass(m_doc, ToPath(m_work.path()), progress);
    CmykToRgb(m_doc.Composite);
    m_viewport->picture()->showBitmap(m_doc.Composite);
    speedButton(13)->setEnabled(false);
}

void TForm1::StringGrid1Click() {
    StringGrid* grid = m_layerPanel->grid();
    // The group column is set by the program; a click there moves on to the offset.
    if (grid->currentColumn() == 1) grid->setCurrentCell(grid->currentRow(), 2);
    m_doc.SelectedLayer = m_doc.LayerCount - grid->currentGridRow();
    if (m_layerPanel->layerView()->itemIndex() != 1) return;
    ShowSingleLayer(m_doc, m_doc.SelectedLayer);
    m_viewport->picture()->showBitmap(m_doc.Composite);
    speedButton(13)->setEnabled(true);
}

} // namespace deptrix
