#pragma once

#include "app/RecoveryStore.h"

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QTimer;
class QWidget;

namespace deptrix {

class OutlineEditor;
class Platform;
struct Document;
struct LanguageTexts;

/// What the session has the window do.
struct SessionActions {
    /// Writes the whole set-up as a project file at `path`; throws Error when it cannot.
    std::function<void(const QString& path)> writeProject;
    /// The set-up as a save writes it; throws when a field is not a number.
    std::function<std::string()> setupText;
    /// The depth map list a save writes beside a project in `folder`; empty without maps.
    std::function<std::string(const QString& folder)> depthMapText;
    /// Imports the picture of a recovery copy and applies its set-up; throws on failure.
    std::function<void(const RecoveredWork& work)> restore;
    /// A line for the status bar.
    std::function<void(const QString& text)> report;
    /// The language of the window's texts (0 English, 1 Chinese).
    std::function<int()> language;
};

/// The document's file state: the project it came from or was last saved to, whether
/// it has changes since (a change counter and the position saved, with the outline
/// editor's history telling whether the lines are back at their saved step), the
/// question before those changes would be lost, Save and Save As, and the recovery copy
/// of unsaved work. The window's commands ask it; the window's title follows
/// modifiedChanged().
///
/// Only changes of what a save writes count: offsets, the fields of a settings file,
/// outlines, outline parameters. Texts the program puts into fields while a file is
/// read or a picture imported are no changes.
class DocumentSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kRecoveryDelayMs = 30000;

    DocumentSession(Document& doc, OutlineEditor& lines, Platform& platform, QWidget* window,
        const QString& recoveryFolder, SessionActions actions);
    ~DocumentSession() override;

    /// The window title for `caption`, with the mark Qt replaces by "*" while there
    /// are unsaved changes.
    static QString TitleFor(const QString& caption) { return caption + "[*]"; }

    // --- Changes -----------------------------------------------------------------

    bool modified() const;
    /// Something a save writes was changed by the user (one call per change, from any
    /// source: a field, a cell, an outline parameter, a depth map).
    void markChanged();
    /// The outline editor changed the lines or stepped through its history.
    void linesEdited();

    /// While it lives, a file is being read into the document: the texts it puts into
    /// fields are not changes.
    class Reading {
    public:
        explicit Reading(DocumentSession& session);
        ~Reading();
        Reading(const Reading&) = delete;
        Reading& operator=(const Reading&) = delete;

    private:
        DocumentSession& m_session;
    };

    // --- Replacing the document ------------------------------------------------------

    /// An import starts: the old document and its project are gone.
    void beginReplacement();
    /// The new document is complete and as saved: a picture (`projectPath` empty) or
    /// a project.
    void endReplacement(const QString& projectPath = QString());
    /// The replacement stopped part-way: what the window holds now is not saved anywhere.
    void replacementFailed();
    bool replacing() const { return m_replacing; }

    QString projectPath() const { return m_projectPath; }
    /// The project's file name, else the picture's.
    QString documentName() const;

    // --- Questions and saving ----------------------------------------------------------

    /// Before the document is replaced or closed: with unsaved changes, asks "Save
    /// changes to NAME?" (Save / Discard / Cancel). False when the user cancels or the
    /// Save As dialog is cancelled; a failed save throws.
    bool maybeSave();
    /// Saves to the project file without a dialog, or asks where the first time.
    bool save();
    /// Asks where, then saves there; the project file from then on.
    bool saveAs();

    // --- Recovery ---------------------------------------------------------------------

    /// Whether a close may go on: writes the recovery copy of unsaved changes, then asks
    /// (unless the close needs no answer). Throws when the save chosen fails.
    bool mayClose();
    /// Closes from now on go on without a question, the unsaved changes kept only in
    /// the recovery copy, which is written at once (a close requested by the system,
    /// which may end the program before a running command gives way).
    void closeWithoutQuestions();
    /// Offers the unsaved work of windows that ended without taking it back, newest
    /// first, until one is restored.
    void offerRecovery();
    /// How long after a change the recovery copy is written (tests shorten it).
    void setRecoveryDelay(int milliseconds);
    const RecoveryStore& recoveryStore() const { return m_store; }

signals:
    /// Changes of modified(), and only those.
    void modifiedChanged(bool modified);
    /// The document was saved as the project at `path`.
    void saved(const QString& path);

private:
    void refresh();
    void writeTo(const QString& path);
    void writeRecoveryCopy();
    void removeRecoveryCopy();
    const LanguageTexts& texts() const;

    Document& m_doc;
    OutlineEditor& m_lines;
    Platform& m_platform;
    QWidget* m_window;
    SessionActions m_actions;
    RecoveryStore m_store;
    QTimer* m_recoveryTimer;
    QString m_projectPath;
    long long m_changes = 0;
    long long m_savedChanges = 0;
    int m_reading = 0;
    bool m_replacing = false;
    bool m_unattended = false;
    bool m_shownModified = false;
    bool m_recoveryProblemShown = false;
};

} // namespace deptrix
