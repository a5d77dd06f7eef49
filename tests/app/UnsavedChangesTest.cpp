#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/OutlineEditorController.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/RecentFiles.h"
#include "app/StatusPanels.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSlider>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>

namespace deptrix {
namespace {

// Offsets and outline parameters of the sample's eleven layers, focus row 4, and a
// line on layer 5 (the house) around (500, 700).
QByteArray SampleProject() {
    QByteArray text = "scene.psd\r\n60 7 4 1.5\r\n39550 0 0 0\r\n\r\n\r\n0\r\n720 8 6 1 4\r\n";
    for (int i = 0; i < 11; ++i) text += QByteArray::number(40 - 10 * i) + "\r\n";
    for (int i = 0; i < 11; ++i) text += "7 5 1\r\n";
    return text + "5 0 0 3\r\n420 520 650 520 650 900 420 900\r\n";
}

class UnsavedChanges : public WindowFixture {
protected:
    const QString saveChanges = "Save changes to %1? | Save / Discard / Cancel";

    void SetUp() override {
        ASSERT_TRUE(QFile::copy(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", psd()));
    }
    QString psd() const { return folder.filePath("scene.psd"); }
    QString prompt() const { return window->statusPanels()->text(StatusPanels::kPromptPanel); }
    void importSample() {
        window->importPsdFile(psd());
        ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    }
    /// Types into the Offset cell of `row` as the user does.
    void typeOffset(int row, const QString& text) {
        QTableWidgetItem* cell = table()->item(row - 1, LayerPanel::kOffsetColumn);
        table()->setCurrentItem(cell);
        table()->editItem(cell);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    }
    void drop(const QString& path) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        QApplication::processEvents(); // the open follows the drop
    }
};

TEST_F(UnsavedChanges, QuitAsksWhileChangesAreUnsavedAndSaveGoesBackToItsProject) {
    openActive();
    importSample();
    EXPECT_EQ(shownTitle(), "Deptrix 10.0   scene.psd");
    typeOffset(5, "12");
    EXPECT_EQ(shownTitle(), "Deptrix 10.0   scene.psd*");

    key(Qt::Key_Q, Qt::ControlModifier); // the question is closed unanswered: nothing happens
    EXPECT_EQ(platform.questions, QStringList { saveChanges.arg("scene.psd") });
    EXPECT_FALSE(window->isShutDown());
    EXPECT_EQ(table()->cell(2, 5), "12");

    // The first save asks where; the next ones go there without a dialog.
    const QString project = folder.filePath("scene.tw3d2");
    platform.saveAnswers.push_back(project);
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(shownTitle(), "Deptrix 10.0   scene.psd");
    EXPECT_EQ(prompt(), " Saved " + QDir::toNativeSeparators(project));
    EXPECT_EQ(window->recentFiles()->files().first(), project);
    typeOffset(5, "13");
    EXPECT_TRUE(window->isWindowModified());
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_TRUE(readFile(project).contains("\r\n13\r\n"));
    EXPECT_FALSE(window->isWindowModified());
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier); // Save As, cancelled
    EXPECT_EQ(platform.saveRequests.size(), 2u);
    EXPECT_EQ(prompt(), " Cancelled: nothing was written");

