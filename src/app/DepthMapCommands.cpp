// Depth maps from pictures: loading one for a layer, clearing it, saving the depth a
// layer gets, and the maps a settings or project file keeps beside it.

#include "app/Controls.h"
#include "app/DepthMapDialog.h"
#include "app/DocumentSession.h"
#include "app/LayerPanel.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/Platform.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "depth/DepthMapFit.h"
#include "depth/LayerDepthSource.h"
#include "files/DepthMapList.h"
#include "import/GreyPictureReader.h"
#include "import/LayerTable.h"
#include "import/MappedFile.h"
#include "import/PsdFile.h"
#include "output/DepthMapFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>

namespace deptrix {

namespace {

/// The names of a PSD's or PSB's layers, topmost first, each once; nothing for other
/// pictures. A file that cannot be read says why when it is loaded.
QStringList PsdLayerNames(const QString& path) {
    QStringList names;
    try {
        const MappedFile file(ToPath(path));
        const auto bytes = file.bytes();
        if (bytes.size() < 4 || bytes[0] != '8' || bytes[1] != 'B' || bytes[2] != 'P' || bytes[3] != 'S')
            return names;
        const PsdFile psd = ParsePsd(bytes, DisplayName(ToPath(path)));
        for (auto record = psd.records.rbegin(); record != psd.records.rend(); ++record) {
            const QString name = Text(record->name());
            if (record->folder == FolderMark::None && !names.contains(name)) names << name;
        }
    } catch (const Error&) { }
    return names;
}

bool AnyLine(const LineSet& lines) {
    for (const OrderLines& order : lines)
        for (const Line& line : order)
            if (line.size() >= 2) return true;
    return false;
}

} // namespace

std::size_t MainWindow::depthMapLayer() const {
    if (!m_doc.DocumentLoaded || m_doc.SelectedLayer < 0 || m_doc.SelectedLayer >= m_doc.LayerCount)
        throw Error("Choose a layer in the layer table first");
    return static_cast<std::size_t>(m_doc.SelectedLayer);
}

void MainWindow::loadDepthMap() {
    const std::size_t k = depthMapLayer();
    // Before any dialog: setDepthMap refuses a member of a flip group (the group moves it).
    const std::uint8_t group = m_doc.Layers[k].Group;
    if (group != kGroupNone && group <= kGroupLastFlip)
        throw Error("Layer " + std::to_string(k + 1)
            + " belongs to a flip group, which moves it as a whole: it cannot take a depth map");
    const LanguageTexts& texts = TextsFor(m_language);
    const QString title = texts.depthMapTitle.arg(k + 1);
    FileDialogOptions options;
    options.title = title;
    options.filter = kDepthMapFilter;
    const LayerDepthMap* current = m_doc.depthMapOf(k);
    options.initialPath = current ? FromPath(current->path) : QFileInfo(Text(m_doc.PsdPath)).path();
    const QString path = m_platform.openFileName(this, options);
    if (path.isEmpty()) return;

    DepthMapDialog dialog(title, QFileInfo(path).fileName(), PsdLayerNames(path),
        current ? current->options : DepthMapOptions {}, m_language, this);
    if (!m_platform.runDialog(&dialog)) return;
    const bool outlines
        = m_doc.hasLines(k) || (static_cast<int>(k) == m_doc.SelectedLayer && AnyLine(m_doc.EditLines));
    if (outlines && !m_platform.askYesNo(this, title, texts.askReplaceOutlines.arg(k + 1))) return;

    m_platform.setBusyCursor(true);
    GreyPicture picture = ReadGreyPicture(ToPath(path), Std(dialog.psdLayer()));
    DepthMapOptions chosen = dialog.options();
    if (!chosen.wholeDocument)
        chosen.marginColumns = ExportedMarginColumns(m_doc, depthSettingsOf(k), picture);
    const QString size = QString(" (%1 x %2)").arg(picture.width).arg(picture.height);
    m_doc.setDepthMap(k, MakeLayerDepthMap(std::move(picture), ToPath(path), Std(dialog.psdLayer()), chosen));
    m_platform.setBusyCursor(false);
    m_session->markChanged();

    m_outlineEditor->linesReplaced();
    showGroupMarks();
    refreshDepthBudget();
    showPrompt(texts.msgDepthMapLoaded.arg(k + 1).arg(QDir::toNativeSeparators(path) + size));
    if (hasEditedLayer()) showDepthMap();
}

void MainWindow::clearDepthMap() {
    const std::size_t k = depthMapLayer();
    if (!m_doc.depthMapOf(k)) return;
    m_doc.clearDepthMap(k);
    m_session->markChanged();
    showGroupMarks();
    refreshDepthBudget();
    showPrompt(TextsFor(m_language).msgDepthMapCleared.arg(k + 1));
}

void MainWindow::saveDepthMap() {
    const std::size_t k = depthMapLayer();
    FileDialogOptions options;
    options.title = TextsFor(m_language).depthMapTitle.arg(k + 1);
    options.filter = "PNG, 16 bits (*.png);;BMP, 8 bits (*.bmp)";
    options.defaultSuffix = "png";
    options.initialPath
        = WithSuffix(m_doc.PsdPath, QString("-layer%1-depth.png").arg(k + 1).toUtf8().constData());
    const QString path = m_platform.saveFileName(this, options);
    if (path.isEmpty()) {
        reportNothingWritten();
        return;
    }
    refuseOutputOverInput(path, true);
    static const LineSet noLines;
    const LineSet& lines = static_cast<int>(k) == m_doc.SelectedLayer ? editedLines()
        : k < m_doc.LayerLines.size()                                 ? m_doc.LayerLines[k]
                                                                      : noLines;
    const Bitmap raster = LayerDepthRaster(m_doc, k, depthSettingsOf(k), lines);
    SaveDepthMap(raster, ToPath(path), IsPngPath(ToPath(path)));
    reportWritten(path, false);
}

void MainWindow::showLayerMenu(const QPoint& position) {
    StringGrid* grid = m_layerPanel->layerTable();
    const QModelIndex index = grid->indexAt(position);
    if (!index.isValid() || !m_doc.DocumentLoaded) return;
    grid->setCurrentCell(index.row(), LayerPanel::kOffsetColumn);
    selectLayer();
    m_clearDepthMapAction->setEnabled(
        m_doc.depthMapOf(static_cast<std::size_t>(m_doc.SelectedLayer)) != nullptr);
    m_layerMenu->popup(grid->viewport()->mapToGlobal(position));
}

void MainWindow::showGroupMarks() {
    StringGrid* grid = m_layerPanel->layerTable();
    const std::vector<LayerTableRow> rows = LayerTableRows(m_doc);
    for (std::size_t i = 0; i < rows.size(); ++i)
        grid->setCell(1, static_cast<int>(i) + 1, Text(rows[i].group));
}

void MainWindow::applyDepthMapsOf(const QString& setupPath) {
    const DepthMapListResult result = ApplyDepthMapList(ToPath(setupPath), m_doc, ReadGreyPicture);
    if (result.applied > 0) m_outlineEditor->linesReplaced();
    showGroupMarks();
    refreshDepthBudget();
    if (!result.problems.empty())
        showPrompt(TextsFor(m_language)
                       .msgDepthMapsNotLoaded.arg(Text(result.problems.front())
                           + (result.problems.size() > 1 ? QString(" (+%1)").arg(result.problems.size() - 1)
                                                         : QString())));
}

} // namespace deptrix
