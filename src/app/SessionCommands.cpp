// The document session: saving projects, the unsaved-changes mark and its sources,
// the recovery copy and closes asked for by the system.

#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/LayerPanel.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/OutlinePanel.h"
#include "app/ParameterPanel.h"
#include "app/RecentFiles.h"
#include "app/TextAndPaths.h"
#include "app/WindowSetupTarget.h"
#include "files/DepthMapList.h"
#include "files/SetupFileReader.h"
#include "files/SetupFileWriter.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

namespace deptrix {

void MainWindow::createSession(const AppEnvironment& environment) {
    SessionActions actions;
    actions.writeProject = [this](const QString& path) { saveSetup(path); };
    actions.setupText = [this] {
        const WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
        return FormatSetupFile(m_doc, fields, linesInEditor());
    };
    actions.depthMapText
        = [this](const QString& folder) { return FormatDepthMapList(m_doc, ToPath(folder)); };
    actions.restore = [this](const RecoveredWork& work) { restoreWork(work); };
    actions.report = [this](const QString& text) { showPrompt(text); };
    actions.language = [this] { return static_cast<int>(m_language); };
    m_session = std::make_unique<DocumentSession>(
        m_doc, m_outlineEditor->editor(), m_platform, this, environment.recoveryFolder, std::move(actions));
    if (environment.recoveryDelayMs > 0) m_session->setRecoveryDelay(environment.recoveryDelayMs);
    connect(m_session.get(), &DocumentSession::modifiedChanged, this, &QWidget::setWindowModified);
    connect(m_session.get(), &DocumentSession::saved, this, [this](const QString& path) {
        m_recentFiles->add(path);
        reportWritten(path);
    });
    connectChangeSources();
}

void MainWindow::connectChangeSources() {
    DocumentSession* session = m_session.get();
    auto changed = [session] { session->markChanged(); };
    // Offsets: the program fills the table only while it imports or reads a file.
    connect(m_layerPanel->layerTable(), &QTableWidget::cellChanged, session, [session](int row, int column) {
        if (row >= 1 && column == LayerPanel::kOffsetColumn) session->markChanged();
    });
    ParameterPanel& fields = *m_parameterPanel;
    for (QLineEdit* field : { fields.lpiField(), fields.anglesField(), fields.focusField(),
             fields.depthField(), fields.widthField(), fields.heightField(), fields.hScaleField() })
        connect(field, &QLineEdit::textChanged, session, changed);
    connect(fields.dpiField(), &QComboBox::currentTextChanged, session, changed);
    connect(fields.colorModeField(), &QComboBox::currentIndexChanged, session, changed);
    // The outline parameters are set by the program whenever the DrawLine tab opens a
    // layer: only the user's own edits count.
    connect(m_outlinePanel->depthField(), &QLineEdit::textEdited, session, changed);
    for (QSlider* slider : { m_outlinePanel->smoothnessSlider(), m_outlinePanel->baseOrderSlider() })
        connect(slider, &QSlider::actionTriggered, session, changed);
    connect(m_outlineEditor, &OutlineEditorController::linesEdited, session, &DocumentSession::linesEdited);
}

void MainWindow::saveProject() {
    m_session->save();
}

void MainWindow::saveProjectAs() {
    m_session->saveAs();
}

void MainWindow::offerRecovery() {
    m_guard.run([this] { m_session->offerRecovery(); });
}

void MainWindow::restoreWork(const RecoveredWork& work) {
    SetupFileReader reader(work.setupText, Std(QFileInfo(work.copyPath).fileName()));
    reader.readImageLine();
    importPsdFile(work.picturePath, ImportOrigin::Project);
    WindowSetupTarget fields(*this, *m_parameterPanel, *m_layerPanel, m_platform);
    try {
        // As a project does: the LPI the work had goes back into the field.
        reader.apply(SetupKind::Project, m_doc, fields);
        // The maps the work had, unsaved or saved with its project, came along.
        applyDepthMapsOf(work.copyPath);
    } catch (...) {
        markFocusRow();
        m_session->replacementFailed();
        throw;
    }
    markFocusRow();
    m_session->endReplacement(work.projectPath);
}

void MainWindow::closeWithoutQuestions() {
    m_session->closeWithoutQuestions();
    // A question or dialog that is open ends as if cancelled, so the command that
    // asked it returns; the close follows once it has.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) dialog->reject();
    }
    // Playbacks end at their next frame.
    m_doc.AnimStop = kAnimStopValue;
    m_doc.LinePreviewStop = kLinePreviewStopValue;
    closeWhenIdle();
}

void MainWindow::closeWhenIdle() {
    // Never in the middle of a command (an import lets events through while it reads).
    QTimer::singleShot(m_guard.busy() ? 20 : 0, this, [this] {
        if (m_guard.busy())
            closeWhenIdle();
        else
            close();
    });
}

} // namespace deptrix
