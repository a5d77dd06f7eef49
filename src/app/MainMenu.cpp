#include "app/MainMenu.h"

#include "app/Texts.h"
#include "core/Error.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <cstring>

namespace deptrix {

namespace {

using E = MenuEntries;

struct MenuDef {
    QMenu* E::*menu;
    const char* name;
    const char* caption;
    const char* hint;
};

struct EntryDef {
    QMenu* E::*menu;
    QAction* E::*entry; ///< null for a separator
    const char* name;
    const char* caption;
    const char* hint; ///< Chinese caption, exchanged with the caption on a language switch
    const char* shortcut;
    bool shown;
    bool enabled;
};

constexpr MenuDef kMenus[] = {
    { &E::fileMenu, "N2", "&File", "文件(&F)" },
    { &E::editMenu, "N10", "&Edit", "编辑(&E)" },
    { &E::viewMenu, "N15", "&View", "显示(&V)" },
    { &E::helpMenu, "N20", "&Help", "帮助(&H)" },
};

// Menu order decides which entry owns a shared shortcut (F3).
constexpr EntryDef kEntries[] = {
    { &E::fileMenu, &E::openProject, "Openproject1", "&Open project", "打开项目(&O)", "Ctrl+O", true, true },
    { &E::fileMenu, &E::importPsd, "N6", "&Import psd file", "导入PSD(&I)", "Ctrl+I", true, true },
    { &E::fileMenu, &E::openDefaultSettings, "Opensettingsdefault1", "Open Default settings", "打开同名设置",
        "F2", false, true },
    { &E::fileMenu, &E::openSettings, "N3", "Open se&ttings", "打开为设置(&O)", "Ctrl+Alt+O", true, true },
    { &E::fileMenu, nullptr, nullptr, nullptr, nullptr, nullptr, true, true },
    { &E::fileMenu, &E::saveProject, "Saveproject1", "&Saveproject", "保存项目(&S)", "Ctrl+S", true, false },
    { &E::fileMenu, &E::saveProjectAs, "SaveprojectAs1", "Save project &as...", "项目另存为(&A)...",
        "Ctrl+Shift+S", true, false },
    { &E::fileMenu, &E::saveDefaultSettings, "Savedefaultsettings1", "Save Default settings", "保存同名设置",
        "F3", false, false },
    { &E::fileMenu, &E::saveSettings, "N4", "S&ave settings", "另存为设置(&S)", "Ctrl+Alt+S", true, false },
    { &E::fileMenu, nullptr, nullptr, nullptr, nullptr, nullptr, true, true },
    { &E::fileMenu, &E::preview, "N18", "Pre&View 3D animation", "动画预览3D(&V)", "F9", true, true },
    { &E::fileMenu, &E::stopPreview, "N25", "S&top preview", "停止预览(&T)", "F10", true, true },
    { &E::fileMenu, &E::showAnaglyph, "N26", "&Red/Blue Glasses preview", "红绿眼镜观看(&G)", "F11", true,
        true },
    { &E::fileMenu, &E::writeStereoPair, "Stereopair1", "Stereo pair (.jps)", "立体对(.jps)", "", true,
        false },
    { &E::fileMenu, &E::exportGif, "ExportGif1", "Export &Gif", "输出Gif动画(&G)", "Ctrl+G", true, false },
    { &E::fileMenu, &E::exportTiff, "Exporttiff1", "&Export *.tiff", "输出Tiff(&E)", "Ctrl+E", true, false },
    { &E::fileMenu, &E::pitchTestSheet, "PitchTestSheet1", "Pitch test sheet...", "光栅间距测试图...", "",
        true, true },
    { &E::fileMenu, &E::exportPsd, "ExportPSD1", "E&xport PSD", "输出PSD(&X)", "Ctrl+Alt+E", true, false },
    { &E::fileMenu, &E::exportLinesPsd, "ExportLinesPSD1", "Export &Lines PSD", "输出勾线PSD(&L)", "", false,
        false },
    { &E::fileMenu, nullptr, nullptr, nullptr, nullptr, nullptr, true, true },
    { &E::fileMenu, &E::quit, "N9", "&Quit", "退出(&Q)", "Ctrl+Q", true, true },
    { &E::editMenu, &E::beginLine, "N23", "&Begin draw line", "开始勾线(&B)", "Ctrl+B", true, true },
    { &E::editMenu, &E::undoPoint, "N14", "&Undo", "反悔勾线(&U)", "Ctrl+Z", true, true },
    { &E::editMenu, &E::deleteLine, "N11", "&Delete line", "删除单条线(&D)", "", true, true },
    { &E::editMenu, &E::deleteOrder, "N12", "Delete &Layer", "删除单层线(&L)", "", true, true },
    { &E::editMenu, &E::deleteAllLines, "N13", "Delete A&ll", "删除所有线(&A)", "", true, true },
    { &E::editMenu, nullptr, nullptr, nullptr, nullptr, nullptr, true, true },
    { &E::editMenu, &E::deleteSelection, "DeleteSelect1", "&Delete Select", "删除所选(&D)", "Del", true,
        true },
    { &E::editMenu, &E::selectAllLines, "SelectAll1", "Select &All", "全选(&A)", "Ctrl+A", true, true },
    { &E::editMenu, &E::freeTransform, "FreeTransition1", "Free &Transition", "自由变换(&T)", "Ctrl+T", true,
        true },
    { &E::editMenu, &E::cutLines, "Cut1", "&Cut", "剪切(&C)", "Ctrl+X", true, true },
    { &E::editMenu, &E::copyLines, "CopyLines1", "C&opy lines", "复制勾线(&O)", "Ctrl+C", true, true },
    { &E::editMenu, &E::pasteLines, "Pastup1", "Pastup", "粘贴(&P)", "Ctrl+V", true, true },
    { &E::editMenu, nullptr, nullptr, nullptr, nullptr, nullptr, true, true },
    { &E::editMenu, &E::undoLineEdit, "UndoLineEdit1", "Undo line edit", "撤销勾线编辑", "Ctrl+Alt+Z", true,
        true },
    { &E::editMenu, &E::redoLineEdit, "RedoLineEdit1", "Redo line edit", "重做勾线编辑", "Ctrl+Shift+Z", true,
        true },
    { &E::viewMenu, &E::zoomIn, "N16", "Zoom &In", "放大(&I)", "F3", true, true },
    { &E::viewMenu, &E::zoomOut, "N17", "Zoom &Out", "缩小(&O)", "F4", true, true },
    { &E::viewMenu, &E::zoomToFit, "Zoomfit1", "&Fit to window", "适合窗口(&F)", "Ctrl+0", true, true },
    { &E::viewMenu, &E::zoomToActualSize, "Zoomactual1", "&Actual size (100 %)", "实际大小(&A)", "Ctrl+1",
        true, true },
    { &E::viewMenu, &E::showWorkFolder, "Showgrouptiff1", "&Show work folder", "显示系列图(&S)", "", true,
        true },
    { &E::viewMenu, &E::showDepthMap, "DepthMap1", "&Depth map", "深度图(&D)", "", true, true },
    { &E::viewMenu, &E::saveDepthMap, "SaveDepthMap1", "Sa&ve depth map...", "保存深度图(&V)...", "", true,
        true },
    { &E::viewMenu, &E::fitDepthToLens, "FitDepthToLens1", "&Fit depth to lens", "按光栅调整深度(&F)", "",
        true, false },
    { &E::helpMenu, &E::showHelp, "N21", "&Help", "帮助(&H)", "F1", true, true },
    { &E::helpMenu, &E::showAbout, "N22", "&About", "关于(&A)", "F12", true, true },
    { &E::helpMenu, &E::openWebLink, "Weblink1", kWebLinkCaption, kWebLinkCaptionChinese, "", true, true },
    { &E::helpMenu, &E::switchLanguage, "Languages1", "&Languages", "语言", "Ctrl+Alt+C", false, true },
};

// Keys of our own beside an entry's first one; the usual zoom keys, since F3 belongs to
// the hidden "Save Default settings".
struct MoreKeys {
    const char* name;
    const char* keys; ///< separated by "; "
};

constexpr MoreKeys kMoreKeys[] = {
    { "N16", "Ctrl++; Ctrl+=" },
    { "N17", "Ctrl+-" },
};

const char* MoreKeysOf(const char* name) {
    for (const MoreKeys& more : kMoreKeys)
        if (std::strcmp(more.name, name) == 0) return more.keys;
    return "";
}

} // namespace

MainMenu::MainMenu(QMainWindow* window)
    : QObject(window) {
    QMenuBar* bar = window->menuBar();
    bar->setObjectName("MainMenu1");
    for (const MenuDef& def : kMenus) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(def.caption));
        menu->setObjectName(def.name);
        menu->menuAction()->setObjectName(def.name);
        menu->menuAction()->setStatusTip(QString::fromUtf8(def.hint));
        m_entries.*def.menu = menu;
        m_actions.insert(def.name, menu->menuAction());
    }
    QSet<QKeySequence> taken;
    for (const EntryDef& def : kEntries) {
        QMenu* menu = m_entries.*def.menu;
        if (!def.entry) {
            menu->addSeparator();
            continue;
        }
        auto* action = new QAction(QString::fromUtf8(def.caption), window);
        action->setObjectName(def.name);
        // The menu hint holds the other language's caption; status tips are not shown.
        action->setStatusTip(QString::fromUtf8(def.hint));
        action->setEnabled(def.enabled);
        QList<QKeySequence> keys { QKeySequence(QString::fromLatin1(def.shortcut)) };
        keys << QKeySequence::listFromString(QString::fromLatin1(MoreKeysOf(def.name)));
        keys.removeIf([&](const QKeySequence& key) { return key.isEmpty() || taken.contains(key); });
        for (const QKeySequence& key : keys) taken.insert(key);
        if (!keys.isEmpty()) {
            action->setShortcuts(keys);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (def.shown)
            menu->addAction(action);
        else
            window->addAction(action); // not in a menu, yet its shortcut works
        m_entries.*def.entry = action;
        m_actions.insert(def.name, action);
        m_shown.insert(def.name, def.shown);
        m_order.push_back(def.name);
    }
    // Redo has the second shortcut most programs give it.
    m_entries.redoLineEdit->setShortcuts({ QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y") });
    addRecentFilesMenu(window);
}

void MainMenu::addRecentFilesMenu(QMainWindow* window) {
    // Below the open and import entries, before the save entries.
    QMenu* file = m_entries.fileMenu;
    const QList<QAction*> actions = file->actions();
    const qsizetype save = actions.indexOf(m_entries.saveProject);
    QAction* before = save > 0 ? actions[save - 1] : nullptr;
    QMenu* recent = new QMenu(QString::fromUtf8("&Recent files"), window);
    recent->setObjectName("Recentfiles1");
    recent->menuAction()->setObjectName("Recentfiles1");
    recent->menuAction()->setStatusTip(QString::fromUtf8("最近的文件(&R)"));
    file->insertMenu(before, recent);
    m_entries.recentFilesMenu = recent;
    m_actions.insert("Recentfiles1", recent->menuAction());
}

QAction* MainMenu::action(const QString& objectName) const {
    QAction* action = m_actions.value(objectName);
    if (!action) throw Error("no menu entry " + objectName.toStdString());
    return action;
}

bool MainMenu::holdsShortcut(const QKeySequence& key) const {
    for (const QAction* action : m_actions)
        if (action->shortcuts().contains(key)) return true;
    return false;
}

bool MainMenu::isShown(const QString& objectName) const {
    return m_shown.value(objectName, true);
}

} // namespace deptrix
