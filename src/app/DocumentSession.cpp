#include "app/DocumentSession.h"

#include "app/Platform.h"
#include "app/TextAndPaths.h"
#include "app/Texts.h"
#include "core/Document.h"
#include "core/Error.h"
#include "outline/OutlineEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

namespace deptrix {

DocumentSession::DocumentSession(Document& doc, OutlineEditor& lines, Platform& platform, QWidget* window,
    const QString& recoveryFolder, SessionActions actions)
    : QObject(nullptr)
    , m_doc(doc)
    , m_lines(lines)
    , m_platform(platform)
    , m_window(window)
    , m_actions(std::move(actions))
    , m_store(recoveryFolder)
    , m_recoveryTimer(new QTimer(this)) {
    m_recoveryTimer->setSingleShot(true);
    m_recoveryTimer->setInterval(kRecoveryDelayMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, &DocumentSession::writeRecoveryCopy);
}

DocumentSession::~DocumentSession() = default;

// --- Changes -------------------------------------------------------------------------

bool DocumentSession::modified() const {
    if (!m_doc.DocumentLoaded || m_replacing) return false;
    return m_changes != m_savedChanges || !m_lines.linesAsSaved();
}

void DocumentSession::markChanged() {
    if (m_reading > 0 || m_replacing || !m_doc.DocumentLoaded) return;
    ++m_changes;
    refresh();
}

void DocumentSession::linesEdited() {
    refresh();
}

void DocumentSession::refresh() {
    const bool now = modified();
    // The copy is written at most the delay after a change: a timer that runs already
    // takes the newer changes along. Without changes (undone back to the save, say)
    // there is nothing to recover.
    if (!now)
        removeRecoveryCopy();
    else if (!m_recoveryTimer->isActive())
        m_recoveryTimer->start();
    if (now == m_shownModified) return;
    m_shownModified = now;
    emit modifiedChanged(now);
}

DocumentSession::Reading::Reading(DocumentSession& session)
    : m_session(session) {
    ++m_session.m_reading;
}

DocumentSession::Reading::~Reading() {
    --m_session.m_reading;
}

// --- Replacing the document ----------------------------------------------------------

void DocumentSession::beginReplacement() {
    // The question before the replacement was answered; what it kept is saved.
    removeRecoveryCopy();
    m_projectPath.clear();
    m_replacing = true;
    refresh();
}

void DocumentSession::endReplacement(const QString& projectPath) {
    m_replacing = false;
    m_projectPath = projectPath.isEmpty() ? QString() : QFileInfo(projectPath).absoluteFilePath();
    m_savedChanges = m_changes;
    m_lines.markLinesSaved();
    refresh();
}

void DocumentSession::replacementFailed() {
    m_replacing = false;
    // Whatever was read before the failure is in the window but in no file; a save
    // must ask where, so the project that failed to open is not overwritten.
    m_projectPath.clear();
    if (m_doc.DocumentLoaded) ++m_changes;
    refresh();
}

const LanguageTexts& DocumentSession::texts() const {
    return TextsFor(m_actions.language());
}

QString DocumentSession::documentName() const {
    if (!m_projectPath.isEmpty()) return QFileInfo(m_projectPath).fileName();
    return QFileInfo(Text(m_doc.PsdPath)).fileName();
}

// --- Questions and saving ------------------------------------------------------------

bool DocumentSession::maybeSave() {
    if (!modified()) return true;
    const int answer
        = m_platform.askChoice(m_window, ProductTitle(), texts().askSaveChanges.arg(documentName()),
            { texts().answerSave, texts().answerDiscard, texts().answerCancel });
    if (answer == 0) return save();
    if (answer != 1) return false;
    removeRecoveryCopy();
    // A command that goes on without replacing the document (its dialog cancelled)
    // leaves changes that need a copy again.
    m_recoveryTimer->start();
    return true;
}

bool DocumentSession::save() {
    if (m_projectPath.isEmpty()) return saveAs();
    writeTo(m_projectPath);
    return true;
}

bool DocumentSession::saveAs() {
    FileDialogOptions options;
    options.title = "Save project as";
    options.filter = kProjectSaveFilter;
    options.defaultSuffix = "tw3d2";
    options.initialPath = m_projectPath.isEmpty() ? WithSuffix(m_doc.PsdPath, ".tw3d2") : m_projectPath;
    QString path = m_platform.saveFileName(m_window, options);
    if (path.isEmpty()) {
        m_actions.report(texts().msgNothingWritten);
        return false;
    }
    // Opening a project looks for its picture in the project's own folder.
    const QFileInfo picture(Text(m_doc.PsdPath));
    const QFileInfo chosen(path);
    if (chosen.absoluteDir() != picture.absoluteDir()) {
        const QString beside = picture.absoluteDir().filePath(chosen.fileName());
        const QString question
            = QString("A project opens only from the folder of its picture, and %1 is not in %2.\n"
                      "Save the project beside the picture as %3 instead%4?")
                  .arg(picture.fileName(), QDir::toNativeSeparators(chosen.absolutePath()),
                      QDir::toNativeSeparators(beside),
                      QFileInfo::exists(beside) ? " (replacing the file there)" : "");
        if (m_platform.askYesNo(m_window, "Save project", question)) path = beside;
    }
    writeTo(path);
    return true;
}

void DocumentSession::writeTo(const QString& path) {
    m_actions.writeProject(path);
    m_projectPath = QFileInfo(path).absoluteFilePath();
    m_savedChanges = m_changes;
    m_lines.markLinesSaved();
    removeRecoveryCopy();
    refresh();
    emit saved(m_projectPath);
}

// --- Recovery ------------------------------------------------------------------------

bool DocumentSession::mayClose() {
    if (!modified()) return true;
    writeRecoveryCopy();
    if (m_unattended) return true;
    return maybeSave();
}

void DocumentSession::closeWithoutQuestions() {
    m_unattended = true;
    writeRecoveryCopy();
}

void DocumentSession::setRecoveryDelay(int milliseconds) {
    m_recoveryTimer->setInterval(milliseconds);
}

void DocumentSession::writeRecoveryCopy() {
    m_recoveryTimer->stop();
    if (!modified()) return;
    try {
        m_store.write(Text(m_doc.PsdPath), m_projectPath, m_actions.setupText(),
            m_actions.depthMapText(m_store.folder()));
    } catch (const ConvertError&) {
        // A field is half typed; the next change brings the copy up to date.
        m_recoveryTimer->start();
    } catch (const std::exception& error) {
        if (m_recoveryProblemShown) return;
        m_recoveryProblemShown = true;
        m_actions.report(texts().msgRecoveryFailed.arg(QString::fromUtf8(error.what())));
    }
}

void DocumentSession::removeRecoveryCopy() {
    m_recoveryTimer->stop();
    m_store.remove();
}

void DocumentSession::offerRecovery() {
    for (const RecoveredWork& work : m_store.leftBehind()) {
        const QString name
            = QFileInfo(work.projectPath.isEmpty() ? work.picturePath : work.projectPath).fileName();
        const QString time = QLocale().toString(work.writtenAt, QLocale::ShortFormat);
        const int answer = m_platform.askChoice(m_window, ProductTitle(),
            texts().askRestoreWork.arg(name, time), { texts().answerRestore, texts().answerDiscard });
        if (answer == 1) RecoveryStore::discard(work);
        if (answer != 0) continue; // closed unanswered: offered again at the next start
        if (!maybeSave()) return;
        m_actions.restore(work);
        // The work is unsaved again, now in this window's copy; the old copy can go.
        ++m_changes;
        refresh();
        writeRecoveryCopy();
        RecoveryStore::discard(work);
        m_actions.report(texts().msgRestored.arg(name, time));
        return;
    }
}

} // namespace deptrix
