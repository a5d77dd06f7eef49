#include "WindowFixture.h"

#include <QFile>
#include <QTest>

namespace deptrix {

void WindowFixture::writeConfig(const QByteArray& text) {
    QFile file(configPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QString WindowFixture::writeFile(const char* name, const QByteArray& text) {
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
}

QByteArray WindowFixture::readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray WindowFixture::readConfig() const {
    return readFile(configPath());
}

void WindowFixture::open() {
    window = std::make_unique<MainWindow>(platform, environment());
}

void WindowFixture::openActive() {
    open();
    window->resize(1200, 800);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowFixture::closeWindow() {
    window->close();
}

QString WindowFixture::shownTitle() const {
    return window->windowTitle().replace("[*]", window->isWindowModified() ? "*" : "");
}

} // namespace deptrix
