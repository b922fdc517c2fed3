#include "WatermarkTestSupport.h"

#include <cmath>

using namespace watermarktest;

namespace {

const QColor kRed(255, 0, 0);

// An opaque solid-colour image to use as an image watermark.
CGImageRef solidImage(size_t width, size_t height, const QColor &colour)
{
    QByteArray data(qsizetype(width * height * 4), 0);
    for (qsizetype i = 0; i < data.size(); i += 4) {
        data[i] = char(colour.red());
        data[i + 1] = char(colour.green());
        data[i + 2] = char(colour.blue());
        data[i + 3] = char(colour.alpha());
    }
    return CGImage::create(width, height, 8, 32, width * 4, CGColorSpace::createWithName(kCGColorSpaceSRGB), kRGBA8,
                           data);
}

bool drawRect(MCBitmap &bitmap, QSizeF size, uint64_t mask, QPointF offset, double rotation = 0,
              uint64_t orientation = 1, double radius = 0, std::optional<QColor> stroke = std::nullopt,
              double thickness = 0)
{
    return bitmap.drawRectWithSize(size, kRed, 1.0, mask, offset, rotation, radius, stroke, thickness, orientation);
}

} // namespace

TEST(WatermarkPlacement, PositionMaskAnchorsTheBoxAndOffsetsMoveItInward)
{
    // On a 300 × 200 photo, a 40 × 20 box; rows count from the top of the stored pixels.
    struct Case
    {
        uint64_t mask;
        QPointF offset;
        QRect expected;
    };
    const Case cases[] = {
        {10, {20, 20}, QRect(240, 160, 40, 20)}, // bottom right
        {1 | 4, {5, 7}, QRect(5, 7, 40, 20)},    // top left
        {3 | 4, {5, 7}, QRect(5, 7, 40, 20)},    // 3 behaves as left
        {12, {0, 10}, QRect(130, 170, 40, 20)},  // 12 behaves as bottom; centred horizontally
        {0, {0, 0}, QRect(130, 90, 40, 20)},     // centre
        {0, {10, 30}, QRect(140, 60, 40, 20)},   // centred: x to the right, y up
        {2, {-10, 0}, QRect(270, 90, 40, 20)},   // a negative offset moves outward
        {0x30 | 9, {0, 0}, QRect(0, 180, 40, 20)}, // other bits are ignored
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mask);
        auto bitmap = plainBitmap(300, 200);
        ASSERT_TRUE(drawRect(*bitmap, QSizeF(40, 20), c.mask, c.offset));
        EXPECT_EQ(inkBox(toQImage(*bitmap)), c.expected.intersected(QRect(0, 0, 300, 200)));
    }
}

TEST(WatermarkPlacement, OrientationPlacesInTheDisplayedPhoto)
{
    // Stored 200 wide and 300 high; orientation 6 displays it turned a quarter clockwise,
    // 300 × 200. The bottom right of the displayed photo is the stored top right.
    auto bitmap = plainBitmap(200, 300);
    ASSERT_TRUE(drawRect(*bitmap, QSizeF(40, 20), 10, QPointF(20, 10), 0, 6));
    EXPECT_EQ(inkBox(toQImage(*bitmap)), QRect(200 - 10 - 20, 20, 20, 40));
    // Orientation 3 (upside down): bottom right displayed is top left stored.
    auto turned = plainBitmap(300, 200);
    ASSERT_TRUE(drawRect(*turned, QSizeF(40, 20), 10, QPointF(20, 10), 0, 3));
    EXPECT_EQ(inkBox(toQImage(*turned)), QRect(20, 10, 40, 20));
}

TEST(WatermarkPlacement, RotatedBoxTouchesItsAnchorEdge)
{
    auto bitmap = plainBitmap(200, 200);
    ASSERT_TRUE(bitmap->drawImage(solidImage(40, 40, kRed), QSizeF(40, 40), 1.0, std::nullopt, 1, QPointF(0, 0), 45,
                                  false, QPointF(), 1));
    const QRect ink = inkBox(toQImage(*bitmap), 0);
    const double diagonal = 40 * std::sqrt(2.0);
    EXPECT_EQ(ink.left(), 0);
    EXPECT_NEAR(ink.width(), diagonal, 2);
    EXPECT_NEAR(ink.center().y(), 100, 1);
}

