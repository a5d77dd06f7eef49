#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace deptrix {

/// The folder for the temporary pictures of one running copy of the program.
/// On Windows it is "D:\qv58temp\" where a drive D: exists, else "c:\qv58temp\".
/// Elsewhere it is "qv58temp" under the user's cache location, owner-only; a second
/// copy running at the same time gets "qv58temp-2" (and so on), each guarded by a lock
/// file beside it, so two copies never delete each other's files. A folder of that
/// name that is not a real folder of the current user, or whose permissions cannot be
/// narrowed to the owner, is never used: the next name is taken and note() says why.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    /// Chooses, creates, checks and locks the folder under `base` (the cache location
    /// when empty), and makes sure a file can be created in it. A lock left by a copy
    /// that is no longer running is taken over and its files deleted at once. Throws
    /// Error with the reason when no folder can be used.
    void open(const QString& base = QString());

    bool isOpen() const { return !m_path.isEmpty(); }
    /// The folder, ending with a separator, so file names can be appended directly.
    const QString& path() const { return m_path; }

    /// Why the usual folder was passed over, for the status bar; empty when it was not.
    const QString& note() const { return m_note; }

    /// Deletes every file in the folder; sub-folders and failures are left alone.
    void emptyFiles() const;

    /// Releases the lock (the folder itself stays for the next run).
    void close();

private:
    QString m_path;
    QString m_note;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace deptrix
