// Opening and saving settings and project files. The reader and the writer live in
// the files library; the window shows them its fields through WindowSetupTarget.

#include "app/AppFolders.h"
#include "app/Controls.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/Platform.h"
#include "app/RecentFiles.h"
#include "app/TextAndPaths.h"
#include "app/WindowSetupTarget.h"
#include "files/DepthMapList.h"
#include "files/SetupFileReader.h"
#include "files/SetupFileWriter.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QToolButton>

namespace deptrix {

namespace {

constexpr const char* kOpenFilter = "tw3d (*.tw3d);;tw3d2 (*.tw3d2)";
constexpr const char* kSaveFilter = "tw3d2 (*.tw3d2)";

} // namespace

void MainWindow::openProject() {
    if (m_doc.DocumentLoaded && !m_platform.askYesNo(this, "Confirm", "continue?")) return;
    FileDialogOptions options;
    options.title = "Open project";
    options.filter = kOpenFilter;
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
    const ProjectOpenResult result
        = OpenProjectFile(ToPath(path), m_doc, fields, [this](const std::filesystem::path& image) {
              importPsdFile(FromPath(image), ImportOrigin::Project);
          });
    if (!result.opened) {
        m_platform.showMessage(this, kImageMissingMessage);
        return;
    }
    applyDepthMapsOf(path);
    m_recentFiles->add(path);
}

void MainWindow::openSettings() {
    FileDialogOptions options;
    options.title = "Open settings";
    options.filter = kOpenFilter;
    options.initialPath = WithSuffix(m_doc.PsdPath, ".tw3d2");
    const QString path = m_platform.openFileName(this, options);
    if (path.isEmpty()) return;
    m_settingsFileName = path;
    readSettings(path);
}

void MainWindow::openDefaultSettings() {
    if (m_doc.PsdPath.empty()) return;
    const QString path = WithSuffix(m_doc.PsdPath, ".tw3d");
    if (QFileInfo(path).isFile()) readSettings(path);
}

void MainWindow::readSettings(const QString& path) {
    WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
    OpenSettingsFile(ToPath(path), m_doc, fields);
    m_outlineEditor->linesReplaced();
    applyDepthMapsOf(path);
}

void MainWindow::saveSettings() {
    FileDialogOptions options;
    options.title = "Save settings";
    options.filter = kSaveFilter;
    options.defaultSuffix = "tw3d2";
    options.initialPath = WithSuffix(m_doc.PsdPath, ".tw3d2");
    const QString path = m_platform.saveFileName(this, options);
    if (!path.isEmpty()) saveSetup(path);
}

void MainWindow::saveDefaultSettings() {
    saveSetup(WithSuffix(m_doc.PsdPath, ".tw3d"));
}

void MainWindow::saveProject() {
    FileDialogOptions options;
    options.title = "Save project";
    options.filter = kSaveFilter;
    options.defaultSuffix = "tw3d2";
    options.initialPath = WithSuffix(m_doc.PsdPath, ".tw3d2");
    QString path = m_platform.saveFileName(this, options);
    if (path.isEmpty()) return;
    // Opening a project looks for its picture in the project's own folder.
    const QFileInfo picture(QString::fromStdString(m_doc.PsdPath));
    const QFileInfo chosen(path);
    if (chosen.absoluteDir() != picture.absoluteDir()) {
        const QString beside = picture.absoluteDir().filePath(chosen.fileName());
        const QString question
            = QString("A project opens only from the folder of its picture, and %1 is not in %2.\n"
                      "Save the project beside the picture as %3 instead%4?")
                  .arg(picture.fileName(), QDir::toNativeSeparators(chosen.absolutePath()),
                      QDir::toNativeSeparators(beside),
                      QFileInfo::exists(beside) ? " (replacing the file there)" : "");
        if (m_platform.askYesNo(this, "Save project", question)) path = beside;
    }
    saveSetup(path);
}

void MainWindow::saveSetup(const QString& path) {
    refuseOutputOverInput(path, false);
    // The lines drawn on the layer open in the outline editor are saved with the rest.
    const LineSet* edited
        = m_pages->currentWidget() == m_drawLineTab && !m_doc.EditLines.empty() ? &m_doc.EditLines : nullptr;
    const WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
    SaveSetupFile(ToPath(path), m_doc, fields, edited);
    // The depth maps go beside it, leaving the file as other programs read it.
    SaveDepthMapList(ToPath(path), m_doc);
}

void MainWindow::enableSaving(bool enabled) {
    const MenuEntries& menu = m_menu->entries();
    for (QAction* action : { menu.saveProject, menu.saveDefaultSettings, menu.saveSettings })
        action->setEnabled(enabled);
    m_saveProjectButton->setEnabled(enabled);
}

} // namespace deptrix
