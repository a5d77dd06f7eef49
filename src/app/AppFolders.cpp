#include "app/AppFolders.h"

#include <QDir>
#include <QFileInfo>

namespace deptrix {

QString InstalledDataFolder(const QString& exeFolder) {
    const QString data = QDir::cleanPath(exeFolder + "/" DEPTRIX_DATA_FROM_PROGRAM);
    return QFileInfo(data).isDir() ? data : QString();
}

QString SampleFolder(const QString& exeFolder) {
    const QString beside = QDir(exeFolder).filePath("sample");
    if (QFileInfo(beside).isDir()) return beside;
    const QString data = InstalledDataFolder(exeFolder);
    return data.isEmpty() ? beside : data + "/sample";
}

bool ConfigBesideProgram(const QString& exeFolder) {
    // An installed program's folder is shared by every user (and writable by root,
    // where a file would outlive the package).
    if (!InstalledDataFolder(exeFolder).isEmpty()) return false;
    const QFileInfo folder(exeFolder);
    return folder.isDir() && folder.isWritable();
}

} // namespace deptrix
