#include "app/PsdPreviewPane.h"

#include "app/PsdOpenDialog.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

QString SamplePath() {
    return QString(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd";
}

TEST(PsdPreviewPane, ShowsTheMergedPictureAndTheFactsOfTheFileSelectedInTheDialog) {
    PsdOpenDialog dialog(nullptr, "Import psd file");
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    PsdPreviewPane& pane = *dialog.previewPane();
    emit dialog.currentChanged(SamplePath());
    const QString facts = pane.factsLabel()->text();
    EXPECT_EQ(facts, "1600 x 1200 pixels\nRGB, 8 bits per channel\n11 layers\n150 dpi");
    const QPixmap picture = pane.pictureLabel()->pixmap();
    EXPECT_EQ(picture.size(), QSize(PsdPreviewPane::kPictureSide, PsdPreviewPane::kPictureSide * 3 / 4));
    // The sky at the top of the sample is blue.
    const QRgb sky = picture.toImage().pixel(picture.width() / 2, 2);
    EXPECT_GT(qBlue(sky), qRed(sky));

    // A folder, or nothing selected, clears the pane.
    pane.showFile(QString(DEPTRIX_SOURCE_DIR) + "/sample");
    EXPECT_TRUE(pane.pictureLabel()->pixmap().isNull());
    EXPECT_EQ(pane.factsLabel()->text(), "Select a file to see its picture.");
}

TEST(PsdPreviewPane, SaysWhatTheImportMakesOfAConvertedFileInTheWindowsLanguage) {
    const QString path = QString(DEPTRIX_FIXTURES_DIR) + "/psd-tools/32bit.psd";
    if (!QFile::exists(path)) GTEST_SKIP() << "fixtures folder absent";
    PsdPreviewPane english;
    english.showFile(path);
    EXPECT_EQ(english.factsLabel()->text(),
        "100 x 150 pixels\nRGB, 32 bits per channel\nImported as RGB, 8 bits per channel\n1 layer\n72 dpi");
    PsdPreviewPane chinese(nullptr, 1);
    chinese.showFile(path);
    EXPECT_EQ(chinese.factsLabel()->text(),
        QString::fromUtf8("100 x 150 像素\nRGB, 每通道 32 位\n导入为 RGB, 每通道 8 位\n1 个图层\n72 dpi"));
}

TEST(PsdPreviewPane, AFileThatCannotBeReadShowsWhy) {
    QTemporaryDir folder;
    QFile sample(SamplePath());
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QString cut = folder.filePath("cut.psd");
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(sample.read(2000));
    out.close();
    PsdPreviewPane pane;
    pane.showFile(cut);
    EXPECT_TRUE(pane.pictureLabel()->pixmap().isNull());
    EXPECT_TRUE(pane.factsLabel()->text().startsWith("cut.psd: ")) << pane.factsLabel()->text().toStdString();
}

} // namespace
} // namespace deptrix
