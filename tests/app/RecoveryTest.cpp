#include "WindowFixture.h"
#include "app/CloseSignals.h"
#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/RecoveryStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace deptrix {
namespace {

class Recovery : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::copy(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", psd()));
    }
    QString psd() const { return folder.filePath("scene.psd"); }
    QString recoveryFolder() const { return folder.filePath("recovery"); }

    /// A window that writes its recovery copy soon after a change.
    void openQuickToKeep() {
        AppEnvironment quick = environment();
        quick.recoveryDelayMs = 20;
        window = std::make_unique<MainWindow>(platform, quick);
        window->importPsdFile(psd());
    }
    bool waitForCopy() {
        return QTest::qWaitFor([&] { return window->session().recoveryStore().hasCopy(); }, 10000);
    }
    /// The next start: the unsaved work is offered and restored.
    void restoreAtNextStart(const QString& name = "scene.psd") {
        open();
        platform.questions.clear();
        platform.choiceAnswers = { 0 };
        window->offerRecovery();
        ASSERT_EQ(platform.questions.size(), 1);
        EXPECT_TRUE(platform.questions[0].startsWith("Restore unsaved work on " + name + " from "))
            << platform.questions[0].toStdString();
        EXPECT_TRUE(platform.questions[0].endsWith("? | Restore / Discard"));
        EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    }
};

TEST_F(Recovery, UnsavedWorkIsKeptOwnerOnlyUntilSavedAndOfferedAfterAnAbnormalEnd) {
    openQuickToKeep();
    EXPECT_FALSE(window->session().recoveryStore().hasCopy()); // nothing unsaved yet
    table()->setCell(2, 5, "12");
    ASSERT_TRUE(waitForCopy());
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(recoveryFolder()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(window->session().recoveryStore().copyPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Another window does not take the copy of a window that runs.
    EXPECT_TRUE(RecoveryStore(recoveryFolder()).leftBehind().empty());

    platform.saveAnswers.push_back(folder.filePath("scene.tw3d2"));
    window->saveProject();
    EXPECT_FALSE(window->session().recoveryStore().hasCopy());
    table()->setCell(2, 5, "14");
    ASSERT_TRUE(waitForCopy());
    window.reset(); // ends without a close: the copy stays behind

    restoreAtNextStart("scene.tw3d2");
    EXPECT_EQ(table()->cell(2, 5), "14");
    EXPECT_EQ(window->session().projectPath(), folder.filePath("scene.tw3d2"));
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->session().recoveryStore().hasCopy()); // now this window's own
    window.reset();

    // Discard removes it.
    open();
    platform.choiceAnswers = { 1 };
    window->offerRecovery();
    EXPECT_FALSE(window->document().DocumentLoaded);
    EXPECT_TRUE(RecoveryStore(recoveryFolder()).leftBehind().empty());
    EXPECT_TRUE(QDir(recoveryFolder()).entryList(QDir::Files).isEmpty());
}

/// A window in a child process with an outline drawn and not saved.
class SignalledWindow : public Recovery {
protected:
    QProcess child;
    QByteArray drawnLine; ///< "line x1 y1 x2 y2 x3 y3" as the child printed it

    void TearDown() override {
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            child.waitForFinished();
        }
    }
    void startChild(int recoveryDelayMs) {
        child.setProgram(QCoreApplication::applicationDirPath() + "/deptrix_window_child");
        child.setArguments({ folder.path(), psd(), QString::number(recoveryDelayMs) });
        child.start();
        ASSERT_TRUE(child.waitForStarted());
        QByteArray out;
        const QDeadlineTimer deadline(120000);
        while (!out.contains("ready\n") && child.state() == QProcess::Running && !deadline.hasExpired()) {
            child.waitForReadyRead(500);
            out += child.readAllStandardOutput();
        }
        ASSERT_TRUE(out.contains("ready\n")) << child.readAllStandardError().toStdString();
        drawnLine = out.left(out.indexOf('\n'));
    }
    QStringList workFiles() const {
        return QDir(cacheFolder() + "/qv58temp").entryList(QDir::Files | QDir::Hidden);
    }
    /// The outline on layer 6 after the restore, in the child's words.
    QByteArray restoredLine() {
        const LineSet& lines = window->document().LayerLines.at(6);
        if (lines.empty() || lines[0].size() != 1) return "no line";
        QByteArray text = "line";
        for (const LinePoint& point : lines[0][0])
            text += " " + QByteArray::number(point.x) + " " + QByteArray::number(point.y);
        return text;
    }
};

TEST_F(SignalledWindow, TermEndsTheWindowInOrderWithinTheDeadlineAndKeepsTheOutline) {
    startChild(DocumentSession::kRecoveryDelayMs);
    ASSERT_TRUE(readConfig().startsWith("0 0 0 ")); // as start-up writes it
    ASSERT_FALSE(workFiles().isEmpty());
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGTERM), 0);
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_LT(clock.elapsed(), 1000 * CloseSignals::kDeadlineSeconds);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_TRUE(readConfig().startsWith("0 0 1 ")); // written by the shutdown
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(" ").toStdString();

    restoreAtNextStart();
    EXPECT_EQ(restoredLine(), drawnLine);
    EXPECT_TRUE(window->isWindowModified());
}

TEST_F(SignalledWindow, AKilledWindowLeavesItsOutlineOnceTheCopyIsWritten) {
    startChild(50);
    const QDir recovery(recoveryFolder());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recovery.entryList({ "*.recovery" }).isEmpty(); }, 20000));
    EXPECT_TRUE(RecoveryStore(recoveryFolder()).leftBehind().empty()); // its window still runs
    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
    ASSERT_TRUE(child.waitForFinished(10000));

    restoreAtNextStart();
    EXPECT_EQ(restoredLine(), drawnLine);
}

} // namespace
} // namespace deptrix
