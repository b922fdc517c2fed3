#include "halvard/imageio/MCImageFunctions.h"

#include "platform/types/UTType.h"
#include "tests/support/TestSupport.h"
#include "TestImages.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

using testimages::make;

TEST(MCImageFunctions, TypeSetsAndTests)
{
    EXPECT_FALSE(MCIsJPEGImageType(QString()));
    EXPECT_TRUE(MCIsJPEGImageType(kUTTypeJPEG));
    EXPECT_TRUE(MCIsJPEGImageType(kUTTypeJPEG2000));
    EXPECT_TRUE(MCIsJPEGImageType(QStringLiteral("com.apple.rjpeg")));
    EXPECT_FALSE(MCIsJPEGImageType(QStringLiteral("PUBLIC.JPEG"))); // exact match, no conformance
    EXPECT_TRUE(MCIsHEICImageType(kUTTypeHEIC));
    EXPECT_TRUE(MCIsHEICImageType(kUTTypeHEIF));
    EXPECT_FALSE(MCIsHEICImageType(kUTTypeAVIF));
    for (auto test : {MCIsImageType, MCIsRAWImageType, MCIsMovieType, MCIsHEICImageType})
        EXPECT_FALSE(test(QString()));
    // Every raw type is an image type that conforms to the camera-raw type.
    for (const QString &type : MCRAWImageTypes()) {
        EXPECT_TRUE(MCIsImageType(type)) << type.toStdString();
        EXPECT_TRUE(platform::UTTypeConformsTo(type, kUTTypeRawImage)) << type.toStdString();
    }
}

TEST(MCImageFunctions, AspectRatioCropsTheCentre)
{
    const CGImageRef image = testimages::gray8(4000, 3000, 9);
    ASSERT_TRUE(image);
    struct Case { double ratio; size_t width, height, x, y; };
    const Case cases[] = {
        {1.0, 3000, 3000, 500, 0},
        {2.0, 4000, 2000, 0, 500},
        {4.0 / 3.0, 4000, 3000, 0, 0},
        {16.0 / 9.0, 4000, 2250, 0, 375},
    };
    for (const Case &c : cases) {
        const CGImageRef crop = MCImageCreateWithAspectRatio(image, c.ratio);
        ASSERT_TRUE(crop) << c.ratio;
        EXPECT_EQ(crop->width(), c.width) << c.ratio;
        EXPECT_EQ(crop->height(), c.height) << c.ratio;
        EXPECT_EQ(size_t(crop->bytes() - image->bytes()), c.y * image->bytesPerRow() + c.x) << c.ratio;
    }
    EXPECT_FALSE(MCImageCreateWithAspectRatio(image, 0.0));
    EXPECT_FALSE(MCImageCreateWithAspectRatio(image, -1.0));
    EXPECT_FALSE(MCImageCreateWithAspectRatio(image, std::nan("")));
    EXPECT_FALSE(MCImageCreateWithAspectRatio(nullptr, 1.0));
}

TEST(MCImageFunctions, MaxPixelSizeScalesByTheLongerSide)
{
    const CGImageRef large = testimages::gray8(4000, 3000, 100);
    const CGImageRef scaled = MCCreateARGBImageWithMaxPixelSize(large, 1000);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width(), 1000u);
    EXPECT_EQ(scaled->height(), 750u);

    const CGImageRef exact = testimages::gray8(1000, 750, 100);
    EXPECT_EQ(MCCreateARGBImageWithMaxPixelSize(exact, 1000), exact);
    EXPECT_EQ(MCCreateARGBImageWithMaxPixelSize(exact, 0), exact);
    EXPECT_FALSE(MCCreateARGBImageWithMaxPixelSize(nullptr, 1000));

    struct Case { size_t width, height; double max; size_t newWidth, newHeight; };
    const Case cases[] = {
        {3000, 1000, 1000, 1000, 334}, // sides are rounded up
        {3000, 3000, 1000, 1000, 1000}, // a third of 3000 is exactly 1000
        {100, 50, 200, 200, 100},      // small images are enlarged
    };
    for (const Case &c : cases) {
        const CGImageRef result = MCCreateARGBImageWithMaxPixelSize(testimages::gray8(c.width, c.height, 1), c.max);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->width(), c.newWidth) << c.width << "x" << c.height;
        EXPECT_EQ(result->height(), c.newHeight) << c.width << "x" << c.height;
    }
}

