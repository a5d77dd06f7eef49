#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QKeySequence;
class QMainWindow;
class QMenu;

namespace deptrix {

/// The menus and entries of the main menu, named after what they hold or do. Each
/// keeps its form name as its objectName (the table in MainMenu.cpp).
struct MenuEntries {
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* helpMenu = nullptr;

    QAction* openProject = nullptr;
    QAction* importPsd = nullptr;
    QMenu* recentFilesMenu = nullptr; ///< filled by RecentFiles
    QAction* openDefaultSettings = nullptr;
    QAction* openSettings = nullptr;
    QAction* saveProject = nullptr;
    QAction* saveProjectAs = nullptr;
    QAction* saveDefaultSettings = nullptr;
    QAction* saveSettings = nullptr;
    QAction* preview = nullptr;
    QAction* stopPreview = nullptr;
    QAction* showAnaglyph = nullptr;
    QAction* writeStereoPair = nullptr;
    QAction* exportGif = nullptr;
    QAction* exportTiff = nullptr;
    QAction* pitchTestSheet = nullptr;
    QAction* exportPsd = nullptr;
    QAction* exportLinesPsd = nullptr;
    QAction* quit = nullptr;

    QAction* beginLine = nullptr;
    QAction* undoPoint = nullptr;
    QAction* deleteLine = nullptr;
    QAction* deleteOrder = nullptr;
    QAction* deleteAllLines = nullptr;
    QAction* deleteSelection = nullptr;
    QAction* selectAllLines = nullptr;
    QAction* freeTransform = nullptr;
    QAction* cutLines = nullptr;
    QAction* copyLines = nullptr;
    QAction* pasteLines = nullptr;
    QAction* undoLineEdit = nullptr;
    QAction* redoLineEdit = nullptr;

    QAction* zoomIn = nullptr;
    QAction* zoomOut = nullptr;
    QAction* zoomToFit = nullptr;
    QAction* zoomToActualSize = nullptr;
    QAction* showWorkFolder = nullptr;
    QAction* showDepthMap = nullptr;
    QAction* saveDepthMap = nullptr;
    QAction* fitDepthToLens = nullptr;

    QAction* showHelp = nullptr;
    QAction* showAbout = nullptr;
    QAction* openWebLink = nullptr;
    QAction* switchLanguage = nullptr;
};

/// The main menu: its entries in menu order with captions, Chinese hints, shortcuts
/// and visibility. A shortcut belongs to the first entry in menu order that holds it,
/// shown or not; entries that are not shown keep working shortcuts.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMainWindow* window);

    const MenuEntries& entries() const { return m_entries; }

    /// The entry or menu (its menu action) with this objectName; throws if unknown.
    QAction* action(const QString& objectName) const;
    /// Whether the entry appears in its menu.
    bool isShown(const QString& objectName) const;
    /// Whether an entry of the menu (shown or not) has `key` as one of its shortcuts.
    bool holdsShortcut(const QKeySequence& key) const;
    /// Entry objectNames in menu order.
    const std::vector<QString>& order() const { return m_order; }

private:
    void addRecentFilesMenu(QMainWindow* window);

    MenuEntries m_entries;
    QHash<QString, QAction*> m_actions;
    QHash<QString, bool> m_shown;
    std::vector<QString> m_order;
};

} // namespace deptrix
