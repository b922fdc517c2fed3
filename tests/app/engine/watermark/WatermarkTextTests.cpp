#include "WatermarkTestSupport.h"

#include <cmath>
#include <cstring>

using namespace watermarktest;

namespace {

class WatermarkText : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dejaVuSans().isEmpty());
        bitmap = plainBitmap(4, 4);
        ASSERT_TRUE(bitmap);
    }
    std::unique_ptr<MCBitmap> bitmap;
};

// Alpha of the canvas pixel at column x, row y from the top.
int alphaAt(const CGImageRef &image, size_t x, size_t y)
{
    return image->row(y)[4 * x + 3];
}

} // namespace

TEST_F(WatermarkText, BoundsTakeTopFromFirstLineBottomFromLastAndWidthFromWidest)
{
    const MCTextAttributes a = attributes(40);
    const QRectF one = bitmap->boundsOfText(text("Hx", a), true);
    const QRectF two = bitmap->boundsOfText(text("Hx\nHxHxHx", a), true);
    const QRectF low = bitmap->boundsOfText(text("Hx\nxx", a), true);
    ASSERT_GT(one.height(), 20);
    EXPECT_GT(two.width(), 2.5 * one.width()); // the wider second line widens the box
    // Same top line and same bottom line, one line height apart.
    EXPECT_NEAR(two.height(), low.height(), 0.5);
    EXPECT_GT(two.height(), one.height() + 30);
    // A trailing or leading empty line adds no edge: the inked lines keep their box.
    EXPECT_EQ(bitmap->boundsOfText(text("Hx\n", a), true).size(), one.size());
    EXPECT_EQ(bitmap->boundsOfText(text("\nHx", a), true).size(), one.size());
}

TEST_F(WatermarkText, GlyphBoundsAreTighterThanTypographicBounds)
{
    const MCTextAttributes a = attributes(50);
    for (const char *s : {"Quillon", "Agy", "\xc3\x89t\xc3\xa9", "x\nHy"}) {
        SCOPED_TRACE(s);
        const QRectF glyph = bitmap->boundsOfText(text(QString::fromUtf8(s), a), true);
        const QRectF optical = bitmap->boundsOfText(text(QString::fromUtf8(s), a), false);
        EXPECT_TRUE(optical.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(glyph));
    }
    // Lowercase letters without ascenders: far lower measured by ink.
    const double inked = bitmap->boundsOfText(text(QStringLiteral("mass"), a), true).height();
    const double typographic = bitmap->boundsOfText(text(QStringLiteral("mass"), a), false).height();
    EXPECT_LT(inked, 0.5 * typographic);
    EXPECT_NEAR(inked, 50 * 0.56, 50 * 0.06); // DejaVu's x-height is 0.55 em
}

TEST_F(WatermarkText, TextWithoutGlyphsMeasuresAsZero)
{
    const MCTextAttributes a = attributes(30);
    EXPECT_EQ(bitmap->boundsOfText(MCAttributedString(), true), QRectF());
    EXPECT_EQ(bitmap->boundsOfText(MCAttributedString(), false), QRectF());
    EXPECT_EQ(bitmap->boundsOfText(text(QStringLiteral("   "), a), true), QRectF());
    EXPECT_EQ(bitmap->boundsOfText(text(QStringLiteral("\n\n"), a), true), QRectF());
}

TEST_F(WatermarkText, FontSizeFitsTheHeightFromTheFirstGuessDown)
{
    const QString s = QStringLiteral("Quillon 2026");
    const MCTextAttributes a = attributes(96);
    const double at96 = bitmap->boundsOfText(text(s, a), false).height();
    struct Case
    {
        double target;
        bool boundsToGlyph;
    };
    for (const Case &c : {Case{100, false}, Case{37.3, false}, Case{100, true}, Case{250, true}}) {
        SCOPED_TRACE(c.target);
        const double size = bitmap->fontSizeWithString(s, a, QSizeF(1e9, c.target), c.boundsToGlyph, 0);
        const double measured = bitmap->boundsOfText(text(s, a), c.boundsToGlyph).height();
        // The proportional first guess fits (no unhinted outline grows faster than its size),
        // so it is kept as it is.
        EXPECT_EQ(size, std::trunc(96 * c.target / measured));
        EXPECT_LE(bitmap->boundsOfText(text(s, attributes(size)), c.boundsToGlyph).height(), c.target + 1e-9);
    }
    EXPECT_GT(at96, 0);
    // A first guess below 8 is answered unchanged; the width is never looked at; an outline
    // does not change the measure.
    EXPECT_EQ(bitmap->fontSizeWithString(s, a, QSizeF(1, at96 * 5.9 / 96), false, 0), 5);
    EXPECT_EQ(bitmap->fontSizeWithString(s, a, QSizeF(1, 100), false, 10),
              bitmap->fontSizeWithString(s, a, QSizeF(1e9, 100), false, 0));
}

