#include "app/library/MCResourceManager.h"

#include <gtest/gtest.h>

TEST(ResourceManager, FormatTests)
{
    using namespace MCResourceManager;
    EXPECT_TRUE(isHEICImageType("public.heif"));
    EXPECT_TRUE(isHEICImageType("public.heic"));
    EXPECT_FALSE(isPDFImageType("public.jpeg"));
    EXPECT_TRUE(isPDFImageType("com.adobe.pdf"));
    bool (*const tests[])(const QString &) = {isJPEGImageType, isBMPImageType, isGIFImageType, isJPEG2000ImageType,
                                               isPNGImageType, isTIFFImageType, isPDFImageType, isHEICImageType};
    const char *identifiers[] = {"public.jpeg", "com.microsoft.bmp", "com.compuserve.gif", "public.jpeg-2000",
                                 "public.png", "public.tiff", "com.adobe.pdf", "public.heic"};
    for (size_t t = 0; t < std::size(tests); ++t) {
        EXPECT_FALSE(tests[t](QString()));
        for (size_t i = 0; i < std::size(identifiers); ++i)
            EXPECT_EQ(tests[t](identifiers[i]), t == i) << identifiers[i];
    }
}