TEST(WatermarkPlacement, PreviewScalesShrinkSizesAndOffsets)
{
    auto bitmap = plainBitmap(100, 60);
    bitmap->setScaleX(0.25);
    bitmap->setScaleY(0.25);
    ASSERT_TRUE(drawRect(*bitmap, QSizeF(200, 40), 9, QPointF(40, 80)));
    EXPECT_EQ(inkBox(toQImage(*bitmap)), QRect(10, 60 - 20 - 10, 50, 10));
}

TEST(WatermarkPlacement, RoundedCornersAreCutToHalfASidePerDirection)
{
    // 200 × 20 with radius 50: corners 50 wide and 10 high.
    auto bitmap = plainBitmap(240, 40);
    ASSERT_TRUE(drawRect(*bitmap, QSizeF(200, 20), 0, QPointF(), 0, 1, 50));
    const QImage image = toQImage(*bitmap);
    // The rectangle spans columns 20..219 and rows 10..29.
    EXPECT_GT(qAlpha(image.pixel(20, 20)), 150);  // mid-height of the left end: the round tip
    EXPECT_EQ(qAlpha(image.pixel(20, 14)), 0);    // a 10 × 10 corner would fill this
    EXPECT_EQ(qAlpha(image.pixel(20 + 25, 10)), 0); // the top edge's curve reaches beyond 25 pixels in
    EXPECT_EQ(qAlpha(image.pixel(20 + 70, 10)), 255); // and ends by 50
    EXPECT_EQ(qAlpha(image.pixel(120, 10)), 255);
}

TEST(WatermarkPlacement, StrokeKeepsTheOuterSizeAndNeedsColourAndThickness)
{
    struct Case
    {
        std::optional<QColor> stroke;
        double thickness;
        bool stroked;
    };
    const Case cases[] = {{QColor(0, 0, 255), 6, true}, {QColor(0, 0, 255), 0, false}, {std::nullopt, 6, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.thickness);
        auto bitmap = plainBitmap(120, 80);
        ASSERT_TRUE(drawRect(*bitmap, QSizeF(60, 40), 10, QPointF(10, 10), 0, 1, 0, c.stroke, c.thickness));
        const QImage image = toQImage(*bitmap);
        EXPECT_EQ(inkBox(image), QRect(50, 30, 60, 40));
        EXPECT_EQ(image.pixel(51, 50), c.stroked ? qRgb(0, 0, 255) : qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(80, 50), qRgb(255, 0, 0));
    }
}

TEST(WatermarkPlacement, ShadowGrowsTheCanvasWhileTheWatermarkStays)
{
    // An offset (−4, −4) with blur 3 needs 4 + 2 × 3 = 10 more pixels each way: the shadow
    // reaches 7 pixels left of and below the image, uncut, and the image itself stays put.
    MCShadow shadow;
    shadow.shadowOffset = QSizeF(-4, -4);
    shadow.shadowBlurRadius = 3;
    shadow.shadowColor = QColor(0, 0, 255);
    auto bitmap = plainBitmap(100, 100);
    ASSERT_TRUE(bitmap->drawImage(solidImage(20, 20, kRed), QSizeF(20, 20), 1.0, shadow, 9, QPointF(40, 40), 0, false,
                                  QPointF(), 1));
    const QImage image = toQImage(*bitmap);
    // The image: columns 40..59, rows 40..59 from the top (its bottom 40 above the bottom).
    EXPECT_EQ(image.pixel(40, 59), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(59, 40), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(image.pixel(39, 50)), qAlpha(image.pixel(50, 60))); // symmetric shadow
    EXPECT_GT(qAlpha(image.pixel(37, 62)), 150);                          // shadow below left
    EXPECT_GT(qAlpha(image.pixel(34, 65)), 0);                            // blurred, not cut at the canvas
    EXPECT_EQ(qAlpha(image.pixel(30, 50)), 0);
    EXPECT_EQ(qAlpha(image.pixel(62, 50)), 0); // nothing on the far side
    EXPECT_EQ(qAlpha(image.pixel(50, 37)), 0);
}

