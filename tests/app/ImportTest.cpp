#include "WindowFixture.h"
#include "app/Controls.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/ParameterPanel.h"
#include "app/PictureControl.h"
#include "app/StatusPanels.h"
#include "app/TextAndPaths.h"
#include "app/Viewport.h"
#include "core/FileIo.h"
#include "core/WorkFileWriter.h"
#include "import/PsdWriter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
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
    EXPECT_EQ(shownTitle(), "Deptrix 10.0   scene.psd");
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
        EXPECT_EQ(grid->cell(LayerPanel::kNameColumn, r), grid->item(r - 1, 0)->toolTip()) << r;
        EXPECT_FALSE(grid->item(r - 1, LayerPanel::kNameColumn)->flags() & Qt::ItemIsEditable) << r;
    }
    EXPECT_EQ(grid->cell(LayerPanel::kNameColumn, 11), "Sky");
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
    EXPECT_EQ(window->parameterPanel()->heightText(), "3.75009375234381");
    EXPECT_EQ(window->parameterPanel()->heightField()->text(), "3.7501"); // shown rounded

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

    // The files are written in the background.
    SharedWorkFileWriter().awaitAll();
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

TEST_F(Import, ADuotoneFileSaysItsInksAreNotSimulatedInEitherLanguage) {
    if (!QFileInfo::exists(FixturePath("psd-tools/colormodes/4x4_8bit_duotone.psd")))
        GTEST_SKIP() << "fixtures folder absent";
    open();
    importFile(FixturePath("psd-tools/colormodes/4x4_8bit_duotone.psd"));
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    auto* note = find<QLabel>("ApproximationNote");
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kColorPanel), "Duotone");
    EXPECT_EQ(
        note->text(), "Drawn approximately: duotone inks not simulated, shown as the grey the file stores");
    EXPECT_EQ(note->toolTip(),
        "4x4_8bit_duotone.psd: duotone inks not simulated, shown as the grey the file stores");
    // The note and its tooltip change language and stay apart.
    window->switchLanguage();
    EXPECT_EQ(window->statusPanels()->text(StatusPanels::kColorPanel), QString::fromUtf8("双色调"));
    EXPECT_EQ(note->text(), QString::fromUtf8("近似绘制: 双色调油墨未模拟,按文件存储的灰度显示"));
    EXPECT_TRUE(note->toolTip().startsWith("4x4_8bit_duotone.psd: ")) << note->toolTip().toStdString();
    window->switchLanguage();
    EXPECT_EQ(
        note->text(), "Drawn approximately: duotone inks not simulated, shown as the grey the file stores");
}

TEST_F(Import, TheStatusBarSaysWhatIsDrawnApproximatelyAndTheTableNamesBlendModes) {
    if (!QFileInfo::exists(FixturePath("psd-tools/layer_effects.psd")))
        GTEST_SKIP() << "fixtures folder absent";
    open();
    auto* note = find<QLabel>("ApproximationNote");
    EXPECT_TRUE(note->isHidden());
    // Every effect is drawn; the shading of bevels and satin is our own model.
    importFile(FixturePath("psd-tools/layer_effects.psd"));
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(),
        "3 layers drawn approximately: bevel and emboss: shading modelled approximately (2), satin: shading "
        "modelled approximately (1)");
    EXPECT_TRUE(note->toolTip().startsWith("Satin: satin: shading modelled approximately\n"))
        << note->toolTip().toStdString();
    // In the other language the note follows at once.
    window->switchLanguage();
    EXPECT_EQ(note->text(),
        QString::fromUtf8("3 个图层为近似绘制: 斜面和浮雕: 明暗为近似模型 (2), 光泽: 明暗为近似模型 (1)"));
    window->switchLanguage();

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
    EXPECT_EQ(shownTitle(), "Deptrix 10.0");
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
    EXPECT_EQ(platform.openRequests[0].filter,
        "Photoshop file (*.psd);;Photoshop large document (*.psb);;All files (*)");
    EXPECT_TRUE(platform.openRequests[0].picturePreview);
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

