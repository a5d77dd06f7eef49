#include "app/AboutBox.h"
#include "app/CloseSignals.h"
#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/WindowCommandLine.h"
#include "core/Version.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

QStringList ArgumentsAfterProgram(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// --help and --version are answered before the window system is opened, so that they
// work without a display.
bool AnsweredWithoutWindow(const deptrix::WindowCommandLine& line) {
    if (line.help) {
        std::fputs(deptrix::WindowUsage(), stdout);
        return true;
    }
    if (line.version) {
        std::printf("deptrix %s\n", deptrix::kVersion);
        return true;
    }
    return false;
}

QIcon ProgramIcon() {
    QIcon icon;
    const QDir sizes(":/icons");
    for (const QString& file : sizes.entryList(QDir::Files)) icon.addFile(sizes.filePath(file));
    return icon;
}

} // namespace

int main(int argc, char* argv[]) {
    if (AnsweredWithoutWindow(deptrix::ParseWindowCommandLine(ArgumentsAfterProgram(argc, argv)))) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName("deptrix");
    QApplication::setApplicationVersion(deptrix::kVersion);
    QApplication::setOrganizationName("Deptrix");
    // Lets the window system match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(DEPTRIX_DESKTOP_ID);
    QApplication::setWindowIcon(ProgramIcon());

    // Qt has taken its own options out of the arguments by now.
    const deptrix::WindowCommandLine line = deptrix::ParseWindowCommandLine(QApplication::arguments().mid(1));
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "deptrix: %s\n%s", qPrintable(line.error), deptrix::WindowUsage());
        return deptrix::kWindowExitUsage;
    }

    // Signals that would end the program close the window instead, without questions
    // (the unsaved work goes to the recovery copy).
    deptrix::CloseSignals closeSignals;
    deptrix::QtPlatform platform;
    deptrix::MainWindow window(platform);
    QObject::connect(&closeSignals, &deptrix::CloseSignals::closeRequested, &window,
        &deptrix::MainWindow::closeWithoutQuestions);
    // The file named is read while the splash is shown.
    if (!line.file.isEmpty()) window.startEarlyImport(line.file);
    {
        deptrix::AboutBox splash;
        splash.runAsSplash();
    }
    if (window.isShutDown()) return 0; // closed by a signal during the splash
    // Without a window manager "maximised" means nothing; start at the screen's size.
    if (const QScreen* screen = QApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    // Once the window is on screen, so the import's progress has somewhere to show:
    // unsaved work of an earlier run first, then the file named.
    const QString file = line.file;
    QTimer::singleShot(0, &window, [&window, file] {
        window.offerRecovery();
        if (!file.isEmpty() && !window.isShutDown()) window.guard().run([&] { window.openFile(file); });
    });
    return QApplication::exec();
}
