#include "app/WorkFolder.h"

#include "core/Error.h"
#include "core/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace deptrix {

namespace {

constexpr int kMaxInstances = 64;

#ifdef Q_OS_WIN
QStringList WindowsCandidates() {
    const QString first = QDir("D:/").exists() ? "D:/qv58temp/" : "c:/qv58temp/";
    return { first, "d:/qv58temp/" };
}

// Creates `folder` unless it exists; refuses links and files.
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
    if (!info.exists() && !QDir().mkpath(folder)) {
        problem = "cannot create " + folder;
        return false;
    }
    return true;
}
#else
QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Creates and deletes a file, so that a folder we cannot write to shows at start and
// not at the first import.
QString ProbeWrite(const QString& folder) {
    const QByteArray probe = QFile::encodeName(folder + "/.deptrix-probe-" + QString::number(::getpid()));
    ::unlink(probe.constData());
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Reason(errno);
    ::close(fd);
    ::unlink(probe.constData());
    return {};
}
#endif

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
    QStringList passedOver;
    for (int instance = 1; instance <= kMaxInstances; ++instance) {
        const QString name = instance == 1 ? "qv58temp" : "qv58temp-" + QString::number(instance);
        const QString folder = QDir(root).filePath(name);
        const QString lockPath = folder + ".lock";
        const bool lockLeftBehind = QFileInfo(lockPath).exists() || QFileInfo(lockPath).isSymLink();
        auto lock = std::make_unique<QLockFile>(lockPath);
        lock->setStaleLockTime(0); // a copy that crashed leaves a stale lock; its PID tells
        if (!lock->tryLock(0)) continue;
        bool wasOpen = false;
        const QString problem = QString::fromStdString(
            MakePrivateFolder(QFile::encodeName(folder).toStdString(), OpenFolder::Narrow, wasOpen));
        if (!problem.isEmpty()) {
            passedOver << name + " (" + problem + ")";
            continue;
        }
        const QString unwritable = ProbeWrite(folder);
        if (!unwritable.isEmpty())
            throw Error("Cannot write to the work folder " + folder.toStdString() + " ("
                + unwritable.toStdString() + ")");
        m_lock = std::move(lock);
        m_path = QDir::cleanPath(folder) + "/";
        if (!passedOver.isEmpty())
            m_note = "The work folder " + passedOver.join(", ") + " in " + root + " is not used; " + name
                + " is used instead.";
        // A copy that ended without closing left its pictures; nobody else owns them.
        // Whatever others put in the folder while it was open to them goes too.
        if (lockLeftBehind || wasOpen) emptyFiles();
        return;
    }
    if (!passedOver.isEmpty())
        throw Error("Cannot use a work folder under " + root.toStdString() + ": "
            + passedOver.join(", ").toStdString());
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
    m_note.clear();
}

} // namespace deptrix
