#pragma once

#include <QFileInfo>
#include <QString>
#include <filesystem>
#include <string>

namespace deptrix {

/// A path the window holds as text, as the core's file functions take it.
inline std::filesystem::path ToPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

inline QString FromPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

/// A path of the document (UTF-8) with its extension replaced by `suffix`.
inline QString WithSuffix(const std::string& path, const char* suffix) {
    const QFileInfo info(QString::fromStdString(path));
    return info.path() + "/" + info.completeBaseName() + suffix;
}

/// A UTF-8 text of the core as a Qt text, and back.
inline QString Text(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string Std(const QString& text) {
    return text.toStdString();
}

} // namespace deptrix
