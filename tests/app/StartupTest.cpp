#include "TaskThreads.h"
#include "WindowFixture.h"
#include "app/AboutBox.h"
#include "app/ParameterPanel.h"
#include "app/StatusPanels.h"
#include "app/ThreadChoice.h"
#include "files/ConfigFile.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QThread>
#include <ctime>

namespace deptrix {
namespace {

QByteArray Config(const char* line1, const char* line2) {
    return QByteArray(line1) + "\r\n" + line2 + "\r\nx\r\n";
}

class Startup : public WindowFixture { };

TEST_F(Startup, WithoutAFileTheDefaultsAreWrittenAndShown) {
    open();
    EXPECT_EQ(ParseConfig(readConfig().toStdString()), ConfigValues {});
    EXPECT_TRUE(readConfig().startsWith("0 0 0 0 0 0  1.00000000000000E+0000\r\n"));
    ParameterPanel* p = window->parameterPanel();
    EXPECT_EQ(p->lpiField()->text(), "42.4775");
    EXPECT_EQ(p->anglesField()->text(), "7");
    EXPECT_EQ(p->dpiField()->currentText(), "720");
    EXPECT_EQ(p->widthField()->text(), "5");
    EXPECT_EQ(p->heightField()->text(), "5");
    EXPECT_EQ(p->hScaleField()->text(), "4");
    EXPECT_EQ(p->depthField()->text(), "1");
    EXPECT_EQ(p->colorModeField()->currentIndex(), 2);
    EXPECT_EQ(shownTitle(), "Deptrix 10.0");
    EXPECT_EQ(window->document().LayerCount, 3);
    EXPECT_EQ(window->document().FocusRow, 2);
    EXPECT_EQ(window->document().AppStage, kStageNothingImported);
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(Startup, OutOfRangeValuesAreRepairedAndRewrittenAtOnce) {
    writeConfig(Config("4 5 0 7 8 0 1.0", "8.9 12 99.5 0.5 101 3 0"));
    open();
    const ConfigValues rewritten = ParseConfig(readConfig().toStdString());
    EXPECT_EQ(rewritten.Lpi, 424775);
    EXPECT_EQ(rewritten.Angles, 12);
    EXPECT_EQ(rewritten.OutDpi, 12000000);
    EXPECT_EQ(rewritten.OutWidth, 50000);
    EXPECT_EQ(rewritten.OutHeight, 50000);
    EXPECT_EQ(rewritten.ColorMode, 2);
    EXPECT_EQ(rewritten.HScale, 4);
    EXPECT_EQ(rewritten.Reserved, (std::array<std::int32_t, 5> { 4, 5, 0, 7, 8 }));
    EXPECT_EQ(window->parameterPanel()->anglesField()->text(), "12");
    EXPECT_EQ(window->parameterPanel()->dpiField()->currentText(), "1200");
}

TEST_F(Startup, BoundsAreAccepted) {
    writeConfig(Config("0 0 0 0 0 0 100", "9 7 100 1 100 0 32"));
    open();
    EXPECT_EQ(window->document().Lpi, 90000);
    EXPECT_EQ(window->parameterPanel()->hScaleField()->text(), "32");
    EXPECT_EQ(window->parameterPanel()->colorModeField()->currentIndex(), 0);
    closeWindow();
    writeConfig(Config("0 0 0 0 0 0 1", "170 7 10160 5 5 2 4"));
    open();
    EXPECT_EQ(window->document().Lpi, 1700000);
    EXPECT_EQ(window->parameterPanel()->dpiField()->currentText(), "10160");
}

TEST_F(Startup, TheAutomaticResolutionShowsAsAuto) {
    writeConfig(Config("0 0 0 0 0 0 1", "42.4775 7 10000 5 5 2 4"));
    open();
    EXPECT_EQ(window->parameterPanel()->dpiField()->currentText(), "(Auto)");
    closeWindow();
    writeConfig(Config("0 0 0 0 0 0 1", "42.4775 7 9000 5 5 2 4"));
    open();
    EXPECT_EQ(window->parameterPanel()->dpiField()->currentText(), "9000");
}

TEST_F(Startup, ADepthOfFiftyPassesTheFileButNotTheField) {
    writeConfig(Config("0 0 0 0 0 0 50", "42.4775 7 720 5 5 2 4"));
    open();
    EXPECT_EQ(window->parameterPanel()->depthField()->text(), "50");
    EXPECT_EQ(window->document().DepthFactor, 20000);
    EXPECT_EQ(ParseConfig(readConfig().toStdString()).DepthFactor, 500000);
    closeWindow();
    EXPECT_EQ(ParseConfig(readConfig().toStdString()).DepthFactor, 20000);
}

TEST_F(Startup, TheLanguageOfTheFileIsKeptButNotApplied) {
    writeConfig(Config("0 0 0 0 0 1 1", "42.4775 7 720 5 5 2 4"));
    open();
    EXPECT_EQ(window->language(), 0);
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kOriginalInfoPanel), "Original info");
    EXPECT_EQ(ParseConfig(readConfig().toStdString()).Language, 1);
    closeWindow();
    const ConfigValues atShutdown = ParseConfig(readConfig().toStdString());
    EXPECT_EQ(atShutdown.Language, 0);
    EXPECT_EQ(atShutdown.Reserved[2], 1); // start-up finished
}

TEST_F(Startup, AResolutionEqualToSevenTimesTheLpiIsStoredAsAuto) {
    writeConfig(Config("0 0 0 0 0 0 1", "42.4775 7 297.3425 5 5 2 4"));
    open();
    EXPECT_EQ(window->parameterPanel()->dpiField()->currentText(), "297.3425");
    closeWindow();
    EXPECT_EQ(ParseConfig(readConfig().toStdString()).OutDpi, kAutoDpi);

    writeConfig(Config("0 0 0 0 0 0 1", "42.4775 7 297.3426 5 5 2 4"));
    open();
    closeWindow();
    EXPECT_EQ(ParseConfig(readConfig().toStdString()).OutDpi, 2973426);
}

TEST_F(Startup, AnUnreadableFileKeepsWhatWasReadAndSaysWhichField) {
    const QByteArray damaged = "0 0 0 0 0 0  2.5\r\nforty-two 9 720 5 5 2 4\r\n";
    writeConfig(damaged);
    open();
    ConfigValues expected; // the depth before the bad field stays, the rest are defaults
    expected.DepthFactor = 25000;
    EXPECT_EQ(ParseConfig(readConfig().toStdString()), expected);
    EXPECT_EQ(window->parameterPanel()->depthField()->text(), "2.5");
    EXPECT_EQ(window->parameterPanel()->lpiField()->text(), "42.4775");
    QFile copy(configPath() + ".bad");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), damaged);
    ASSERT_EQ(platform.messages.size(), 1);
    EXPECT_TRUE(
        platform.messages[0].startsWith("The configuration file deptrixcmyk.inf in " + folder.path()));
    EXPECT_TRUE(platform.messages[0].contains("LPI (line 2, field 1)"));
    EXPECT_TRUE(platform.messages[0].contains("kept as deptrixcmyk.inf.bad"));
    EXPECT_TRUE(platform.errors.isEmpty());
    // The rest of the start-up ran: the grid titles are set.
    EXPECT_EQ(window->findChild<QWidget*>("StringGrid1")->isEnabled(), false);
}

