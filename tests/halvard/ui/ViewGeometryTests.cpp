#include "halvard/ui/MCViewGeometry.h"

#include <gtest/gtest.h>

TEST(MCViewGeometry, FitRectLeavesRoomForTheShadowBelow)
{
    EXPECT_EQ(MCImageViewFitRect(QRectF(0, 0, 100, 80), false), QRectF(0, 0, 100, 80));
    EXPECT_EQ(MCImageViewFitRect(QRectF(0, 0, 100, 80), true), QRectF(3, 1, 94, 74));
}

TEST(MCViewGeometry, ImageRectForEachScaling)
{
    const QRectF fit(0, 0, 200, 100);
    struct Case { const char *name; QSizeF image; MCImageScaling scaling; QRectF expected; };
    const Case cases[] = {
        {"wide image fills the width", {400, 100}, MCImageScaling::ProportionallyUpOrDown, {0, 25, 200, 50}},
        {"tall image fills the height", {100, 200}, MCImageScaling::ProportionallyUpOrDown, {75, 0, 50, 100}},
        {"small image enlarged", {20, 10}, MCImageScaling::ProportionallyUpOrDown, {0, 0, 200, 100}},
        {"small image at own size", {40, 20}, MCImageScaling::ProportionallyDown, {80, 40, 40, 20}},
        {"large image shrunk", {400, 400}, MCImageScaling::ProportionallyDown, {50, 0, 100, 100}},
        {"one side too large shrinks, edges snapped", {300, 50}, MCImageScaling::ProportionallyDown, {0, 33, 200, 34}},
        {"stretched fills", {10, 90}, MCImageScaling::AxesIndependently, fit},
        {"none fills", {10, 90}, MCImageScaling::None, fit},
        {"no image", {}, MCImageScaling::ProportionallyUpOrDown, fit},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCImageViewImageRect(fit, c.image, c.scaling), c.expected) << c.name;
}

TEST(MCViewGeometry, ImageRectEdgesLandOnDevicePixels)
{
    // 3 × 1 in 100 × 100: height 33.33 centred; at ratio 2 the edges snap to half pixels.
    const QRectF rect = MCImageViewImageRect(QRectF(0, 0, 100, 100), QSizeF(3, 1),
                                             MCImageScaling::ProportionallyUpOrDown, 2.0);
    EXPECT_DOUBLE_EQ(rect.y(), 33.5);
    EXPECT_DOUBLE_EQ(rect.y() + rect.height(), 66.5);
    EXPECT_DOUBLE_EQ(rect.width(), 100);
}

TEST(MCViewGeometry, HistogramGridDivisions)
{
    struct Case { QSizeF size; QList<qreal> vertical; QList<qreal> horizontal; };
    const Case cases[] = {
        {{100, 64}, {33.5, 66.5}, {32.5}},           // 3 columns, 2 rows
        {{40, 40}, {19.5}, {20.5}},                 // the minimum of 2 divisions
        {{10, 10}, {4.5}, {5.5}},
        {{128, 96}, {31.5, 63.5, 95.5}, {64.5, 32.5}}, // rows counted from the bottom
    };
    for (const Case &c : cases) {
        const MCHistogramGrid grid = MCHistogramGridForSize(c.size);
        EXPECT_EQ(grid.verticalLines, c.vertical) << c.size.width();
        EXPECT_EQ(grid.horizontalLines, c.horizontal) << c.size.height();
    }
}

TEST(MCViewGeometry, NinePartsOfThirtyByThirtyWithInsetsOfTen)
{
    const QList<QRectF> source = MCNinePartSourceRects(QSizeF(30, 30), QMarginsF(10, 10, 10, 10));
    ASSERT_EQ(source.size(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(source[i], QRectF((i % 3) * 10, (i / 3) * 10, 10, 10)) << i;

    const QList<QRectF> target = MCNinePartTargetRects(QRectF(5, 5, 100, 40), QMarginsF(10, 10, 10, 10));
    ASSERT_EQ(target.size(), 9);
    EXPECT_EQ(target[0], QRectF(5, 5, 10, 10));    // corners keep their size
    EXPECT_EQ(target[2], QRectF(95, 5, 10, 10));
    EXPECT_EQ(target[8], QRectF(95, 35, 10, 10));
    EXPECT_EQ(target[1], QRectF(15, 5, 80, 10));   // top edge stretched along x only
    EXPECT_EQ(target[3], QRectF(5, 15, 10, 20));   // left edge along y only
    EXPECT_EQ(target[4], QRectF(15, 15, 80, 20));  // centre both ways
}

TEST(MCViewGeometry, NinePartCornersShrinkRatherThanOverlap)
{
    const QList<QRectF> target = MCNinePartTargetRects(QRectF(0, 0, 10, 30), QMarginsF(10, 10, 10, 10));
    EXPECT_EQ(target[0], QRectF(0, 0, 5, 10));
    EXPECT_EQ(target[2], QRectF(5, 0, 5, 10));
    EXPECT_EQ(target[1].width(), 0);
}
