#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/LayerPreviewPlayer.h"
#include "app/MainMenu.h"
#include "app/OutlineEditorController.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/TextAndPaths.h"
#include "app/Viewport.h"
#include "core/BmpCodec.h"
#include "depth/DepthMapPicture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace deptrix {
namespace {

/// The sample imported, its "House" layer (index 5, table row 6) open on the DrawLine
/// tab with a roof line of Order 1.
class LayerPreview : public WindowFixture {
protected:
    std::vector<int> frames;
    static constexpr int kHouse = 5;

    void SetUp() override {
        openActive();
        platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
        window->mainMenu()->entries().importPsd->trigger();
        ASSERT_EQ(window->document().LayerCount, 11);
        find<QSlider>("TrackBar1")->setValue(1); // 10 ms frames keep the tests short
        QObject::connect(window->layerPlayer(), &LayerPreviewPlayer::frameShown,
            [this](int view) { frames.push_back(view); });
        Document& doc = window->document();
        doc.SelectedLayer = kHouse;
        find<TabSheet>("TabSheet2")->activate();
        doc.EditLines.assign(kOrderCount, {});
        doc.EditLines[0].push_back({ { 420, 620 }, { 535, 515 }, { 650, 620 } });
    }

    /// Runs `action` inside the playback once `count` frames have been shown.
    void atFrame(size_t count, std::function<void()> action) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, count, action] {
            if (frames.size() < count) return;
            poll->deleteLater();
            poll->stop();
            action();
        });
        poll->start(1);
    }
    bool enabled(const char* name) const { return find<QWidget>(name)->isEnabled(); }
    QString workFile(const QString& name) const { return window->workFolder().path() + name; }
};

TEST_F(LayerPreview, StoresTheTabsSettingsAndPlaysTheLayerAloneUntilStop) {
    // A depth text that is not a number is refused before anything changes.
    find<QLineEdit>("Edit1")->setText("deep");
    find<QPushButton>("BitBtn5")->click();
    EXPECT_EQ(platform.errors, QStringList { "Depth: 'deep' must be a number" });
    EXPECT_EQ(window->document().Layers[kHouse].Group, kGroupNone);
    EXPECT_EQ(find<StringGrid>("StringGrid1")->cell(1, 6), "");
    for (const char* name : { "BitBtn5", "SpeedButton1", "SpeedButton9", "Panel2" })
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_TRUE(frames.empty());
    // A depth too large for a picture fails in the synthesis: the tab is usable again
    // and the layer waits to be built at the next Preview.
    find<QLineEdit>("Edit1")->setText("1000");
    find<QPushButton>("BitBtn5")->click();
    ASSERT_EQ(platform.errors.size(), 2);
    EXPECT_EQ(window->document().Layers[kHouse].Group, kGroupOutlineStale);
    for (const char* name : { "BitBtn5", "SpeedButton9", "Panel2", "PageControl2" })
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(enabled("BitBtn6"));
    platform.errors.clear();

    find<QLineEdit>("Edit1")->setText("2.0");
    find<QSlider>("TrackBar2")->setValue(3);
    find<QSlider>("TrackBar3")->setValue(9);
    const char* whilePlaying[]
        = { "SpeedButton1", "Image1", "SpeedButton9", "SpeedButton10", "SpeedButton6", "SpeedButton7",
              "SpeedButton8", "SpeedButton13", "PageControl2", "Panel2", "BitBtn5", "SpeedButton29" };
    QImage lastFrame;
    QObject::connect(window->layerPlayer(), &LayerPreviewPlayer::frameShown,
        [&] { lastFrame = window->viewport()->picture()->picture(); });
    atFrame(16, [&] {
        for (const char* name : whilePlaying) EXPECT_FALSE(enabled(name)) << name;
        EXPECT_TRUE(enabled("BitBtn6"));
        find<QPushButton>("BitBtn6")->click();
    });
    find<QPushButton>("BitBtn5")->click(); // returns when the playback has ended
    EXPECT_EQ(frames, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 1, 2, 3 }));
    EXPECT_TRUE(platform.errors.isEmpty());

    const Document& doc = window->document();
    const LayerRecord& house = doc.Layers[kHouse];
    EXPECT_EQ(house.Group, kGroupOutlineBuilt);
    EXPECT_EQ(house.Depth, 20000);
    EXPECT_EQ(house.Smooth, 3);
    EXPECT_EQ(house.BaseOrder, 9);
    EXPECT_EQ(doc.LayerLines[kHouse], doc.EditLines);
    EXPECT_EQ(find<StringGrid>("StringGrid1")->cell(1, 6), "+");
    // The last frame is the working-resolution file of view 3, margins included.
    const Bitmap view3 = LoadBmp(ToPath(workFile("6xgx3.gjs")));
    EXPECT_EQ(view3.width(), 252 + 2 * 75);
    EXPECT_EQ(lastFrame, PictureControl::ToImage(view3));

    // Stopped, the tab shows the layer with its outlines again, ready for editing.
    for (const char* name :
        { "PageControl2", "Panel2", "SpeedButton1", "SpeedButton9", "BitBtn5", "Image1", "SpeedButton6" })
        EXPECT_TRUE(enabled(name)) << name;
    for (const char* name : { "BitBtn6", "SpeedButton29", "SpeedButton13" })
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_EQ(window->viewport()->picture()->picture().constBits(),
        window->outlineEditor()->editor().display().bits());
    EXPECT_FALSE(platform.busy);
}

