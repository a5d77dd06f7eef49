#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

namespace deptrix {

/// The main menu: its entries in menu order with captions, Chinese hints, shortcuts
/// and visibility. A shortcut belongs to the first entry in menu order that holds it,
/// shown or not; entries that are not shown keep working shortcuts.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMainWindow* window);

    /// The entry or menu (its menu action) with this object name; throws if unknown.
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;
    /// Whether the entry appears in its menu.
    bool isShown(const QString& name) const;
    /// Entry names in menu order.
    const std::vector<QString>& order() const { return m_order; }

private:
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, bool> m_shown;
    std::vector<QString> m_order;
};

} // namespace deptrix
