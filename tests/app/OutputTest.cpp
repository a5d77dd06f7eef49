#include "TestFolder.h"
#include "WindowFixture.h"
#include "app/MainMenu.h"
#include "app/PictureControl.h"
#include "app/PreviewPlayer.h"
#include "app/StatusPanels.h"
#include "app/Viewport.h"
#include "cli/BatchRun.h"
#include "core/BmpCodec.h"
#include "output/Anaglyph.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <sstream>
#include <unistd.h>

namespace deptrix {
namespace {

std::filesystem::path ToPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

// A window with the sample imported from a folder of its own and one preview played.
class Outputs : public WindowFixture {
protected:
    QString psd;
    int framesShown = 0;

    void SetUp() override {
        open();
        psd = folder.filePath("pictures/scene.psd");
        QDir().mkpath(folder.filePath("pictures"));
        ASSERT_TRUE(QFile::copy(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd", psd));
        platform.openAnswers.push_back(psd);
        window->mainMenu()->entries().importPsd->trigger();
        find<QSlider>("TrackBar1")->setValue(1);
        QObject::connect(window->player(), &PreviewPlayer::frameShown, [this](int) { ++framesShown; });
    }

    /// Preview, and run `during` inside the playback after a few frames (Stop by default).
    void preview(std::function<void()> during = {}) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, during] {
            if (framesShown < 3) return;
            poll->stop();
            poll->deleteLater();
            if (during)
                during();
            else
                window->stopButton()->click();
        });
        poll->start(1);
        window->previewButton()->click();
        ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    }
};

TEST_F(Outputs, GlassesStopThePlaybackShowAndSaveTheAnaglyph) {
    EXPECT_FALSE(window->anaglyphButton()->isEnabled());
    preview([this] { window->mainMenu()->entries().showAnaglyph->trigger(); });
    const Document& doc = window->document();
    EXPECT_EQ(doc.AppStage, kStagePreviewStopped);
    const QString saved = folder.filePath("pictures/scene_qv58.bmp");
    ASSERT_TRUE(QFile::exists(saved));
    const Bitmap expected = MakeAnaglyph(doc.Views[2], doc.Views[6]);
    EXPECT_TRUE(LoadBmp(ToPath(saved)).samePixels(expected));
    EXPECT_EQ(window->viewport()->picture()->picture(), PictureControl::ToImage(expected));
    EXPECT_EQ(platform.messages, QStringList { "Please put on 3d glasses to see the 3d picture." });
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kPromptPanel),
        " Saved " + QDir::toNativeSeparators(saved));
    EXPECT_GE(platform.sleptMs, 5);

    // Again: the same file written twice, the message shown twice.
    window->anaglyphButton()->click();
    EXPECT_EQ(platform.messages.size(), 2);
}

TEST_F(Outputs, APictureThatCannotBeWrittenIsReportedWithoutTheMessage) {
    preview();
    // A folder in the way of the anaglyph's name makes the write fail for any user.
    ASSERT_TRUE(QDir().mkpath(folder.filePath("pictures/scene_qv58.bmp")));
    window->anaglyphButton()->click();
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].contains("scene_qv58.bmp")) << platform.errors[0].toStdString();
    EXPECT_TRUE(platform.messages.isEmpty());
    // Nothing half-written is left beside the PSD.
    EXPECT_EQ(QDir(folder.filePath("pictures")).entryList(QDir::Files), QStringList { "scene.psd" });
    EXPECT_FALSE(platform.busy);
}

TEST_F(Outputs, TheStereoPairButtonWritesIntoTheWorkFolderAndOpensIt) {
    preview();
    window->findChild<QToolButton*>("SpeedButton11")->click();
    const QString jps = window->workFolder().path() + "glasses.jps";
    ASSERT_EQ(platform.opened, QStringList { jps });
    const QImage pair(jps, "JPEG");
    ASSERT_FALSE(pair.isNull());
    EXPECT_EQ(pair.size(), QSize(2 * window->document().ImageWidth, window->document().ImageHeight));
}

TEST_F(Outputs, TheStereoPairFromTheMenuIsSavedWhereTheUserSaysAndOpened) {
    preview();
    EXPECT_TRUE(window->mainMenu()->entries().writeStereoPair->isEnabled());
    window->mainMenu()->entries().writeStereoPair->trigger(); // cancelled
    ASSERT_EQ(platform.saveRequests.size(), 1u);
    const FileDialogOptions& asked = platform.saveRequests[0];
    EXPECT_EQ(asked.filter, "Stereo pair (*.jps)");
    EXPECT_EQ(asked.defaultSuffix, "jps");
    EXPECT_TRUE(asked.confirmOverwrite);
    EXPECT_EQ(asked.initialPath, folder.filePath("pictures/scene.jps"));
    EXPECT_TRUE(platform.opened.isEmpty());
    EXPECT_FALSE(QFile::exists(window->workFolder().path() + "glasses.jps"));

    const QString jps = folder.filePath("pictures/pair.jps");
    platform.saveAnswers.push_back(jps);
    window->mainMenu()->entries().writeStereoPair->trigger();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_EQ(platform.opened, QStringList { jps });
    EXPECT_EQ(QImage(jps, "JPEG").width(), 2 * window->document().ImageWidth);
    StatusPanels* status = window->statusPanels();
    EXPECT_EQ(status->text(StatusPanels::kPromptPanel), " Saved " + QDir::toNativeSeparators(jps));

    // Without a program to show it, the status bar still says where it is.
    platform.hasViewer = false;
    platform.saveAnswers.push_back(jps);
    window->mainMenu()->entries().writeStereoPair->trigger();
    EXPECT_EQ(status->text(StatusPanels::kPromptPanel),
        " Saved " + QDir::toNativeSeparators(jps) + " (no program was found to show it)");
    closeWindow();
    EXPECT_TRUE(QFile::exists(jps)); // it is the user's, not a work file
}