TEST(MCImageFunctions, ScalingConvertsNarrowAndWideFormatsFirst)
{
    EXPECT_FALSE(MCCreateARGBImageWithSize(nullptr, 10, 10));
    const CGImageRef rgba = testimages::solidRGBA(40, 30, 200, 100, 50);
    EXPECT_FALSE(MCCreateARGBImageWithSize(rgba, 0, 0));
    EXPECT_EQ(MCCreateARGBImageWithSize(rgba, 40.9, 30.2), rgba); // sizes are truncated

    // Four 8-bit components keep their format; the colour stays where it was.
    const CGImageRef half = MCCreateARGBImageWithSize(rgba, 20, 15);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->bitmapInfo(), rgba->bitmapInfo());
    EXPECT_EQ(half->row(7)[10 * 4], 200);

    // 8-bit gray and 16-bit RGB are read as 8-bit ARGB, not as if they were it.
    const CGImageRef gray = testimages::gray8(31, 17, 128);
    const CGImageRef rgb16 = make(31, 17, 16, 48, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaNone,
                                  [](size_t, size_t, uint8_t *p) {
                                      auto *c = reinterpret_cast<uint16_t *>(p);
                                      c[0] = 65535, c[1] = 0, c[2] = 32896;
                                  });
    for (const CGImageRef &source : {gray, rgb16}) {
        const CGImageRef scaled = MCCreateARGBImageWithSize(source, 62, 9);
        ASSERT_TRUE(scaled);
        EXPECT_EQ(scaled->bitsPerComponent(), 8u);
        EXPECT_EQ(scaled->bitsPerPixel(), 32u);
        EXPECT_EQ(scaled->width(), 62u);
        const uint8_t *p = scaled->row(4) + 30 * 4;
        if (source == gray) {
            EXPECT_NEAR(p[1], p[2], 2);
            EXPECT_NEAR(p[2], p[3], 2);
            EXPECT_GT(p[1], 60);
        } else {
            EXPECT_EQ(p[1], 255);
            EXPECT_EQ(p[2], 0);
            EXPECT_NEAR(p[3], 128, 2);
        }
    }
}

TEST(MCImageFunctions, RedrawingIntoFormats)
{
    const CGImageRef rgba = testimages::solidRGBA(6, 4, 255, 128, 0, 255);
    EXPECT_EQ(MCCreateImageFromImage(rgba, 6, 4, 8, rgba->colorSpace(), rgba->bitmapInfo()), rgba);
    // An equivalent but distinct colour space object is a different format.
    const CGColorSpaceRef copy = CGColorSpace::createWithICCData(rgba->colorSpace()->iccData());
    const CGImageRef redrawn = MCCreateImageFromImage(rgba, 6, 4, 8, copy, rgba->bitmapInfo() == kCGImageAlphaLast
                                                                               ? kCGImageAlphaPremultipliedLast
                                                                               : rgba->bitmapInfo());
    ASSERT_TRUE(redrawn);
    EXPECT_NE(redrawn, rgba);
    const CGImageRef bigger = MCCreateImageFromImage(rgba, 12, 8, 8, rgba->colorSpace(), kCGImageAlphaPremultipliedLast);
    ASSERT_TRUE(bigger);
    EXPECT_EQ(bigger->width(), 12u);
    EXPECT_EQ(bigger->row(7)[11 * 4], 255);
    EXPECT_FALSE(MCCreateImageFromImage(rgba, 0, 8, 8, rgba->colorSpace(), kCGImageAlphaPremultipliedLast));

    const CGImageRef screen = MCCreateImageFromImageWithScreenColorSpace(rgba);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->bitmapInfo(), CGBitmapInfo(kCGImageAlphaPremultipliedLast));

    // ARGB: kept when already RGB with alpha or padding first; else drawn with padding first.
    const CGImageRef xrgb = make(3, 2, 8, 32, rgba->colorSpace(), kCGImageAlphaNoneSkipFirst,
                                 [](size_t, size_t, uint8_t *p) { p[1] = 9; });
    EXPECT_EQ(MCCreateARGBImageFromImage(xrgb), xrgb);
    const CGImageRef argb = MCCreateARGBImageFromImage(rgba);
    ASSERT_TRUE(argb);
    EXPECT_EQ(argb->bitmapInfo(), CGBitmapInfo(kCGImageAlphaNoneSkipFirst));
    EXPECT_EQ(argb->bytesPerRow(), 24u);
    EXPECT_EQ(argb->row(1)[4 + 1], 255);
    EXPECT_NEAR(argb->row(1)[4 + 2], 128, 1);
    const CGImageRef fromGray = MCCreateARGBImageFromImage(testimages::gray8(2, 2, 200));
    ASSERT_TRUE(fromGray);
    EXPECT_EQ(fromGray->colorSpace()->model(), kCGColorSpaceModelRGB);
    EXPECT_FALSE(MCCreateARGBImageFromImage(nullptr));

    // Sized copies: gray stays gray without alpha; RGB gets padding first.
    const CGImageRef graySized = MCImageCreateWithSize(testimages::gray8(8, 8, 50), 4, 2);
    ASSERT_TRUE(graySized);
    EXPECT_EQ(graySized->colorSpace()->model(), kCGColorSpaceModelMonochrome);
    EXPECT_EQ(graySized->bitmapInfo(), CGBitmapInfo(kCGImageAlphaNone));
    const CGImageRef rgbSized = MCImageCreateWithSize(rgba, 3, 3);
    ASSERT_TRUE(rgbSized);
    EXPECT_EQ(rgbSized->bitmapInfo(), CGBitmapInfo(kCGImageAlphaNoneSkipFirst));
    EXPECT_EQ(rgbSized->colorSpace(), rgba->colorSpace());
    EXPECT_FALSE(MCImageCreateWithSize(rgba, 3, 0));
}

