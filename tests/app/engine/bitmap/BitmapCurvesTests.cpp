#include "tests/app/engine/bitmap/BitmapOpsSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace bitmapops;

namespace {

const QRectF kGrid(0, 0, 255, 255);
const QList<QPointF> kIdentity = {{0, 0}, {255, 255}};

// Every 8-bit level in red, green and blue (green and blue reversed), opaque.
std::vector<Pixel> levelRamp(Layout layout)
{
    const float scale = isFloat(layout) ? 1.0f / 255.0f : 1.0f;
    std::vector<Pixel> pixels;
    for (int v = 0; v < 256; ++v)
        pixels.push_back({v * scale, (255 - v) * scale, v * scale, 255 * scale});
    return pixels;
}

} // namespace

TEST(MCBitmapCurves, SplineWorkedCurves)
{
    // The default curve: the 256 points (i, i).
    QList<QPointF> points = MCBitmap::splinePointsInRect(kGrid, kIdentity);
    ASSERT_EQ(points.size(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(points[i], QPointF(i, i));

    // (64, 0), (192, 255): flat before and after, the straight line between.
    points = MCBitmap::splinePointsInRect(kGrid, {{64, 0}, {192, 255}});
    ASSERT_EQ(points.size(), 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(points[i].x(), i);
        const double expected = i <= 64 ? 0 : i >= 192 ? 255 : (i - 64) * 255.0 / 128.0;
        ASSERT_NEAR(points[i].y(), expected, 1e-9) << i;
    }

    // Through (128, 160): exactly there, and the ends kept.
    points = MCBitmap::splinePointsInRect(kGrid, {{0, 0}, {128, 160}, {255, 255}});
    ASSERT_EQ(points.size(), 256);
    EXPECT_EQ(points[128], QPointF(128, 160));
    EXPECT_EQ(points[255], QPointF(255, 255));
    EXPECT_GT(points[64].y(), 80); // bowed above the chord
    for (int i = 1; i < 256; ++i)
        ASSERT_GE(points[i].y(), points[i - 1].y()) << i;

    // Mapped into a rectangle: x' = x × w / 255 + x0.
    points = MCBitmap::splinePointsInRect(QRectF(10, 20, 510, 127.5), kIdentity);
    ASSERT_EQ(points.size(), 256);
    EXPECT_EQ(points[0], QPointF(10, 20));
    EXPECT_EQ(points[255], QPointF(520, 147.5));

    // Fewer than two points: nothing.
    EXPECT_TRUE(MCBitmap::splinePointsInRect(kGrid, {}).isEmpty());
    EXPECT_TRUE(MCBitmap::splinePointsInRect(kGrid, {{3, 4}}).isEmpty());
}

TEST(MCBitmapCurves, ControlPointsAreSanitisedBeforeSampling)
{
    struct Case
    {
        const char *what;
        QList<QPointF> points;
    };
    const Case cases[] = {
        {"unsorted", {{255, 255}, {128, 160}, {0, 0}}},
        {"equal x", {{0, 0}, {100, 50}, {100, 200}, {255, 255}}},
        {"closer than one level", {{0, 0}, {100, 50}, {100.4, 60}, {255, 255}}},
        {"fractional", {{0.5, 3.25}, {77.7, 140.2}, {254.6, 250}}},
        {"outside the grid", {{-40, -10}, {128, 400}, {300, 255}}},
        {"all at one level", {{50, 10}, {50, 90}, {50.5, 200}}},
        {"all at the last level", {{255, 10}, {255, 90}}},
        {"NaN among them", {{0, 0}, {NAN, 5}, {255, 255}}},
    };
    for (const Case &c : cases) {
        const QList<QPointF> points = MCBitmap::splinePointsInRect(kGrid, c.points);
        ASSERT_GE(points.size(), 2) << c.what;
        for (qsizetype i = 0; i < points.size(); ++i) {
            ASSERT_TRUE(std::isfinite(points[i].y()) && points[i].y() >= 0 && points[i].y() <= 255) << c.what;
            ASSERT_TRUE(points[i].x() >= 0 && points[i].x() <= 255) << c.what;
            if (i > 0) {
                ASSERT_GT(points[i].x(), points[i - 1].x()) << c.what;
            }
        }
        // The tone operation on every 8-bit level reads a value for each of them.
        auto bitmap = makeRow(Layout::RGBA8, levelRamp(Layout::RGBA8));
        EXPECT_TRUE(bitmap->histogram({c.points, kIdentity, kIdentity, kIdentity})) << c.what;
    }
    // Equal x: the first point of the pair is kept.
    const QList<QPointF> points = MCBitmap::splinePointsInRect(kGrid, {{0, 0}, {100, 50}, {100, 200}, {255, 255}});
    EXPECT_EQ(points[100], QPointF(100, 50));
}

TEST(MCBitmapCurves, ToneCurvesOnEveryLayout)
{
    for (const Layout layout : {Layout::Gray8, Layout::GrayF, Layout::RGBA8, Layout::RGBAF}) {
        const float scale = isFloat(layout) ? 1.0f / 255.0f : 1.0f;
        const float tolerance = isFloat(layout) ? 1e-5f : 0.0f;
        const std::vector<Pixel> ramp = levelRamp(layout);

        // All four at their default: nothing changes.
        auto bitmap = makeRow(layout, ramp);
        EXPECT_TRUE(bitmap->histogram({kIdentity, kIdentity, kIdentity, kIdentity}));
        EXPECT_EQ(pixelsOf(*bitmap), pixelsOf(*makeRow(layout, ramp))) << nameOf(layout);

        // Master (0, 0), (255, 200): level i becomes trunc(200 i / 255) (floats: 200 i / 255).
        bitmap = makeRow(layout, ramp);
        EXPECT_TRUE(bitmap->histogram({{{0, 0}, {255, 200}}, kIdentity, kIdentity, kIdentity}));
        std::vector<Pixel> out = pixelsOf(*bitmap);
        for (int i = 0; i < 256; ++i) {
            const double exact = 200.0 * i / 255.0;
            const double expected = isFloat(layout) ? exact : std::trunc(exact + 1e-9);
            ASSERT_NEAR(out[i][0], expected * scale, tolerance) << nameOf(layout) << " level " << i;
            if (!isGray(layout)) {
                ASSERT_EQ(out[i][3], 255 * scale);
            }
        }
        if (isGray(layout))
            continue;
        // Red (0, 50), (255, 255) with the default master: red only.
        bitmap = makeRow(layout, ramp);
        EXPECT_TRUE(bitmap->histogram({kIdentity, {{0, 50}, {255, 255}}, kIdentity, kIdentity}));
        out = pixelsOf(*bitmap);
        for (int i = 0; i < 256; ++i) {
            const double exact = 50.0 + 205.0 * i / 255.0;
            ASSERT_NEAR(out[i][0], (isFloat(layout) ? exact : std::trunc(exact + 1e-9)) * scale, tolerance) << i;
            ASSERT_EQ(out[i][1], ramp[i][1]);
            ASSERT_EQ(out[i][2], ramp[i][2]);
        }
    }
    // Not four curves: refused.
    auto bitmap = makeRow(Layout::RGBA8, levelRamp(Layout::RGBA8));
    EXPECT_FALSE(bitmap->histogram({kIdentity, kIdentity, kIdentity}));
}
