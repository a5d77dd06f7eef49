#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/PreviewPlayer.h"
#include "app/StatusPanels.h"
#include "app/Viewport.h"
#include "core/WorkFileWriter.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace deptrix {
namespace {

class Preview : public WindowFixture {
protected:
    std::vector<int> frames;

    void SetUp() override {
        openActive();
        platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
        window->mainMenu()->entries().importPsd->trigger();
        ASSERT_EQ(window->document().LayerCount, 11);
        find<QSlider>("TrackBar1")->setValue(1); // 10 ms frames keep the tests short
        QObject::connect(
            window->player(), &PreviewPlayer::frameShown, [this](int view) { frames.push_back(view); });
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
};

TEST_F(Preview, PlaysTheViewsBackAndForthUntilStop) {
    std::vector<int> labelLefts;
    QLabel* front = find<QLabel>("Label24");
    QObject::connect(
        window->player(), &PreviewPlayer::frameShown, [&](int) { labelLefts.push_back(front->x()); });
    bool stoppedDuringPlayback = false;
    atFrame(16, [&] {
        EXPECT_EQ(window->document().AppStage, kStagePreviewing);
        EXPECT_TRUE(front->isVisible());
        EXPECT_EQ(window->statusPanels()->text(StatusPanels::kPromptPanel), " Please stop preview");
        EXPECT_TRUE(window->anaglyphButton()->isEnabled());
        QTest::keyClick(window.get(), Qt::Key_F10);
        stoppedDuringPlayback = true;
    });
    QTest::keyClick(window.get(), Qt::Key_F9); // returns when the playback has ended
    ASSERT_TRUE(stoppedDuringPlayback);

    // Stop during frame 16 ends the loop after the frame that was waiting.
    const std::vector<int> expected = { 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 1, 2, 3 };
    EXPECT_EQ(frames, expected);
    const int width = window->viewport()->width();
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(labelLefts[i], PreviewPlayer::FrontLabelLeft(width, frames[i])) << i;
    EXPECT_FALSE(front->isVisible());

    // The last shown view stays; everything is ready for the outputs.
    const Document& doc = window->document();
    EXPECT_EQ(window->viewport()->picture()->picture().convertToFormat(QImage::Format_RGB32),
        PictureControl::ToImage(doc.Views[3]));
    EXPECT_EQ(doc.AppStage, kStagePreviewStopped);
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kPromptPanel),
        " Please export tiff file, or change 3d settings.");
    EXPECT_TRUE(window->mainMenu()->entries().exportGif->isEnabled());
    EXPECT_FALSE(window->stopButton()->isEnabled());
    EXPECT_TRUE(window->importButton()->isEnabled());
    EXPECT_TRUE(window->previewButton()->isEnabled());
    EXPECT_TRUE(find<QWidget>("GroupBox2")->isEnabled());
    EXPECT_FALSE(platform.busy);
    EXPECT_TRUE(platform.errors.isEmpty());
    // The files are written in the background.
    SharedWorkFileWriter().awaitAll();
    for (int n = 1; n <= 7; ++n) {
        EXPECT_EQ(doc.Views[static_cast<size_t>(n)].width(), doc.ImageWidth);
        EXPECT_TRUE(QFile::exists(window->workFolder().path() + QString("vwt%1.gjs").arg(n)));
        EXPECT_TRUE(QFile::exists(window->workFolder().path() + QString("vw%1.gjs").arg(n)));
    }
    // The flip folder shows a different bird in the first and last views.
    EXPECT_FALSE(doc.Views[1].samePixels(doc.Views[7]));
}

TEST_F(Preview, PreviewPressedAgainRunsInsideAndOneStopEndsBoth) {
    int generations = 0;
    atFrame(3, [&] {
        ++generations;
        window->previewButton()->click(); // a new generation and playback inside this one
    });
    atFrame(8, [&] { window->stopButton()->click(); });
    window->previewButton()->click();
    EXPECT_EQ(generations, 1);
    // The inner run started again at view 1 after the outer run's third frame.
    ASSERT_GE(frames.size(), 8u);
    EXPECT_EQ((std::vector<int>(frames.begin(), frames.begin() + 5)), (std::vector<int> { 1, 2, 3, 1, 2 }));
    EXPECT_GT(window->document().AnimStop, kLoopLimit);
    EXPECT_EQ(window->document().AppStage, kStagePreviewStopped);
}

TEST_F(Preview, ClosingTheWindowEndsEveryLoop) {
    const QString work = window->workFolder().path();
    atFrame(2, [&] { window->previewButton()->click(); });
    atFrame(5, [&] { window->close(); });
    window->previewButton()->click();
    EXPECT_GT(window->document().AnimStop, kLoopLimit);
    EXPECT_EQ(frames.size(), 5u); // nothing was shown after the close
    EXPECT_TRUE(QDir(work).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(window->document().Layers.empty());
}

TEST_F(Preview, ABadOffsetCellStopsWithTheConversionMessage) {
    find<StringGrid>("StringGrid1")->setCell(2, 5, "4x");
    window->previewButton()->click();
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_EQ(platform.errors[0], "'4x' is not a valid integer value");
    EXPECT_FALSE(platform.busy); // the pointer does not stay an hourglass
    // Nothing plays, so nothing stays locked: the table can be mended and Preview
    // pressed again, or another file imported.
    EXPECT_TRUE(window->importButton()->isEnabled());
    EXPECT_TRUE(find<QWidget>("GroupBox2")->isEnabled());
    EXPECT_TRUE(window->previewButton()->isEnabled());
    EXPECT_FALSE(window->stopButton()->isEnabled());
    EXPECT_EQ(window->document().AppStage, kStageImported);
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kPromptPanel),
        QString::fromUtf8(" Please set 3d parameters，and click the Preview button."));
    find<StringGrid>("StringGrid1")->setCell(2, 5, "4");
    atFrame(1, [&] { window->stopButton()->click(); });
    window->previewButton()->click();
    EXPECT_EQ(platform.errors.size(), 1);
    EXPECT_EQ(window->document().AppStage, kStagePreviewStopped);
}

TEST_F(Preview, ABadFocusTextStopsBeforeAnythingChanges) {
    window->parameterPanel()->focusField()->setText("two");
    window->previewButton()->click();
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_EQ(platform.errors[0], "Layer 0: 'two' must be a whole number");
    EXPECT_EQ(window->document().AppStage, kStageImported);
    EXPECT_TRUE(window->importButton()->isEnabled());
    EXPECT_FALSE(platform.busy);
}

TEST_F(Preview, EmptyFieldsGetThePreviewDefaults) {
    window->parameterPanel()->anglesField()->clear();
    window->parameterPanel()->lpiField()->clear();
    atFrame(1, [&] { window->stopButton()->click(); });
    window->previewButton()->click();
    EXPECT_EQ(window->parameterPanel()->anglesField()->text(), "7");
    EXPECT_EQ(window->parameterPanel()->lpiField()->text(), "75.55");
    EXPECT_EQ(window->document().Lpi, 755500);
}

TEST_F(Preview, TheDepthFieldIsReadAgainUnchecked) {
    window->parameterPanel()->depthField()->setText("12");
    EXPECT_EQ(window->document().DepthFactor, 20000);
    atFrame(1, [&] { window->stopButton()->click(); });
    window->previewButton()->click();
    EXPECT_EQ(window->document().DepthFactor, 120000);
}

} // namespace
} // namespace deptrix