TEST_F(LayerPreview, LeavingTheTabOrClosingTheWindowEndsThePlayback) {
    atFrame(3, [&] { find<TabSheet>("TabSheet1")->activate(); });
    find<QPushButton>("BitBtn5")->click();
    EXPECT_EQ(frames.size(), 4u); // the frame that was waiting still shows
    EXPECT_TRUE(enabled("BitBtn6"));
    EXPECT_FALSE(enabled("BitBtn5"));

    find<QPushButton>("BitBtn6")->click();
    find<TabSheet>("TabSheet2")->activate();
    frames.clear();
    const QString work = window->workFolder().path();
    atFrame(2, [&] { window->close(); });
    find<QPushButton>("BitBtn5")->click();
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_TRUE(QDir(work).entryList(QDir::Files).isEmpty());
}

TEST_F(LayerPreview, TheDepthMapIsAToggleThatEveryEditEnds) {
    auto* button = find<QPushButton>("DepthMapButton");
    QAction* entry = window->mainMenu()->entries().showDepthMap;
    PictureControl* picture = window->viewport()->picture();
    const OutlineEditor& editor = window->outlineEditor()->editor();
    const auto showsOutlines = [&] { return picture->picture().constBits() == editor.display().bits(); };
    ASSERT_TRUE(showsOutlines());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(button->isChecked());
    EXPECT_TRUE(entry->isChecked());
    EXPECT_FALSE(showsOutlines());
    entry->trigger();
    EXPECT_FALSE(button->isChecked());
    EXPECT_TRUE(showsOutlines());

    auto* orders = find<RadioGroup>("RadioGroup2");
    const std::function<void()> edits[] = {
        [&] { QTest::mouseClick(find<QToolButton>("ToolButton4"), Qt::LeftButton); },
        [&] {
            QRadioButton* fourth = orders->findChildren<QRadioButton*>()[3];
            QTest::mouseClick(fourth, Qt::LeftButton, {}, QPoint(8, fourth->height() / 2));
        },
        [&] { QTest::mouseClick(find<QCheckBox>("CheckBox3"), Qt::LeftButton); },
        [&] {
            const QPoint at = picture->rect().center();
            QTest::mouseMove(picture, at);
            EXPECT_FALSE(showsOutlines()); // hovering changes nothing
            QTest::mouseClick(picture, Qt::LeftButton, {}, at);
        },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_FALSE(showsOutlines()) << i;
        edits[i]();
        EXPECT_TRUE(showsOutlines()) << i;
        EXPECT_FALSE(button->isChecked()) << i;
    }
    EXPECT_EQ(window->document().CurOrder, 3);
}

TEST_F(LayerPreview, MainPreviewRebuildsOutlineLayersOnlyAfterADepthChange) {
    atFrame(1, [&] { find<QPushButton>("BitBtn6")->click(); });
    find<QPushButton>("BitBtn5")->click();
    find<TabSheet>("TabSheet1")->activate();
    // A file the compositor never reads tells whether the layer was rebuilt.
    auto mark = [&] {
        QFile::remove(workFile("6gx1.gjs"));
        QFile(workFile("6gx1.gjs")).open(QIODevice::WriteOnly);
    };
    auto rebuilt = [&] { return QFile(workFile("6gx1.gjs")).size() > 0; };
    auto preview = [&] {
        QTimer::singleShot(30, window.get(), [&] { window->stopButton()->click(); });
        window->previewButton()->click();
        EXPECT_TRUE(platform.errors.isEmpty());
    };
    mark();
    preview(); // the depth factor counts as changed at start-up
    EXPECT_TRUE(rebuilt());
    mark();
    preview();
    EXPECT_FALSE(rebuilt());
    window->parameterPanel()->depthField()->setText("1.5");
    preview();
    EXPECT_TRUE(rebuilt());
    EXPECT_EQ(window->document().Layers[kHouse].Group, kGroupOutlineBuilt);
}

TEST_F(LayerPreview, DepthMapShowsWhatTheOutlinesMakeWithTheTabsSettings) {
    find<QLineEdit>("Edit1")->setText("0.5");
    find<QSlider>("TrackBar2")->setValue(1);
    find<QPushButton>("DepthMapButton")->click();
    const Document& doc = window->document();
    LayerRecord layer = doc.Layers[kHouse];
    layer.Depth = 5000;
    layer.Smooth = 1;
    const QImage expected = PictureControl::ToImage(DepthMapPicture(doc, kHouse, layer, doc.EditLines));
    EXPECT_EQ(window->viewport()->picture()->picture(), expected);
    EXPECT_EQ(expected.pixelColor(535, 600), QColor(255, 255, 255)); // under the roof line
    EXPECT_EQ(doc.Layers[kHouse].Depth, kFixedOne); // nothing is stored
}

} // namespace
} // namespace deptrix
