// Depth maps in the window: loading one for the selected layer (asking before it
// replaces outlines), clearing it from the layer table's menu, saving the depth a layer
// gets, and keeping the maps beside a project.

#include "TestFolder.h"
#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/MainMenu.h"
#include "app/PictureControl.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/Viewport.h"
#include "core/FileIo.h"
#include "depth/DepthMapPicture.h"
#include "depth/DepthQuantities.h"
#include "depth/LayerDepthSource.h"
#include "output/DepthMapFile.h"

#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace deptrix {
namespace {

/// The sample imported from a copy in the test's folder, its "House" layer (index 5,
/// table row 6, 252 x 412) open on the DrawLine tab with a roof line.
class DepthMapWindow : public WindowFixture {
protected:
    static constexpr int kHouse = 5;
    static constexpr int kRow = 6;

    void SetUp() override {
        openActive();
        const QString psd = folder.filePath("scene.psd");
        QFile::copy(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", psd);
        window->importPsdFile(psd);
        ASSERT_EQ(window->document().LayerCount, 11);
        Document& doc = window->document();
        doc.SelectedLayer = kHouse;
        find<TabSheet>("TabSheet2")->activate();
        doc.EditLines.assign(kOrderCount, {});
        doc.EditLines[0].push_back({ { 420, 620 }, { 535, 515 }, { 650, 620 } });
    }
    /// A left-to-right ramp of the house's size.
    QString rampMap(const char* name) {
        Bitmap ramp(252, 412, PixelFormat::Gray8);
        for (int y = 0; y < ramp.height(); ++y)
            for (int x = 0; x < ramp.width(); ++x) ramp.row(y)[x] = static_cast<std::uint8_t>(x);
        const QString path = folder.filePath(name);
        SaveDepthMap(ramp, ToPath(path), false);
        return path;
    }
    void load(const QString& path, bool replaceOutlines) {
        platform.openAnswers.push_back(path);
        platform.dialogAnswers.push_back(true);
        platform.yesNoAnswers.push_back(replaceOutlines);
        find<QPushButton>("LoadDepthMapButton")->click();
    }
    QString prompt() const { return window->statusPanels()->text(StatusPanels::kPromptPanel); }
};

TEST_F(DepthMapWindow, LoadingAsksBeforeReplacingOutlinesAndShowsTheMapAsTheWarpUsesIt) {
    const Document& doc = window->document();
    const QString map = rampMap("ramp.png");
    load(map, false);
    EXPECT_EQ(platform.dialogs, QStringList { "DepthMapDialog" });
    EXPECT_EQ(doc.depthMapOf(kHouse), nullptr);
    EXPECT_EQ(doc.EditLines[0].size(), 1u); // the outlines stay

    platform.onDialog
        = [](QDialog* dialog) { dialog->findChild<QCheckBox*>("DepthMapInvert")->setChecked(true); };
    load(map, true);
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    ASSERT_NE(doc.depthMapOf(kHouse), nullptr);
    EXPECT_TRUE(doc.depthMapOf(kHouse)->options.invert);
    EXPECT_EQ(doc.EditLines, LineSet(kOrderCount));
    EXPECT_EQ(doc.Layers[kHouse].Group, kGroupOutlineStale);
    EXPECT_EQ(table()->cell(1, kRow), "#");
    EXPECT_TRUE(prompt().contains("Depth map of layer 6")) << prompt().toStdString();
    const QImage expected = PictureControl::ToImage(DepthMapPicture(doc, kHouse, doc.Layers[kHouse], {}));
    EXPECT_EQ(window->viewport()->picture()->picture(), expected);
    // Inverted, the ramp's left edge is near; the margins repeat the edge columns.
    const Bitmap raster = LayerDepthRaster(doc, kHouse, doc.Layers[kHouse], {});
    const auto margin = static_cast<int>(OutlineMargin(doc.SourceDpi, doc.Layers[kHouse].Depth));
    EXPECT_EQ(raster.row(100)[margin + 11], 255 - 11);
    EXPECT_EQ(raster.row(100)[0], 255);

    // A damaged picture is named and changes nothing.
    QFile cut(folder.filePath("cut.png"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    cut.close();
    const LayerDepthMap* before = doc.depthMapOf(kHouse);
    load(cut.fileName(), true);
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].startsWith("cut.png: damaged PNG file"))
        << platform.errors[0].toStdString();
    EXPECT_EQ(doc.depthMapOf(kHouse), before);
}

TEST_F(DepthMapWindow, TheLayerMenuClearsAMapAndASavedMapLoadsBackAsIt) {
    const Document& doc = window->document();
    // The outlines' depth saved, then loaded back: the same raster, margins and all.
    const QString saved = folder.filePath("house-depth.png");
    platform.saveAnswers.push_back(saved);
    window->mainMenu()->action("SaveDepthMap1")->trigger();
    ASSERT_TRUE(QFile::exists(saved));
    const Bitmap fromLines = LayerDepthRaster(doc, kHouse, doc.Layers[kHouse], doc.EditLines);
    load(saved, true);
    ASSERT_NE(doc.depthMapOf(kHouse), nullptr);
    EXPECT_EQ(doc.depthMapOf(kHouse)->options.marginColumns,
        OutlineMargin(doc.SourceDpi, doc.Layers[kHouse].Depth));
    EXPECT_TRUE(LayerDepthRaster(doc, kHouse, doc.Layers[kHouse], {}).samePixels(fromLines));
    // The map in use is an input: saving over it is refused.
    const std::string savedBytes = test::ReadText(ToPath(saved));
    platform.saveAnswers.push_back(saved);
    window->mainMenu()->action("SaveDepthMap1")->trigger();
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].startsWith(QDir::toNativeSeparators(saved) + " is the same file as"));
    EXPECT_EQ(test::ReadText(ToPath(saved)), savedBytes);

