// Opening a file named on the command line, dropped on the window or chosen from the
// recent files, and the print choices kept in the same store.

#include "app/DocumentSession.h"
#include "app/EarlyImport.h"
#include "app/FileDrop.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/PrintChoices.h"
#include "app/RecentFiles.h"
#include "app/TextAndPaths.h"
#include "app/ThreadChoice.h"
#include "core/Error.h"
#include "core/WorkFileWriter.h"

#include <QFileInfo>
#include <QToolButton>

namespace deptrix {

namespace {

bool IsPsd(const QFileInfo& file) {
    return file.suffix().compare("psd", Qt::CaseInsensitive) == 0
        || file.suffix().compare("psb", Qt::CaseInsensitive) == 0;
}

bool IsProject(const QFileInfo& file) {
    return file.suffix().compare("tw3d", Qt::CaseInsensitive) == 0
        || file.suffix().compare("tw3d2", Qt::CaseInsensitive) == 0;
}

} // namespace

void MainWindow::connectFileSources(const AppEnvironment& environment) {
    m_recentFiles = new RecentFiles(environment.recentFilesStore, this);
    m_printChoices = std::make_unique<PrintChoices>(environment.recentFilesStore);
    m_threadChoice = new ThreadChoice(m_menu->entries().editMenu, this, environment.recentFilesStore);
    m_recentFiles->attach(m_menu->entries().recentFilesMenu);
    m_fileDrop = new FileDrop(this, { "psd", "psb", "tw3d", "tw3d2" });
    auto open = [this](const QString& path) { m_guard.run([this, path] { openFile(path); }); };
    connect(m_recentFiles, &RecentFiles::fileChosen, this, open);
    // The drop ends first, so the program that dragged the file is not kept waiting.
    connect(m_fileDrop, &FileDrop::fileDropped, this, open, Qt::QueuedConnection);
}

void MainWindow::openFile(const QString& path) {
    const QFileInfo file(path);
    const std::string name = file.fileName().toStdString();
    // A playback in progress (either preview locks the import button) holds the
    // document's pictures; it has to end first.
    if (!m_importButton->isEnabled()) throw Error("Stop the preview before opening " + name);
    if (!file.isFile()) {
        m_recentFiles->remove(path);
        throw Error(file.absoluteFilePath().toStdString() + ": file not found");
    }
    if (!IsPsd(file) && !IsProject(file))
        throw Error(name + ": not a PSD, PSB or project (.tw3d, .tw3d2) file");
    if (!m_session->maybeSave()) return;
    if (IsPsd(file))
        importPsdFile(file.absoluteFilePath());
    else
        openProjectFile(file.absoluteFilePath());
}

void MainWindow::startEarlyImport(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile() || !IsPsd(file) || !m_work.isOpen()) return;
    // As an import would, before the reader writes the new document's files.
    SharedWorkFileWriter().cancel();
    m_work.emptyFiles();
    if (!m_earlyImport) m_earlyImport = std::make_unique<EarlyImport>();
    m_earlyImport->start(file.absoluteFilePath(), m_doc, ToPath(m_work.path()));
}

} // namespace deptrix
