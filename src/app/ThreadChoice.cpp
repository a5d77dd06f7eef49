#include "app/ThreadChoice.h"

#include "core/TaskPool.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSettings>

namespace deptrix {

ThreadChoice::ThreadChoice(QMenu* parentMenu, QWidget* window, const QString& storePath)
    : QObject(window)
    , m_settings(storePath.isEmpty() ? std::make_unique<QSettings>()
                                     : std::make_unique<QSettings>(storePath, QSettings::IniFormat))
    , m_menu(new QMenu(QString::fromUtf8("&Threads"), window))
    , m_group(new QActionGroup(this)) {
    m_menu->setObjectName("Threads1");
    m_menu->menuAction()->setObjectName("Threads1");
    // The other language's caption, exchanged on a language switch.
    m_menu->menuAction()->setStatusTip(QString::fromUtf8("线程数(&T)"));
    parentMenu->addSeparator();
    parentMenu->addMenu(m_menu);
    const int cores = MachineThreads();
    const auto add = [&](int threads, const QString& caption, const QString& hint) {
        auto* entry = new QAction(caption, window);
        entry->setObjectName(QString("ThreadCount%1").arg(threads));
        entry->setStatusTip(hint);
        entry->setCheckable(true);
        entry->setData(threads);
        m_group->addAction(entry);
        m_menu->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, threads] { choose(threads); });
    };
    add(0, QString("&All cores (%1)").arg(cores), QString::fromUtf8("全部核心 (%1)(&A)").arg(cores));
    m_menu->addSeparator();
    // Fewer threads leave cores to other programs; the counts double, as cores come.
    for (int threads : { 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96, 128 }) {
        if (threads >= cores) break;
        add(threads, threads == 1 ? QString("1 thread") : QString("%1 threads").arg(threads),
            QString::fromUtf8("%1 个线程").arg(threads));
    }
    const int stored = m_settings->value(kKey, 0).toInt();
    choose(stored > 0 && stored < cores ? stored : 0);
}

ThreadChoice::~ThreadChoice() = default;

void ThreadChoice::choose(int threads) {
    const int cores = MachineThreads();
    m_chosen = threads > 0 && threads < cores ? threads : 0;
    for (QAction* entry : m_group->actions()) entry->setChecked(entry->data().toInt() == m_chosen);
    SetTaskThreads(m_chosen == 0 ? cores : m_chosen);
    if (m_settings->value(kKey, 0).toInt() != m_chosen) m_settings->setValue(kKey, m_chosen);
}

} // namespace deptrix
