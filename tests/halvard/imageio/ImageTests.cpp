#include "halvard/imageio/MCImage.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

vImage_CGImageFormat rgbaFormat(uint32_t bitsPerComponent, CGBitmapInfo info, const QString &space = kCGColorSpaceSRGB)
{
    vImage_CGImageFormat format;
    format.bitsPerComponent = bitsPerComponent;
    format.bitsPerPixel = 4 * bitsPerComponent;
    format.colorSpace = CGColorSpace::createWithName(space);
    format.bitmapInfo = info;
    return format;
}

struct Destination
{
    std::vector<uint8_t> memory;
    vImage_Buffer buffer;
    Destination(size_t width, size_t height, size_t rowBytes, uint8_t fill = 0xA5)
        : memory(rowBytes * height, fill)
    {
        buffer.data = memory.data();
        buffer.width = width;
        buffer.height = height;
        buffer.rowBytes = rowBytes;
    }
};

} // namespace

TEST(MCImage, HoldsTheImagesPixelsAndFormat)
{
    EXPECT_FALSE(MCImage::create(nullptr));
    const CGImageRef source = testimages::solidRGBA(3, 2, 10, 20, 30, 40);
    const auto image = MCImage::create(source);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSizeF(3, 2));
    EXPECT_EQ(image->bitsPerComponent(), 8u);
    EXPECT_EQ(image->bitsPerPixel(), 32u);
    EXPECT_EQ(image->bitmapInfo(), CGBitmapInfo(kCGImageAlphaLast));
    EXPECT_EQ(image->colorSpace(), source->colorSpace());
    EXPECT_EQ(image->imageFormat().version, 0u);
    const auto *pixels = static_cast<const uint8_t *>(image->imageBuffer().data);
    EXPECT_EQ(pixels[image->imageBuffer().rowBytes + 4 + 2], 30);
}

TEST(MCImage, DrawInBufferRefusesBadArgumentsInOrder)
{
    const auto image = MCImage::create(testimages::solidRGBA(4, 4, 255, 0, 0));
    ASSERT_TRUE(image);
    const vImage_CGImageFormat rgba8 = rgbaFormat(8, kCGImageAlphaPremultipliedLast);

    Destination ok(4, 4, 16);
    EXPECT_EQ(image->drawInBuffer(nullptr, &rgba8, nullptr), kvImageNullPointerArgument);
    EXPECT_EQ(image->drawInBuffer(&ok.buffer, nullptr, nullptr), kvImageNullPointerArgument);
    vImage_Buffer noMemory = ok.buffer;
    noMemory.data = nullptr;
    EXPECT_EQ(image->drawInBuffer(&noMemory, &rgba8, nullptr), kvImageInvalidParameter);

    struct Case { const char *what; vImage_CGImageFormat format; size_t rowBytes; vImage_Error expected; };
    vImage_CGImageFormat threeComponents = rgba8;
    threeComponents.bitsPerPixel = 24;
    vImage_CGImageFormat noSpace = rgba8;
    noSpace.colorSpace = nullptr;
    const Case cases[] = {
        {"row one byte short", rgba8, 15, kvImageInvalidRowBytes},
        // 16-bit rows need 8 bytes a pixel, not 4.
        {"16-bit rows of 4 bytes a pixel", rgbaFormat(16, kCGImageAlphaLast), 16, kvImageInvalidRowBytes},
        {"CMYK", rgbaFormat(8, kCGImageAlphaNone, kCGColorSpaceGenericCMYK), 16, kvImageInvalidImageFormat},
        {"gray", rgbaFormat(8, kCGImageAlphaNone, kCGColorSpaceGenericGrayGamma2_2), 16, kvImageInvalidImageFormat},
        {"alpha first", rgbaFormat(8, kCGImageAlphaPremultipliedFirst), 16, kvImageInvalidImageFormat},
        {"alpha none", rgbaFormat(8, kCGImageAlphaNone), 16, kvImageInvalidImageFormat},
        {"32-bit integers", rgbaFormat(32, kCGImageAlphaLast), 64, kvImageInvalidImageFormat},
        {"12-bit components", rgbaFormat(12, kCGImageAlphaLast), 32, kvImageInvalidImageFormat},
        {"three components", threeComponents, 16, kvImageInvalidImageFormat},
        {"no colour space", noSpace, 16, kvImageInvalidImageFormat},
    };
    for (const Case &c : cases) {
        Destination d(4, 4, c.rowBytes);
        EXPECT_EQ(image->drawInBuffer(&d.buffer, &c.format, nullptr), c.expected) << c.what;
        EXPECT_EQ(d.memory, std::vector<uint8_t>(d.memory.size(), 0xA5)) << c.what << ": nothing may be drawn";
    }
}

