// Opening and saving settings and project files. The reader and the writer live in
// the files library; the window shows them its fields through WindowSetupTarget.

#include "app/AppFolders.h"
#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/Platform.h"
#include "app/RecentFiles.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "app/WindowSetupTarget.h"
#include "files/DepthMapList.h"
#include "files/SetupFileReader.h"
#include "files/SetupFileWriter.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTabWidget>
#include <QToolButton>

namespace deptrix {

void MainWindow::openProject() {
    // Unsaved changes ask their own question, which takes the place of "continue?".
    if (m_session->modified()) {
        if (!m_session->maybeSave()) return;
    } else if (m_doc.DocumentLoaded && !m_platform.askYesNo(this, "Confirm", "continue?")) {
        return;
    }
    FileDialogOptions options;
    options.title = "Open project";
    options.filter = kProjectOpenFilter;
    options.initialPath = SampleFolder(m_exeFolder);
    const QString path = m_platform.openFileName(this, options);
    if (path.isEmpty()) {
        m_platform.beep();
        return;
    }
    openProjectFile(path);
}

void MainWindow::openProjectFile(const QString& path) {
    m_settingsFileName = path;
    WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
    // Once the picture is imported, a failure leaves its document half set up.
    auto failed = qScopeGuard([this] {
        if (!m_session->replacing()) return;
        markFocusRow();
        m_session->replacementFailed();
    });
    const ProjectOpenResult result
        = OpenProjectFile(ToPath(path), m_doc, fields, [this](const std::filesystem::path& image) {
              importPsdFile(FromPath(image), ImportOrigin::Project);
          });
    failed.dismiss();
    if (!result.opened) {
        m_platform.showMessage(this, kImageMissingMessage);
        return;
    }
    applyDepthMapsOf(path);
    markFocusRow();
    m_session->endReplacement(path);
    m_recentFiles->add(path);
}

void MainWindow::openSettings() {
    if (!m_session->maybeSave()) return;
    FileDialogOptions options;
    options.title = "Open settings";
    options.filter = kProjectOpenFilter;
    options.initialPath = WithSuffix(m_doc.PsdPath, ".tw3d2");
    const QString path = m_platform.openFileName(this, options);
    if (path.isEmpty()) return;
    m_settingsFileName = path;
    readSettings(path);
}

void MainWindow::openDefaultSettings() {
    if (m_doc.PsdPath.empty()) return;
    const QString path = WithSuffix(m_doc.PsdPath, ".tw3d");
    if (!QFileInfo(path).isFile() || !m_session->maybeSave()) return;
    readSettings(path);
}

void MainWindow::readSettings(const QString& path) {
    // The reader resets the line store before it can fail, and what it read up to a
    // failure stays applied: the editor and the focus mark follow either way, and the
    // document differs from its project from now on.
    auto follow = qScopeGuard([this] {
        m_outlineEditor->linesReplaced();
        markFocusRow();
        m_session->markChanged();
    });
    WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
    const DocumentSession::Reading reading(*m_session);
    OpenSettingsFile(ToPath(path), m_doc, fields);
    applyDepthMapsOf(path);
}

void MainWindow::markFocusRow() {
    if (m_doc.DocumentLoaded) m_layerPanel->markFocusRow(m_doc.FocusRow, m_doc.LayerCount);
}

void MainWindow::saveSettings() {
    FileDialogOptions options;
    options.title = "Save settings";
    options.filter = kProjectSaveFilter;
    options.defaultSuffix = "tw3d2";
    options.initialPath = WithSuffix(m_doc.PsdPath, ".tw3d2");
    const QString path = m_platform.saveFileName(this, options);
    if (path.isEmpty()) {
        reportNothingWritten();
        return;
    }
    saveSetup(path);
    reportWritten(path);
}

void MainWindow::saveDefaultSettings() {
    const QString path = WithSuffix(m_doc.PsdPath, ".tw3d");
    saveSetup(path);
    reportWritten(path);
}

const LineSet* MainWindow::linesInEditor() const {
    return m_pages->currentWidget() == m_drawLineTab && !m_doc.EditLines.empty() ? &m_doc.EditLines : nullptr;
}

void MainWindow::saveSetup(const QString& path) {
    refuseOutputOverInput(path, false);
    // The lines drawn on the layer open in the outline editor are saved with the rest.
    const WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
    SaveSetupFile(ToPath(path), m_doc, fields, linesInEditor());
    // The depth maps go beside it, leaving the file as other programs read it.
    SaveDepthMapList(ToPath(path), m_doc);
}

void MainWindow::enableSaving(bool enabled) {
    const MenuEntries& menu = m_menu->entries();
    for (QAction* action :
        { menu.saveProject, menu.saveProjectAs, menu.saveDefaultSettings, menu.saveSettings })
        action->setEnabled(enabled);
}

} // namespace deptrix
