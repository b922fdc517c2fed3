// Reading a photo into a bitmap places opaque RGB pixels of the bitmap's own space straight
// into the store it starts with. These tests hold that path to the drawing it replaces: for
// every layout of source, working format, orientation and store, the pixels equal those of
// drawing the image into a cleared buffer with the bitmap's transform, bit for bit (float
// samples of turned photos to within the drawing's rounding residues). Sources the
// direct path does not take (alpha, gray, CMYK, another RGB space) go through the drawing and
// must come out the same either way too.
#include "app/engine/bitmap/MCBitmap.h"

#include "halvard/imageio/MCImage.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <gtest/gtest.h>

#include <QTransform>

#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr size_t kWidth = 7, kHeight = 5; // odd sides catch a row or column off by one

struct Source
{
    const char *name;
    QString space;
    size_t components; // colour components of the space
    size_t bitsPerComponent;
    size_t channels;
    CGBitmapInfo info;
};

const Source kSources[] = {
    {"RGB 8 (as JPEG decodes)", kCGColorSpaceSRGB, 3, 8, 3, kCGImageAlphaNone},
    {"RGBX 8", kCGColorSpaceSRGB, 3, 8, 4, kCGImageAlphaNoneSkipLast},
    {"XRGB 8", kCGColorSpaceSRGB, 3, 8, 4, kCGImageAlphaNoneSkipFirst},
    {"BGRX 8", kCGColorSpaceSRGB, 3, 8, 4, kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little},
    {"RGB 16", kCGColorSpaceSRGB, 3, 16, 3, kCGImageAlphaNone | kCGBitmapByteOrder16Little},
    {"RGBA 8, translucent", kCGColorSpaceSRGB, 3, 8, 4, kCGImageAlphaLast},
    {"RGBA 16, translucent", kCGColorSpaceSRGB, 3, 16, 4, kCGImageAlphaLast | kCGBitmapByteOrder16Little},
    {"gray 8", kCGColorSpaceGenericGray, 1, 8, 1, kCGImageAlphaNone},
    {"CMYK 8", kCGColorSpaceGenericCMYK, 4, 8, 4, kCGImageAlphaNone},
    {"RGB 8 in Display P3", kCGColorSpaceDisplayP3, 3, 8, 3, kCGImageAlphaNone},
};

struct Working
{
    const char *name;
    CGBitmapInfo info;
    uint64_t bitsPerComponent;
};

const Working kWorking[] = {
    {"8-bit RGBA", kCGImageAlphaLast, 8},
    {"8-bit RGBX", kCGImageAlphaNoneSkipLast, 8},
    {"float RGBA", kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little, 32},
};

CGImageRef makeImage(const Source &source, std::mt19937 &random)
{
    const size_t bytes = source.bitsPerComponent / 8;
    const size_t rowBytes = kWidth * source.channels * bytes + 8; // rows with padding
    QByteArray data(int(rowBytes * kHeight), 0);
    std::uniform_int_distribution<int> sample(0, bytes == 1 ? 255 : 65535);
    for (size_t y = 0; y < kHeight; ++y)
        for (size_t i = 0; i < kWidth * source.channels; ++i) {
            const uint16_t v = uint16_t(sample(random));
            char *at = data.data() + y * rowBytes + i * bytes;
            if (bytes == 1)
                *at = char(v);
            else
                std::memcpy(at, &v, 2);
        }
    return CGImage::create(kWidth, kHeight, source.bitsPerComponent, source.bitsPerComponent * source.channels,
                           rowBytes, CGColorSpace::createWithName(source.space), source.info, data);
}

// The drawing the bitmap used to be read with: a cleared buffer, the image drawn turned and
// mirrored for the orientation, at its own size.
std::vector<uint8_t> drawn(const MCImage &image, const vImage_CGImageFormat &format, uint64_t orientation)
{
    const double angle = MCBitmap::rotationAngleInRadiansFromOrientation(orientation);
    const double sx = MCBitmap::flipsHorizontallyFromOrientation(orientation) ? -1 : 1;
    const double sy = MCBitmap::flipsVerticallyFromOrientation(orientation) ? -1 : 1;
    QTransform turn;
    turn.rotateRadians(angle);
    turn.scale(sx, sy);
    const QRectF box = turn.mapRect(QRectF(0, 0, double(image.width()), double(image.height())));
    QTransform placed;
    placed.translate(-std::round(box.left()), -std::round(box.top()));
    placed.rotateRadians(angle);
    placed.scale(sx, sy);
    vImage_Buffer buffer;
    buffer.width = size_t(std::round(box.width()));
    buffer.height = size_t(std::round(box.height()));
    buffer.rowBytes = buffer.width * format.bitsPerPixel / 8;
    std::vector<uint8_t> pixels(buffer.rowBytes * buffer.height, 0);
    buffer.data = pixels.data();
    EXPECT_EQ(image.drawInBuffer(&buffer, &format, &placed), kvImageNoError);
    return pixels;
}

