// The print commands of the window: exporting the interlaced TIFF after a preview,
// and fitting the depth to the lens with the layer table's movement marks and the
// status bar warning.

#include "WindowFixture.h"
#include "app/LayerPanel.h"
#include "app/MainMenu.h"
#include "app/ParameterPanel.h"
#include "app/PreviewPlayer.h"
#include "app/PrintChoices.h"
#include "app/StatusPanels.h"
#include "files/ConfigFile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <tiffio.h>

namespace deptrix {
namespace {

struct TiffFacts {
    std::uint32_t width = 0, height = 0;
    std::uint16_t compression = 0;
};

TiffFacts ReadFacts(const QString& path) {
    TiffFacts facts;
    TIFF* tiff = TIFFOpen(path.toStdString().c_str(), "r");
    if (!tiff) return facts;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &facts.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &facts.height);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &facts.compression);
    TIFFClose(tiff);
    return facts;
}

class Printing : public WindowFixture {
protected:
    void SetUp() override {
        open();
        platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
        window->mainMenu()->entries().importPsd->trigger();
        ASSERT_EQ(window->document().LayerCount, 11);
        find<QSlider>("TrackBar1")->setValue(1);
    }

    void previewAndStop() {
        QObject::connect(window->player(), &PreviewPlayer::frameShown, window.get(), [this](int) {
            if (window->stopButton()->isEnabled()) window->stopButton()->click();
        });
        window->previewButton()->click();
        ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    }

    QLineEdit* field(const char* name) { return find<QLineEdit>(name); }
    QString target(const char* name) const { return folder.filePath(name); }
};

TEST_F(Printing, ExportTheInterlacedPrintAfterAPreview) {
    QAction* menuEntry = window->mainMenu()->entries().exportTiff;
    EXPECT_FALSE(window->exportTiffButton()->isEnabled());
    EXPECT_FALSE(menuEntry->isEnabled());
    previewAndStop();
    EXPECT_TRUE(window->exportTiffButton()->isEnabled());
    EXPECT_TRUE(menuEntry->isEnabled());

    // 2 inches wide at 42.4775 x 7 dpi, each row twice as high: 595 x 223 pixels.
    find<QComboBox>("ComboBox2")->setCurrentText("(Auto)");
    field("Edit9")->setText("2");
    field("Edit11")->setText("2");
    QString size, movement;
    bool warned = false;
    platform.onDialog = [&](QDialog* dialog) {
        size = dialog->findChild<QLabel*>("PrintSize")->text();
        movement = dialog->findChild<QLabel*>("PrintMovement")->text();
        warned = !dialog->findChild<QLabel*>("PrintMovementWarning")->isHidden();
        dialog->findChild<QComboBox*>("PrintCompression")->setCurrentIndex(1); // LZW
        dialog->findChild<QDoubleSpinBox*>("PrintPhase")->setValue(0.25);
    };
    platform.dialogAnswers = { true };
    platform.saveAnswers = { target("print.tif") };
    window->exportTiffButton()->click();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_EQ(platform.dialogs, QStringList { "ExportDialog" });
    EXPECT_EQ(size, "2 x 1.5 inches, 595 x 223 pixels");
    // The sky moves 100 / 6 px per view: 100 / 6 x 2 / 1600 x 42.4775 = 0.88 lens widths.
    EXPECT_EQ(movement, "0.88 lens widths per view");
    EXPECT_FALSE(warned);
    ASSERT_EQ(platform.saveRequests.size(), 1u);
    EXPECT_TRUE(platform.saveRequests[0].initialPath.endsWith("scene.tif"));

    const TiffFacts facts = ReadFacts(target("print.tif"));
    EXPECT_EQ(facts.width, 595u);
    EXPECT_EQ(facts.height, 223u);
    EXPECT_EQ(facts.compression, COMPRESSION_LZW);
    // The values the print used are kept for the configuration file.
    const Document& doc = window->document();
    EXPECT_EQ(doc.OutDpi, kAutoDpi);
    EXPECT_EQ(doc.OutWidth, 20000);
    EXPECT_EQ(doc.OutHeight, 15000);
    EXPECT_EQ(doc.HScale, 2);
    EXPECT_EQ(platform.beeps, 2); // import and export

    // The dialog remembers its options.
    platform.onDialog = [&](QDialog* dialog) {
        EXPECT_EQ(dialog->findChild<QComboBox*>("PrintCompression")->currentIndex(), 1);
        EXPECT_DOUBLE_EQ(dialog->findChild<QDoubleSpinBox*>("PrintPhase")->value(), 0.25);
    };
    window->exportTiffButton()->click(); // cancelled at the dialog
    EXPECT_TRUE(platform.saveRequests.size() == 1u);

    // A new import needs a new preview.
    platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
    platform.choiceAnswers = { 1 }; // the edited fields are discarded
    window->mainMenu()->entries().importPsd->trigger();
    EXPECT_FALSE(window->exportTiffButton()->isEnabled());
}