TEST_F(Startup, ShutdownEmptiesTheWorkFolderButKeepsSubfolders) {
    open();
    const QString work = window->workFolder().path();
    ASSERT_TRUE(work.endsWith("qv58temp/"));
    QFile(work + "ly1.gjs").open(QIODevice::WriteOnly);
    QFile(work + "vwt3.gjs").open(QIODevice::WriteOnly);
    QDir(work).mkdir("keep");
    closeWindow();
    EXPECT_TRUE(QDir(work).exists());
    EXPECT_TRUE(QDir(work).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QDir(work + "keep").exists());
}

TEST_F(Startup, ASecondCopyGetsItsOwnWorkFolder) {
    open();
    FakePlatform otherPlatform;
    MainWindow second(otherPlatform, environment());
    EXPECT_NE(second.workFolder().path(), window->workFolder().path());
    EXPECT_TRUE(second.workFolder().path().endsWith("qv58temp-2/"));
    QFile(window->workFolder().path() + "ly1.gjs").open(QIODevice::WriteOnly);
    second.close();
    EXPECT_TRUE(QFile::exists(window->workFolder().path() + "ly1.gjs"));
}

TEST_F(Startup, AWorkFolderThatIsASymbolicLinkIsPassedOver) {
    QDir().mkpath(cacheFolder());
    QDir().mkpath(folder.filePath("elsewhere"));
    ASSERT_TRUE(QFile::link(folder.filePath("elsewhere"), cacheFolder() + "/qv58temp"));
    open();
    EXPECT_TRUE(window->workFolder().path().endsWith("qv58temp-2/"));
    EXPECT_TRUE(window->workFolder().note().contains("symbolic link"));
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kPromptPanel), " " + window->workFolder().note());
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST(Splash, WaitsItsTwoSecondsWithoutUsingTheProcessor) {
    AboutBox splash;
    QElapsedTimer wall;
    wall.start();
    const std::clock_t before = std::clock(); // processor time of every thread
    splash.runAsSplash();
    const double cpu = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_GE(wall.elapsed(), 1900);
    EXPECT_LT(cpu, 0.2);
}

// The choice lives in the program's own settings store; the configuration file does
// not change with it.
TEST_F(Startup, TheThreadsAreAllCoresUntilTheUserChoosesFewerAndTheChoiceIsKept) {
    const test::ScopedTaskThreads restore(TaskThreads());
    const int cores = QThread::idealThreadCount();
    open();
    EXPECT_TRUE(find<QAction>("ThreadCount0")->isChecked());
    EXPECT_EQ(TaskThreads(), cores);
    if (cores < 2) GTEST_SKIP() << "one core: there is nothing fewer to choose";
    find<QAction>("ThreadCount1")->trigger();
    EXPECT_EQ(TaskThreads(), 1);
    EXPECT_FALSE(find<QAction>("ThreadCount0")->isChecked());
    closeWindow();
    EXPECT_EQ(QSettings(environment().recentFilesStore, QSettings::IniFormat).value(ThreadChoice::kKey), 1);
    SetTaskThreads(cores);
    open();
    EXPECT_TRUE(find<QAction>("ThreadCount1")->isChecked());
    EXPECT_EQ(TaskThreads(), 1);
    find<QAction>("ThreadCount0")->trigger();
    EXPECT_EQ(TaskThreads(), cores);
}

} // namespace
} // namespace deptrix