    // Saved: the quit asks nothing.
    key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(platform.questions.size(), 1);
    EXPECT_TRUE(window->isShutDown());
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
}

TEST_F(UnsavedChanges, EveryWayOfReplacingTheDocumentAsksAndCancelKeepsIt) {
    const QString project = writeFile("scene.tw3d2", SampleProject());
    writeFile("scene.tw3d", SampleProject());
    openActive();
    importSample();
    window->recentFiles()->add(project);
    typeOffset(5, "12");
    const MenuEntries& menu = window->mainMenu()->entries();
    const std::pair<const char*, std::function<void()>> ways[] = {
        { "import", [&] { menu.importPsd->trigger(); } },
        { "open project", [&] { menu.openProject->trigger(); } },
        { "open settings", [&] { menu.openSettings->trigger(); } },
        { "default settings", [&] { key(Qt::Key_F2); } },
        { "recent file", [&] { menu.recentFilesMenu->actions().first()->trigger(); } },
        { "drop", [&] { drop(project); } },
        { "close box", [&] { window->close(); } },
    };
    for (const auto& [way, act] : ways) {
        platform.questions.clear();
        act();
        EXPECT_EQ(platform.questions, QStringList { saveChanges.arg("scene.psd") }) << way;
        EXPECT_TRUE(platform.openRequests.empty()) << way;
        EXPECT_EQ(table()->cell(2, 5), "12") << way;
        EXPECT_EQ(window->document().PsdPath, psd().toStdString()) << way;
        EXPECT_FALSE(window->isShutDown()) << way;
    }
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();

    // Discard lets the recent project replace the document; it comes as it was saved,
    // with the mark on its focus row.
    platform.choiceAnswers = { 1 };
    menu.recentFilesMenu->actions().first()->trigger();
    EXPECT_EQ(shownTitle(), "Deptrix10.0    scene.psd    scene.tw3d2");
    EXPECT_EQ(window->session().projectPath(), project);
    EXPECT_EQ(table()->cell(2, 5), "-20");
    for (int row = 1; row <= 11; ++row)
        EXPECT_EQ(table()->cell(0, row), QString::number(row) + (row == 4 ? " <F>" : "")) << row;
}

TEST_F(UnsavedChanges, LineEditsUndoneBackToTheSaveLeaveNothingUnsaved) {
    openActive();
    importSample();
    table()->setCurrentCell(4, 2);
    window->selectLayer();
    const MenuEntries& menu = window->mainMenu()->entries();
    menu.beginLine->trigger();
    auto* picture = find<PictureControl>("Image1");
    auto drawTriangle = [&](QPoint offset) {
        const std::pair<QPoint, Qt::MouseButton> clicks[] = { { { 120, 120 }, Qt::LeftButton },
            { { 260, 130 }, Qt::LeftButton }, { { 180, 260 }, Qt::RightButton } };
        for (const auto& [at, button] : clicks) {
            QTest::mouseMove(picture, at + offset);
            QTest::mouseClick(picture, button, {}, at + offset);
        }
    };
    drawTriangle({});
    EXPECT_TRUE(window->isWindowModified());
    platform.saveAnswers.push_back(folder.filePath("scene.tw3d2"));
    menu.saveProject->trigger();
    EXPECT_FALSE(window->isWindowModified());
    drawTriangle({ 200, 200 });
    EXPECT_TRUE(window->isWindowModified());
    menu.undoLineEdit->trigger();
    EXPECT_FALSE(window->isWindowModified());
    menu.undoLineEdit->trigger(); // before the save
    EXPECT_TRUE(window->isWindowModified());
    menu.redoLineEdit->trigger();
    EXPECT_FALSE(window->isWindowModified());
    // An outline parameter is a change too.
    QTest::keyClick(find<QSlider>("TrackBar2"), Qt::Key_Right);
    EXPECT_TRUE(window->isWindowModified());
}

TEST_F(UnsavedChanges, TheOutlineEditorLetsGoOfLinesASettingsFileFailedToReplace) {
    openActive();
    window->openProjectFile(writeFile("scene.tw3d2", SampleProject()));
    table()->setCurrentCell(5, 2); // row 6: layer 5
    window->selectLayer();
    window->mainMenu()->entries().beginLine->trigger();
    auto* picture = find<PictureControl>("Image1");
    const Document& doc = window->document();
    const QPoint inside(500, 700);
    const QRgb untinted = PictureControl::ToImage(doc.Composite).pixel(inside);
    ASSERT_EQ(doc.EditLines[0].size(), 1u);
    ASSERT_NE(picture->picture().pixel(inside), untinted);

    platform.openAnswers.push_back(writeFile("bad.tw3d2", "scene.psd\r\n60 7 4 1\r\nx 0 0 0\r\n"));
    window->mainMenu()->entries().openSettings->trigger();
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].contains("Invalid numeric input")) << platform.errors[0].toStdString();
    EXPECT_EQ(picture->picture().pixel(inside), untinted);
    EXPECT_TRUE(window->isWindowModified());
    platform.saveAnswers.push_back(folder.filePath("after.tw3d2"));
    window->mainMenu()->entries().saveProjectAs->trigger();
    EXPECT_FALSE(readFile(folder.filePath("after.tw3d2")).contains("420 520"));
}

TEST_F(UnsavedChanges, AReadOnlyConfigurationFileIsKeptAndSaidOnce) {
    open();
    closeWindow();
    ASSERT_EQ(::chmod(QFile::encodeName(configPath()).constData(), 0444), 0);
    const QByteArray before = readConfig();
    open();
    const QString note = " " + QDir::toNativeSeparators(configPath())
        + " is read-only: it is kept as it is, and the settings of this run are not stored in it";
    EXPECT_TRUE(prompt().endsWith(note)) << prompt().toStdString();
    window->parameterPanel()->depthField()->setText("3");
    closeWindow();
    EXPECT_EQ(readConfig(), before);
    EXPECT_EQ(QFileInfo(configPath()).permissions() & QFileDevice::WriteOwner, 0);
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
}

} // namespace
} // namespace deptrix
