#include "app/PictureControl.h"

#include "app/NearestStretch.h"
#include "core/Bitmap.h"

#include <QImage>
#include <QPainter>
#include <cstring>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

// Every pixel different, so a wrong column or row shows.
QImage Numbered(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x + y) % 256));
    return image;
}

TEST(StretchNearestPart, PicksTheSourcePixelOfEachTargetPixelForAnyVisiblePart) {
    const QImage source = Numbered(5, 3);
    const QSize target(13, 8);
    const QImage whole = StretchNearestPart(source, target, QRect(QPoint(0, 0), target));
    ASSERT_EQ(whole.size(), target);
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x)
            ASSERT_EQ(whole.pixel(x, y), source.pixel(x * 5 / 13, y * 3 / 8)) << x << "," << y;
    // A part is exactly the matching piece of the whole, so repainting a scrolled-in
    // strip leaves no seam.
    const QRect part(4, 3, 6, 4);
    EXPECT_EQ(StretchNearestPart(source, target, part), whole.copy(part));
    // Clipped to the target; nothing outside it.
    EXPECT_EQ(StretchNearestPart(source, target, QRect(10, 6, 50, 50)).size(), QSize(3, 2));
    EXPECT_TRUE(StretchNearestPart(source, target, QRect(20, 20, 5, 5)).isNull());
    // The outline editor's live 24-bit display is sampled the same way.
    const QImage live = source.convertToFormat(QImage::Format_BGR888);
    EXPECT_EQ(StretchNearestPart(live, target, part).convertToFormat(QImage::Format_RGB32), whole.copy(part));
    // Reduced (5 -> 2) the same rule drops columns.
    const QImage reduced = StretchNearestPart(source, QSize(2, 3), QRect(0, 0, 2, 3));
    EXPECT_EQ(reduced.pixel(1, 2), source.pixel(2, 2));
}

TEST(PictureControl, AnEnlargedPictureIsDrawnPixelForPixelWithoutKeepingAnyCopy) {
    PictureControl control;
    const QImage picture = Numbered(400, 300);
    control.showImage(picture);
    control.resize(400 * 16, 300 * 16);
    // Paint a 64 x 48 piece deep inside the picture, as a scrolled view would.
    const QRect piece(3000, 2000, 64, 48);
    QImage drawn(piece.size(), QImage::Format_RGB32);
    drawn.fill(Qt::black);
    control.render(&drawn, QPoint(), QRegion(piece));
    for (int y = 0; y < piece.height(); y += 5)
        for (int x = 0; x < piece.width(); x += 5)
            ASSERT_EQ(drawn.pixel(x, y), picture.pixel((piece.x() + x) / 16, (piece.y() + y) / 16))
                << x << "," << y;
    EXPECT_EQ(control.cachedBytes(), 0);
}

TEST(PictureControl, AReducedPictureKeepsOneSmoothCopyPerPictureAndSize) {
    PictureControl control;
    control.resize(200, 150);
    const QImage first = Numbered(400, 300);
    const QImage second = Numbered(400, 300).mirrored();
    QImage target(200, 150, QImage::Format_RGB32);
    control.showImage(first);
    control.render(&target);
    EXPECT_EQ(control.cachedBytes(), 200 * 150 * 4);
    control.showImage(second);
    control.render(&target);
    control.showImage(first);
    control.render(&target); // playback: both copies kept, nothing scaled again
    EXPECT_EQ(control.cachedBytes(), 2 * 200 * 150 * 4);
    // Another size ends the zoom those copies belonged to.
    control.resize(100, 75);
    control.render(&target);
    EXPECT_EQ(control.cachedBytes(), 100 * 75 * 4);
}

// The preview shows its views where they lie; what is drawn must not differ from the
// converted copy the views used to be shown through, at any size.
TEST(PictureControl, AViewOfABitmapDrawsExactlyAsItsCopyAndSurvivesTheBitmapOnceDetached) {
    const QImage numbered = Numbered(301, 203).convertToFormat(QImage::Format_BGR888);
    Bitmap bitmap(301, 203, PixelFormat::Bgr24);
    for (int y = 0; y < bitmap.height(); ++y) std::memcpy(bitmap.row(y), numbered.constScanLine(y), 301 * 3);
    const auto drawn = [](const QImage& picture, QSize size, bool prepared) {
        PictureControl control;
        control.resize(size);
        if (prepared) control.prepare(picture);
        control.showImage(picture);
        QImage out(size, QImage::Format_RGB32);
        out.fill(Qt::black);
        control.render(&out);
        return out;
    };
    for (const QSize size : { QSize(150, 101), QSize(97, 70), QSize(903, 609) }) {
        const QImage expected = drawn(PictureControl::ToImage(bitmap), size, false);
        EXPECT_EQ(drawn(PictureControl::ViewOf(bitmap), size, false), expected) << size.width();
        EXPECT_EQ(drawn(PictureControl::ViewOf(bitmap), size, true), expected) << size.width();
    }
    EXPECT_EQ(PictureControl::ViewOf(bitmap).constBits(), bitmap.bits());

    PictureControl control;
    control.resize(150, 101);
    control.showImage(PictureControl::ViewOf(bitmap));
    QImage before(150, 101, QImage::Format_RGB32);
    control.render(&before);
    control.detachPicture();
    const qint64 cached = control.cachedBytes();
    bitmap = Bitmap(); // the views are rebuilt or freed
    QImage after(150, 101, QImage::Format_RGB32);
    control.render(&after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(control.cachedBytes(), cached); // its reduced copy still serves
    EXPECT_EQ(control.picture(), numbered);
}

} // namespace
} // namespace deptrix
