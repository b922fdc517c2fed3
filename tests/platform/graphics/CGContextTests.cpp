#include "platform/color/ColorSyncTransform.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

CGColorSpaceRef srgb() { return CGColorSpace::createWithName(kCGColorSpaceSRGB); }

using RGBA = std::array<uint8_t, 4>;

// An 8-bit RGBA image (alpha last, straight unless told) made from a pixel function.
template<typename F>
CGImageRef makeImage(size_t w, size_t h, F pixel, CGImageAlphaInfo alpha = kCGImageAlphaLast,
                     CGColorSpaceRef space = srgb())
{
    QByteArray data(qsizetype(w * h * 4), 0);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            const RGBA p = pixel(x, y);
            std::memcpy(data.data() + (y * w + x) * 4, p.data(), 4);
        }
    return CGImage::create(w, h, 8, 32, w * 4, std::move(space), alpha, data);
}

CGContextRef rgbaContext(size_t w, size_t h)
{
    return CGContext::createBitmap(nullptr, w, h, 8, 0, srgb(), kCGImageAlphaPremultipliedLast);
}

RGBA at(const CGContextRef &c, size_t x, size_t row)
{
    const uint8_t *p = c->data() + row * c->bytesPerRow() + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right (rows from the top).
RGBA quadrant(size_t x, size_t y, size_t w, size_t h)
{
    const bool right = x >= w / 2, bottom = y >= h / 2;
    if (!bottom)
        return right ? RGBA{0, 255, 0, 255} : RGBA{255, 0, 0, 255};
    return right ? RGBA{255, 255, 255, 255} : RGBA{0, 0, 255, 255};
}

} // namespace

