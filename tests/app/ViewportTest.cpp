#include "app/Viewport.h"

#include "app/PictureControl.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

int RoundedTimesOneAndAHalf(int side) {
    return static_cast<int>(Round(side * 1.5L));
}

class ViewportTest : public ::testing::Test {
protected:
    Viewport viewport;

    void SetUp() override {
        viewport.resize(900, 700);
        viewport.show();
        QImage picture(400, 300, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        viewport.picture()->showImage(picture);
    }
    QSize client() const { return viewport.viewport()->size(); }
};

TEST_F(ViewportTest, FitUsesTheClientAreaLessFourPixelsInTheImagesProportions) {
    viewport.fit(400, 300);
    const QSize c = client();
    const QRect r = viewport.picture()->geometry();
    if (c.width() * 300 > c.height() * 400) {
        EXPECT_EQ(r.height(), c.height() - 4);
        EXPECT_EQ(r.width(), qRound(r.height() * 4.0 / 3.0));
    } else {
        EXPECT_EQ(r.width(), c.width() - 4);
    }
    EXPECT_LE(std::abs(r.left() * 2 + r.width() - c.width()), 1);
    EXPECT_LE(std::abs(r.top() * 2 + r.height() - c.height()), 1);
}

TEST_F(ViewportTest, EnlargeAndReduceByOneAndAHalf) {
    viewport.picture()->resize(400, 300);
    viewport.enlarge(300);
    EXPECT_EQ(viewport.picture()->size(), QSize(600, 450));
    EXPECT_EQ(viewport.viewScale(), 6667); // 300 working px over 450 client px
    EXPECT_EQ(viewport.viewOffsetX(), 0);
    viewport.reduce(300);
    EXPECT_EQ(viewport.picture()->size(), QSize(400, 300));

    viewport.picture()->resize(401, 301);
    viewport.reduce(300);
    EXPECT_EQ(viewport.picture()->size(), QSize(267, 201)); // each side rounded on its own
}

TEST_F(ViewportTest, ABigPictureIsPlacedAtZeroAndScrolledToItsMiddle) {
    viewport.picture()->resize(1200, 900);
    viewport.enlarge(300); // 1800 x 1350
    const QSize c = client();
    EXPECT_EQ(viewport.picture()->pos(), QPoint(0, 0));
    EXPECT_EQ(viewport.horizontalScrollBar()->value(), qRound((1800 - c.width()) / 2.0));
    EXPECT_EQ(viewport.verticalScrollBar()->value(), qRound((1350 - c.height()) / 2.0));
}

TEST_F(ViewportTest, PanningFollowsThePointerOnlyWhileTheSpaceBarIsHeld) {
    viewport.picture()->resize(1200, 900);
    viewport.enlarge(300);
    const QPoint start = viewport.scrollPosition();
    QWidget* area = viewport.viewport();

    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(area, QPoint(250, 260));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(250, 260));
    EXPECT_EQ(viewport.scrollPosition(), start); // no space bar: nothing scrolls

    viewport.armPan(false);
    EXPECT_FALSE(viewport.picture()->isEnabled());
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(300, 300));
    QMouseEvent move(QEvent::MouseMove, QPointF(250, 260), area->mapToGlobal(QPointF(250, 260)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &move);
    EXPECT_EQ(viewport.scrollPosition(), start + QPoint(50, 40));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(250, 260));

    viewport.disarmPan(false);
    EXPECT_FALSE(viewport.picture()->isEnabled()); // outside the outline editor
    viewport.armPan(true);
    viewport.disarmPan(true);
    EXPECT_TRUE(viewport.picture()->isEnabled()); // inside it
}

TEST_F(ViewportTest, EnlargingStopsAtSixteenTimesTheFittedSize) {
    viewport.fit(400, 300);
    const int fitted = viewport.picture()->width();
    int steps = 0;
    for (int i = 0; i < 20; ++i) {
        const int before = viewport.picture()->width();
        viewport.enlarge(300);
        if (viewport.picture()->width() == before) break;
        ++steps;
    }
    EXPECT_LE(viewport.picture()->width(), Viewport::kMaxZoom * fitted);
    EXPECT_GT(RoundedTimesOneAndAHalf(viewport.picture()->width()), Viewport::kMaxZoom * fitted);
    EXPECT_EQ(steps, 6); // 1.5^6 = 11.4 < 16 < 1.5^7 = 17.1
    // Reducing still works from the top, and 100 % and fit are zoom commands too.
    viewport.reduce(300);
    EXPECT_LT(viewport.picture()->width(), Viewport::kMaxZoom * fitted);
    viewport.showActualSize(400, 300);
    EXPECT_EQ(viewport.picture()->size(), QSize(400, 300));
    EXPECT_EQ(viewport.viewScale(), 10000);
    viewport.fitToWindow(400, 300);
    EXPECT_EQ(viewport.picture()->width(), fitted);
    EXPECT_EQ(viewport.viewScale(), Round(300.0L / viewport.picture()->height() * 10000.0L));
}

TEST_F(ViewportTest, WheelZoomKeepsThePicturePointUnderThePointer) {
    viewport.picture()->resize(1200, 900);
    viewport.enlarge(300); // 1800 x 1350, overflowing on both axes
    const QPoint pointer(200, 150);
    auto pictureAt = [&](QPoint at) {
        const QPoint p = at + viewport.scrollPosition() - viewport.picture()->pos();
        return QPointF(
            p.x() / double(viewport.picture()->width()), p.y() / double(viewport.picture()->height()));
    };
    const QPointF before = pictureAt(pointer);
    int requested = 0;
    QObject::connect(&viewport, &Viewport::wheelZoomRequested, [&](int steps, QPoint at) {
        requested += steps;
        EXPECT_EQ(at, pointer);
        viewport.enlargeAbout(300, at);
    });
    QWheelEvent wheel(pointer, viewport.viewport()->mapToGlobal(pointer), QPoint(), QPoint(0, 120),
        Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport.viewport(), &wheel);
    ASSERT_EQ(requested, 1);
    EXPECT_EQ(viewport.picture()->size(), QSize(2700, 2025));
    const QPointF after = pictureAt(pointer);
    EXPECT_NEAR(after.x(), before.x(), 1.0 / 2700);
    EXPECT_NEAR(after.y(), before.y(), 1.0 / 2025);
    EXPECT_EQ(viewport.viewScale(), Round(300.0L / 2025 * 10000.0L));

    // Without Ctrl the wheel scrolls, as anywhere else.
    QWheelEvent plain(pointer, viewport.viewport()->mapToGlobal(pointer), QPoint(), QPoint(0, -120),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    const QPoint scroll = viewport.scrollPosition();
    QApplication::sendEvent(viewport.viewport(), &plain);
    EXPECT_EQ(requested, 1);
    EXPECT_NE(viewport.scrollPosition(), scroll);
}

TEST_F(ViewportTest, ZoomDoesNothingWithoutAPicture) {
    viewport.picture()->clearPicture();
    viewport.picture()->resize(400, 300);
    viewport.enlarge(300);
    viewport.reduce(300);
    viewport.fitToWindow(400, 300);
    viewport.showActualSize(400, 300);
    EXPECT_EQ(viewport.picture()->size(), QSize(400, 300));
}

} // namespace
} // namespace deptrix
