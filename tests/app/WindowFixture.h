#pragma once

#include "FakePlatform.h"
#include "app/Controls.h"
#include "app/MainWindow.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace deptrix {

/// A main window over temporary folders and the fake desktop.
class WindowFixture : public ::testing::Test {
protected:
    QTemporaryDir folder;
    FakePlatform platform;
    std::unique_ptr<MainWindow> window;

    QString configPath() const { return folder.filePath("deptrixcmyk.inf"); }
    QString cacheFolder() const { return folder.filePath("cache"); }
    AppEnvironment environment() const {
        return { folder.path(), folder.path(), cacheFolder(), folder.filePath("recent.ini"),
            folder.filePath("recovery") };
    }

    /// Writes `text` to `name` in the temporary folder; returns the file's path.
    QString writeFile(const char* name, const QByteArray& text);
    /// The file's bytes, or none when it cannot be read.
    static QByteArray readFile(const QString& path);
    void writeConfig(const QByteArray& text);
    QByteArray readConfig() const;
    void open();
    /// Shows the window and waits until it is active, so shortcuts reach it.
    void openActive();
    /// Closes the window the way the user does (runs shutdown).
    void closeWindow();
    /// The title as the desktop shows it: "*" where the caption marks unsaved changes.
    QString shownTitle() const;

    StringGrid* table() const { return find<StringGrid>("StringGrid1"); }

    template <typename T> T* find(const char* name) const {
        T* object = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(object, nullptr) << "no control " << name;
        return object;
    }
};

} // namespace deptrix