TEST(CGContext, CreationAcceptsTheDrawableFormatsOnly)
{
    CGColorSpaceRef gray = CGColorSpace::createWithName(kCGColorSpaceGenericGrayGamma2_2);
    CGColorSpaceRef cmyk = CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    CGColorSpaceRef lab = CGColorSpace::createWithName(kCGColorSpaceGenericLab);
    const CGBitmapInfo f = kCGBitmapFloatComponents;
    struct Case { size_t bpc; CGColorSpaceRef space; CGBitmapInfo info; bool ok; const char *what; };
    const Case cases[] = {
        {8, srgb(), kCGImageAlphaPremultipliedLast, true, "RGBA 8"},
        {8, srgb(), kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little, true, "BGRA 8"},
        {8, srgb(), kCGImageAlphaNoneSkipFirst, true, "XRGB 8"},
        {16, srgb(), kCGImageAlphaPremultipliedLast, true, "RGBA 16"},
        {32, srgb(), kCGImageAlphaPremultipliedLast | f | kCGBitmapByteOrder32Little, true, "RGBA float"},
        {8, gray, kCGImageAlphaNone, true, "gray 8"},
        {16, gray, kCGImageAlphaNone, true, "gray 16"},
        {32, gray, kCGImageAlphaNone | f, true, "gray float"},
        {8, cmyk, kCGImageAlphaNone, true, "CMYK 8"},
        {32, cmyk, kCGImageAlphaNone | f, true, "CMYK float"},
        {8, srgb(), kCGImageAlphaNone, false, "RGB without a fourth component"},
        {8, srgb(), kCGImageAlphaLast, false, "straight alpha"},
        {8, gray, kCGImageAlphaPremultipliedLast, false, "gray with alpha"},
        {8, cmyk, kCGImageAlphaPremultipliedLast, false, "CMYK with alpha"},
        {8, lab, kCGImageAlphaNone, false, "Lab"},
        {32, srgb(), kCGImageAlphaPremultipliedLast, false, "32-bit integers"},
        {8, srgb(), kCGImageAlphaPremultipliedLast | f, false, "8-bit floats"},
        {16, srgb(), kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Little, false, "32-bit order on 16 bits"},
        {5, srgb(), kCGImageAlphaNoneSkipFirst, false, "5-bit components"},
        {8, nullptr, kCGImageAlphaPremultipliedLast, false, "no colour space"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(bool(CGContext::createBitmap(nullptr, 3, 2, c.bpc, 0, c.space, c.info)), c.ok) << c.what;

    std::vector<uint8_t> memory(40);
    EXPECT_FALSE(CGContext::createBitmap(memory.data(), 10, 1, 8, 39, srgb(), kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGContext::createBitmap(nullptr, 0, 1, 8, 0, srgb(), kCGImageAlphaPremultipliedLast));
    auto own = CGContext::createBitmap(nullptr, 3, 2, 8, 0, srgb(), kCGImageAlphaPremultipliedLast);
    EXPECT_EQ(own->bytesPerRow() % 16, 0u);
    EXPECT_EQ(own->bitsPerPixel(), 32u);
    EXPECT_EQ(at(own, 2, 1), (RGBA{0, 0, 0, 0}));
}

TEST(CGContext, DrawImageStretchesOverTheRectangleUpright)
{
    auto image = makeImage(100, 50, [](size_t x, size_t y) { return quadrant(x, y, 100, 50); });
    for (CGInterpolationQuality q : {kCGInterpolationNone, kCGInterpolationLow, kCGInterpolationHigh}) {
        auto c = rgbaContext(200, 200);
        c->setInterpolationQuality(q);
        ASSERT_TRUE(c->drawImage(QRectF(0, 0, 200, 200), image));
        // Every pixel is covered; each quadrant of the context shows the matching one of the image.
        for (size_t y = 0; y < 200; y += 199)
            for (size_t x = 0; x < 200; x += 199)
                EXPECT_EQ(at(c, x, y), quadrant(x, y, 200, 200)) << q << " at " << x << "," << y;
        EXPECT_EQ(at(c, 40, 60), (RGBA{255, 0, 0, 255})) << q;
        EXPECT_EQ(at(c, 160, 140), (RGBA{255, 255, 255, 255})) << q;
    }
}

TEST(CGContext, TransformsFlipAndTurn)
{
    auto image = makeImage(4, 2, [](size_t x, size_t y) { return quadrant(x, y, 4, 2); });
    {
        // Flipped vertically: the image's top row lands in the last memory row.
        auto c = rgbaContext(4, 2);
        c->translateCTM(0, 2);
        c->scaleCTM(1, -1);
        c->drawImage(QRectF(0, 0, 4, 2), image);
        EXPECT_EQ(at(c, 0, 1), (RGBA{255, 0, 0, 255}));
        EXPECT_EQ(at(c, 3, 0), (RGBA{255, 255, 255, 255}));
    }
    {
        // A quarter turn counter-clockwise about the centre of a 4 × 4 context: the image's
        // top edge (red, green) becomes its left edge, red at the bottom.
        auto c = rgbaContext(4, 4);
        c->translateCTM(2, 2);
        c->rotateCTM(M_PI / 2);
        c->translateCTM(-2, -1);
        c->drawImage(QRectF(0, 0, 4, 2), image);
        EXPECT_EQ(at(c, 1, 3), (RGBA{255, 0, 0, 255}));
        EXPECT_EQ(at(c, 1, 0), (RGBA{0, 255, 0, 255}));
        EXPECT_EQ(at(c, 2, 0), (RGBA{255, 255, 255, 255}));
        EXPECT_EQ(at(c, 0, 0), (RGBA{0, 0, 0, 0})) << "outside the turned image";
    }
    {
        // An offset placement: only the pixels whose centres are inside are drawn.
        auto c = rgbaContext(6, 4);
        c->drawImage(QRectF(1, 1, 4, 2), image);
        EXPECT_EQ(at(c, 1, 1), (RGBA{255, 0, 0, 255}));
        EXPECT_EQ(at(c, 0, 1), (RGBA{0, 0, 0, 0}));
        EXPECT_EQ(at(c, 4, 2), (RGBA{255, 255, 255, 255}));
        EXPECT_EQ(at(c, 5, 2), (RGBA{0, 0, 0, 0}));
    }
}

TEST(CGContext, DrawingConvertsColourSpaces)
{
    auto adobe = CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998);
    auto red = makeImage(2, 2, [](size_t, size_t) { return RGBA{255, 0, 0, 255}; });
    auto c = CGContext::createBitmap(nullptr, 2, 2, 8, 0, adobe, kCGImageAlphaPremultipliedLast);
    ASSERT_TRUE(c->drawImage(QRectF(0, 0, 2, 2), red));
    uint8_t expected[4] = {};
    const uint8_t source[4] = {255, 0, 0, 255};
    ColorSyncTransform::create(srgb(), adobe, kCGRenderingIntentDefault, false)
        ->convert(1, 1, expected, kColorSync8BitInteger, kCGImageAlphaPremultipliedLast, 4, source,
                  kColorSync8BitInteger, kCGImageAlphaLast, 4);
    EXPECT_EQ(at(c, 1, 1), (RGBA{expected[0], expected[1], expected[2], 255}));
    EXPECT_LT(expected[0], 240) << "sRGB red is inside Adobe RGB";

    // White into CMYK takes no ink; into 16-bit gray it is full scale.
    auto white = makeImage(1, 1, [](size_t, size_t) { return RGBA{255, 255, 255, 255}; });
    auto cmyk = CGContext::createBitmap(nullptr, 1, 1, 8, 0, CGColorSpace::createWithName(kCGColorSpaceGenericCMYK),
                                        kCGImageAlphaNone);
    cmyk->drawImage(QRectF(0, 0, 1, 1), white);
    for (int i = 0; i < 4; ++i)
        EXPECT_LE(cmyk->data()[i], 3) << i;
    auto gray = CGContext::createBitmap(nullptr, 1, 1, 16, 0, CGColorSpace::createDeviceGray(), kCGImageAlphaNone);
    gray->drawImage(QRectF(0, 0, 1, 1), white);
    EXPECT_GE(reinterpret_cast<const uint16_t *>(gray->data())[0], 65400);
}

TEST(CGContext, AlphaCompositingNumbers)
{
    auto halfRed = makeImage(1, 1, [](size_t, size_t) { return RGBA{255, 0, 0, 128}; });
    auto opaqueBlue = makeImage(1, 1, [](size_t, size_t) { return RGBA{0, 0, 255, 255}; });
    auto whiteContext = [] {
        auto c = rgbaContext(1, 1);
        c->setRGBFillColor(1, 1, 1, 1);
        c->fillRect(QRectF(0, 0, 1, 1));
        return c;
    };
    struct Case { CGImageRef image; double alpha; CGBlendMode mode; RGBA expected; const char *what; };
    const Case cases[] = {
        {halfRed, 1.0, kCGBlendModeNormal, {255, 127, 127, 255}, "half red over white"},
        {opaqueBlue, 0.5, kCGBlendModeNormal, {128, 128, 255, 255}, "blue at half opacity"},
        {halfRed, 1.0, kCGBlendModeCopy, {128, 0, 0, 128}, "copy replaces, premultiplied"},
        {opaqueBlue, 0.25, kCGBlendModeCopy, {0, 0, 64, 64}, "copy with global alpha"},
    };
    for (const Case &c : cases) {
        auto context = whiteContext();
        context->setAlpha(c.alpha);
        context->setBlendMode(c.mode);
        context->drawImage(QRectF(0, 0, 1, 1), c.image);
        const RGBA got = at(context, 0, 0);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(got[i], c.expected[i], 1) << c.what << " component " << i;
    }
}

TEST(CGContext, SixteenBitPremultipliedOutput)
{
    auto image = makeImage(2, 1, [](size_t x, size_t) { return x ? RGBA{255, 255, 255, 51} : RGBA{200, 100, 0, 255}; });
    auto c = CGContext::createBitmap(nullptr, 2, 1, 16, 0, srgb(), kCGImageAlphaPremultipliedLast);
    ASSERT_TRUE(c->drawImage(QRectF(0, 0, 2, 1), image));
    const auto *p = reinterpret_cast<const uint16_t *>(c->data());
    EXPECT_EQ(p[0], 200 * 257);
    EXPECT_EQ(p[1], 100 * 257);
    EXPECT_EQ(p[3], 65535);
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(p[i], 51 * 257) << i;
}

TEST(CGContext, InterpolationQualitiesWhenReducing)
{
    // A one-pixel checkerboard reduced eightfold: a good filter gives even gray, the nearest
    // pixel keeps pure black or white.
    auto board = makeImage(64, 64, [](size_t x, size_t y) {
        const uint8_t v = (x + y) % 2 ? 255 : 0;
        return RGBA{v, v, v, 255};
    }, kCGImageAlphaNoneSkipLast);
    for (CGInterpolationQuality q : {kCGInterpolationNone, kCGInterpolationHigh}) {
        auto c = rgbaContext(8, 8);
        c->setInterpolationQuality(q);
        c->drawImage(QRectF(0, 0, 8, 8), board);
        for (size_t y = 0; y < 8; ++y)
            for (size_t x = 0; x < 8; ++x) {
                const RGBA p = at(c, x, y);
                if (q == kCGInterpolationHigh)
                    EXPECT_NEAR(p[0], 128, 8) << x << "," << y;
                else
                    EXPECT_TRUE(p[0] == 0 || p[0] == 255);
                EXPECT_EQ(p[3], 255);
            }
    }
    // The same under a small turn goes through the per-pixel path and still averages.
    auto c = rgbaContext(8, 8);
    c->translateCTM(4, 4);
    c->rotateCTM(0.1);
    c->translateCTM(-4, -4);
    c->drawImage(QRectF(-2, -2, 12, 12), board);
    EXPECT_NEAR(at(c, 4, 4)[0], 128, 20);
}

TEST(CGContext, ClipFillClearAndTiles)
{
    auto c = rgbaContext(8, 8);
    c->saveGState();
    c->clipToRect(QRectF(2, 2, 4, 4));
    c->setRGBFillColor(0, 1, 0, 1);
    c->fillRect(QRectF(0, 0, 8, 8));
    c->restoreGState();
    EXPECT_EQ(at(c, 2, 2), (RGBA{0, 255, 0, 255}));
    EXPECT_EQ(at(c, 5, 5), (RGBA{0, 255, 0, 255}));
    EXPECT_EQ(at(c, 1, 5), (RGBA{0, 0, 0, 0}));
    EXPECT_EQ(at(c, 6, 5), (RGBA{0, 0, 0, 0}));
    c->clearRect(QRectF(0, 0, 3, 8)); // the left three columns
    EXPECT_EQ(at(c, 2, 2), (RGBA{0, 0, 0, 0}));
    EXPECT_EQ(at(c, 3, 2), (RGBA{0, 255, 0, 255}));

    // A turned clip: a diamond about the centre.
    auto d = rgbaContext(9, 9);
    d->translateCTM(4.5, 4.5);
    d->rotateCTM(M_PI / 4);
    d->clipToRect(QRectF(-2.5, -2.5, 5, 5));
    d->setRGBFillColor(1, 1, 1, 1);
    d->fillRect(QRectF(-10, -10, 20, 20));
    EXPECT_EQ(at(d, 4, 4)[3], 255);
    EXPECT_EQ(at(d, 4, 1)[3], 255);
    EXPECT_EQ(at(d, 1, 1)[3], 0);

    // Tiles repeat in every direction from the placed copy.
    auto two = makeImage(2, 2, [](size_t x, size_t y) { return quadrant(x, y, 2, 2); });
    auto t = rgbaContext(8, 8);
    t->setInterpolationQuality(kCGInterpolationNone);
    t->drawTiledImage(QRectF(1, 1, 2, 2), two);
    for (size_t y = 0; y < 8; ++y)
        for (size_t x = 0; x < 8; ++x)
            EXPECT_EQ(at(t, x, y), quadrant((x + 1) % 2, (y + 1) % 2, 2, 2)) << x << "," << y;
}

TEST(CGContext, CreateImageCopiesAndPainterDrawsInUserSpace)
{
    auto c = CGContext::createBitmap(nullptr, 4, 4, 8, 0, srgb(),
                                     kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    c->setRGBFillColor(1, 0, 0, 1);
    c->fillRect(QRectF(0, 0, 4, 4));
    CGImageRef snapshot = c->createImage();
    ASSERT_TRUE(snapshot);
    // BGRA in memory for alpha first in 32-bit little-endian order.
    EXPECT_EQ(snapshot->bytes()[2], 255);
    EXPECT_EQ(snapshot->bytes()[0], 0);
    ASSERT_TRUE(c->paint([](QPainter &p) { p.fillRect(QRectF(0, 0, 4, 1), QColor(0, 0, 255)); }));
    const uint8_t *bottom = c->data() + 3 * c->bytesPerRow();
    EXPECT_EQ(bottom[0], 255) << "y = 0 is the bottom row";
    EXPECT_EQ(c->data()[0], 0);
    EXPECT_EQ(snapshot->bytes()[3 * snapshot->bytesPerRow()], 0) << "the image is a copy";

    auto gray = CGContext::createBitmap(nullptr, 2, 2, 8, 0, CGColorSpace::createDeviceGray(), kCGImageAlphaNone);
    EXPECT_FALSE(gray->paint([](QPainter &) {}));
    auto floats = CGContext::createBitmap(nullptr, 2, 2, 32, 0, srgb(),
                                          kCGImageAlphaPremultipliedLast | kCGBitmapFloatComponents);
    EXPECT_TRUE(floats->paint([](QPainter &p) { p.fillRect(QRectF(0, 0, 2, 2), Qt::white); }));
    EXPECT_FLOAT_EQ(reinterpret_cast<const float *>(floats->data())[3], 1.0f);
}

TEST(CGContext, OddGeometryDrawsSafely)
{
    auto image = makeImage(2, 2, [](size_t x, size_t y) { return quadrant(x, y, 2, 2); });
    auto c = rgbaContext(4, 4);
    // A rectangle given with a negative size is the same rectangle; absurd sizes stay in range.
    c->setInterpolationQuality(kCGInterpolationNone);
    EXPECT_TRUE(c->drawImage(QRectF(4, 4, -4, -4), image));
    EXPECT_EQ(at(c, 0, 0), (RGBA{255, 0, 0, 255}));
    c->setRGBFillColor(0, 0, 1, 1);
    c->fillRect(QRectF(-1e15, -1e15, 2e15, 1e15 + 1)); // the bottom row only
    EXPECT_EQ(at(c, 2, 3), (RGBA{0, 0, 255, 255}));
    EXPECT_EQ(at(c, 2, 2), (RGBA{255, 255, 255, 255}));
    EXPECT_TRUE(c->drawImage(QRectF(1e12, 1e12, 1e13, 1e13), image));
    c->scaleCTM(0, 1); // nothing can be drawn through a singular transform
    EXPECT_TRUE(c->drawImage(QRectF(0, 0, 4, 4), image));
    c->fillRect(QRectF(0, 0, 4, 4));
    EXPECT_FALSE(c->drawImage(QRectF(0, 0, 4, 4), nullptr));
    EXPECT_EQ(at(c, 2, 2), (RGBA{255, 255, 255, 255}));
}
