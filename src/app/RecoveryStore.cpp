#include "app/RecoveryStore.h"

#include "app/TextAndPaths.h"
#include "core/Error.h"
#include "core/FileIo.h"
#include "files/SetupFileReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr const char* kMagicLine = "Deptrix recovery copy";
constexpr const char* kCopySuffix = ".recovery";
constexpr const char* kLockSuffix = ".recovery.lock";
constexpr const char* kLineEnd = "\r\n";

std::string Reason(int error) {
    return std::strerror(error);
}

QByteArray Encoded(const QString& path) {
    return QFile::encodeName(path);
}

/// Opens a lock file without following a link; -1 when that fails.
int OpenLock(const QString& path, bool create) {
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0);
    return ::open(Encoded(path).constData(), flags, 0600);
}

/// Whether a window still holds the lock at `path`. A lock file that cannot be opened
/// counts as held, so a copy is never offered on a guess.
bool LockHeld(const QString& path) {
    if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink()) return false;
    const int fd = OpenLock(path, false);
    if (fd < 0) return errno != ENOENT;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd); // releases a lock taken just now
    return held;
}

/// The three header lines and the set-up after them; false for anything else.
bool ParseCopy(const std::string& bytes, RecoveredWork& work) {
    std::string lines[3];
    size_t at = 0;
    for (std::string& line : lines) {
        const size_t end = bytes.find(kLineEnd, at);
        if (end == std::string::npos) return false;
        line = bytes.substr(at, end - at);
        at = end + 2;
    }
    if (lines[0] != kMagicLine || lines[1].empty()) return false;
    work.picturePath = Text(lines[1]);
    work.projectPath = Text(lines[2]);
    work.setupText = bytes.substr(at);
    return true;
}

} // namespace

RecoveryStore::RecoveryStore(QString folder)
    : m_folder(std::move(folder)) {
    static std::atomic<int> windows { 0 };
    if (m_folder.isEmpty())
        m_folder
            = QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath("recovery");
    m_folder = QDir::cleanPath(m_folder);
    m_name = QString("deptrix-%1-%2").arg(::getpid()).arg(++windows);
}

RecoveryStore::~RecoveryStore() {
    // A copy that is still there outlives the window and is offered at the next start.
    if (m_lockFd >= 0) {
        ::unlink(Encoded(QDir(m_folder).filePath(m_name + kLockSuffix)).constData());
        ::close(m_lockFd);
    }
}

QString RecoveryStore::copyPath() const {
    return QDir(m_folder).filePath(m_name + kCopySuffix);
}

void RecoveryStore::prepareFolder() {
    const QFileInfo parent(QFileInfo(m_folder).absolutePath());
    if (!parent.exists() && !QDir().mkpath(parent.absoluteFilePath()))
        throw Error("Cannot create the folder " + Std(parent.absoluteFilePath()));
    // The copies hold the user's work: the folder must be a real folder of this user
    // that nobody else can enter.
    const QByteArray name = Encoded(m_folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw Error("Cannot create the recovery folder " + Std(m_folder) + " (" + Reason(errno) + ")");
    const int dir = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        throw Error("The recovery folder " + Std(m_folder) + " cannot be used (" + Reason(errno) + ")");
    struct stat info { };
    const bool examined = ::fstat(dir, &info) == 0;
    const bool mine = examined && info.st_uid == ::geteuid();
    const bool narrowed = mine && ((info.st_mode & 077) == 0 || ::fchmod(dir, 0700) == 0);
    ::close(dir);
    if (!mine) throw Error("The recovery folder " + Std(m_folder) + " belongs to another user");
    if (!narrowed)
        throw Error("The permissions of the recovery folder " + Std(m_folder) + " cannot be narrowed");
}

void RecoveryStore::takeLock() {
    if (m_lockFd >= 0) return;
    const QString path = QDir(m_folder).filePath(m_name + kLockSuffix);
    const int fd = OpenLock(path, true);
    if (fd < 0) throw Error("Cannot create " + Std(path) + " (" + Reason(errno) + ")");
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        throw Error("Cannot lock " + Std(path) + " (" + Reason(error) + ")");
    }
    m_lockFd = fd;
}

namespace {

void WriteOwnerOnly(const QString& path, const std::string& text) {
    WriteFileAtomically(
        ToPath(path), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    ::chmod(Encoded(path).constData(), 0600);
}

} // namespace

void RecoveryStore::write(const QString& picturePath, const QString& projectPath,
    const std::string& setupText, const std::string& depthMaps) {
    prepareFolder();
    // The lock comes first, so no other window ever sees this copy without it.
    takeLock();
    // The maps before the copy that refers to them: a copy is never newer than its maps.
    const QString mapsPath = depthMapsOf(copyPath());
    if (!depthMaps.empty())
        WriteOwnerOnly(mapsPath, depthMaps);
    else if (::unlink(Encoded(mapsPath).constData()) != 0 && errno != ENOENT)
        throw Error("Cannot remove " + Std(mapsPath) + " (" + Reason(errno) + ")");
    const std::string text = std::string(kMagicLine) + kLineEnd + Std(picturePath) + kLineEnd
        + Std(projectPath) + kLineEnd + setupText;
    m_written = true;
    WriteOwnerOnly(copyPath(), text);
}

void RecoveryStore::remove() {
    if (!m_written) return;
    ::unlink(Encoded(copyPath()).constData());
    ::unlink(Encoded(depthMapsOf(copyPath())).constData());
    m_written = false;
}

bool RecoveryStore::hasCopy() const {
    return QFileInfo(copyPath()).isFile();
}

std::vector<RecoveredWork> RecoveryStore::leftBehind() const {
    std::vector<RecoveredWork> found;
    QDir dir(m_folder);
    if (!dir.exists() || QFileInfo(m_folder).isSymLink()) return found;
    for (const QString& name : dir.entryList({ QString("*") + kLockSuffix }, QDir::Files | QDir::System)) {
        const QString copy = dir.filePath(name.chopped(static_cast<int>(std::strlen(".lock"))));
        if (!QFileInfo::exists(copy) && !LockHeld(dir.filePath(name))) dir.remove(name);
    }
    for (const QString& name : dir.entryList({ QString("*") + kCopySuffix }, QDir::Files)) {
        RecoveredWork work;
        work.copyPath = dir.filePath(name);
        const QFileInfo copy(work.copyPath);
        if (copy.isSymLink() || LockHeld(work.copyPath + ".lock")) continue;
        std::string bytes;
        try {
            const std::vector<std::uint8_t> data
                = ReadFileBytes(ToPath(work.copyPath), kMaxSetupFileBytes + 4096);
            bytes.assign(data.begin(), data.end());
        } catch (const Error&) {
            continue;
        }
        // A copy that is not ours in form, or whose picture has gone, stays for the user.
        if (!ParseCopy(bytes, work) || !QFileInfo(work.picturePath).isFile()) continue;
        work.writtenAt = copy.lastModified();
        found.push_back(std::move(work));
    }
    std::sort(found.begin(), found.end(),
        [](const RecoveredWork& a, const RecoveredWork& b) { return a.writtenAt > b.writtenAt; });
    return found;
}

void RecoveryStore::discard(const RecoveredWork& work) {
    QFile::remove(work.copyPath);
    QFile::remove(depthMapsOf(work.copyPath));
    QFile::remove(work.copyPath + ".lock");
}

} // namespace deptrix
