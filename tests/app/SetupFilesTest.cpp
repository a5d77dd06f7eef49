#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/MainMenu.h"
#include "app/ParameterPanel.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QToolButton>

namespace deptrix {
namespace {

// Offsets of the sample's eleven layers, bottom first, outline parameters, and lines
// on layer 5 (the house) in two orders.
QByteArray SampleSettings() {
    QByteArray text = "scene.psd\r\n60 7 4 1.5\r\n39550 0 0 0\r\n\r\n\r\n0\r\n720 8 6 1 4\r\n";
    for (int i = 0; i < 11; ++i) text += QByteArray::number(40 - 10 * i) + "\r\n";
    for (int i = 0; i < 11; ++i) text += i == 5 ? "9 3 2.5\r\n" : "7 5 1\r\n";
    text += "5 0 0 3\r\n420 520 650 520 650 900 420 900\r\n5 6 1 2\r\n500 600 560 600 530 700\r\n";
    return text;
}

class SetupFiles : public WindowFixture {
protected:
    QString copySample() {
        const QString path = folder.filePath("scene.psd");
        QFile::copy(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", path);
        return path;
    }
};

TEST_F(SetupFiles, AProjectSavedWithLinesOpensInAFreshWindowAsItWasLeft) {
    open();
    const MenuEntries& menu = window->mainMenu()->entries();
    EXPECT_FALSE(menu.saveProject->isEnabled());
    window->importPsdFile(copySample());
    EXPECT_TRUE(find<QToolButton>("SpeedButton15")->isEnabled());
    platform.openAnswers.push_back(writeFile("set-up.tw3d2", SampleSettings()));
    menu.openSettings->trigger();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    // Settings change the document: the title marks it unsaved.
    EXPECT_EQ(shownTitle(), "Deptrix 10.0   scene.psd    set-up.tw3d2*");
    EXPECT_EQ(table()->cell(0, 4), "4 <F>"); // the mark follows the file's focus row
    EXPECT_EQ(table()->cell(0, 7), "7");
    table()->setCell(2, 3, "17"); // the user goes on editing
    window->parameterPanel()->widthField()->setText("9");
    window->parameterPanel()->lpiField()->setText("60.5"); // settings leave the LPI alone

    const QString project = folder.filePath("scene.tw3d2");
    platform.saveAnswers.push_back(project);
    find<QToolButton>("SpeedButton15")->click();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    const Document before = window->document();
    QStringList cells;
    for (int r = 1; r <= 11; ++r) cells << table()->cell(1, r) + "|" + table()->cell(2, r);
    closeWindow();

    open();
    platform.openAnswers.push_back(project);
    window->mainMenu()->entries().openProject->trigger();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    const Document& after = window->document();
    EXPECT_EQ(after.LayerLines, before.LayerLines);
    EXPECT_EQ(after.LayerLines[5][6].size(), 2u);
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(after.Layers[i].Group, before.Layers[i].Group) << i;
    for (int r = 1; r <= 11; ++r)
        EXPECT_EQ(table()->cell(1, r) + "|" + table()->cell(2, r), cells[r - 1]) << r;
    EXPECT_EQ(after.FocusRow, 4);
    EXPECT_EQ(after.DepthFactor, 15000);
    EXPECT_EQ(window->parameterPanel()->lpiField()->text(), "60.5");
    EXPECT_EQ(window->parameterPanel()->widthField()->text(), "9");
    EXPECT_EQ(shownTitle(), "Deptrix10.0    scene.psd    scene.tw3d2");

    platform.saveAnswers.push_back(folder.filePath("again.tw3d2"));
    window->mainMenu()->entries().saveProjectAs->trigger();
    EXPECT_EQ(readFile(folder.filePath("again.tw3d2")), readFile(project));
}

TEST_F(SetupFiles, ProjectOpenAsksFirstAndSavingOffersThePicturesFolder) {
    open();
    const MenuEntries& menu = window->mainMenu()->entries();
    window->importPsdFile(copySample());
    const int beeps = platform.beeps;
    menu.openProject->trigger(); // "continue?" answered No
    EXPECT_TRUE(platform.openRequests.empty());
    platform.yesNoAnswers = { true };
    menu.openProject->trigger(); // Yes, then the dialog is cancelled
    EXPECT_EQ(platform.beeps, beeps + 1);
    EXPECT_TRUE(platform.openRequests.back().initialPath.endsWith("/sample"));
    EXPECT_TRUE(platform.openRequests.back().filter.startsWith("Projects and settings (*.tw3d2 *.tw3d);;"));

    platform.yesNoAnswers = { true };
    platform.openAnswers.push_back(writeFile("lost.tw3d2", "C:\\pics\\lost.psd\r\n60 7 4 1\r\n"));
    menu.openProject->trigger();
    EXPECT_EQ(platform.messages, QStringList { "Can not found the specified psd file!" });
    EXPECT_EQ(window->document().LayerCount, 11);

    // A project saved elsewhere can go beside its picture instead.
    ASSERT_TRUE(QDir(folder.path()).mkdir("elsewhere"));
    platform.saveAnswers.push_back(folder.filePath("elsewhere/mine.tw3d2"));
    platform.yesNoAnswers = { true };
    menu.saveProject->trigger();
    EXPECT_TRUE(QFile::exists(folder.filePath("mine.tw3d2")));
    EXPECT_FALSE(QFile::exists(folder.filePath("elsewhere/mine.tw3d2")));

    // F3 saves the settings of the same name without a dialog, F2 reads them back.
    table()->setCell(2, 1, "-5");
    menu.saveDefaultSettings->trigger();
    table()->setCell(2, 1, "99");
    platform.choiceAnswers = { 1 }; // the unsaved 99 is discarded
    menu.openDefaultSettings->trigger();
    EXPECT_EQ(table()->cell(2, 1), "-5");
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
}

} // namespace
} // namespace deptrix
