#include "app/WorkFolder.h"

#include "core/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace deptrix {

namespace {

constexpr int kMaxInstances = 64;

#ifdef Q_OS_WIN
QStringList WindowsCandidates() {
    const QString first = QDir("D:/").exists() ? "D:/qv58temp/" : "c:/qv58temp/";
    return { first, "d:/qv58temp/" };
}
#endif

// Creates `folder` owner-only unless it exists; refuses links and files.
bool PrepareFolder(const QString& folder, QString& problem) {
    const QFileInfo info(folder);
    if (info.isSymLink()) {
        problem = folder + " is a symbolic link";
        return false;
    }
    if (info.exists() && !info.isDir()) {
        problem = folder + " exists and is not a folder";
        return false;
    }
    if (!info.exists()) {
        if (!QDir().mkpath(folder)) {
            problem = "cannot create " + folder;
            return false;
        }
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

} // namespace

WorkFolder::WorkFolder() = default;
WorkFolder::~WorkFolder() {
    close();
}

void WorkFolder::open(const QString& base) {
    close();
#ifdef Q_OS_WIN
    QString problem;
    for (const QString& candidate : WindowsCandidates()) {
        if (PrepareFolder(candidate, problem)) {
            m_path = candidate;
            return;
        }
    }
    throw Error("File access denied: " + problem.toStdString());
#else
    const QString root
        = base.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) : base;
    if (root.isEmpty()) throw Error("No cache folder is available for the work folder");
    if (!QDir().mkpath(root)) throw Error("Cannot create the folder " + root.toStdString());
    QString problem;
    for (int instance = 1; instance <= kMaxInstances; ++instance) {
        const QString name = instance == 1 ? "qv58temp" : "qv58temp-" + QString::number(instance);
        const QString folder = QDir(root).filePath(name);
        auto lock = std::make_unique<QLockFile>(folder + ".lock");
        lock->setStaleLockTime(0); // a copy that crashed leaves a stale lock; its PID tells
        if (!lock->tryLock(0)) continue;
        if (!PrepareFolder(folder, problem))
            throw Error("Cannot use the work folder: " + problem.toStdString());
        m_lock = std::move(lock);
        m_path = QDir::cleanPath(folder) + "/";
        return;
    }
    throw Error("Cannot use a work folder under " + root.toStdString() + ": too many copies are running");
#endif
}

void WorkFolder::emptyFiles() const {
    if (m_path.isEmpty()) return;
    QDir dir(m_path);
    if (!dir.exists()) return;
    const QFileInfo folderInfo(QDir::cleanPath(m_path));
    if (folderInfo.isSymLink()) return;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) dir.remove(name);
}

void WorkFolder::close() {
    if (m_lock) m_lock->unlock();
    m_lock.reset();
    m_path.clear();
}

} // namespace deptrix
