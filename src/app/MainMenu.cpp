#include "app/MainMenu.h"

#include "app/Texts.h"
#include "core/Error.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QSet>

namespace deptrix {

namespace {

struct MenuDef {
    const char* name;
    const char* caption;
    const char* hint;
};

struct EntryDef {
    const char* menu;
    const char* name;
    const char* caption;
    const char* hint; ///< Chinese caption, exchanged with the caption on a language switch
    const char* shortcut;
    bool shown;
    bool enabled;
};

constexpr MenuDef kMenus[] = {
    { "N2", "&File", "文件(&F)" },
    { "N10", "&Edit", "编辑(&E)" },
    { "N15", "&View", "显示(&V)" },
    { "N20", "&Help", "帮助(&H)" },
};

// Menu order decides which entry owns a shared shortcut (F3).
constexpr EntryDef kEntries[] = {
    { "N2", "Openproject1", "&Open project", "", "Ctrl+O", true, true },
    { "N2", "N6", "&Import psd file", "导入PSD(&I)", "Ctrl+I", true, true },
    { "N2", "Opensettingsdefault1", "Open Default settings", "打开同名设置", "F2", false, true },
    { "N2", "N3", "Open se&ttings", "打开为设置(&O)", "Ctrl+Alt+O", true, true },
    { "N2", nullptr, nullptr, nullptr, nullptr, true, true },
    { "N2", "Saveproject1", "&Saveproject", "", "Ctrl+S", true, false },
    { "N2", "Savedefaultsettings1", "Save Default settings", "保存同名设置", "F3", false, false },
    { "N2", "N4", "S&ave settings", "另存为设置(&S)", "Ctrl+Alt+S", true, false },
    { "N2", nullptr, nullptr, nullptr, nullptr, true, true },
    { "N2", "N18", "Pre&View 3D animation", "动画预览3D(&V)", "F9", true, true },
    { "N2", "N25", "S&top preview", "停止预览(&T)", "F10", true, true },
    { "N2", "N26", "&Red/Blue Glasses preview", "红绿眼镜观看(&G)", "F11", true, true },
    { "N2", "Stereopair1", "Stereo pair (.jps)", "", "", true, false },
    { "N2", "ExportGif1", "Export &Gif", "", "Ctrl+G", true, false },
    { "N2", "Exporttiff1", "&Export *.tiff", "", "Ctrl+E", true, false },
    { "N2", "ExportPSD1", "E&xport PSD", "", "Ctrl+Alt+E", true, false },
    { "N2", "ExportLinesPSD1", "Export &Lines PSD", "", "", false, false },
    { "N2", nullptr, nullptr, nullptr, nullptr, true, true },
    { "N2", "N9", "&Quit", "退出(&Q)", "Ctrl+Q", true, true },
    { "N10", "N23", "&Begin draw line", "开始勾线(&B)", "Ctrl+B", true, true },
    { "N10", "N14", "&Undo", "反悔勾线(&U)", "Ctrl+Z", true, true },
    { "N10", "N11", "&Delete line", "删除单条线(&D)", "", true, true },
    { "N10", "N12", "Delete &Layer", "删除单层线(&L)", "", true, true },
    { "N10", "N13", "Delete A&ll", "删除所有线(&A)", "", true, true },
    { "N10", nullptr, nullptr, nullptr, nullptr, true, true },
    { "N10", "DeleteSelect1", "&Delete Select", "", "Del", true, true },
    { "N10", "SelectAll1", "Select &All", "", "Ctrl+A", true, true },
    { "N10", "FreeTransition1", "Free &Transition", "", "Ctrl+T", true, true },
    { "N10", "Cut1", "&Cut", "", "Ctrl+X", true, true },
    { "N10", "Pastup1", "Pastup", "", "Ctrl+V", true, true },
    { "N15", "N16", "Zoom &In", "放大(&I)", "F3", true, true },
    { "N15", "N17", "Zoom &Out", "缩小(&O)", "F4", true, true },
    { "N15", "Showgrouptiff1", "&Show work folder", "显示系列图(&S)", "", true, true },
    { "N20", "N21", "&Help", "帮助(&H)", "F1", true, true },
    { "N20", "N22", "&About", "关于(&A)", "F12", true, true },
    { "N20", "Weblink1", kWebLinkCaption, "", "", true, true },
    { "N20", "Languages1", "&Languages", "语言", "Ctrl+Alt+C", false, true },
};

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
        m_menus.insert(def.name, menu);
        m_actions.insert(def.name, menu->menuAction());
    }
    QSet<QKeySequence> taken;
    for (const EntryDef& def : kEntries) {
        QMenu* menu = m_menus.value(def.menu);
        if (!def.name) {
            menu->addSeparator();
            continue;
        }
        auto* action = new QAction(QString::fromUtf8(def.caption), window);
        action->setObjectName(def.name);
        // The menu hint holds the other language's caption; status tips are not shown.
        action->setStatusTip(QString::fromUtf8(def.hint));
        action->setEnabled(def.enabled);
        const QKeySequence key(QString::fromLatin1(def.shortcut));
        if (!key.isEmpty() && !taken.contains(key)) {
            taken.insert(key);
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (def.shown)
            menu->addAction(action);
        else
            window->addAction(action); // not in a menu, yet its shortcut works
        m_actions.insert(def.name, action);
        m_shown.insert(def.name, def.shown);
        m_order.push_back(def.name);
    }
}

QAction* MainMenu::action(const QString& name) const {
    QAction* action = m_actions.value(name);
    if (!action) throw Error("no menu entry " + name.toStdString());
    return action;
}

QMenu* MainMenu::menu(const QString& name) const {
    return m_menus.value(name);
}

bool MainMenu::isShown(const QString& name) const {
    return m_shown.value(name, true);
}

} // namespace deptrix
