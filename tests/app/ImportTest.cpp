#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/StatusPanels.h"
#include "app/Viewport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

namespace deptrix {
namespace {

QString SamplePath() {
    return QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd";
}
QString FixturePath(const char* name) {
    return QString(DEPTRIX_FIXTURES_DIR) + "/" + name;
}

class Import : public WindowFixture {
protected:
    void importFile(const QString& path) {
        platform.openAnswers.push_back(path);
        window->mainMenu()->entries().importPsd->trigger();
    }
};

TEST_F(Import, TheSampleFillsTheTableStatusBarAndCaption) {
    open();
    window->resize(1200, 800);
    importFile(SamplePath());
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    const Document& doc = window->document();
    ASSERT_EQ(doc.LayerCount, 11);
    EXPECT_EQ(window->windowTitle(), "Deptrix 10.0   scene.psd");
    EXPECT_EQ(doc.AppStage, kStageImported);

    // Three flip layers on top, eight ordinary layers ramping from -2/3 to 1 x DepthSpan.
    auto* grid = find<StringGrid>("StringGrid1");
    EXPECT_EQ(grid->gridRowCount(), 12);
    const char* groups[] = { "A", "A", "A", "", "", "", "", "", "", "", "" };
    const char* offsets[] = { "0", "0", "0", "-67", "-44", "-22", "0", "25", "50", "75", "100" };
    for (int r = 1; r <= 11; ++r) {
        EXPECT_EQ(grid->cell(1, r), groups[r - 1]) << r;
        EXPECT_EQ(grid->cell(2, r), offsets[r - 1]) << r;
        EXPECT_FALSE(grid->item(r - 1, 0)->toolTip().isEmpty()) << r;
    }
    EXPECT_EQ(grid->cell(0, 7), "7 <F>");
    EXPECT_EQ(grid->cell(0, 6), "6");
    EXPECT_EQ(window->parameterPanel()->focusField()->text(), "7");

    StatusPanels* status = window->statusPanels();
    EXPECT_EQ(status->text(StatusPanels::kSizePanel), "27.0933 x 20.32");
    EXPECT_EQ(status->text(StatusPanels::kDpiPanel), "150");
    EXPECT_EQ(status->text(StatusPanels::kColorPanel), "RGB");
    EXPECT_EQ(status->text(StatusPanels::kLayerCountPanel), "11");
    EXPECT_EQ(status->text(StatusPanels::kPromptPanel),
        QString::fromUtf8(" Please set 3d parameters，and click the Preview button."));
    // Output height keeps the picture's proportions: 5 / 1.3333, cut to the field's 8 characters.
    EXPECT_EQ(window->document().AspectRatio, 13333);
    EXPECT_EQ(window->parameterPanel()->heightField()->text(), "3.750093");

    for (const char* enabled : { "SpeedButton3", "SpeedButton4", "SpeedButton9" })
        EXPECT_TRUE(find<QToolButton>(enabled)->isEnabled()) << enabled;
    for (const char* disabled : { "SpeedButton2", "SpeedButton5", "SpeedButton10", "SpeedButton6",
             "SpeedButton7", "SpeedButton8", "SpeedButton11" })
        EXPECT_FALSE(find<QToolButton>(disabled)->isEnabled()) << disabled;
    EXPECT_TRUE(find<QWidget>("GroupBox2")->isEnabled());
    EXPECT_TRUE(grid->isEnabled());
    EXPECT_FALSE(window->mainMenu()->entries().exportGif->isEnabled());
    EXPECT_EQ(window->progressBar()->value(), 0);
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_FALSE(platform.busy);

    // The picture fills the view area less 4 pixels, in the picture's proportions, centred.
    PictureControl* picture = window->viewport()->picture();
    EXPECT_EQ(picture->pictureSize(), QSize(doc.ImageWidth, doc.ImageHeight));
    const QSize client = window->viewport()->viewport()->size();
    EXPECT_TRUE(picture->width() == client.width() - 4 || picture->height() == client.height() - 4);
    EXPECT_NEAR(picture->width() * 1.0 / picture->height(), doc.ImageWidth * 1.0 / doc.ImageHeight, 0.01);
    EXPECT_LE(std::abs(picture->x() * 2 + picture->width() - client.width()), 1);
    // The picture shows the composite: the sky at the top is blue.
    const QRgb sky = picture->picture().pixel(doc.ImageWidth / 2, 2);
    EXPECT_GT(qBlue(sky), qRed(sky));

    // The reader left each layer and its mask in the work folder.
    for (int n = 1; n <= 11; ++n) {
        EXPECT_TRUE(QFile::exists(window->workFolder().path() + QString("ly%1.gjs").arg(n)));
        EXPECT_TRUE(QFile::exists(window->workFolder().path() + QString("lyt%1.gjs").arg(n)));
    }
}

TEST_F(Import, ARealFileFromAnotherProgramImports) {
    if (!QFileInfo::exists(FixturePath("psd-tools/2layers.psd"))) GTEST_SKIP() << "fixtures folder absent";
    open();
    importFile(FixturePath("psd-tools/2layers.psd"));
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_EQ(window->document().LayerCount, 2);
    auto* grid = find<StringGrid>("StringGrid1");
    EXPECT_EQ(grid->gridRowCount(), 3);
    EXPECT_EQ(grid->cell(0, 1), "1 <F>");
    EXPECT_EQ(grid->cell(2, 1), "0");
    EXPECT_EQ(grid->cell(2, 2), "6"); // 101 / 16 px behind the focus
    EXPECT_EQ(grid->item(1, 0)->toolTip(), QString::fromUtf8("Фон"));
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kDpiPanel), "72");
}