TEST(WatermarkPlacement, OpacityAppliesToTheWholeTextLayer)
{
    // Text, outline and shadow in one colour: at half opacity every pixel has half the
    // coverage, with no darker seam where the outline overlaps the letters or the shadow.
    MCTextAttributes a = attributes(40, QColor(255, 255, 255));
    a.strokeColor = QColor(255, 255, 255);
    a.strokeWidth = 4;
    const MCAttributedString t = text(QStringLiteral("Wm"), a);
    MCShadow shadow;
    shadow.shadowOffset = QSizeF(2, -2);
    shadow.shadowBlurRadius = 0;
    shadow.shadowColor = QColor(255, 255, 255);
    auto full = plainBitmap(120, 60);
    auto half = plainBitmap(120, 60);
    ASSERT_TRUE(full->drawText(t, 1.0, shadow, 0, QPointF(), 0, false, QPointF(), true, 1));
    ASSERT_TRUE(half->drawText(t, 0.5, shadow, 0, QPointF(), 0, false, QPointF(), true, 1));
    const QImage f = toQImage(*full), h = toQImage(*half);
    int inked = 0;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x) {
            const int af = qAlpha(f.pixel(x, y)), ah = qAlpha(h.pixel(x, y));
            EXPECT_NEAR(ah, af / 2.0, 1.0) << x << "," << y;
            inked += af == 255;
        }
    EXPECT_GT(inked, 300);
}

TEST(WatermarkPlacement, TilesRepeatOverThePhotoAndDrawOnFloatBitmapsAlike)
{
    const MCAttributedString t = text(QStringLiteral("Q"), attributes(20, QColor(255, 255, 0)));
    for (bool isFloat : {false, true}) {
        SCOPED_TRACE(isFloat);
        auto once = plainBitmap(200, 150, QColor(40, 40, 40), isFloat);
        auto tiled = plainBitmap(200, 150, QColor(40, 40, 40), isFloat);
        ASSERT_TRUE(once->drawText(t, 1, std::nullopt, 0, QPointF(), 30, false, QPointF(20, 20), true, 1));
        ASSERT_TRUE(tiled->drawText(t, 1, std::nullopt, 0, QPointF(), 30, true, QPointF(20, 20), true, 1));
        const QImage a = toQImage(*once), b = toQImage(*tiled);
        int onceInk = 0, tiledInk = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                onceInk += qRed(a.pixel(x, y)) > 200;
                tiledInk += qRed(b.pixel(x, y)) > 200;
                if (qRed(a.pixel(x, y)) > 200) { // the placed copy is one of the tiles
                    EXPECT_GT(qRed(b.pixel(x, y)), 150);
                }
            }
        EXPECT_GT(onceInk, 40);
        EXPECT_GT(tiledInk, 20 * onceInk);
        EXPECT_EQ(qAlpha(b.pixel(0, 0)), 255);
    }
}

TEST(WatermarkPlacement, NonFiniteNumbersAnswerNoAndDrawNothing)
{
    const double nan = std::nan(""), inf = HUGE_VAL;
    const MCAttributedString t = text(QStringLiteral("Q"), attributes(20));
    const CGImageRef logo = solidImage(4, 4, kRed);
    enum Form { Rect = 1, Image = 2, Text = 4 }; // the forms that take the bad number
    const struct
    {
        const char *what;
        int forms;
        QSizeF size;
        double opacity;
        QPointF offset;
        double rotation;
        QPointF tileOffset;
        std::optional<MCShadow> shadow;
    } cases[] = {
        {"NaN size", Rect | Image, QSizeF(nan, nan), 1, {}, 0, {}, std::nullopt},
        {"infinite width", Rect | Image, QSizeF(inf, 4), 1, {}, 0, {}, std::nullopt},
        {"NaN opacity", Rect | Image | Text, QSizeF(4, 4), nan, {}, 0, {}, std::nullopt},
        {"infinite offset", Rect | Image | Text, QSizeF(4, 4), 1, QPointF(-inf, 0), 0, {}, std::nullopt},
        {"NaN rotation", Rect | Image | Text, QSizeF(4, 4), 1, {}, nan, {}, std::nullopt},
        {"NaN tile spacing", Image | Text, QSizeF(4, 4), 1, {}, 0, QPointF(nan, 2), std::nullopt},
        {"NaN shadow blur", Image | Text, QSizeF(4, 4), 1, {}, 0, {}, MCShadow{QSizeF(1, 1), nan, Qt::black}},
    };
    for (const auto &c : cases) {
        auto bitmap = plainBitmap(30, 30);
        if (c.forms & Rect) {
            EXPECT_FALSE(bitmap->drawRectWithSize(c.size, kRed, c.opacity, 0, c.offset, c.rotation, 0, std::nullopt, 0, 1))
                << c.what;
        }
        if (c.forms & Image) {
            EXPECT_FALSE(bitmap->drawImage(logo, c.size, c.opacity, c.shadow, 0, c.offset, c.rotation, true,
                                           c.tileOffset, 1))
                << c.what;
        }
        if (c.forms & Text) {
            EXPECT_FALSE(bitmap->drawText(t, c.opacity, c.shadow, 0, c.offset, c.rotation, true, c.tileOffset, true, 1))
                << c.what;
        }
        EXPECT_EQ(inkBox(toQImage(*bitmap), 0), QRect()) << c.what;
    }
}