TEST_F(WatermarkText, FontSizeOfDegenerateInputsDoesNotCrash)
{
    const MCTextAttributes a = attributes(96);
    EXPECT_EQ(bitmap->fontSizeWithString(QString(), a, QSizeF(100, 100), true, 0), 96);
    EXPECT_EQ(bitmap->fontSizeWithString(QStringLiteral("  "), a, QSizeF(100, 100), true, 0), 96);
    EXPECT_EQ(bitmap->fontSizeWithString(QStringLiteral("Q"), a, QSizeF(100, 0), true, 0), 1);
    EXPECT_EQ(bitmap->fontSizeWithString(QStringLiteral("Q"), a, QSizeF(100, std::nan("")), true, 0), 96);
    // A family the system lacks falls back to the default family and still measures.
    MCTextAttributes missing = a;
    missing.font = QFont(QStringLiteral("No Such Family Anywhere"), 40);
    EXPECT_GT(bitmap->fontSizeWithString(QStringLiteral("Q"), missing, QSizeF(100, 100), true, 0), 8);
    // A font given in pixels fits like the same font given in points.
    MCTextAttributes pixels = a;
    QFont pixelFont = font(10);
    pixelFont.setPixelSize(96);
    pixels.font = pixelFont;
    EXPECT_EQ(bitmap->fontSizeWithString(QStringLiteral("Q"), pixels, QSizeF(100, 50), true, 0),
              bitmap->fontSizeWithString(QStringLiteral("Q"), a, QSizeF(100, 50), true, 0));
    // No font at all: the default family at 12 points is the base.
    EXPECT_GT(bitmap->boundsOfText(text(QStringLiteral("Q"), MCTextAttributes()), true).height(), 5);
}

TEST_F(WatermarkText, CanvasAndMaskSizesAreTheCeilings)
{
    const MCAttributedString t = text(QStringLiteral("A"), attributes(3));
    const CGImageRef canvas = bitmap->newImageWithSize(QSizeF(10.2, 4.0), t, std::nullopt, QPointF(1, 1));
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->width(), 11u);
    EXPECT_EQ(canvas->height(), 4u);
    EXPECT_EQ(canvas->bytesPerRow(), 44u);
    EXPECT_EQ(canvas->alphaInfo(), kCGImageAlphaPremultipliedLast);
    const CGImageRef mask = bitmap->newImageMaskWithSize(QSizeF(10.2, 4.0), t, QPointF(1, 1));
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->width(), 11u);
    EXPECT_EQ(mask->bitsPerPixel(), 8u);
    for (const QSizeF &size : {QSizeF(0, 4), QSizeF(4, 0), QSizeF(-3, 4), QSizeF(std::nan(""), 4), QSizeF(1e9, 4)}) {
        EXPECT_FALSE(bitmap->newImageWithSize(size, t, std::nullopt, QPointF()));
        EXPECT_FALSE(bitmap->newImageMaskWithSize(size, t, QPointF()));
    }
}

