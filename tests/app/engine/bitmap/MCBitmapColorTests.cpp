#include "app/engine/bitmap/MCBitmap.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<MCBitmap> redBitmap(const CGColorSpaceRef &space)
{
    QByteArray data(4 * 4 * 4, 0);
    for (int i = 0; i < 16; ++i) {
        data[4 * i] = char(255);
        data[4 * i + 3] = char(200);
    }
    return MCBitmap::createWithCGImage(CGImage::create(4, 4, 8, 32, 16, space, kCGImageAlphaLast, data));
}

} // namespace

TEST(MCBitmapColor, IntentNames)
{
    EXPECT_EQ(MCBitmap::colorSyncRenderingIntentFromCGRenderingIntent(kCGRenderingIntentSaturation),
              "kColorSyncRenderingIntentSaturation");
    EXPECT_EQ(MCBitmap::colorSyncRenderingIntentFromCGRenderingIntent(kCGRenderingIntentDefault),
              "kColorSyncRenderingIntentUseProfileHeader");
    EXPECT_TRUE(MCBitmap::colorSyncRenderingIntentFromCGRenderingIntent(CGColorRenderingIntent(7)).isEmpty());
}

TEST(MCBitmapColor, AssignKeepsPixelsAndRefusesOtherModels)
{
    auto bitmap = redBitmap(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    EXPECT_TRUE(bitmap->assignColorSpace(bitmap->colorSpace()));
    EXPECT_FALSE(bitmap->assignColorSpace(CGColorSpace::createDeviceGray()));
    EXPECT_EQ(bitmap->colorSpace(), CGColorSpace::createWithName(kCGColorSpaceSRGB));
    const auto adobe = CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998);
    EXPECT_TRUE(bitmap->assignColorSpace(adobe));
    EXPECT_EQ(bitmap->colorSpace(), adobe);
    EXPECT_EQ(static_cast<const uint8_t *>(bitmap->imageBuffer().data)[0], 255);
}

TEST(MCBitmapColor, ConvertToCMYKKeepsAlphaInANewBuffer)
{
    auto bitmap = redBitmap(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    const auto cmyk = CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    ASSERT_TRUE(cmyk);
    ASSERT_TRUE(bitmap->useImageChannels()); // converting merges first
    const void *before = bitmap->imageBuffer().data;
    ASSERT_TRUE(bitmap->convertToColorSpace(cmyk, kCGRenderingIntentPerceptual, false));
    EXPECT_EQ(bitmap->bitsPerPixel(), 40u);
    EXPECT_EQ(bitmap->colorSpace(), cmyk);
    EXPECT_NE(bitmap->imageBuffer().data, before);
    const auto *p = static_cast<const uint8_t *>(bitmap->imageBuffer().data);
    EXPECT_EQ(p[4], 200);                  // alpha last, unchanged
    EXPECT_GT(p[1], 150);                  // red is mostly magenta and yellow
    EXPECT_LT(p[0], 60);                   // with little cyan
}

TEST(MCBitmapColor, ConvertBetweenRGBSpacesInPlace)
{
    auto bitmap = redBitmap(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    const void *before = bitmap->imageBuffer().data;
    ASSERT_TRUE(bitmap->convertToColorSpace(CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998),
                                            kCGRenderingIntentRelativeColorimetric, true));
    EXPECT_EQ(bitmap->imageBuffer().data, before);
    EXPECT_EQ(bitmap->bitsPerPixel(), 32u);
    EXPECT_LT(static_cast<const uint8_t *>(bitmap->imageBuffer().data)[0], 250); // sRGB red is inside Adobe RGB
}

TEST(MCBitmapColor, RefusalsChangeNothing)
{
    auto bitmap = redBitmap(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    const auto space = bitmap->colorSpace();
    EXPECT_FALSE(bitmap->convertToColorSpace(CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998),
                                             CGColorRenderingIntent(7), false));
    EXPECT_FALSE(bitmap->proofWithColorSpace(CGColorSpace::createWithName(kCGColorSpaceGenericCMYK),
                                             CGColorRenderingIntent(7), false));
    EXPECT_EQ(bitmap->colorSpace(), space);
    EXPECT_EQ(static_cast<const uint8_t *>(bitmap->imageBuffer().data)[0], 255);
}

TEST(MCBitmapColor, ProofKeepsSpaceAndShowsTheGamut)
{
    auto bitmap = redBitmap(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    const auto space = bitmap->colorSpace();
    ASSERT_TRUE(bitmap->proofWithColorSpace(CGColorSpace::createWithName(kCGColorSpaceGenericCMYK),
                                            kCGRenderingIntentRelativeColorimetric, false));
    EXPECT_EQ(bitmap->colorSpace(), space);
    EXPECT_EQ(bitmap->bitsPerPixel(), 32u);
    const auto *p = static_cast<const uint8_t *>(bitmap->imageBuffer().data);
    EXPECT_LT(p[0], 255); // pure sRGB red is outside a printing gamut
    EXPECT_EQ(p[3], 200);
}

TEST(MCBitmapColor, FinalConversionAndGamma)
{
    auto bitmap = redBitmap(CGColorSpace::createWithName(kCGColorSpaceSRGB));
    EXPECT_NEAR(bitmap->profileGamma(), 2.2, 0.2);
    ASSERT_TRUE(bitmap->convertToFinalColorSpace(CGColorSpace::createWithName(kCGColorSpaceGenericCMYK),
                                                 kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_EQ(bitmap->bitsPerPixel(), 32u); // four inks, alpha flattened first
    EXPECT_FALSE(bitmap->isAlphaUsed());
}
