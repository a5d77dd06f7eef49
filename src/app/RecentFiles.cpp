#include "app/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace deptrix {

namespace {

constexpr const char* kKey = "recentFiles";

QString Normalised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentFiles::RecentFiles(const QString& storePath, QObject* parent)
    : QObject(parent)
    , m_settings(storePath.isEmpty() ? std::make_unique<QSettings>()
                                     : std::make_unique<QSettings>(storePath, QSettings::IniFormat)) {
    for (const QString& path : m_settings->value(kKey).toStringList()) {
        if (path.isEmpty() || m_files.contains(path)) continue;
        m_files << path;
        if (m_files.size() == kMaxFiles) break;
    }
}

RecentFiles::~RecentFiles() = default;

void RecentFiles::attach(QMenu* menu) {
    m_menu = menu;
    rebuildMenu();
}

void RecentFiles::add(const QString& path) {
    const QString absolute = Normalised(path);
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > kMaxFiles) m_files.removeLast();
    store();
}

void RecentFiles::remove(const QString& path) {
    if (m_files.removeAll(Normalised(path)) == 0) return;
    store();
}

void RecentFiles::store() {
    m_settings->setValue(kKey, m_files);
    m_settings->sync();
    rebuildMenu();
}

void RecentFiles::rebuildMenu() {
    if (!m_menu) return;
    m_menu->clear();
    for (int i = 0; i < m_files.size(); ++i) {
        const QString path = m_files[i];
        // "&1 scene.psd" with the full path as the tip; names repeat across folders.
        const QString name = QFileInfo(path).fileName().replace('&', "&&");
        QAction* entry = m_menu->addAction(QString("&%1 %2").arg(i + 1).arg(name));
        entry->setToolTip(QDir::toNativeSeparators(path));
        connect(entry, &QAction::triggered, this, [this, path] { emit fileChosen(path); });
    }
    m_menu->setToolTipsVisible(true);
    m_menu->menuAction()->setEnabled(!m_files.isEmpty());
}

} // namespace deptrix