    // Right-clicking a row chooses its layer; the menu clears the map.
    find<TabSheet>("TabSheet1")->activate();
    const QRect cell = table()->visualItemRect(table()->item(2, 2));
    emit table()->customContextMenuRequested(cell.center());
    EXPECT_NE(doc.SelectedLayer, kHouse);
    EXPECT_EQ(doc.SelectedLayer, doc.LayerCount - table()->currentGridRow());
    auto* menu = find<QMenu>("LayerMenu1");
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(find<QAction>("ClearDepthMap1")->isEnabled()); // that layer has no map
    menu->close();
    window->document().SelectedLayer = kHouse;
    find<QPushButton>("ClearDepthMapButton")->click();
    EXPECT_EQ(doc.depthMapOf(kHouse), nullptr);
    EXPECT_EQ(doc.Layers[kHouse].Group, kGroupNone);
    EXPECT_EQ(table()->cell(1, kRow), "");
}

TEST_F(DepthMapWindow, AProjectKeepsItsMapsBesideItAndNamesOneThatWentMissing) {
    const QString map = rampMap("ramp.bmp");
    load(map, true);
    EXPECT_TRUE(window->isWindowModified());
    const QString project = folder.filePath("scene.tw3d2");
    platform.saveAnswers.push_back(project);
    window->mainMenu()->entries().saveProject->trigger();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    ASSERT_TRUE(QFile::exists(project + ".depth"));

    window->openProjectFile(project);
    const Document& doc = window->document();
    ASSERT_NE(doc.depthMapOf(kHouse), nullptr);
    EXPECT_FALSE(window->isWindowModified()); // the maps came with the project
    EXPECT_EQ(table()->cell(1, kRow), "#");

    QFile::remove(map);
    window->openProjectFile(project);
    EXPECT_EQ(doc.depthMapOf(kHouse), nullptr);
    EXPECT_EQ(doc.Layers[kHouse].Group, kGroupNone);
    EXPECT_TRUE(prompt().contains("ramp.bmp: the depth map of layer 6 is missing")) << prompt().toStdString();
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(DepthMapWindow, UnsavedWorkKeptForRecoveryBringsItsMapBack) {
    load(rampMap("ramp.png"), true);
    window->session().closeWithoutQuestions(); // writes the recovery copy at once
    window.reset(); // ends without its shutdown, as a killed window does

    open();
    platform.choiceAnswers = { 0 };
    window->offerRecovery();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    const Document& doc = window->document();
    ASSERT_NE(doc.depthMapOf(kHouse), nullptr);
    EXPECT_EQ(table()->cell(1, kRow), "#");
    EXPECT_TRUE(window->isWindowModified());
}

} // namespace
} // namespace deptrix
