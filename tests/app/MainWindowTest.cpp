#include "WindowFixture.h"
#include "app/AboutBox.h"
#include "app/Controls.h"
#include "app/ElidedLabel.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/StatusPanels.h"
#include "app/TypingLimit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <ctime>
#include <map>

namespace deptrix {
namespace {

class MainWindowTest : public WindowFixture { };

TEST_F(MainWindowTest, ToolButtonsHaveTheirHintsIconsAndInitialStates) {
    open();
    window->show();
    struct Expected {
        const char* name;
        const char* hint;
        bool enabled;
        bool shown;
    };
    const Expected buttons[] = {
        { "SpeedButton12", "Open project (Ctrl+O)", true, true },
        { "SpeedButton15", "Save project (Ctrl+S)", false, true },
        { "SpeedButton1", "Import psd file (Ctrl+I)", true, true },
        { "SpeedButton3", "Zoom in (Ctrl++)", false, true },
        { "SpeedButton4", "Zoom out (F4)", false, true },
        { "SpeedButton10", "Delete point (Ctrl+Z)", false, true },
        { "SpeedButton6", "delete line", false, true },
        { "SpeedButton7", "delete layer", false, true },
        { "SpeedButton8", "delete all", false, true },
        { "SpeedButton9", "Preview (F9)", false, true },
        { "SpeedButton2", "Stop (F10)", false, true },
        { "SpeedButton29", "Export tiff file (Ctrl+E)", false, true },
        { "SpeedButton30", "Print", true, false },
        { "SpeedButton13", "Begin Line (Ctrl+B)", false, true },
        { "SpeedButton5", "Red/blue glasses preview (F11)", false, true },
        { "SpeedButton14", "", true, false },
        { "SpeedButton11", "", false, false },
    };
    QToolBar* bar = find<QToolBar>("ToolBar1");
    for (const Expected& e : buttons) {
        SCOPED_TRACE(e.name);
        QToolButton* button = find<QToolButton>(e.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), e.hint);
        EXPECT_EQ(button->isEnabled(), e.enabled);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->isVisible(), e.shown);
        EXPECT_EQ(button->parentWidget(), bar);
    }
    EXPECT_EQ(window->languageButton()->text(), "Chinese");

    EXPECT_FALSE(find<QToolBar>("ToolBar2")->isVisibleTo(window.get()));
    EXPECT_TRUE(find<QToolButton>("ToolButton1")->isChecked());
    for (const char* name : { "ToolButton2", "ToolButton3", "ToolButton4", "ToolButton5" })
        EXPECT_FALSE(find<QToolButton>(name)->isChecked()) << name;
    EXPECT_FALSE(find<QToolButton>("ToolButton10")->isEnabled());
    EXPECT_TRUE(find<QToolButton>("ToolButton9")->isEnabled());
    EXPECT_EQ(find<QToolButton>("ToolButton8")->toolTip(), "Move to down Layer");
}

