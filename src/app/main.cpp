#include "app/AboutBox.h"
#include "app/MainWindow.h"
#include "app/Platform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("deptrix");
    QApplication::setOrganizationName("Deptrix");

    QCommandLineParser arguments;
    arguments.setApplicationDescription("Lenticular and flip pictures from layered PSD files.");
    arguments.addHelpOption();
    arguments.addPositionalArgument("file", "A PSD or PSB to import, or a project (.tw3d, .tw3d2) to open.");
    arguments.process(app);
    const QStringList files = arguments.positionalArguments();
    if (files.size() > 1) arguments.showHelp(2);

    deptrix::QtPlatform platform;
    deptrix::MainWindow window(platform);
    {
        deptrix::AboutBox splash;
        splash.runAsSplash();
    }
    // Without a window manager "maximised" means nothing; start at the screen's size.
    if (const QScreen* screen = QApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    if (!files.isEmpty()) {
        // Once the window is on screen, so the import's progress has somewhere to show.
        const QString file = files.first();
        QTimer::singleShot(
            0, &window, [&window, file] { window.guard().run([&] { window.openFile(file); }); });
    }
    return QApplication::exec();
}
