#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace deptrix {

/// The folder for the temporary pictures of one running copy of the program.
/// On Windows it is "D:\qv58temp\" where a drive D: exists, else "c:\qv58temp\".
/// Elsewhere it is "qv58temp" under the user's cache location, created owner-only;
/// a second copy running at the same time gets "qv58temp-2" (and so on), each guarded
/// by a lock file beside it, so two copies never delete each other's files.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    /// Chooses, creates and locks the folder under `base` (the cache location when
    /// empty). Throws Error with the reason when no folder can be made.
    void open(const QString& base = QString());

    bool isOpen() const { return !m_path.isEmpty(); }
    /// The folder, ending with a separator, so file names can be appended directly.
    const QString& path() const { return m_path; }

    /// Deletes every file in the folder; sub-folders and failures are left alone.
    void emptyFiles() const;

    /// Releases the lock (the folder itself stays for the next run).
    void close();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace deptrix