TEST_F(MainWindowTest, PanelsAndFieldsStartAsDesigned) {
    open();
    EXPECT_FALSE(find<QWidget>("GroupBox2")->isEnabled());
    auto* grid = find<StringGrid>("StringGrid1");
    EXPECT_FALSE(grid->isEnabled());
    EXPECT_EQ(grid->columnCount(), 4); // Layer, Group, Offset and the layer's name
    EXPECT_EQ(grid->gridRowCount(), 11);
    EXPECT_EQ(grid->cell(0, 0), "Layer");
    EXPECT_EQ(grid->cell(1, 0), "Group");
    EXPECT_EQ(grid->cell(2, 0), "Offset");
    EXPECT_EQ(grid->cell(3, 0), "Name");
    EXPECT_GE(grid->columnWidth(0), 36); // wide enough for "10 <F>"
    EXPECT_EQ(grid->columnWidth(1), 46);
    EXPECT_GE(grid->columnWidth(2), 43); // the offset column takes the rest of the panel
    auto* view = find<RadioGroup>("RadioGroup1");
    EXPECT_EQ(view->title(), "Layer View");
    EXPECT_EQ(view->itemIndex(), 0);
    EXPECT_EQ(view->itemText(1), "One");
    EXPECT_EQ(find<TabSheet>("TabSheet1")->caption(), "SetLayer");
    EXPECT_EQ(find<TabSheet>("TabSheet2")->caption(), "DrawLine");
    EXPECT_EQ(find<TabSheet>("TabSheet3")->caption(), "3DSets");
    EXPECT_EQ(find<TabSheet>("TabSheet4")->caption(), "Output Sets");
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet1");

    struct Field {
        const char* name;
        int maxLength;
        const char* hint;
    };
    for (const Field& f : { Field { "Edit5", 8, "lenticular total in 1 inch" }, Field { "Edit4", 3, "" },
             Field { "Edit2", 3, "focus layer index" }, Field { "Edit3", 7, "3D depth" },
             Field { "Edit9", 8, "output width" }, Field { "Edit10", 8, "output height" },
             Field { "Edit11", 2, "Vertical compress" } }) {
        auto* edit = find<QLineEdit>(f.name);
        auto* limit = qobject_cast<const TypingLimit*>(edit->validator());
        ASSERT_NE(limit, nullptr) << f.name;
        EXPECT_EQ(limit->maxLength(), f.maxLength) << f.name;
        EXPECT_EQ(edit->toolTip(), f.hint) << f.name;
    }
    EXPECT_EQ(find<QLineEdit>("Edit2")->text(), "0");
    EXPECT_TRUE(find<QLineEdit>("Edit10")->isReadOnly());
    EXPECT_FALSE(find<QWidget>("ComboBox1")->isVisibleTo(window.get()));
    EXPECT_FALSE(find<QWidget>("ComboBox3")->isVisibleTo(window.get()));

    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), "1.0");
    auto* smooth = find<QSlider>("TrackBar2");
    EXPECT_EQ(smooth->minimum(), 1);
    EXPECT_EQ(smooth->maximum(), 9);
    EXPECT_EQ(smooth->value(), 5);
    auto* base = find<QSlider>("TrackBar3");
    EXPECT_EQ(base->maximum(), 15);
    EXPECT_EQ(base->value(), 7);
    EXPECT_EQ(base->toolTip(), "basic layer select");
    auto* order = find<RadioGroup>("RadioGroup2");
    EXPECT_EQ(order->count(), 16);
    EXPECT_EQ(order->itemIndex(), 0);
    EXPECT_EQ(order->itemText(15), "");
    for (int i = 1; i <= 15; ++i)
        EXPECT_TRUE(find<QCheckBox>(QString("CheckBox%1").arg(i).toLatin1())->isChecked());
    EXPECT_FALSE(find<QPushButton>("BitBtn6")->isEnabled());

    EXPECT_FALSE(find<QWidget>("Image1")->isEnabled());
    EXPECT_FALSE(find<QLabel>("Label24")->isVisibleTo(window.get()));
    EXPECT_EQ(find<QLabel>("Label24")->text(), "Front");
    StatusPanels* status = window->statusPanels();
    EXPECT_EQ(status->text(StatusPanels::kOriginalInfoPanel), "Original info");
    EXPECT_EQ(status->text(StatusPanels::kSizeCaptionPanel), "Size (cm):");
    EXPECT_EQ(status->text(StatusPanels::kColorCaptionPanel), "Color:");
    EXPECT_EQ(status->text(StatusPanels::kLayersCaptionPanel), "Layers:");
    EXPECT_EQ(status->text(StatusPanels::kPromptPanel), "  Please import *.psd.");
    EXPECT_EQ(find<QTimer>("Timer1")->interval(), 50);
}