std::vector<uint8_t> pixelsOf(MCBitmap &bitmap)
{
    EXPECT_TRUE(bitmap.useImageBuffer());
    const vImage_Buffer &buffer = bitmap.imageBuffer();
    const size_t rowLength = buffer.width * bitmap.bitsPerPixel() / 8;
    std::vector<uint8_t> pixels(rowLength * buffer.height);
    for (size_t y = 0; y < buffer.height; ++y)
        std::memcpy(pixels.data() + y * rowLength, static_cast<const uint8_t *>(buffer.data) + y * buffer.rowBytes,
                    rowLength);
    return pixels;
}

// Bytes compare exactly. Float samples of a turned photo may differ by residues of the drawing's
// bilinear weights (1e-16 where a weight should be 0): the placement gives the sample itself.
void expectSamePixels(const std::vector<uint8_t> &actual, const std::vector<uint8_t> &expected, bool floats)
{
    ASSERT_EQ(actual.size(), expected.size());
    if (!floats) {
        EXPECT_TRUE(actual == expected);
        return;
    }
    const auto *a = reinterpret_cast<const float *>(actual.data());
    const auto *b = reinterpret_cast<const float *>(expected.data());
    for (size_t i = 0; i < actual.size() / sizeof(float); ++i)
        ASSERT_NEAR(a[i], b[i], 1e-6f) << "sample " << i;
}

} // namespace

TEST(MCBitmapDirectPlacement, EqualsTheDrawingForEveryLayoutOrientationAndStore)
{
    std::mt19937 random(11);
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    for (const Source &source : kSources) {
        SCOPED_TRACE(source.name);
        const CGImageRef cgImage = makeImage(source, random);
        ASSERT_TRUE(cgImage);
        const std::shared_ptr<MCImage> image = MCImage::create(cgImage);
        ASSERT_TRUE(image);
        // The working space is the photo's own when it is RGB, as the converter chooses it.
        const CGColorSpaceRef space = source.components == 3 ? image->colorSpace() : sRGB;
        for (const Working &working : kWorking) {
            SCOPED_TRACE(working.name);
            const vImage_CGImageFormat format{uint32_t(working.bitsPerComponent), uint32_t(4 * working.bitsPerComponent),
                                              space, working.info, 0, nullptr, image->renderingIntent()};
            for (uint64_t orientation = 1; orientation <= 8; ++orientation) {
                SCOPED_TRACE(orientation);
                const std::vector<uint8_t> expected = drawn(*image, format, orientation);
                for (const bool planar : {false, true}) {
                    SCOPED_TRACE(planar ? "planes" : "interleaved");
                    auto bitmap = MCBitmap::create(
                        image, space, working.info, working.bitsPerComponent, 4 * working.bitsPerComponent, QSizeF(0, 0),
                        MCBitmap::rotationAngleInRadiansFromOrientation(orientation),
                        MCBitmap::flipsHorizontallyFromOrientation(orientation),
                        MCBitmap::flipsVerticallyFromOrientation(orientation), planar);
                    ASSERT_TRUE(bitmap);
                    EXPECT_EQ(bitmap->size(), MCBitmap::rotatedSize(QSizeF(kWidth, kHeight), orientation));
                    expectSamePixels(pixelsOf(*bitmap), expected, working.bitsPerComponent == 32);
                }
            }
        }
    }
}

// A JPEG-like source read for the pixel stages starts on its planes and allocates nothing else:
// one working copy beside the decoded pixels.
TEST(MCBitmapDirectPlacement, PlanarReadingHoldsOnlyThePlanes)
{
    std::mt19937 random(5);
    const std::shared_ptr<MCImage> image = MCImage::create(makeImage(kSources[0], random));
    ASSERT_TRUE(image);
    auto bitmap = MCBitmap::create(image, image->colorSpace(), kCGImageAlphaLast, 8, 32, QSizeF(0, 0), 0, false, false,
                                   true);
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(bitmap->isUsingChannels());
    EXPECT_EQ(bitmap->imageBuffer().data, nullptr);
    for (const vImage_Buffer &plane : bitmap->imageChannels()) {
        EXPECT_EQ(plane.width, kWidth);
        EXPECT_EQ(plane.height, kHeight);
    }
    const auto *alpha = static_cast<const uint8_t *>(bitmap->imageChannels()[3].data);
    EXPECT_EQ(alpha[0], 255);
    EXPECT_EQ(alpha[kWidth - 1], 255);
}