TEST_F(Import, AnOffsetCellTakesOnlyAnIntegerAndSaysWhichRowRefusedIt) {
    openActive();
    importFile(SamplePath());
    auto* grid = find<StringGrid>("StringGrid1");
    auto type = [&](int row, const QString& text) {
        QTableWidgetItem* cell = grid->item(row - 1, LayerPanel::kOffsetColumn);
        grid->setCurrentItem(cell);
        grid->editItem(cell);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // Return ends the edit at the next turn of the event loop, the message follows it.
        QApplication::processEvents();
        QApplication::processEvents();
    };
    const QString name = grid->cell(LayerPanel::kNameColumn, 5);
    for (const char* bad : { "abc", "4x", "", "1.5" }) {
        platform.errors.clear();
        type(5, bad);
        EXPECT_EQ(grid->cell(2, 5), "-44") << bad; // the cell keeps its text
        ASSERT_EQ(platform.errors.size(), 1) << bad;
        EXPECT_EQ(platform.errors[0],
            QString("Offset of row 5 (%1): '%2' is not a valid integer value").arg(name, bad));
    }
    platform.errors.clear();
    type(5, "-120");
    EXPECT_EQ(grid->cell(2, 5), "-120");
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(Import, TheWindowIsPaintedAndSaysWhatItReadsBeforeTheReaderStarts) {
    openActive();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    window->statusPanels()->installEventFilter(&counter);
    QApplication::processEvents();
    counter.paints = 0;
    int paintsAtStart = -1;
    QString promptAtStart;
    QObject::connect(window->progressBar(), &QProgressBar::valueChanged, [&](int value) {
        if (value == 0 || paintsAtStart >= 0) return;
        paintsAtStart = counter.paints;
        promptAtStart = window->statusPanels()->text(StatusPanels::kPromptPanel);
    });
    importFile(SamplePath());
    EXPECT_GT(paintsAtStart, 0);
    EXPECT_EQ(promptAtStart, " Importing scene.psd ...");
}

TEST_F(Import, AGreyFileWithoutResolutionShowsGrayAndSeventyTwoDpi) {
    open();
    PsdWriterOptions options;
    options.width = 72;
    options.height = 36;
    options.mode = ColourMode::Grayscale;
    options.resolutionPpi = 0; // no resolution resource
    PsdWriter writer(options);
    PsdLayerSpec layer;
    layer.name = "grey";
    layer.box = { 0, 0, 36, 72 };
    layer.colour = { PsdPlane(72 * 36, 128) };
    writer.addLayer(layer);
    const QString path = folder.filePath("grey.psd");
    WriteFileAtomically(ToPath(path), writer.finish());
    importFile(path);
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    StatusPanels* status = window->statusPanels();
    EXPECT_EQ(status->text(StatusPanels::kColorPanel), "Gray");
    EXPECT_EQ(status->text(StatusPanels::kDpiPanel), "72");
    EXPECT_EQ(status->text(StatusPanels::kSizePanel), "2.54 x 1.27");
    EXPECT_EQ(window->document().ImageMode, 3); // worked on as RGB
}

TEST_F(Import, TheWindowFitsSmallScreensAndLongStatusTextsAreShortened) {
    open();
    window->resize(1024, 740);
    window->show();
    importFile(SamplePath());
    QApplication::processEvents();
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    EXPECT_LE(least.width(), 1024);
    EXPECT_LE(least.height(), 740);
    EXPECT_EQ(window->width(), 1024);
    // The help button and the prompt are inside the window.
    auto* help = find<QWidget>("Button5");
    EXPECT_LE(help->mapTo(window.get(), QPoint(help->width(), 0)).x(), window->width());
    auto* prompt = find<QWidget>("StatusPanel10");
    EXPECT_GT(prompt->width(), 100);
    // The four columns of the layer table fit it: long names are shortened, not scrolled to.
    auto* grid = find<StringGrid>("StringGrid1");
    EXPECT_LE(grid->horizontalHeader()->length(), grid->viewport()->width());
    EXPECT_GE(grid->columnWidth(LayerPanel::kNameColumn), 60);
    EXPECT_LE(prompt->mapTo(window.get(), QPoint(prompt->width(), 0)).x(), window->width());

    const QString longText = " Saved " + QString(300, 'x') + "/scene.jps";
    window->showPrompt(longText);
    QApplication::processEvents();
    EXPECT_EQ(window->minimumSizeHint().expandedTo(window->minimumSize()).width(), least.width());
    StatusPanels* status = window->statusPanels();
    EXPECT_EQ(status->text(StatusPanels::kPromptPanel), longText);
    EXPECT_TRUE(status->shownText(StatusPanels::kPromptPanel).contains(QChar(0x2026)));
    EXPECT_TRUE(status->shownText(StatusPanels::kPromptPanel).endsWith("scene.jps"));
}

} // namespace
} // namespace deptrix
