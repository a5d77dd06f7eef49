#include "app/AboutBox.h"
#include "app/MainWindow.h"
#include "app/Platform.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("deptrix");
    QApplication::setOrganizationName("Deptrix");

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
    return QApplication::exec();
}