// The form names are assigned by hand, one line per control; a name given twice would
// make a lookup by name find whichever control came first.
TEST_F(MainWindowTest, EveryFormNameBelongsToOneControl) {
    open();
    std::map<QString, int> widgets;
    std::map<QString, int> actions;
    for (QObject* object : window->findChildren<QObject*>()) {
        const QString name = object->objectName();
        // Qt names inner parts of its own widgets (tab bar scroll buttons, for one).
        if (name.isEmpty() || name.startsWith("qt_") || qobject_cast<QTabBar*>(object->parent())) continue;
        if (object->isWidgetType())
            ++widgets[name];
        else if (qobject_cast<QAction*>(object))
            ++actions[name];
    }
    for (const auto& [name, count] : widgets) EXPECT_EQ(count, 1) << name.toStdString();
    for (const auto& [name, count] : actions) EXPECT_EQ(count, 1) << name.toStdString();
    EXPECT_EQ(window->findChild<QToolButton*>("SpeedButton9"), window->previewButton());
    EXPECT_EQ(window->findChild<QAction*>("N18"), window->mainMenu()->entries().preview);
}

TEST_F(MainWindowTest, MenuEntriesHaveTheirShortcutsAndStates) {
    open();
    MainMenu* menu = window->mainMenu();
    auto shortcut = [&](const char* name) { return menu->action(name)->shortcut().toString(); };
    EXPECT_EQ(shortcut("N6"), "Ctrl+I");
    EXPECT_EQ(shortcut("N18"), "F9");
    EXPECT_EQ(shortcut("N25"), "F10");
    EXPECT_EQ(shortcut("N26"), "F11");
    EXPECT_EQ(shortcut("ExportGif1"), "Ctrl+G");
    EXPECT_EQ(shortcut("Languages1"), "Ctrl+Alt+C");
    EXPECT_EQ(shortcut("Opensettingsdefault1"), "F2");
    // F3 belongs to the hidden "Save Default settings", which comes first in the menu.
    EXPECT_EQ(shortcut("Savedefaultsettings1"), "F3");
    auto keys = [&](const char* name) { return QKeySequence::listToString(menu->action(name)->shortcuts()); };
    EXPECT_EQ(keys("N16"), "Ctrl++; Ctrl+=");
    EXPECT_EQ(keys("N17"), "F4; Ctrl+-");
    EXPECT_EQ(keys("Zoomfit1"), "Ctrl+0");
    EXPECT_EQ(keys("Zoomactual1"), "Ctrl+1");
    EXPECT_FALSE(menu->isShown("Savedefaultsettings1"));
    EXPECT_FALSE(menu->isShown("Opensettingsdefault1"));
    EXPECT_FALSE(menu->isShown("Languages1"));
    EXPECT_TRUE(menu->isShown("N16"));
    EXPECT_FALSE(menu->action("ExportGif1")->isEnabled());
    EXPECT_FALSE(menu->action("Exporttiff1")->isEnabled());
    EXPECT_TRUE(menu->action("N18")->isEnabled());
    EXPECT_TRUE(menu->action("Showgrouptiff1")->isEnabled());
    EXPECT_EQ(menu->action("N2")->text(), "&File");
}

TEST_F(MainWindowTest, PreviewStopAndGlassesKeysDoNothingBeforeAnImport) {
    openActive();
    for (Qt::Key key : { Qt::Key_F9, Qt::Key_F10, Qt::Key_F11 }) QTest::keyClick(window.get(), key);
    QApplication::processEvents();
    EXPECT_EQ(window->document().AppStage, kStageNothingImported);
    EXPECT_FALSE(window->stopButton()->isEnabled());
    EXPECT_TRUE(platform.errors.isEmpty());
    EXPECT_TRUE(platform.openRequests.empty());
}

TEST_F(MainWindowTest, ShortcutsReachHiddenEntries) {
    openActive();
    QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(window->language(), 1);
    QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(window->language(), 0);
    // Ctrl+I opens the import dialog; cancelling it changes nothing.
    QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(platform.openRequests.size(), 1u);
    EXPECT_EQ(window->document().AppStage, kStageNothingImported);
}