TEST(MCImageFunctions, PixelCopies)
{
    const CGImageRef rgba = testimages::solidRGBA(2, 2, 1, 2, 3, 255);
    const QByteArray bytes = MCCopyDataFromImage(rgba);
    EXPECT_EQ(bytes, QByteArray("\x01\x02\x03\xff\x01\x02\x03\xff\x01\x02\x03\xff\x01\x02\x03\xff", 16));
    EXPECT_TRUE(MCCopyDataFromImage(nullptr).isEmpty());

    const CGImageRef red = testimages::solidRGBA(5, 5, 255, 0, 0);
    const auto colour = MCCopyFastDataFromImage(red, false, 3, 2);
    ASSERT_TRUE(colour);
    ASSERT_EQ(colour->length(), 3u * 4u * 2u);
    EXPECT_EQ(colour->bytes()[5 * 4 + 1], 255); // X R G B
    EXPECT_EQ(colour->bytes()[5 * 4 + 2], 0);
    const auto gray = MCCopyFastDataFromImage(testimages::gray8(5, 5, 77), true, 3.9, 2);
    ASSERT_TRUE(gray);
    ASSERT_EQ(gray->length(), 6u);
    EXPECT_EQ(gray->bytes()[5], 77);
    EXPECT_FALSE(MCCopyFastDataFromImage(red, false, 0, 2));
    EXPECT_FALSE(MCCopyFastDataFromImage(nullptr, false, 3, 2));
}

TEST(MCImageFunctions, SaveCreatesFoldersAndReadsBack)
{
    const QString folder = testsupport::makeTemporaryFolder();
    const QString path = folder + QStringLiteral("/a/b/picture.jpg");
    const CGImageRef image = make(32, 24, 8, 32, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                  kCGImageAlphaNoneSkipLast, [](size_t x, size_t, uint8_t *p) {
                                      p[0] = x < 16 ? 250 : 10;
                                      p[1] = 120;
                                      p[2] = x < 16 ? 10 : 250;
                                  });
    MCError error;
    ASSERT_TRUE(MCSaveImageToURL(image, path, &error)) << error.toString().toStdString();
    const CGImageRef back = MCCreateImageWithURL(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width(), 32u);
    EXPECT_EQ(back->height(), 24u);
    const size_t bpp = back->bitsPerPixel() / 8;
    EXPECT_NEAR(back->row(12)[4 * bpp], 250, 12);
    EXPECT_NEAR(back->row(12)[28 * bpp + 2], 250, 12);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(MCCreateImageWithData(file.readAll()));
    EXPECT_FALSE(MCCreateImageWithData(QByteArray("not an image")));
    EXPECT_FALSE(MCCreateImageWithURL(folder + QStringLiteral("/missing.jpg")));
    EXPECT_FALSE(MCCreateImageWithURL(folder)); // a folder

    // Refusals: no image or path (error untouched), and a parent that is a file.
    MCError untouched;
    EXPECT_FALSE(MCSaveImageToURL(nullptr, path, &untouched));
    EXPECT_FALSE(MCSaveImageToURL(image, QString(), &untouched));
    EXPECT_TRUE(untouched.isNull());
    MCError blocked;
    EXPECT_FALSE(MCSaveImageToURL(image, path + QStringLiteral("/inside.jpg"), &blocked));
    EXPECT_FALSE(blocked.isNull());
}
