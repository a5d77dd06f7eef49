#include "app/Viewport.h"

#include "app/PictureControl.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

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

TEST_F(ViewportTest, ZoomDoesNothingWithoutAPicture) {
    viewport.picture()->clearPicture();
    viewport.picture()->resize(400, 300);
    viewport.enlarge(300);
    viewport.reduce(300);
    EXPECT_EQ(viewport.picture()->size(), QSize(400, 300));
}

} // namespace
} // namespace deptrix