TEST_F(MainWindowTest, WindowCommandsReachTheWindowFromATextField) {
    openActive();
    platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
    window->mainMenu()->entries().importPsd->trigger();
    ASSERT_EQ(window->document().LayerCount, 11);
    find<QSlider>("TrackBar1")->setValue(1);
    auto* lpi = find<QLineEdit>("Edit5");
    lpi->setFocus();
    ASSERT_TRUE(lpi->hasFocus());

    // F9 plays until F10, both typed into the field.
    QTimer::singleShot(200, lpi, [&] { QTest::keyClick(lpi, Qt::Key_F10); });
    QTest::keyClick(lpi, Qt::Key_F9);
    EXPECT_EQ(window->document().AppStage, kStagePreviewStopped);
    QTest::keyClick(lpi, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(platform.saveRequests.size(), 1u); // Save project asks where
    QTest::keyClick(lpi, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(platform.dialogs, QStringList { "ExportDialog" });
    QTest::keyClick(lpi, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(platform.openRequests.size(), 2u);

    // Redo and the editing commands of the DrawLine tab reach the window from its Depth field.
    window->mainMenu()->entries().beginLine->trigger();
    auto* picture = find<QWidget>("Image1");
    for (const QPoint p : { QPoint(100, 100), QPoint(200, 100) })
        QTest::mouseClick(picture, Qt::LeftButton, {}, p);
    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(150, 200));
    ASSERT_EQ(window->document().EditLines[0].size(), 1u);
    window->mainMenu()->entries().undoLineEdit->trigger();
    auto* depth = find<QLineEdit>("Edit1");
    depth->setFocus();
    QTest::keyClick(depth, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->document().EditLines[0].size(), 1u);
    window->mainMenu()->entries().undoLineEdit->trigger();
    QTest::keyClick(depth, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(window->document().EditLines[0].size(), 1u);
    QTest::keyClick(depth, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(window->document().EditLines[0].empty());

    // What a field needs stays with it.
    lpi = find<QLineEdit>("Edit1");
    lpi->setText("42.5");
    QTest::keyClick(lpi, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(lpi->selectedText(), "42.5");
    QTest::keyClick(lpi, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(lpi->text(), "");
    QTest::keyClick(lpi, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lpi->text(), "42.5");
    QTest::keyClick(lpi, Qt::Key_End);
    QTest::keyClick(lpi, Qt::Key_Left);
    QTest::keyClick(lpi, Qt::Key_Delete);
    EXPECT_EQ(lpi->text(), "42.");
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
}

TEST_F(MainWindowTest, ImportZoomAndTheTabsFinish) {
    openActive();
    find<RadioGroup>("RadioGroup1")->setItemIndex(1);
    platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
    window->mainMenu()->entries().importPsd->trigger();
    ASSERT_EQ(window->document().LayerCount, 11);
    // The canvas shows the composite, and Layer View says All.
    EXPECT_EQ(find<RadioGroup>("RadioGroup1")->itemIndex(), 0);

    // The zoom shows in the status bar and follows the zoom commands.
    QWidget* picture = find<QWidget>("Image1");
    const QSize fitted = picture->size();
    const auto zoom = [&] { return window->statusPanels()->zoom(); };
    EXPECT_EQ(
        zoom(), QString::number(Round(100.0L * fitted.height() / window->document().ImageHeight)) + " %");
    window->zoomToActualSize();
    EXPECT_EQ(zoom(), "100 %");
    // The DrawLine tab opens on the whole picture.
    window->mainMenu()->entries().beginLine->trigger();
    EXPECT_EQ(picture->size(), fitted);

    // The name column takes the free width and can be dragged wider.
    auto* grid = find<StringGrid>("StringGrid1");
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(LayerPanel::kNameColumn), QHeaderView::Interactive);
    int widths = 0;
    for (int c = 0; c < grid->columnCount(); ++c) widths += grid->columnWidth(c);
    EXPECT_EQ(widths, grid->viewport()->width());

    auto* front = find<QLabel>("Label24");
    EXPECT_EQ(front->palette().color(front->foregroundRole()), QColor(Qt::red));
}

TEST_F(MainWindowTest, ZoomKeysReachTheZoomCommands) {
    openActive();
    // A copy: F3 below saves the settings beside the picture.
    QTemporaryDir folder;
    const QString psd = folder.filePath("scene.psd");
    ASSERT_TRUE(QFile::copy(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", psd));
    platform.openAnswers.push_back(psd);
    window->mainMenu()->entries().importPsd->trigger();
    QWidget* picture = find<QWidget>("Image1");
    const QSize fitted = picture->size();
    QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(picture->width(), static_cast<int>(Round(fitted.width() * 1.5L)));
    QTest::keyClick(window.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(picture->width(), static_cast<int>(Round(Round(fitted.width() * 1.5L) * 1.5L)));
    QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_F4);
    EXPECT_NEAR(picture->width(), fitted.width(), 1);
    QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(picture->size(), QSize(1600, 1200));
    QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(picture->size(), fitted);
    // F3 stays with the hidden "Save Default settings": it saves, it does not zoom.
    QTest::keyClick(window.get(), Qt::Key_F3);
    EXPECT_EQ(picture->size(), fitted);
    EXPECT_TRUE(QFile::exists(folder.filePath("scene.tw3d")));
}

TEST_F(MainWindowTest, HelpAboutAndTheWebLinkOpenWithoutBlocking) {
    open();
    window->mainMenu()->entries().showHelp->trigger();
    QWidget* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "Form2" && w->isVisible()) help = w;
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), "Help");
    window->mainMenu()->entries().openWebLink->trigger();
    ASSERT_EQ(platform.opened.size(), 1);
    EXPECT_TRUE(platform.opened[0].startsWith("https://"));
    window->mainMenu()->entries().showAbout->trigger();
    closeWindow();
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && (w->objectName() == "Form2" || w->objectName() == "AboutBox"));
}

TEST_F(MainWindowTest, ShowWorkFolderOpensIt) {
    open();
    window->mainMenu()->entries().showWorkFolder->trigger();
    ASSERT_EQ(platform.opened.size(), 1);
    EXPECT_EQ(platform.opened[0], window->workFolder().path());
}

// A status message naming a deep folder (where a GIF went, why the work folder was
// passed over) is cut to the bar's width instead of widening the window.
TEST_F(MainWindowTest, ALongStatusTextIsElidedNotWidened) {
    open();
    window->resize(1000, 700);
    window->show();
    StatusPanels* status = window->statusPanels();
    const int before = window->minimumSizeHint().width();
    const QString deep = " Wrote " + QString("/very/deep/folder").repeated(100) + "/scene.gif";
    status->setText(StatusPanels::kPromptPanel, deep);
    QApplication::processEvents();
    EXPECT_EQ(window->minimumSizeHint().width(), before);
    EXPECT_LT(window->width(), 1024);
    EXPECT_EQ(status->text(StatusPanels::kPromptPanel), deep);
    auto* prompt = status->findChild<ElidedLabel*>("StatusPanel10");
    ASSERT_NE(prompt, nullptr);
    EXPECT_GT(prompt->width(), 100);
    // Both ends stay: where it was written and the file's name.
    EXPECT_TRUE(prompt->shownText().startsWith(" Wrote /very")) << prompt->shownText().toStdString();
    EXPECT_TRUE(prompt->shownText().contains(QChar(0x2026))) << prompt->shownText().toStdString();
    EXPECT_TRUE(prompt->shownText().endsWith("/scene.gif"));
}

TEST(Splash, EndsAfterTwoSecondsOrAtAClick) {
    QElapsedTimer clock;
    {
        AboutBox splash;
        EXPECT_EQ(splash.windowTitle(), "About");
        QTimer::singleShot(
            100, &splash, [&splash] { QTest::mouseClick(splash.childAt(300, 200), Qt::LeftButton); });
        clock.start();
        splash.runAsSplash();
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_FALSE(splash.isVisible());
    }
    {
        AboutBox splash;
        clock.start();
        const std::clock_t cpuBefore = std::clock();
        splash.runAsSplash();
        // Waiting costs no processor time: the wait sleeps instead of polling.
        EXPECT_LT(static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC, 0.2);
        EXPECT_GE(clock.elapsed(), 1800);
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_FALSE(splash.timer()->isActive());
    }
}

} // namespace
} // namespace deptrix