TEST_F(Import, TheStatusBarSaysWhatIsDrawnApproximatelyAndTheTableNamesBlendModes) {
    if (!QFileInfo::exists(FixturePath("psd-tools/masks.psd"))) GTEST_SKIP() << "fixtures folder absent";
    open();
    auto* note = find<QLabel>("ApproximationNote");
    EXPECT_TRUE(note->isHidden());
    importFile(FixturePath("psd-tools/masks.psd"));
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(), "4 layers drawn approximately: layer effects not drawn (4)");
    EXPECT_TRUE(note->toolTip().startsWith("Rectangle 2: layer effects not drawn\n"))
        << note->toolTip().toStdString();

    // Three discs in Multiply, the top one in row 1; the next file draws exactly.
    importFile(FixturePath("psd-tools/blend-modes/multiply.psd"));
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_TRUE(note->isHidden());
    const QString tip = find<StringGrid>("StringGrid1")->item(0, 2)->toolTip();
    EXPECT_TRUE(tip.startsWith("Ellipse 3\nMultiply\n")) << tip.toStdString();
}

TEST_F(Import, ADamagedFileLeavesAnEmptyDocumentAndSaysWhy) {
    open();
    importFile(SamplePath());
    ASSERT_EQ(window->document().LayerCount, 11);

    QFile sample(SamplePath());
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QString damaged = folder.filePath("damaged.psd");
    QFile out(damaged);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(sample.read(sample.size() / 3));
    out.close();
    importFile(damaged);

    ASSERT_EQ(platform.errors.size(), 1);
    EXPECT_TRUE(platform.errors[0].contains("damaged.psd")) << platform.errors[0].toStdString();
    const Document& doc = window->document();
    EXPECT_EQ(doc.LayerCount, 0);
    EXPECT_TRUE(doc.consistent());
    EXPECT_FALSE(doc.DocumentLoaded);
    for (const char* name :
        { "SpeedButton3", "SpeedButton4", "SpeedButton9", "SpeedButton2", "SpeedButton5" })
        EXPECT_FALSE(find<QToolButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(find<QWidget>("GroupBox2")->isEnabled());
    EXPECT_EQ(find<StringGrid>("StringGrid1")->gridRowCount(), 1);
    EXPECT_EQ(window->windowTitle(), "Deptrix 10.0");
    EXPECT_TRUE(window->viewport()->picture()->picture().isNull());
    EXPECT_FALSE(platform.busy);
    // F9 does nothing now, as before the first import.
    window->mainMenu()->entries().preview->trigger();
    EXPECT_EQ(platform.errors.size(), 1);
}

TEST_F(Import, CancellingTheDialogChangesNothing) {
    open();
    window->importPsd();
    ASSERT_EQ(platform.openRequests.size(), 1u);
    EXPECT_EQ(platform.openRequests[0].filter, "Photoshop file (*.psd)");
    EXPECT_EQ(window->document().AppStage, kStageNothingImported);
    EXPECT_FALSE(window->document().DocumentLoaded);
    EXPECT_EQ(platform.beeps, 0);
}

TEST_F(Import, LayerViewShowsOneLayerOverTheCheckerboardOrAll) {
    open();
    importFile(SamplePath());
    auto* grid = find<StringGrid>("StringGrid1");
    grid->setCurrentCell(10, 1); // row 11: the bottom layer, the sky
    auto* view = find<RadioGroup>("RadioGroup1");
    view->setItemIndex(1);
    EXPECT_EQ(window->document().SelectedLayer, 0);
    EXPECT_TRUE(window->beginLineButton()->isEnabled());

    grid->setCurrentCell(0, 1); // row 1: a flip frame with transparent surroundings
    window->selectLayer();
    EXPECT_EQ(window->document().SelectedLayer, 10);
    const QImage one = window->viewport()->picture()->picture();
    EXPECT_EQ(one.pixel(0, 0), qRgb(200, 200, 200));
    EXPECT_EQ(one.pixel(7, 0), qRgb(255, 255, 255));

    view->setItemIndex(0);
    EXPECT_FALSE(window->beginLineButton()->isEnabled());
    EXPECT_NE(window->viewport()->picture()->picture().pixel(0, 0), qRgb(200, 200, 200));
}

} // namespace
} // namespace deptrix