TEST_F(Printing, BadFieldsAndCancelWriteNothing) {
    previewAndStop();
    field("Edit9")->setText("2");
    field("Edit11")->setText("x");
    window->exportTiffButton()->click();
    EXPECT_EQ(platform.errors, QStringList { "'x' is not a valid integer value" });
    EXPECT_TRUE(platform.dialogs.isEmpty());
    field("Edit11")->setText("1");

    // Cancel while it writes: the file that was there stays as it was.
    QFile old(target("print.tif"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    platform.dialogAnswers = { true };
    platform.saveAnswers = { target("print.tif") };
    auto* canceller = new QTimer(window.get());
    QObject::connect(canceller, &QTimer::timeout, window.get(), [this, canceller] {
        if (auto* progress = window->findChild<QProgressDialog*>("PrintProgress")) {
            progress->cancel();
            canceller->stop();
        }
    });
    canceller->start(0);
    window->exportTiffButton()->click();
    EXPECT_EQ(platform.errors.size(), 1);
    QFile kept(target("print.tif"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(folder.path()).entryList({ "print.tif*" }, QDir::Files), QStringList { "print.tif" });
}

TEST_F(Printing, FramesComeFromAnglesAndTheDialogsChoicesOutliveTheWindow) {
    previewAndStop();
    field("Edit4")->setText("12");
    find<QComboBox>("ComboBox2")->setCurrentText("360");
    field("Edit9")->setText("2");
    field("Edit11")->setText("1");
    platform.onDialog = [&](QDialog* dialog) {
        auto* frames = dialog->findChild<QSpinBox*>("PrintFrames");
        EXPECT_EQ(frames->value(), 12);
        // 360 / 42.4775 = 8.47 pixels per lens: twelve strips are narrower than a pixel.
        auto* warning = dialog->findChild<QLabel*>("PrintFramesWarning");
        EXPECT_FALSE(warning->isHidden());
        EXPECT_TRUE(warning->text().contains("At most 8 frames fit")) << warning->text().toStdString();
        dialog->findChild<QPushButton*>("PrintFramesFit")->click();
        EXPECT_EQ(frames->value(), 8);
        EXPECT_TRUE(warning->isHidden());
        dialog->findChild<QComboBox*>("PrintOrientation")->setCurrentIndex(1);
        dialog->findChild<QCheckBox*>("PrintMarks")->setChecked(true);
        dialog->findChild<QDoubleSpinBox*>("PrintBleed")->setValue(0.1);
        EXPECT_TRUE(dialog->findChild<QLabel*>("PrintStrips")->text().endsWith("frame 1 at the bottom"));
    };
    platform.dialogAnswers = { true };
    platform.saveAnswers = { target("marked.tif") };
    window->exportTiffButton()->click();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();

    // 2 x 1.5 inches at 360 DPI within a quarter inch margin on every side.
    const TiffFacts facts = ReadFacts(target("marked.tif"));
    EXPECT_EQ(facts.width, 720u + 180u);
    EXPECT_EQ(facts.height, 540u + 180u);
    // Frames and resolution go back to their fields, the rest to the settings store.
    EXPECT_EQ(field("Edit4")->text(), "8");
    EXPECT_EQ(window->document().Angles, 8);
    EXPECT_EQ(window->document().OutDpi, 3600000);
    const PrintOptions kept = PrintChoices(folder.filePath("recent.ini")).load();
    EXPECT_EQ(kept.lens, LensOrientation::Horizontal);
    EXPECT_TRUE(kept.marks);
    EXPECT_NEAR(static_cast<double>(kept.bleedInches), 0.1, 1e-9);

    // A later window starts with them, in Chinese too.
    window.reset();
    open();
    window->switchLanguage();
    platform.openAnswers.push_back(QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd");
    window->mainMenu()->entries().importPsd->trigger();
    find<QSlider>("TrackBar1")->setValue(1);
    previewAndStop();
    platform.onDialog = [&](QDialog* dialog) {
        EXPECT_EQ(dialog->findChild<QComboBox*>("PrintOrientation")->currentIndex(), 1);
        EXPECT_TRUE(dialog->findChild<QCheckBox*>("PrintMarks")->isChecked());
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("输出 TIFF 文件"));
    };
    platform.dialogAnswers = { false };
    window->exportTiffButton()->click();
    EXPECT_EQ(platform.dialogs.size(), 2);
}

TEST_F(Printing, FitDepthToLensBringsTheLargestMovementToOneLensWidth) {
    // At 42.4775 LPI and 5 inches the sky (row 11, offset 100 against the focus's 0)
    // moves 100 / 6 x 5 / 1600 x 42.4775 = 2.2 lens widths per view.
    StatusPanels* status = window->statusPanels();
    QTableWidget* table = find<QTableWidget>("StringGrid1");
    field("Edit9")->setText("5");
    EXPECT_EQ(status->warning(), "Sky: 2.2 lens widths per view") << status->warning().toStdString();
    EXPECT_TRUE(table->item(10, 2)->toolTip().contains("Moves 2.2 lens widths"));
    EXPECT_EQ(table->item(10, 2)->foreground().color(), QColor(200, 0, 0));

    window->mainMenu()->entries().fitDepthToLens->trigger();
    ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("\n").toStdString();
    EXPECT_EQ(field("Edit3")->text(), "0.452");
    EXPECT_EQ(window->document().DepthFactor, 4520); // the field's rule ran
    EXPECT_TRUE(window->document().OutlinesStale);
    ASSERT_EQ(platform.messages.size(), 1);
    EXPECT_TRUE(platform.messages[0].startsWith("Depth set to 0.452"));
    EXPECT_TRUE(status->warning().isEmpty());
    EXPECT_TRUE(table->item(10, 2)->toolTip().contains("Moves 1 lens width between"));
    EXPECT_NE(table->item(10, 2)->foreground().color(), QColor(200, 0, 0));
    QString movement;
    platform.onDialog
        = [&](QDialog* dialog) { movement = dialog->findChild<QLabel*>("PrintMovement")->text(); };
    window->exportTiff();
    EXPECT_EQ(movement, "1 lens width per view");

    // An offset typed into the table is measured at once.
    table->item(10, 2)->setText("300");
    EXPECT_TRUE(status->warning().startsWith("Sky: 3")) << status->warning().toStdString();
}

} // namespace
} // namespace deptrix
