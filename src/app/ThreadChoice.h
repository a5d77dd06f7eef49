#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QSettings;
class QWidget;

namespace deptrix {

/// How many threads the window's work uses (Edit > Threads, entries ThreadCountN with
/// N = 0 for all cores): all cores unless the
/// user chose fewer. The choice is kept in the program's settings store beside the
/// other window choices, never in configuration, settings or project files, and
/// applies at once and at every start.
class ThreadChoice : public QObject {
    Q_OBJECT
public:
    /// Settings key of the choice; 0 (or none) means all cores.
    static constexpr const char* kKey = "window/threads";

    /// Adds the submenu to `menu` and applies the stored choice. An empty `storePath`
    /// means the user's settings.
    ThreadChoice(QMenu* menu, QWidget* window, const QString& storePath);
    ~ThreadChoice() override;

    QMenu* menu() const { return m_menu; }
    /// The threads chosen; 0 for all cores.
    int chosen() const { return m_chosen; }
    void choose(int threads);

private:
    std::unique_ptr<QSettings> m_settings;
    QMenu* m_menu;
    QActionGroup* m_group;
    int m_chosen = 0;
};

} // namespace deptrix