TEST(MCImage, DrawInBufferStretchesWithoutATransform)
{
    // 100 × 50: the top half red, the bottom half blue, the right quarter green.
    const CGImageRef source = testimages::make(100, 50, 8, 32, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                               kCGImageAlphaNoneSkipLast, [](size_t x, size_t y, uint8_t *p) {
                                                   p[0] = x < 75 && y < 25 ? 255 : 0;
                                                   p[1] = x >= 75 ? 255 : 0;
                                                   p[2] = x < 75 && y >= 25 ? 255 : 0;
                                               });
    const auto image = MCImage::create(source);
    const vImage_CGImageFormat format = rgbaFormat(8, kCGImageAlphaPremultipliedLast);
    Destination d(200, 200, 800);
    ASSERT_EQ(image->drawInBuffer(&d.buffer, &format, nullptr), kvImageNoError);
    auto at = [&](size_t x, size_t y) { return d.memory.data() + y * 800 + x * 4; };
    EXPECT_EQ(at(10, 10)[0], 255);   // top left: red, first rows of memory are the top
    EXPECT_EQ(at(10, 190)[2], 255);  // bottom left: blue
    EXPECT_EQ(at(190, 100)[1], 255); // right quarter: green, stretched to 150..200
    EXPECT_EQ(at(140, 100)[1], 0);
    EXPECT_EQ(at(199, 199)[3], 255); // the whole buffer is covered
}

TEST(MCImage, DrawInBufferWithATransformLeavesTheRestAlone)
{
    const auto image = MCImage::create(testimages::solidRGBA(2, 2, 0, 255, 0));
    const vImage_CGImageFormat format = rgbaFormat(8, kCGImageAlphaNoneSkipLast);
    Destination d(4, 4, 16, 7);
    const QTransform identity;
    ASSERT_EQ(image->drawInBuffer(&d.buffer, &format, &identity), kvImageNoError);
    // Origin lower left: the 2 × 2 image lands in the bottom-left corner, memory rows 2 and 3.
    EXPECT_EQ(d.memory[2 * 16 + 1], 255);
    EXPECT_EQ(d.memory[3 * 16 + 4 + 1], 255);
    EXPECT_EQ(d.memory[0], 7);
    EXPECT_EQ(d.memory[2 * 16 + 8], 7);
}

TEST(MCImage, NonPremultipliedDestinationsComeBackUnpremultiplied)
{
    const auto image = MCImage::create(testimages::solidRGBA(3, 3, 200, 100, 50, 128));
    struct Case { uint32_t bits; CGBitmapInfo info; };
    const Case cases[] = {
        {8, kCGImageAlphaLast},
        {8, kCGImageAlphaLast | kCGBitmapByteOrder32Little},
        {16, kCGImageAlphaLast},
        {32, kCGImageAlphaLast | kCGBitmapFloatComponents},
    };
    for (const Case &c : cases) {
        const vImage_CGImageFormat format = rgbaFormat(c.bits, c.info);
        const size_t bytes = c.bits / 8;
        Destination d(3, 3, 3 * 4 * bytes, 0);
        ASSERT_EQ(image->drawInBuffer(&d.buffer, &format, nullptr), kvImageNoError) << c.bits;
        const uint8_t *p = d.memory.data() + 3 * 4 * bytes + 4 * bytes; // the middle pixel
        double component[4];
        for (int i = 0; i < 4; ++i) {
            if (c.bits == 8)
                component[i] = p[i] / 255.0;
            else if (c.bits == 16)
                component[i] = reinterpret_cast<const uint16_t *>(p)[i] / 65535.0;
            else
                component[i] = double(reinterpret_cast<const float *>(p)[i]);
        }
        if (c.info & kCGBitmapByteOrder32Little) // A B G R in memory
            std::swap(component[0], component[3]), std::swap(component[1], component[2]);
        EXPECT_NEAR(component[0], 200 / 255.0, 0.01) << c.bits;
        EXPECT_NEAR(component[1], 100 / 255.0, 0.01) << c.bits;
        EXPECT_NEAR(component[2], 50 / 255.0, 0.01) << c.bits;
        EXPECT_NEAR(component[3], 128 / 255.0, 0.01) << c.bits;
    }
}