TEST_F(WatermarkText, MaskIsWhiteWithTheTextInBlackFillAndOutline)
{
    MCTextAttributes a = attributes(40, QColor(255, 0, 0, 60));
    a.strokeColor = QColor(0, 0, 255, 60);
    a.strokeWidth = 4;
    const MCAttributedString t = text(QStringLiteral("I"), a);
    const QRectF box = bitmap->boundsOfText(t, true);
    const CGImageRef mask = bitmap->newImageMaskWithSize(QSizeF(40, 50), t, QPointF(20 - box.center().x(), 5));
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->row(1)[1], 255); // far from the letter
    const size_t stem = 20, row = 50 - 5 - size_t(box.height() / 2);
    EXPECT_EQ(mask->row(row)[stem], 0);                             // inside the stem
    EXPECT_EQ(mask->row(row)[stem + size_t(box.width() / 2) + 1], 0); // on the outline, outside the stem
}

TEST_F(WatermarkText, OverridesReplaceRunColoursAndNoOverridesKeepThem)
{
    MCAttributedString t;
    t.append(QStringLiteral("I"), attributes(40, QColor(255, 0, 0)));
    t.append(QStringLiteral("I"), attributes(40, QColor(0, 255, 0)));
    const QRectF box = bitmap->boundsOfText(t, true);
    const QSizeF size(std::ceil(box.width()) + 2, std::ceil(box.height()) + 2);
    const QPointF at(1 - box.x(), 1 - box.y());
    auto stemColours = [&](const MCTextAttributes *overrides) {
        QImage image(int(size.width()), int(size.height()), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        MCTextContext::setUpPainter(painter, image.height());
        MCTextContext context{&painter, at};
        bitmap->drawText(t, overrides, context);
        painter.end();
        // Stems: the first and last inked column's middles.
        const QRect ink = [&] {
            QRect r;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) == 255)
                        r = r.united(QRect(x, y, 1, 1));
            return r;
        }();
        return std::pair(image.pixel(ink.left() + 1, ink.center().y()), image.pixel(ink.right() - 1, ink.center().y()));
    };
    const auto own = stemColours(nullptr);
    EXPECT_EQ(own.first, qRgb(255, 0, 0));
    EXPECT_EQ(own.second, qRgb(0, 255, 0));
    MCTextAttributes blue;
    blue.foregroundColor = QColor(0, 0, 255);
    const auto replaced = stemColours(&blue);
    EXPECT_EQ(replaced.first, qRgb(0, 0, 255));
    EXPECT_EQ(replaced.second, qRgb(0, 0, 255));
}

TEST_F(WatermarkText, ShadowShowsOnlyOutsideTheLetters)
{
    const MCAttributedString t = text(QStringLiteral("H"), attributes(40, QColor(255, 255, 255, 128)));
    const QRectF box = bitmap->boundsOfText(t, true);
    const QSizeF size(box.width() + 20, box.height() + 20);
    const QPointF at(10 - box.x(), 10 - box.y());
    const CGImageRef plain = bitmap->newImageWithSize(size, t, std::nullopt, at);
    MCShadow shadow;
    shadow.shadowOffset = QSizeF(3, -3);
    shadow.shadowBlurRadius = 2;
    shadow.shadowColor = QColor(0, 0, 0, 255);
    const CGImageRef shadowed = bitmap->newImageWithSize(size, t, shadow, at);
    ASSERT_TRUE(plain && shadowed);
    size_t inside = 0, outsideShadow = 0;
    for (size_t y = 0; y < plain->height(); ++y)
        for (size_t x = 0; x < plain->width(); ++x) {
            const int a = alphaAt(plain, x, y);
            if (a == 128) { // fully inside a letter: the translucent text shows no shadow through
                ++inside;
                EXPECT_EQ(std::memcmp(plain->row(y) + 4 * x, shadowed->row(y) + 4 * x, 4), 0) << x << "," << y;
            } else if (a == 0 && alphaAt(shadowed, x, y) > 200) {
                ++outsideShadow;
            }
        }
    EXPECT_GT(inside, 50u);
    EXPECT_GT(outsideShadow, 20u);

    // A shadow colour without alpha casts nothing at all.
    shadow.shadowColor = QColor(0, 0, 0, 0);
    const CGImageRef none = bitmap->newImageWithSize(size, t, shadow, at);
    ASSERT_TRUE(none);
    EXPECT_EQ(std::memcmp(none->bytes(), plain->bytes(), plain->byteCount()), 0);
}