TEST(WatermarkPlacement, FailuresAnswerNoAndDegenerateInputsDrawNothing)
{
    const MCAttributedString t = text(QStringLiteral("Q"), attributes(20));
    // A layout no drawing context serves (16-bit samples) answers NO in every form.
    QByteArray data(8 * 8 * 8, 0);
    auto wide = MCBitmap::createWithCGImage(CGImage::create(8, 8, 16, 64, 64,
                                                            CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                            kCGImageAlphaLast, data));
    ASSERT_TRUE(wide);
    EXPECT_FALSE(wide->drawText(t, 1, std::nullopt, 0, QPointF(), 0, false, QPointF(), true, 1));
    EXPECT_FALSE(wide->drawImage(solidImage(4, 4, kRed), QSizeF(4, 4), 1, std::nullopt, 0, QPointF(), 0, false,
                                 QPointF(), 1));
    EXPECT_FALSE(wide->drawRectWithSize(QSizeF(4, 4), kRed, 1, 0, QPointF(), 0, 0, std::nullopt, 0, 1));

    // No canvas can be made: no image, a zero size, a tile spacing that leaves nothing.
    auto bitmap = plainBitmap(50, 50);
    EXPECT_FALSE(bitmap->drawImage(nullptr, QSizeF(4, 4), 1, std::nullopt, 0, QPointF(), 0, false, QPointF(), 1));
    EXPECT_FALSE(bitmap->drawImage(solidImage(4, 4, kRed), QSizeF(0, 4), 1, std::nullopt, 0, QPointF(), 0, false,
                                   QPointF(), 1));
    EXPECT_FALSE(bitmap->drawText(t, 1, std::nullopt, 0, QPointF(), 0, true, QPointF(-500, -500), true, 1));
    EXPECT_EQ(inkBox(toQImage(*bitmap), 0), QRect());

    // Nothing to draw is no failure: empty and glyph-less text, a zero-sized rectangle.
    EXPECT_TRUE(bitmap->drawText(MCAttributedString(), 1, std::nullopt, 0, QPointF(), 0, false, QPointF(), true, 1));
    EXPECT_TRUE(bitmap->drawText(text(QStringLiteral(" \n "), attributes(20)), 1, MCShadow(), 0, QPointF(), 0, true,
                                 QPointF(5, 5), true, 1));
    EXPECT_TRUE(bitmap->drawRectWithSize(QSizeF(0, 0), kRed, 1, 0, QPointF(), 0, 5, QColor(0, 0, 255), 3, 1));
    EXPECT_EQ(inkBox(toQImage(*bitmap), 0), QRect());

    // A family the system lacks falls back to the default family and draws.
    MCTextAttributes missing;
    missing.font = QFont(QStringLiteral("No Such Family Anywhere"), 20);
    missing.foregroundColor = Qt::white;
    EXPECT_TRUE(bitmap->drawText(text(QStringLiteral("Q"), missing), 1, std::nullopt, 0, QPointF(), 0, false,
                                 QPointF(), true, 1));
    EXPECT_FALSE(inkBox(toQImage(*bitmap)).isEmpty());
}
