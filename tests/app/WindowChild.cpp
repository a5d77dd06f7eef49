// A window in a process of its own, for the tests that end it with a signal. Usage:
//   deptrix_window_child FOLDER PSD RECOVERY_DELAY_MS
// It works in FOLDER as the window tests do, imports PSD, draws one outline on layer 6
// with mouse events, prints "line x1 y1 x2 y2 x3 y3" and "ready", then runs until a
// signal closes it, as the program does.

#include "FakePlatform.h"
#include "app/CloseSignals.h"
#include "app/Controls.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/PictureControl.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: deptrix_window_child FOLDER PSD RECOVERY_DELAY_MS\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    deptrix::FakePlatform platform;
    deptrix::AppEnvironment environment { folder.path(), folder.path(), folder.filePath("cache"),
        folder.filePath("recent.ini"), folder.filePath("recovery"), QString::fromLocal8Bit(argv[3]).toInt() };
    deptrix::CloseSignals closeSignals;
    deptrix::MainWindow window(platform, environment);
    QObject::connect(&closeSignals, &deptrix::CloseSignals::closeRequested, &window,
        &deptrix::MainWindow::closeWithoutQuestions);
    window.resize(1200, 800);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return 3;

    const QString psd = QString::fromLocal8Bit(argv[2]);
    window.guard().run([&] { window.importPsdFile(psd); });
    auto* grid = window.findChild<deptrix::StringGrid*>("StringGrid1");
    grid->setCurrentCell(4, 2);
    window.selectLayer();
    window.mainMenu()->entries().beginLine->trigger();
    auto* picture = window.findChild<deptrix::PictureControl*>("Image1");
    const QPoint points[] = { { 120, 120 }, { 260, 130 }, { 180, 260 } };
    for (const QPoint& at : points) {
        QTest::mouseMove(picture, at);
        QTest::mouseClick(picture, at == points[2] ? Qt::RightButton : Qt::LeftButton, {}, at);
    }
    const deptrix::Document& doc = window.document();
    if (!platform.errors.isEmpty() || doc.EditLines.empty() || doc.EditLines[0].size() != 1) {
        std::fprintf(stderr, "no line drawn: %s\n", qPrintable(platform.errors.join("; ")));
        return 4;
    }
    std::printf("line");
    for (const deptrix::LinePoint& point : doc.EditLines[0][0]) std::printf(" %d %d", point.x, point.y);
    std::printf("\nready\n");
    std::fflush(stdout);
    return QApplication::exec();
}
