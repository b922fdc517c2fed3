#include "app/library/MCResourceManager.h"

#include <gtest/gtest.h>

TEST(ResourceManager, FormatTests)
{
    using M = MCResourceManager;
    auto isHEICImageType = M::isHEICImageType, isPDFImageType = M::isPDFImageType;
    EXPECT_TRUE(isHEICImageType("public.heif"));
    EXPECT_TRUE(isHEICImageType("public.heic"));
    EXPECT_FALSE(isPDFImageType("public.jpeg"));
    EXPECT_TRUE(isPDFImageType("com.adobe.pdf"));
    bool (*const tests[])(const QString &) = {M::isJPEGImageType, M::isBMPImageType, M::isGIFImageType, M::isJPEG2000ImageType,
                                               M::isPNGImageType, M::isTIFFImageType, M::isPDFImageType, M::isHEICImageType};
    const char *identifiers[] = {"public.jpeg", "com.microsoft.bmp", "com.compuserve.gif", "public.jpeg-2000",
                                 "public.png", "public.tiff", "com.adobe.pdf", "public.heic"};
    for (size_t t = 0; t < std::size(tests); ++t) {
        EXPECT_FALSE(tests[t](QString()));
        for (size_t i = 0; i < std::size(identifiers); ++i)
            EXPECT_EQ(tests[t](identifiers[i]), t == i) << identifiers[i];
    }
}

#include "halvard/imageio/MCUTType.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"

#include <QFile>

TEST(ResourceManager, ImageAndRAWTypeSets)
{
    using M = MCResourceManager;
    for (const char *type : {"public.jpeg", "public.png", "public.tiff", "public.heic", "public.webp", "com.canon.cr2-raw-image"})
        EXPECT_TRUE(M::isImageType(type)) << type;
    EXPECT_FALSE(M::isImageType("public.plain-text"));
    EXPECT_FALSE(M::isImageType(QString()));
    EXPECT_TRUE(M::isRAWImageType("com.canon.cr2-raw-image"));
    EXPECT_TRUE(M::isRAWImageType("com.adobe.raw-image"));
    EXPECT_FALSE(M::isRAWImageType("public.jpeg"));
    EXPECT_TRUE(M::imageTypes().contains(M::rawImageTypes()));

    const QString folder = testsupport::makeTemporaryFolder();
    for (const char *name : {"a.cr2", "a.jpg"}) {
        QFile file(folder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(M::isRAWImageAtURL(folder + "/a.cr2"));
    EXPECT_FALSE(M::isRAWImageAtURL(folder + "/a.jpg"));
    EXPECT_FALSE(M::isRAWImageAtURL(folder + "/missing.cr2"));

    // Known types only, sorted by description, the same objects on every call.
    const QList<std::shared_ptr<MCUTType>> types = M::availableFileTypes();
    ASSERT_FALSE(types.isEmpty());
    QStringList identifiers;
    for (qsizetype i = 0; i < types.size(); ++i) {
        identifiers << types[i]->typeIdentifier();
        if (i > 0) {
            EXPECT_LE(types[i - 1]->typeDescription().compare(types[i]->typeDescription()), 0);
        }
    }
    EXPECT_TRUE(identifiers.contains("public.jpeg"));
    EXPECT_FALSE(identifiers.contains("public.webp")); // not a type the registry knows
    EXPECT_EQ(M::availableFileTypes().first(), types.first());
    EXPECT_EQ(types.first(), MCUTType::typeWithIdentifier(types.first()->typeIdentifier()));
}

TEST(ResourceManager, SharedInstanceSettingAndImageData)
{
    MCResourceManager &manager = MCResourceManager::defaultManager();
    EXPECT_EQ(&manager, &MCResourceManager::defaultManager());

    MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
    defaults.setBool(true, kMCUseFastBitmapGeneratorKey);
    EXPECT_TRUE(manager.usesFastThumbnailGenerator());
    defaults.removeObjectForKey(kMCUseFastBitmapGeneratorKey);
    EXPECT_FALSE(manager.usesFastThumbnailGenerator());

    EXPECT_TRUE(manager.newImageDataFromImage(nullptr).isEmpty());
    const QByteArray pixels("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    const CGImageRef image = CGImage::create(2, 1, 8, 32, 8, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                             kCGImageAlphaLast, pixels);
    ASSERT_TRUE(image);
    QByteArray copy = manager.newImageDataFromImage(image);
    EXPECT_EQ(copy, pixels);
    copy[0] = 9; // the caller's own bytes
    EXPECT_EQ(image->bytes()[0], 1);
}
