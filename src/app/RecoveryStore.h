#pragma once

#include <QDateTime>
#include <QString>
#include <string>
#include <vector>

namespace deptrix {

/// Unsaved work that a window kept for recovery and did not take back.
struct RecoveredWork {
    QString copyPath; ///< the recovery copy itself
    QString picturePath; ///< the PSD the set-up belongs to
    QString projectPath; ///< the project it came from or was saved to; empty when none
    QDateTime writtenAt;
    std::string setupText; ///< the set-up as a save writes it
};

/// The recovery copies of unsaved work, in an owner-only folder (by default "recovery"
/// in the user's configuration folder). Each window keeps its own copy, named after
/// its process and a number, beside a lock file that the window holds while it runs:
/// a copy whose lock nobody holds was left by a window that ended without taking it
/// back (killed, crashed, or closed by the system with unsaved changes).
class RecoveryStore {
public:
    explicit RecoveryStore(QString folder = QString());
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    const QString& folder() const { return m_folder; }
    /// This window's copy (whether or not it exists now).
    QString copyPath() const;

    /// Writes this window's copy in place of its last one, atomically: the picture's
    /// path, the project's path and the set-up, and beside it the depth map list a save
    /// writes beside a project (`depthMaps`, removed when empty). Throws Error with the
    /// reason.
    void write(const QString& picturePath, const QString& projectPath, const std::string& setupText,
        const std::string& depthMaps);
    /// Removes this window's copy, if there is one.
    void remove();
    bool hasCopy() const;

    /// Copies of windows that no longer run whose picture still exists, newest first.
    /// Lock files left without a copy are cleared on the way.
    std::vector<RecoveredWork> leftBehind() const;
    /// The depth map list beside a copy, for reading it back as beside a project.
    static QString depthMapsOf(const QString& copyPath) { return copyPath + ".depth"; }
    /// Removes a copy found by leftBehind() with its depth map list and lock file.
    static void discard(const RecoveredWork& work);

private:
    void prepareFolder();
    void takeLock();

    QString m_folder;
    QString m_name; ///< "deptrix-<process>-<number>"
    int m_lockFd = -1;
    bool m_written = false; ///< this window's copy may exist
};

} // namespace deptrix
