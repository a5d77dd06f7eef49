#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QMenu;
class QSettings;

namespace deptrix {

/// The files opened last (PSDs and projects), newest first, kept per user between
/// runs, and the File menu's "Recent files" list that offers them.
class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxFiles = 8;

    /// `storePath` names an INI file to keep the list in; empty keeps it in the
    /// user's settings of the application.
    explicit RecentFiles(const QString& storePath, QObject* parent = nullptr);
    ~RecentFiles() override;

    /// Fills `menu` now and whenever the list changes.
    void attach(QMenu* menu);

    QStringList files() const { return m_files; }
    /// Puts `path` (made absolute) first, dropping its older place and the ninth file.
    void add(const QString& path);
    void remove(const QString& path);

signals:
    void fileChosen(const QString& path);

private:
    void store();
    void rebuildMenu();

    std::unique_ptr<QSettings> m_settings;
    QStringList m_files;
    QMenu* m_menu = nullptr;
};

} // namespace deptrix
