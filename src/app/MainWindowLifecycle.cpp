// Start-up and shutdown of the main window.

#include "app/AppFolders.h"
#include "app/CommandGuard.h"
#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/EarlyImport.h"
#include "app/LayerPanel.h"
#include "app/LayerPreviewPlayer.h"
#include "app/MainWindow.h"
#include "app/OutlinePanel.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/PreviewPlayer.h"
#include "app/PrintChoices.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "app/Viewport.h"
#include "core/Error.h"
#include "core/WorkFileWriter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace deptrix {

namespace {

// The configuration file sits beside a program that is not installed when that folder
// can be written, else in the user's configuration folder.
QString ConfigFolder(const AppEnvironment& environment, const QString& exeFolder) {
    if (!environment.configFolder.isEmpty()) return environment.configFolder;
    if (ConfigBesideProgram(exeFolder)) return exeFolder;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(user);
    return user;
}

// The user's "keep this file as it is": a file without write permission (for anyone,
// so the owner's own 0444 counts even where the program runs with more rights).
bool IsReadOnlyFile(const QString& path) {
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0
        || ::access(QFile::encodeName(path).constData(), W_OK) != 0;
}

} // namespace

MainWindow::MainWindow(Platform& platform, const AppEnvironment& environment, QWidget* parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_guard(platform, this) {
    createControls();
    connectFileSources(environment);
    createSession(environment);
    m_player = std::make_unique<PreviewPlayer>(m_doc, *m_viewport, *m_frameTimer);
    m_layerPlayer = std::make_unique<LayerPreviewPlayer>(m_doc, *m_viewport->picture(), *m_frameTimer);
    qApp->installEventFilter(this);
    startUp(environment);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    if (!m_closed) shutDown();
}

void MainWindow::startUp(const AppEnvironment& environment) {
    // 1. The work folder. Without one the window still opens; commands that need it
    //    report the problem when they run.
    try {
        m_work.open(environment.workBase);
    } catch (const Error& error) {
        m_platform.showError(this, QString::fromUtf8(error.what()));
    }
    // A folder passed over for safety is worth a line; the prompt follows it later.
    if (!m_work.note().isEmpty()) m_statusPanels->setText(StatusPanels::kPromptPanel, " " + m_work.note());
    // 2.
    m_exeFolder
        = environment.exeFolder.isEmpty() ? QCoreApplication::applicationDirPath() : environment.exeFolder;
    m_configPath = QDir(ConfigFolder(environment, m_exeFolder)).filePath(kConfigFileName);
    // 3. Document defaults.
    m_doc.AspectRatio = kFixedOne;
    m_doc.DocumentLoaded = false;
    m_doc.OutlinesStale = true;
    m_doc.FrontStep = kFixedOne;
    m_doc.BackStep = kFixedOne;
    m_doc.LayerCount = 3;
    m_doc.FocusRow = 2;
    m_doc.DepthFactor = kFixedOne;
    m_setLayerTab->activate();
    // 4. and 5.
    readConfiguration();
    m_parameterPanel->showConfig(m_config);
    // 6.
    m_config.Reserved[kStartedField] = 1;
    m_doc.AppStage = kStageNothingImported;
    // 7. to 10.
    m_language = 0;
    setProgramTexts(TextsFor(0));
    m_statusPanels->setText(StatusPanels::kDpiCaptionPanel, "DPI:");
    if (m_statusPanels->text(StatusPanels::kPromptPanel).isEmpty())
        m_statusPanels->setText(StatusPanels::kPromptPanel, "  Please import *.psd.");
    m_promptText = m_statusPanels->text(StatusPanels::kPromptPanel);
    m_doc.CurrentView = 0;
    m_doc.SelectedLayer = 0;
    // 11. The order check boxes are kept by the outline panel in order.
    // 12. The seven view pictures exist empty until the first preview.
    m_doc.resetViews();
}

void MainWindow::readConfiguration() {
    const std::filesystem::path path = ToPath(m_configPath);
    // A damaged file keeps the values read before the bad field and is kept beside
    // itself, so rewriting it at once loses nothing; the window still starts.
    ConfigLoad load;
    if (QFileInfo::exists(m_configPath)) load = LoadConfigFile(path);
    m_config = load.values;
    RepairConfig(m_config);
    ApplyConfig(m_config, m_doc);
    writeConfiguration(m_config);
    if (!load.complete) m_platform.showMessage(this, QString::fromStdString(load.message(path)));
}

void MainWindow::writeConfiguration(const ConfigValues& values) {
    if (IsReadOnlyFile(m_configPath)) {
        if (m_configReadOnlyShown) return;
        m_configReadOnlyShown = true;
        const QString note
            = TextsFor(m_language).msgConfigReadOnly.arg(QDir::toNativeSeparators(m_configPath));
        const QString shown = m_statusPanels->text(StatusPanels::kPromptPanel);
        m_statusPanels->setText(StatusPanels::kPromptPanel, shown + note);
        return;
    }
    m_guard.run([&] { WriteConfigFile(ToPath(m_configPath), values); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool mayClose = m_closed;
    if (!mayClose) m_guard.run([&] { mayClose = m_session->mayClose(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    if (!m_closed) shutDown();
    for (const QPointer<QWidget>& window : m_auxiliary)
        if (window) window->close();
    m_auxiliary.clear();
    event->accept();
}

void MainWindow::shutDown() {
    m_closed = true;
    // 1. End the running loops; they notice at their next tick.
    m_doc.AnimStop = kAnimStopValue;
    m_doc.LinePreviewStop = kLinePreviewStopValue;
    // 2. A resolution equal to the automatic one is stored as "(Auto)".
    if (m_doc.OutDpi == m_doc.Lpi * 7) m_doc.OutDpi = kAutoDpi;
    // 3.
    ConfigValues values = m_config;
    StoreConfig(m_doc, values);
    values.Language = m_language;
    // Closing goes on when the file cannot be written; only this run's settings are lost.
    writeConfiguration(values);
    // 4. and 5.
    m_player->releaseViews();
    m_doc.release();
    // 6.
    if (m_earlyImport) m_earlyImport->discard(); // a reading started for the splash
    SharedWorkFileWriter().cancel(); // nothing may still be writing into the folder
    m_work.emptyFiles();
    m_work.close();
    // 8.
    m_doc.resetViews();
}

} // namespace deptrix