TEST_F(Outputs, TheGifExportAsksForANameAndWritesTheFile) {
    EXPECT_FALSE(window->mainMenu()->entries().exportGif->isEnabled());
    preview();
    ASSERT_TRUE(window->mainMenu()->entries().exportGif->isEnabled());

    window->mainMenu()->entries().exportGif->trigger(); // cancelled
    ASSERT_EQ(platform.saveRequests.size(), 1u);
    const FileDialogOptions& asked = platform.saveRequests[0];
    EXPECT_EQ(asked.title, "Gif save");
    EXPECT_EQ(asked.filter, "Gif (*.gif)");
    EXPECT_TRUE(asked.confirmOverwrite);
    EXPECT_EQ(asked.initialPath, folder.filePath("pictures/scene.gif"));
    EXPECT_EQ(platform.beeps, 1); // only the import's

    const QString gif = folder.filePath("out.gif");
    platform.saveAnswers.push_back(gif);
    window->mainMenu()->entries().exportGif->trigger();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    QFile file(gif);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(6), "GIF89a");
    EXPECT_EQ(
        window->statusPanels()->text(StatusPanels::kPromptPanel), " Saved " + QDir::toNativeSeparators(gif));
    EXPECT_EQ(platform.beeps, 2);
    EXPECT_EQ(window->progressBar()->value(), 0);
    EXPECT_FALSE(platform.busy);
}

TEST_F(Outputs, AMissingViewFileStopsTheExportAndWritesNothing) {
    preview();
    // Without the views in memory the export reads their files. The views are shown
    // where they lie, so the player lets go of them before one is dropped.
    window->player()->releaseViews();
    window->document().Views[4] = Bitmap();
    QFile::remove(window->workFolder().path() + "vw4.gjs");
    const QString gif = folder.filePath("out.gif");
    platform.saveAnswers.push_back(gif);
    window->mainMenu()->entries().exportGif->trigger();
    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].contains("vw4.gjs")) << platform.errors[0].toStdString();
    EXPECT_FALSE(QFile::exists(gif));
    EXPECT_FALSE(platform.busy);
}

// Through a link or a hard link, an export or a save is refused over the picture.
TEST_F(Outputs, NoExportOrSaveReplacesThePicture) {
    preview();
    const std::string picture = test::ReadText(ToPath(psd));
    const QString link = folder.filePath("link.gif");
    const QString hard = folder.filePath("hard.tw3d2");
    ASSERT_TRUE(QFile::link(psd, link));
    ASSERT_EQ(::link(psd.toUtf8().constData(), hard.toUtf8().constData()), 0);
    platform.saveAnswers = { link, hard };
    window->mainMenu()->entries().exportGif->trigger();
    window->mainMenu()->entries().saveSettings->trigger();
    ASSERT_EQ(platform.errors.size(), 2);
    EXPECT_EQ(platform.errors[0],
        QDir::toNativeSeparators(link) + " is the same file as " + QDir::toNativeSeparators(psd)
            + ", which this document was read from: an output may not replace an input, so nothing was "
              "written.");
    EXPECT_TRUE(platform.errors[1].startsWith(QDir::toNativeSeparators(hard) + " is the same file as"));
    EXPECT_EQ(test::ReadText(ToPath(psd)), picture);
    EXPECT_FALSE(platform.busy);
}

TEST_F(Outputs, TheBatchFrontEndBuildsTheSameViewsAsPreview) {
    preview();
    BatchOptions options;
    options.psdPath = psd.toStdString();
    options.viewsFolder = folder.filePath("batch").toStdString();
    std::ostringstream out;
    struct Quiet final : BatchProgress {
        void beginStep(const char*) override { }
        void setPosition(int) override { }
    } quiet;
    RunBatch(options, out, quiet);
    for (int n = 1; n <= 7; ++n) {
        const Bitmap view = LoadBmp(ToPath(folder.filePath(QString("batch/view%1.bmp").arg(n))));
        EXPECT_TRUE(view.samePixels(window->document().Views[static_cast<size_t>(n)])) << n;
    }
}

} // namespace
} // namespace deptrix
