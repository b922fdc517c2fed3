#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <gtest/gtest.h>

TEST(CGColorSpace, NamedSpacesHaveModelsAndAreShared)
{
    struct Case { QString name; CGColorSpaceModel model; size_t components; };
    const Case cases[] = {
        {kCGColorSpaceSRGB, kCGColorSpaceModelRGB, 3},
        {kCGColorSpaceAdobeRGB1998, kCGColorSpaceModelRGB, 3},
        {kCGColorSpaceDisplayP3, kCGColorSpaceModelRGB, 3},
        {kCGColorSpaceLinearSRGB, kCGColorSpaceModelRGB, 3},
        {kCGColorSpaceGenericGrayGamma2_2, kCGColorSpaceModelMonochrome, 1},
        {kCGColorSpaceLinearGray, kCGColorSpaceModelMonochrome, 1},
        {kCGColorSpaceGenericLab, kCGColorSpaceModelLab, 3},
    };
    for (const Case &c : cases) {
        CGColorSpaceRef space = CGColorSpace::createWithName(c.name);
        ASSERT_TRUE(space) << c.name.toStdString();
        EXPECT_EQ(space->model(), c.model) << c.name.toStdString();
        EXPECT_EQ(space->numberOfComponents(), c.components);
        EXPECT_EQ(space->name(), c.name);
        EXPECT_FALSE(space->iccData().isEmpty());
        EXPECT_EQ(CGColorSpace::createWithName(c.name), space);
    }
    EXPECT_EQ(CGColorSpace::createWithName(kCGColorSpaceSRGB)->profileDescription(), QStringLiteral("sRGB IEC61966-2.1"));
    EXPECT_FALSE(CGColorSpace::createWithName(QStringLiteral("no such space")));
}

TEST(CGColorSpace, FromICCDataRoundTripsAndRejectsGarbage)
{
    CGColorSpaceRef srgb = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    CGColorSpaceRef copy = CGColorSpace::createWithICCData(srgb->iccData());
    ASSERT_TRUE(copy);
    EXPECT_TRUE(CGColorSpaceEqualToColorSpace(copy, srgb));
    EXPECT_TRUE(copy->name().isEmpty());
    EXPECT_FALSE(CGColorSpace::createWithICCData(QByteArray()));
    EXPECT_FALSE(CGColorSpace::createWithICCData(QByteArray(200, 'x')));
    EXPECT_FALSE(CGColorSpace::createWithICCData(srgb->iccData().left(300)));
}

TEST(CGImage, CreateValidatesTheDescription)
{
    CGColorSpaceRef rgb = CGColorSpace::createDeviceRGB();
    const QByteArray pixels(4 * 3 * 2, char(7));
    EXPECT_TRUE(CGImage::create(3, 2, 8, 32, 12, rgb, kCGImageAlphaPremultipliedLast, pixels));
    EXPECT_FALSE(CGImage::create(0, 2, 8, 32, 12, rgb, kCGImageAlphaPremultipliedLast, pixels));     // empty
    EXPECT_FALSE(CGImage::create(3, 2, 8, 32, 11, rgb, kCGImageAlphaPremultipliedLast, pixels));     // short rows
    EXPECT_FALSE(CGImage::create(3, 3, 8, 32, 12, rgb, kCGImageAlphaPremultipliedLast, pixels));     // short data
    EXPECT_FALSE(CGImage::create(3, 2, 8, 16, 12, rgb, kCGImageAlphaPremultipliedLast, pixels));     // too few bits
    EXPECT_FALSE(CGImage::create(3, 2, 32, 128, 48, rgb, kCGImageAlphaLast, QByteArray(96, 0)));     // 32 needs float
    EXPECT_TRUE(CGImage::create(3, 2, 32, 128, 48, rgb, kCGImageAlphaLast | kCGBitmapFloatComponents,
                                QByteArray(96, 0)));
    EXPECT_FALSE(CGImage::create(1u << 20, 1u << 20, 8, 8, 1u << 20, CGColorSpace::createDeviceGray(), 0,
                                 QByteArray(16, 0))); // absurd size
}

TEST(CGImage, CropSharesPixelsAndClips)
{
    CGColorSpaceRef gray = CGColorSpace::createDeviceGray();
    QByteArray pixels(10 * 10, 0);
    for (int i = 0; i < pixels.size(); ++i)
        pixels[i] = char(i);
    CGImageRef image = CGImage::create(10, 10, 8, 8, 10, gray, kCGImageAlphaNone, pixels);
    ASSERT_TRUE(image);
    CGImageRef part = CGImage::createWithImageInRect(image, QRectF(2.5, 3, 4, 4));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->width(), 5u); // 2.5..6.5 made integral is 2..7
    EXPECT_EQ(part->height(), 4u);
    EXPECT_EQ(part->row(0)[0], 32);
    EXPECT_EQ(part->row(1)[0], 42);
    EXPECT_EQ(CGImage::createWithImageInRect(image, QRectF(0, 0, 10, 10)), image);
    CGImageRef clipped = CGImage::createWithImageInRect(image, QRectF(8, 8, 5, 5));
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->width(), 2u);
    EXPECT_FALSE(CGImage::createWithImageInRect(image, QRectF(20, 20, 5, 5)));
}
